#include "trinkets/src/TrinketRecord.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "framework/OMEdition.h"
#include "trinkets/src/OMPluginLibrary.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"

namespace {

struct TrinketRegistry {
  OMList<TrinketRecord> records;
  TrinketRecord* current = nullptr;
  int pluginLoading = 1;
};

// Created by the first record and freed with the last. Records register from static
// initialisers in any order, so this is a plain pointer that is null before anything runs.
TrinketRegistry* registry = nullptr;

constexpr std::size_t argumentLineLimit = 1023;
const char pluginExtension[] = ".qzl";
const char pluginPattern[] = "*.qzl";

char lowerCaseOf(char character)
{
  return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                              : character;
}

// Class names compare as the C library's case-blind comparison does: ASCII letters only.
bool equalsIgnoringCase(const char* left, const char* right)
{
  for (; *left && *right; ++left, ++right) {
    if (lowerCaseOf(*left) != lowerCaseOf(*right)) return false;
  }
  return *left == *right;
}

TrinketRecord* findRecord(const char* name)
{
  if (!registry || !name) return nullptr;
  return registry->records.firstThat([name](TrinketRecord* record) {
    return record->isInCurrentEdition() && equalsIgnoringCase(record->className(), name);
  });
}

bool isPlainNameCharacter(char character)
{
  return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
         (character >= '0' && character <= '9') || character == '_' || character == '-';
}

// A plug-in name comes from script text: a plain name with at most one extension, never a
// path.
bool isPlainPluginName(const char* name)
{
  const std::size_t length = std::strlen(name);
  if (length == 0 || length > static_cast<std::size_t>(trinketNameLimit)) return false;
  int dots = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (name[i] == '.') {
      if (i == 0 || i + 1 == length || ++dots > 1) return false;
    } else if (!isPlainNameCharacter(name[i])) {
      return false;
    }
  }
  return true;
}

void loadOnePlugin(const char* name)
{
  if (!registry || !isPlainPluginName(name)) return;
  const char* dot = std::strchr(name, '.');
  const std::string className = dot ? std::string(name, dot) : std::string(name);
  std::string fileName = name;
  if (!dot) fileName += pluginExtension;
  if (fileName.size() > static_cast<std::size_t>(trinketNameLimit)) return;
  if (findRecord(className.c_str())) return;
  // A missing library is tried again at the next lookup: a content folder may gain the file.
  HMODULE module = loadPluginLibrary(fileName.c_str());
  if (!module) return;
  // A library that registered no class of that name stays loaded, and no record keeps it.
  if (TrinketRecord* record = findRecord(className.c_str())) record->setModule(module);
}

void loadEveryPlugin()
{
  for (const std::string& name : listPluginLibraries(pluginPattern)) {
    loadOnePlugin(name.c_str());
  }
}

void pushArguments(const char* first, va_list further)
{
  clearScriptArgs();
  for (const char* argument = first; argument && argument[0] != scriptArgTerminator[0];
       argument = va_arg(further, const char*)) {
    pushScriptArg(argument);
  }
}

std::unique_ptr<OMScriptableObject> createFromStack(const char* className)
{
  if (!findTrinketClass(className)) return nullptr;
  TrinketRecord* record = currentTrinketRecord();
  std::unique_ptr<OMScriptableObject> object = createTrinket();
  if (!object) return nullptr;
  object->setClassName(record->className());
  object->registerMembers();
  return object;
}

// Every blank ends a word; a word that begins with a double quote runs to the closing quote.
void pushWordsOfLine(std::string line)
{
  std::size_t position = 0;
  while (true) {
    if (position < line.size() && line[position] == '"') {
      const std::size_t closing = line.find('"', position + 1);
      if (closing == std::string::npos) {
        const std::size_t blank = line.find(' ', position + 1);
        pushScriptArg(line.substr(position + 1, blank == std::string::npos ? std::string::npos
                                                                           : blank - position - 1)
                          .c_str());
        return;
      }
      pushScriptArg(line.substr(position + 1, closing - position - 1).c_str());
      const std::size_t blank = line.find(' ', closing + 1);
      if (blank == std::string::npos) return;
      position = blank + 1;
      continue;
    }
    const std::size_t blank = line.find(' ', position);
    if (blank == std::string::npos) {
      pushScriptArg(line.substr(position).c_str());
      return;
    }
    pushScriptArg(line.substr(position, blank - position).c_str());
    position = blank + 1;
  }
}

}  // namespace

TrinketRecord::TrinketRecord(const char* className, TrinketFactory factory, Editions editions)
    : className_(className), factory_(factory), editions_(editions)
{
  if (!registry) {
    registry = new TrinketRegistry;
    createScriptArgs();
  }
  registry->records.add(this);
}

TrinketRecord::~TrinketRecord()
{
  if (registry) {
    registry->records.remove(this);
    if (registry->current == this) registry->current = nullptr;
    if (registry->records.isEmpty()) {
      destroyScriptArgs();
      delete registry;
      registry = nullptr;
    }
  }
}

bool TrinketRecord::isInCurrentEdition() const
{
  switch (editions_) {
    case gameEditionOnly:
      return OMEdition::isGame();
    case assessmentEditionOnly:
      return OMEdition::isAssessment();
    default:
      return true;
  }
}

void TrinketRecord::setClassLink(const OMLink* link)
{
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  classLink_ = std::move(replacement);
}

int findTrinketClass(const char* name)
{
  if (!registry) return 0;
  if (!name) {
    registry->current = nullptr;
    return 0;
  }
  TrinketRecord* record = findRecord(name);
  if (!record && registry->pluginLoading) {
    loadOnePlugin(name);
    record = findRecord(name);
  }
  registry->current = record;
  return record ? 1 : 0;
}

int isTrinketClass(const char* name)
{
  return findTrinketClass(name);
}

TrinketRecord* currentTrinketRecord()
{
  return registry ? registry->current : nullptr;
}

int setClassLink(const char* className, const OMLink* link)
{
  const int found = findTrinketClass(className);
  if (found) registry->current->setClassLink(link);
  return found;
}

std::unique_ptr<OMScriptableObject> createTrinket()
{
  TrinketRecord* record = currentTrinketRecord();
  if (!record || !record->factory()) return nullptr;
  rewindScriptArgs();
  return record->factory()();
}

std::unique_ptr<OMScriptableObject> createTrinketByName(const char* className, const char* first,
                                                        ...)
{
  if (!className) return nullptr;
  if (!first || first[0] != scriptArgTerminator[0]) {
    va_list further;
    va_start(further, first);
    pushArguments(first, further);
    va_end(further);
  }
  return createFromStack(className);
}

std::unique_ptr<OMScriptableObject> createTrinketFromCommand(const char* className,
                                                             const char* argumentLine)
{
  if (!className || !argumentLine) return nullptr;
  // The line is refused rather than cut: a cut line would create with wrong arguments.
  if (std::strlen(argumentLine) > argumentLineLimit) return nullptr;
  clearScriptArgs();
  pushWordsOfLine(argumentLine);
  return createFromStack(className);
}

void setPluginLoading(int flag)
{
  if (registry) registry->pluginLoading = flag;
}

int isPluginLoading()
{
  return registry ? registry->pluginLoading : 0;
}

void loadTrinketPlugin(const char* name)
{
  if (name)
    loadOnePlugin(name);
  else
    loadEveryPlugin();
}

void unloadTrinketPlugin(const char* className)
{
  if (!registry) return;
  if (className) {
    if (TrinketRecord* record = findRecord(className)) freePluginLibrary(record->module());
    return;
  }
  registry->records.forEach([](TrinketRecord* record) { freePluginLibrary(record->module()); });
}

const OMList<TrinketRecord>* trinketRecords()
{
  return registry ? &registry->records : nullptr;
}

std::vector<const char*> trinketClassNames()
{
  std::vector<const char*> names;
  if (!registry) return names;
  registry->records.forEach([&names](TrinketRecord* record) {
    if (record->isInCurrentEdition()) names.push_back(record->className());
  });
  return names;
}
