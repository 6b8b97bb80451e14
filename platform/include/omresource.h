#pragma once

#include <cstddef>

// A module's resources as the resource compiler (tools/rc) writes them: a table compiled into
// the program, or into a plug-in that carries one. There are no PE resources on this host.
struct OMResourceEntry {
  const char* typeName;  // null for a numbered type
  unsigned typeId;
  const char* name;  // null for a numbered resource
  unsigned id;
  const unsigned char* data;
  unsigned size;
};

struct OMResourceTable {
  const OMResourceEntry* entries;
  std::size_t count;
};

// Called by a program's compiled resources from their static initialiser.
void omRegisterProgramResources(const OMResourceTable* table);

// A plug-in's compiled resources are found under this name when it is loaded.
#define OM_MODULE_RESOURCES_SYMBOL "omModuleResources"
