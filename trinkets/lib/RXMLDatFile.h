#pragma once

#include <memory>
#include <string>

#include "trinkets/src/OMScriptableObject.h"

class OMXMLDocument;
class OMXMLElement;

// A small XML document on disk in which scripts keep values between runs, and a cursor with
// which they build and walk its elements. In the variable-file use each element under
// "ZEB_DATA_FILE"/"VARIABLES" is named after a script variable and holds its value in the
// attribute "VALUE". Every write replaces the file whole, through a temporary file beside it.
class RXMLDatFile : public OMScriptableObject {
 public:
  using DirectoryLookup = const char* (*)();
  // Write methods: after each writing operation, once more at destruction, or only on "write".
  enum WriteMethod { writeAlways = 0, writeAtEnd = 2 };

  RXMLDatFile(const char* name, bool inDataDirectory);
  ~RXMLDatFile() override;

  static std::unique_ptr<OMScriptableObject> create();
  // Where files of the data directory lie; the program sets it.
  static void setDataDirectoryLookup(DirectoryLookup lookup) { dataDirectory_ = lookup; }

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;

  const std::string& path() const { return path_; }
  OMXMLDocument* document() const { return document_.get(); }
  OMXMLElement* current() const;
  int writeMethod() const { return writeMethod_; }
  // Writes now; false when there is nothing to write or the file could not be replaced.
  bool write();
  void setVariable(const char* group, const char* name, const char* value);
  // How many times the file was written.
  int writeCount() const { return writeCount_; }

 private:
  void load();
  void startNewDocument();
  void conditionalWrite();
  // The elements "%s.%d" of the base and 1 to count in the group, each given the value.
  void setArray(const char* group, const char* base, int count, const char* value);
  void setAttribute(const char* name, const char* value);
  bool moveToGroup(const char* name);
  // Sets the element's first attribute, or adds "VALUE" when it has none.
  static void setFirstAttribute(OMXMLElement* element, const char* value);

  OMWord writeMember();
  OMWord loadNodeMember();
  OMWord saveNodeMember();
  OMWord createArrayMember();
  OMWord addNodeMember();
  OMWord deleteNodeMember();
  OMWord selectParentMember();
  OMWord addAttributeMember();
  OMWord findNodeMember();
  OMWord selectRootMember();
  OMWord getContentsMember();
  OMWord getAttributeMember();
  OMWord getChildMember();
  OMWord getVar(OMWord buffer);
  OMWord setVar(OMWord text);
  OMWord getCurrentNode(OMWord buffer);
  OMWord setCurrentNode(OMWord text);
  OMWord getVersion(OMWord buffer);
  OMWord setVersion(OMWord text);
  OMWord getStandAlone(OMWord buffer);
  OMWord setStandAlone(OMWord text);
  OMWord getDocTypeName(OMWord buffer);
  OMWord setDocTypeName(OMWord text);
  OMWord getDocTypeContents(OMWord buffer);
  OMWord setDocTypeContents(OMWord text);
  OMWord getAttributeValue(OMWord buffer);
  OMWord setAttributeValue(OMWord text);
  OMWord getAttributes(OMWord buffer);
  OMWord getChildren(OMWord buffer);
  OMWord getWriteMethod(OMWord buffer);
  OMWord setWriteMethod(OMWord text);

  std::string path_;
  std::unique_ptr<OMXMLDocument> document_;
  int writeMethod_ = writeAlways;
  std::string lastFound_;
  int writeCount_ = 0;

  static DirectoryLookup dataDirectory_;
};
