#include "trinkets/lib/RXMLDatFile.h"

#include <io.h>
#include <omcrt.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "framework/OMLinkToObj.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMXMLDocument.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

TrinketRecord record("RXMLDatFile", &RXMLDatFile::create);

constexpr char rootName[] = "ZEB_DATA_FILE";
constexpr char groupName[] = "VARIABLES";
constexpr char valueName[] = "VALUE";
// What "RESULT" may hold of a name and value, with the terminator.
constexpr std::size_t resultLimit = 1024;

bool isNameStart(unsigned char c)
{
  return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80;
}

// Only names the file can hold and read back become elements.
bool isXMLName(const char* name)
{
  if (!name || !isNameStart(static_cast<unsigned char>(*name))) return false;
  for (const char* p = name + 1; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (!isNameStart(c) && !std::isdigit(c) && c != '-' && c != '.') return false;
  }
  return true;
}

const char* textOf(const OMXMLString& string)
{
  return string.text() ? string.text() : "";
}

// The n-th (from 1) item of a list, or null.
template <typename T>
T* nth(const OMList<T>& list, int n)
{
  if (n < 1) return nullptr;
  int i = 0;
  return list.firstThat([&](T*) { return ++i == n; });
}

// The last element of that name in a depth-first walk; nothing below a match is taken.
OMXMLElement* lastMatch(OMXMLElement* root, const char* name)
{
  // Without recursion: a file may nest without limit.
  const OMXMLElement* found = nullptr;
  const OMXMLElement* openMatch = nullptr;  // the match the walk is below, if any
  root->walk(
      [&](const OMXMLElement& element) {
        if (!openMatch && &element != root && element.name().equals(name))
          found = openMatch = &element;
        return true;
      },
      [&](const OMXMLElement& element) {
        if (&element == openMatch) openMatch = nullptr;
      });
  return const_cast<OMXMLElement*>(found);
}

int textNumber(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

}  // namespace

RXMLDatFile::DirectoryLookup RXMLDatFile::dataDirectory_ = nullptr;

RXMLDatFile::RXMLDatFile(const char* given, bool inDataDirectory)
{
  // The file's own name, looked for as it lies on the disk.
  std::string name = given ? given : "";
  if (name.find('.') == std::string::npos) name += ".xml";
  if (inDataDirectory) {
    const char* directory = dataDirectory_ ? dataDirectory_() : nullptr;
    path_ = std::string(directory ? directory : "") + name;
  } else if (std::optional<std::string> found =
                 given && *given ? findFileOnSearchPath(name.c_str()) : std::nullopt) {
    path_ = *found;
  }
  if (path_.empty()) {
    const std::string message = "RXMLDatFile: no file \"" + name + "\"\n";
    OutputDebugStringA(message.c_str());
    return;
  }
  for (char& c : path_)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  load();
}

RXMLDatFile::~RXMLDatFile()
{
  if (writeMethod_ == writeAtEnd) write();
}

std::unique_ptr<OMScriptableObject> RXMLDatFile::create()
{
  const std::string name = popScriptArg();
  const char* where = popScriptArg();
  return std::make_unique<RXMLDatFile>(name.c_str(), *where && std::atoi(where) != 0);
}

void RXMLDatFile::load()
{
  const OMFileQuery query = queryFile(path_.c_str());
  if (!query.exists || query.size <= 0) {
    startNewDocument();
    return;
  }
  document_ = std::make_unique<OMXMLDocument>(path_.c_str());
  if (document_->error()) {
    // A damaged file is kept aside, never written over.
    const std::string kept = path_ + ".bad";
    forgetQueriedFile(path_.c_str());
    const bool moved = MoveFileExA(path_.c_str(), kept.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const std::string message = "RXMLDatFile: \"" + path_ + "\" does not parse (" +
                                document_->error() + ")" + (moved ? ", kept as .bad\n" : "\n");
    OutputDebugStringA(message.c_str());
    document_.reset();
    if (!moved) return;
    startNewDocument();
    return;
  }
  document_->find(rootName);
  document_->find(groupName);
}

void RXMLDatFile::startNewDocument()
{
  document_ = std::make_unique<OMXMLDocument>();
  document_->version().set("1.0");
  document_->setStandalone(1);
  OMXMLElement* group = document_->root()->addChild(rootName)->addChild(groupName);
  document_->setCurrent(group);
  write();
}

OMXMLElement* RXMLDatFile::current() const
{
  return document_ ? document_->current() : nullptr;
}

bool RXMLDatFile::write()
{
  if (path_.empty() || !document_) return false;
  const std::string temporary = path_ + ".tmp";
  forgetQueriedFile(path_.c_str());
  bool saved = false;
  if (FILE* out = om_fopen(temporary.c_str(), "wt")) {
    saved = document_->write(out) && std::fflush(out) == 0 && _commit(_fileno(out)) == 0;
    saved = std::fclose(out) == 0 && saved;
  }
  saved = saved && MoveFileExA(temporary.c_str(), path_.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!saved) {
    om_remove(temporary.c_str());
    OutputDebugStringA(("RXMLDatFile: \"" + path_ + "\" not written\n").c_str());
    return false;
  }
  ++writeCount_;
  return true;
}

void RXMLDatFile::conditionalWrite()
{
  if (writeMethod_ == writeAlways) write();
}

void RXMLDatFile::setAttribute(const char* name, const char* value)
{
  OMXMLElement* element = current();
  if (!element || !isXMLName(name)) return;
  if (element->attributeValue(name)) {
    element->setAttribute(name, value);
    conditionalWrite();
  } else {
    element->addAttribute(name, value);
  }
}

void RXMLDatFile::setFirstAttribute(OMXMLElement* element, const char* value)
{
  if (OMXMLAttribute* first = element->attributes().first()) {
    first->value.set(value);
  } else {
    element->addAttribute(valueName, value);
  }
}

bool RXMLDatFile::moveToGroup(const char* name)
{
  return document_ && document_->find(name) != nullptr;
}

void RXMLDatFile::setVariable(const char* group, const char* name, const char* value)
{
  if (!document_ || !isXMLName(group) || !isXMLName(name)) return;
  if (!moveToGroup(group)) document_->setCurrent(document_->root()->addChild(group));
  OMXMLElement* element = current();
  OMXMLElement* variable = element->children().firstThat(
      [&](OMXMLElement* child) { return child->name().equals(name); });
  if (variable) {
    setFirstAttribute(variable, value);
    return;
  }
  element->addChild(name)->addAttribute(valueName, value);
  conditionalWrite();
}

void RXMLDatFile::registerMembers()
{
  using Link = OMLinkToObj<RXMLDatFile>;
  using X = RXMLDatFile;
  const auto property = [this](const char* name, Link::MemberFnWithArg set,
                               Link::MemberFnWithArg get) {
    const Link setter(this, set, 0), getter(this, get, 0);
    addProperty(name, set ? &setter : nullptr, &getter);
  };
  addMethod("write", Link(this, &X::writeMember));
  addMethod("loadNode", Link(this, &X::loadNodeMember));
  addMethod("saveNode", Link(this, &X::saveNodeMember));
  addMethod("createArray", Link(this, &X::createArrayMember));
  addMethod("addNode", Link(this, &X::addNodeMember));
  addMethod("deleteNode", Link(this, &X::deleteNodeMember));
  addMethod("selectParent", Link(this, &X::selectParentMember));
  addMethod("addAttribute", Link(this, &X::addAttributeMember));
  addMethod("findNode", Link(this, &X::findNodeMember));
  addMethod("selectRoot", Link(this, &X::selectRootMember));
  addMethod("getContents", Link(this, &X::getContentsMember));
  addMethod("getAttribute", Link(this, &X::getAttributeMember));
  addMethod("getChild", Link(this, &X::getChildMember));
  property("var", &X::setVar, &X::getVar);
  property("currentNode", &X::setCurrentNode, &X::getCurrentNode);
  property("version", &X::setVersion, &X::getVersion);
  property("standAlone", &X::setStandAlone, &X::getStandAlone);
  property("docTypeName", &X::setDocTypeName, &X::getDocTypeName);
  property("docTypeContents", &X::setDocTypeContents, &X::getDocTypeContents);
  property("attributeValue", &X::setAttributeValue, &X::getAttributeValue);
  property("attributes", nullptr, &X::getAttributes);
  property("children", nullptr, &X::getChildren);
  property("writeMethod", &X::setWriteMethod, &X::getWriteMethod);
}

OMWord RXMLDatFile::writeMember()
{
  write();
  return 1;
}

OMWord RXMLDatFile::loadNodeMember()
{
  if (!moveToGroup(popScriptArg())) return 1;
  current()->children().firstThat([](OMXMLElement* child) {
    const char* name = textOf(child->name());
    const char* value = child->attributeValue(valueName);
    value = value ? value : "";
    const int index = scriptVariables.add(name, -1, value);
    if (YVariable* variable = scriptVariables.at(index)) variable->setText(value);
    return false;
  });
  return 1;
}

OMWord RXMLDatFile::saveNodeMember()
{
  if (!moveToGroup(popScriptArg())) return 1;
  current()->children().firstThat([](OMXMLElement* child) {
    const int index = scriptVariables.add(textOf(child->name()), -1, nullptr);
    YVariable* variable = scriptVariables.at(index);
    setFirstAttribute(child, variable ? variable->getText() : "");
    return false;
  });
  conditionalWrite();
  return 1;
}

OMWord RXMLDatFile::createArrayMember()
{
  const std::string a = popScriptArg(), b = popScriptArg(), c = popScriptArg(), d = popScriptArg();
  if (!document_) return 1;
  if (d.empty()) {
    const std::string group = current() ? textOf(current()->name()) : "";
    setArray(group.c_str(), a.c_str(), std::atoi(b.c_str()), c.c_str());
  } else {
    setArray(a.c_str(), b.c_str(), std::atoi(c.c_str()), d.c_str());
  }
  return 1;
}

void RXMLDatFile::setArray(const char* group, const char* base, int count, const char* value)
{
  if (!document_ || !isXMLName(group)) return;
  if (!moveToGroup(group)) document_->setCurrent(document_->root()->addChild(group));
  OMXMLElement* element = current();
  // An array has no more elements than a script has variables to load them into. The names
  // already there are looked up once, not once for each element.
  count = std::min(count, YVariableTable::indexLimit);
  std::unordered_map<std::string, OMXMLElement*> existing;
  element->children().firstThat([&existing](OMXMLElement* child) {
    existing.emplace(textOf(child->name()), child);
    return false;
  });
  bool added = false;
  char name[resultLimit];
  for (int i = 1; i <= count; ++i) {
    std::snprintf(name, sizeof name, "%s.%d", base, i);
    if (!isXMLName(name)) continue;
    if (const auto found = existing.find(name); found != existing.end()) {
      setFirstAttribute(found->second, value);
      continue;
    }
    OMXMLElement* made = element->addChild(name);
    made->addAttribute(valueName, value);
    existing.emplace(name, made);
    added = true;
  }
  // The file is written once, with the whole array.
  if (added) conditionalWrite();
}

OMWord RXMLDatFile::addNodeMember()
{
  const char* name = popScriptArg();
  if (!document_ || !isXMLName(name)) return 1;
  OMXMLElement* base = current();
  if (!base) {
    base = document_->root()->findDescendant(groupName);
    if (!base) base = document_->root();
  }
  OMXMLElement* element = base->findDescendant(name);
  if (!element) element = base->addChild(name);
  document_->setCurrent(element);
  return 1;
}

OMWord RXMLDatFile::deleteNodeMember()
{
  if (!*popScriptArg()) return 1;
  OMXMLElement* element = current();
  OMXMLElement* parent = element ? element->parent() : nullptr;
  if (!parent) return 1;
  document_->setCurrent(parent);
  element->removeFromParent();
  return 1;
}

OMWord RXMLDatFile::selectParentMember()
{
  if (OMXMLElement* element = current(); element && element->parent())
    document_->setCurrent(element->parent());
  return 1;
}

OMWord RXMLDatFile::addAttributeMember()
{
  const std::string name = popScriptArg();
  const std::string value = popScriptArg();
  setAttribute(name.c_str(), value.c_str());
  return 1;
}

OMWord RXMLDatFile::findNodeMember()
{
  const char* name = popScriptArg();
  if (document_) {
    if (OMXMLElement* found = lastMatch(document_->root(), name)) {
      document_->setCurrent(found);
      lastFound_ = textOf(found->name());
    }
  }
  setScriptResultText(lastFound_.c_str());
  return 1;
}

OMWord RXMLDatFile::selectRootMember()
{
  if (document_) document_->setCurrent(document_->root());
  return 1;
}

OMWord RXMLDatFile::getContentsMember()
{
  std::string contents;
  if (OMXMLElement* element = current()) {
    element->texts().firstThat([&](OMXMLString* text) {
      const std::size_t length = text->length() + 1;
      if (contents.size() + length > resultLimit - 1) return true;
      contents.append(textOf(*text)).push_back(' ');
      return false;
    });
  }
  setScriptResultText(contents.c_str());
  return 1;
}

OMWord RXMLDatFile::getAttributeMember()
{
  const int n = std::atoi(popScriptArg());
  std::string result;
  if (OMXMLElement* element = current()) {
    if (OMXMLAttribute* attribute = nth(element->attributes(), n)) {
      if (attribute->name.length() + attribute->value.length() < resultLimit)
        result = std::string(textOf(attribute->name)) + ":" + textOf(attribute->value);
    }
  }
  setScriptResultText(result.c_str());
  return 1;
}

OMWord RXMLDatFile::getChildMember()
{
  const int n = std::atoi(popScriptArg());
  std::string result;
  if (OMXMLElement* element = current()) {
    if (OMXMLElement* child = nth(element->children(), n)) {
      if (child->name().length() < resultLimit) result = textOf(child->name());
    }
  }
  setScriptResultText(result.c_str());
  return 1;
}

OMWord RXMLDatFile::getVar(OMWord buffer)
{
  const char* name = popScriptArg();
  const char* value = current() ? current()->attributeValue(name) : nullptr;
  return writeText(buffer, value ? value : "empty");
}

OMWord RXMLDatFile::setVar(OMWord)
{
  const std::string name = popScriptArg();
  const std::string value = popScriptArg();
  setAttribute(name.c_str(), value.c_str());
  return 1;
}

OMWord RXMLDatFile::getCurrentNode(OMWord buffer)
{
  return writeText(buffer, current() ? textOf(current()->name()) : "");
}

OMWord RXMLDatFile::setCurrentNode(OMWord text)
{
  if (document_) document_->find(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RXMLDatFile::getVersion(OMWord buffer)
{
  return writeText(buffer, document_ ? textOf(document_->version()) : "");
}

OMWord RXMLDatFile::setVersion(OMWord text)
{
  if (document_) document_->version().set(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RXMLDatFile::getStandAlone(OMWord buffer)
{
  return document_ ? writeNumber(buffer, document_->standalone()) : writeText(buffer, "");
}

OMWord RXMLDatFile::setStandAlone(OMWord text)
{
  if (document_) document_->setStandalone(textNumber(text) != 0 ? 1 : 0);
  return 1;
}

OMWord RXMLDatFile::getDocTypeName(OMWord buffer)
{
  return writeText(buffer, document_ ? textOf(document_->docTypeName()) : "");
}

OMWord RXMLDatFile::setDocTypeName(OMWord text)
{
  if (document_) document_->docTypeName().set(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RXMLDatFile::getDocTypeContents(OMWord buffer)
{
  return writeText(buffer, document_ ? document_->docTypeText() : "");
}

OMWord RXMLDatFile::setDocTypeContents(OMWord text)
{
  if (document_) document_->setDocType(reinterpret_cast<const char*>(text), -1);
  return 1;
}

OMWord RXMLDatFile::getAttributeValue(OMWord buffer)
{
  return getVar(buffer);
}

OMWord RXMLDatFile::setAttributeValue(OMWord text)
{
  const std::string name = popScriptArg();
  setAttribute(name.c_str(), reinterpret_cast<const char*>(text));
  return 1;
}

OMWord RXMLDatFile::getAttributes(OMWord buffer)
{
  return writeNumber(buffer, current() ? current()->attributes().count() : 0);
}

OMWord RXMLDatFile::getChildren(OMWord buffer)
{
  return writeNumber(buffer, current() ? current()->children().count() : 0);
}

OMWord RXMLDatFile::getWriteMethod(OMWord buffer)
{
  return writeNumber(buffer, writeMethod_);
}

OMWord RXMLDatFile::setWriteMethod(OMWord text)
{
  writeMethod_ = textNumber(text);
  return 1;
}
