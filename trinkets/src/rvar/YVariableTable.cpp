#include "trinkets/src/rvar/YVariableTable.h"

#include <cstring>

#include "trinkets/src/ActionVariables.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/rthread/YExpression.h"

YVariableTable scriptVariables;

namespace {

bool allDigits(const char* text, std::size_t length)
{
  if (length == 0) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

class ImageWriter {
 public:
  ImageWriter(std::vector<unsigned char>& out, bool swapped) : out_(out), swapped_(swapped) {}

  void word32(std::uint32_t value)
  {
    if (swapped_) {
      for (int shift = 24; shift >= 0; shift -= 8)
        out_.push_back(byteOf(value, shift));
    } else {
      for (int shift = 0; shift <= 24; shift += 8)
        out_.push_back(byteOf(value, shift));
    }
  }
  void word16(std::uint16_t value)
  {
    if (swapped_) {
      out_.push_back(byteOf(value, 8));
      out_.push_back(byteOf(value, 0));
    } else {
      out_.push_back(byteOf(value, 0));
      out_.push_back(byteOf(value, 8));
    }
  }
  void bytes(const char* data, std::size_t length) { out_.insert(out_.end(), data, data + length); }
  void optionalText(bool present, const std::string& text)
  {
    if (!present) {
      word32(0xFFFFFFFFu);
      return;
    }
    word32(static_cast<std::uint32_t>(text.size()));
    bytes(text.data(), text.size());
  }

 private:
  static unsigned char byteOf(std::uint32_t value, int shift)
  {
    return static_cast<unsigned char>(value >> shift);
  }

  std::vector<unsigned char>& out_;
  bool swapped_;
};

// How actions reach the variables that hold what they drive.
int resolveForActions(const char* name)
{
  return scriptVariables.resolve(name);
}

OMScriptableObject* objectForActions(int variable, int* marked)
{
  return scriptVariables.getObject(variable, marked, false);
}

}  // namespace

YVariableTable::~YVariableTable()
{
  clear();
}

void YVariableTable::init()
{
  if (initialised_) return;
  initialised_ = true;
  setActionVariableAccess({&resolveForActions, &objectForActions});
  capacity_ = 3;
  int system = addPlain("SYSTEM", 6);
  YVariable* systemVariable = at(system);
  systemVariable->setText("WIN", 3);
  systemVariable->sharing = 1;
  int receiver = addPlain("RECEIVER", 8);
  at(receiver)->sharing = -1;
  addPlain("RESULT", 6);
}

void YVariableTable::clear()
{
  // Each variable deletes what it owns; take them out first so that an object's destructor
  // that reaches the table finds it consistent.
  std::vector<std::unique_ptr<YVariable>> old = std::move(variables_);
  variables_.clear();
  byName_.clear();
  instancesByBase_.clear();
  old.clear();
  initialised_ = false;
  capacity_ = 0;
  walkIndex_ = 0;
  lastEnumeratedObject_ = nullptr;
}

int YVariableTable::find(const char* name, int length) const
{
  if (!name) return -1;
  if (length < 0) length = static_cast<int>(std::strlen(name));
  auto found = byName_.find(std::string(name, static_cast<std::size_t>(length)));
  return found == byName_.end() ? -1 : found->second;
}

int YVariableTable::appendEntry(std::unique_ptr<YVariable> variable)
{
  if (count() >= indexLimit) return -1;
  const int index = count();
  variable->index = index;
  byName_.emplace(variable->name, index);
  if (variable->kind == YVariable::plainVariable) noteInstance(*variable);
  variables_.push_back(std::move(variable));
  while (capacity_ < count())
    capacity_ += growth;
  return index;
}

int YVariableTable::append(std::unique_ptr<YVariable> variable)
{
  if (!variable) return -1;
  return appendEntry(std::move(variable));
}

// Remembers an instance variable (base name, ".", number) for its base.
void YVariableTable::noteInstance(const YVariable& variable)
{
  const std::size_t dot = variable.name.rfind('.');
  if (dot == std::string::npos || dot == 0) return;
  const char* number = variable.name.c_str() + dot + 1;
  if (!allDigits(number, variable.name.size() - dot - 1)) return;
  const std::string base = variable.name.substr(0, dot);
  const int value = std::atoi(number);
  InstanceInfo& info = instancesByBase_[base];
  if (info.first == 0) info.first = variable.index;
  if (value > info.highest) info.highest = value;
  auto baseEntry = byName_.find(base);
  if (baseEntry != byName_.end()) {
    YVariable* baseVariable = at(baseEntry->second);
    if (baseVariable->first == 0 && baseVariable->sharing != -1) {
      baseVariable->first = variable.index;
    }
    if (value > baseVariable->instances) baseVariable->instances = value;
  }
}

void YVariableTable::takeKnownInstances(YVariable& variable)
{
  auto known = instancesByBase_.find(variable.name);
  if (known == instancesByBase_.end()) return;
  variable.first = known->second.first;
  variable.instances = known->second.highest;
}

int YVariableTable::add(const char* name, int length, const char* initialText)
{
  return addEntry(name, length, false, initialText);
}

int YVariableTable::addPlain(const char* name, int length)
{
  return addEntry(name, length, true, nullptr);
}

int YVariableTable::addEntry(const char* name, int length, bool plain, const char* initialText)
{
  if (!name) return -1;
  if (length < 0) length = static_cast<int>(std::strlen(name));
  const int existing = find(name, length);
  if (existing >= 0) return existing;
  if (count() >= indexLimit) return -1;
  auto variable = std::make_unique<YVariable>(name, length);
  if (plain) {
    variable->kind = YVariable::plainVariable;
  } else {
    classify(*variable);
    if (variable->kind == YVariable::unclassified) return -1;
  }
  if (variable->kind == YVariable::plainVariable) takeKnownInstances(*variable);
  const int index = appendEntry(std::move(variable));
  if (index >= 0 && initialText) at(index)->setText(initialText);
  return index;
}

int YVariableTable::addPart(const std::string& part)
{
  return add(part.data(), static_cast<int>(part.size()));
}

void YVariableTable::classify(YVariable& variable)
{
  const std::string& name = variable.name;
  const std::size_t bar = name.find('|');
  if (bar != std::string::npos) {
    classifySubstring(variable, bar);
    return;
  }
  const char head = name.empty() ? '\0' : name[0];
  if ((head >= '0' && head <= '9') || head == '.' || head == '-' || head == '+' || head == '"' ||
      head == '\'' || head == '?') {
    classifyLiteral(variable);
    return;
  }
  if (name.find('.') != std::string::npos) {
    classifyDotted(variable);
    return;
  }
  variable.kind = YVariable::plainVariable;
}

void YVariableTable::classifySubstring(YVariable& variable, std::size_t firstBar)
{
  const std::string& name = variable.name;
  const std::string source = name.substr(0, firstBar);
  const std::size_t secondBar = name.find('|', firstBar + 1);
  const std::string start = name.substr(
      firstBar + 1, secondBar == std::string::npos ? std::string::npos : secondBar - firstBar - 1);
  const std::string count =
      secondBar == std::string::npos ? std::string() : name.substr(secondBar + 1);
  const int sourceIndex = addPart(source);
  const int startIndex = start.empty() ? -1 : addPart(start);
  const int countIndex = count.empty() ? -1 : addPart(count);
  if (sourceIndex < 0 || (!start.empty() && startIndex < 0) || (!count.empty() && countIndex < 0)) {
    return;  // the table is full: stays unclassified and is refused
  }
  variable.kind = YVariable::substringForm;
  variable.parts = {static_cast<std::uint16_t>(sourceIndex),
                    startIndex < 0 ? YVariable::noPart : static_cast<std::uint16_t>(startIndex),
                    countIndex < 0 ? YVariable::noPart : static_cast<std::uint16_t>(countIndex)};
  // One part after the source when only a start is given, two otherwise.
  variable.length = (!start.empty() && count.empty()) ? 1 : 2;
  if (start.empty() && secondBar == std::string::npos) variable.length = 1;
}

void YVariableTable::classifyLiteral(YVariable& variable)
{
  variable.kind = YVariable::literal;
  const std::string& name = variable.name;
  const char head = name[0];
  if (head == '"' || head == '\'') {
    std::size_t end = name.size();
    if (end >= 2 && name[end - 1] == head) --end;
    variable.text = name.substr(1, end - 1);
    variable.hasText = true;
    variable.type = YVariable::typeText;
    return;
  }
  if (head == '?') return;
  variable.text = name;
  variable.hasText = true;
  YVariable::Type type = YVariable::typeText;
  double real = 0.0;
  std::int32_t integer = 0;
  YVariable::parseNumber(name.data(), static_cast<int>(name.size()), type, real, integer);
  variable.type = type;
  if (type == YVariable::typeInteger) {
    variable.integerValue = integer;
  } else {
    variable.realValue = real;
  }
}

void YVariableTable::classifyDotted(YVariable& variable)
{
  const std::string& name = variable.name;
  std::vector<std::string> pieces;
  std::size_t start = name.find('.') + 1;
  bool allNumbers = true;
  for (;;) {
    const std::size_t dot = name.find('.', start);
    pieces.push_back(
        name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    const std::string& piece = pieces.back();
    if (piece.empty() || piece[0] < '0' || piece[0] > '9') allNumbers = false;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (allNumbers) {
    variable.kind = YVariable::plainVariable;
    return;
  }
  std::vector<std::uint16_t> parts;
  for (const std::string& piece : pieces) {
    const int index = addPart(piece);
    if (index < 0) return;
    parts.push_back(static_cast<std::uint16_t>(index));
  }
  variable.kind = YVariable::dottedName;
  variable.parts = std::move(parts);
  variable.length = static_cast<int>(variable.parts.size());
}

int YVariableTable::findOrAddKind(const char* text, int length, YVariable::Kind kind)
{
  if (!text) return -1;
  if (length < 0) length = static_cast<int>(std::strlen(text));
  const int existing = find(text, length);
  if (existing >= 0) {
    YVariable* variable = at(existing);
    if (variable->kind == kind &&
        (kind != YVariable::literal || variable->length == length || variable->length == -1)) {
      return existing;
    }
    // Another kind holds the name: look further along the table.
    for (int index = existing + 1; index < count(); ++index) {
      YVariable* other = at(index);
      if (other->kind == kind && other->name.size() == static_cast<std::size_t>(length) &&
          std::memcmp(other->name.data(), text, static_cast<std::size_t>(length)) == 0) {
        return index;
      }
    }
  }
  if (count() >= indexLimit) return -1;
  auto variable = std::make_unique<YVariable>(text, length);
  variable->kind = kind;
  if (kind == YVariable::expression) {
    YCompiledExpression compiled;
    if (compileExpression(text, length, compiled) != 0) return -1;
    variable->text = compiled.code;
    variable->hasText = true;
    variable->parts = compiled.operands;
    variable->length = static_cast<int>(compiled.operands.size());
  } else if (kind == YVariable::literal) {
    variable->length = length;
    classifyLiteral(*variable);
  }
  return appendEntry(std::move(variable));
}

int YVariableTable::makeInstanceName(int baseIndex)
{
  YVariable* base = at(baseIndex);
  if (!base) return -1;
  const int number = base->instances + 1;
  std::string instanceName = base->name + "." + std::to_string(number);
  int index = find(instanceName.data(), static_cast<int>(instanceName.size()));
  if (index < 0) {
    index = addPlain(instanceName.data(), static_cast<int>(instanceName.size()));
    if (index < 0) return -1;
  }
  base = at(baseIndex);
  base->instances = number;
  if (base->first == 0 && base->sharing != -1) base->first = index;
  return index;
}

int YVariableTable::bindObject(const char* name, OMScriptableObject* object)
{
  const int index = add(name, -1);
  YVariable* variable = at(index);
  if (variable) variable->setObject(object);
  return index;
}

std::string YVariableTable::bindInstance(const char* name, OMScriptableObject* object)
{
  if (!initialised_) return std::string();
  const int base = add(name, -1);
  if (base < 0) return std::string();
  const int index = makeInstanceName(base);
  YVariable* instance = at(index);
  if (!instance) return std::string();
  instance->setObject(object);
  return instance->name;
}

int YVariableTable::resolve(const char* name)
{
  int index = find(name, -1);
  YVariable* variable = at(index);
  if (!variable) return -1;
  if (variable->kind == YVariable::dottedName) {
    YVariable* denoted = variable->resolved();
    if (!denoted) return -1;
    variable = denoted;
    index = denoted->index;
  }
  variable->marked = 1;
  return index;
}

OMScriptableObject* YVariableTable::getObject(int index, int* marked, bool release)
{
  YVariable* variable = at(index);
  if (!variable) return nullptr;
  if (marked) *marked = static_cast<int>(variable->marked);
  variable = variable->resolved();
  if (!variable) return nullptr;
  variable = variable->followed();
  OMScriptableObject* object = variable->getObject();
  if (object && release) variable->sharing = 1;
  return object;
}

OMScriptableObject* YVariableTable::getObjectByName(const char* name, bool release)
{
  return getObject(find(name, -1), nullptr, release);
}

const char* YVariableTable::nameOfObject(const OMScriptableObject* object, int* index) const
{
  for (const auto& variable : variables_) {
    if (variable->type == YVariable::typeObject && variable->sharing == 0 &&
        variable->objectValue == object) {
      if (index) *index = variable->index;
      return variable->name.c_str();
    }
  }
  if (index) *index = -1;
  return nullptr;
}

bool YVariableTable::forgetObject(OMScriptableObject* object, bool deleteIt)
{
  if (!object) return false;
  bool ownerFound = false;
  for (const auto& variable : variables_) {
    if (variable->type != YVariable::typeObject || variable->objectValue != object) continue;
    const bool owns = variable->sharing == 0;
    // Only the first owner deletes; every other holder lets go.
    variable->reset(owns && deleteIt && !ownerFound);
    if (owns) ownerFound = true;
  }
  return ownerFound;
}

void YVariableTable::clearObjects(bool deleteThem)
{
  for (std::size_t i = 0; i < variables_.size(); ++i) {
    YVariable* variable = variables_[i].get();
    if (variable->type == YVariable::typeObject && variable->sharing == 0) {
      OMScriptableObject* object = variable->objectValue;
      variable->reset(deleteThem);
      // Shared holders of a deleted object must not keep it.
      if (deleteThem) {
        for (const auto& other : variables_) {
          if (other->type == YVariable::typeObject && other->objectValue == object) {
            other->reset(false);
          }
        }
      }
    }
  }
}

const char* YVariableTable::getTextByName(const char* name)
{
  int index = add(name, -1);
  YVariable* variable = at(index);
  return variable ? variable->getText() : "";
}

void YVariableTable::write(std::FILE* file) const
{
  std::vector<unsigned char> image;
  appendImage(image, false);
  if (file && !image.empty()) std::fwrite(image.data(), 1, image.size(), file);
}

void YVariableTable::appendImage(std::vector<unsigned char>& out, bool swapped) const
{
  ImageWriter writer(out, swapped);
  for (std::size_t i = 3; i < variables_.size(); ++i) {
    const YVariable& variable = *variables_[i];
    writer.word32(variable.kind);
    // An object is stored without its value and reads back empty.
    writer.word32(variable.type);
    if (variable.type == YVariable::typeInteger) {
      writer.word32(static_cast<std::uint32_t>(variable.integerValue));
    } else if (variable.type == YVariable::typeDouble) {
      char buffer[64];
      const int length = std::snprintf(buffer, sizeof buffer, "%.15g", variable.realValue);
      writer.word16(static_cast<std::uint16_t>(length));
      writer.bytes(buffer, static_cast<std::size_t>(length));
    }
    writer.word32(static_cast<std::uint32_t>(variable.instances));
    writer.word32(static_cast<std::uint32_t>(variable.first));
    writer.word32(static_cast<std::uint32_t>(variable.length));
    writer.word32(static_cast<std::uint32_t>(variable.sharing));
    writer.optionalText(true, variable.name);
    writer.optionalText(variable.hasText, variable.storedText());
    if (variable.parts.empty()) {
      writer.word32(0xFFFFFFFFu);
    } else {
      writer.word32(static_cast<std::uint32_t>(variable.parts.size()));
      for (std::uint16_t part : variable.parts)
        writer.word16(part);
    }
  }
}

const char* YVariableTable::procedureNameFrom(int index)
{
  for (walkIndex_ = index; walkIndex_ < count(); ++walkIndex_) {
    YVariable* variable = at(walkIndex_);
    if (variable->isProcedureLabel()) {
      ++walkIndex_;
      return variable->name.c_str();
    }
  }
  return nullptr;
}

const char* YVariableTable::firstProcedureName()
{
  return procedureNameFrom(0);
}
const char* YVariableTable::nextProcedureName()
{
  return procedureNameFrom(walkIndex_);
}

const char* YVariableTable::variableNameFrom(int index)
{
  for (walkIndex_ = index; walkIndex_ < count(); ++walkIndex_) {
    YVariable* variable = at(walkIndex_);
    if (variable->kind != YVariable::plainVariable || variable->sharing != 0) continue;
    if (variable->isProcedureLabel()) continue;
    if (walkType_ != YVariable::typeEmpty && variable->type != walkType_) continue;
    lastEnumeratedObject_ =
        variable->type == YVariable::typeObject ? variable->objectValue : nullptr;
    ++walkIndex_;
    return variable->name.c_str();
  }
  return nullptr;
}

const char* YVariableTable::firstVariableName(YVariable::Type type)
{
  walkType_ = type;
  return variableNameFrom(0);
}

const char* YVariableTable::nextVariableName()
{
  return variableNameFrom(walkIndex_);
}

const char* YVariableTable::firstInstance(int baseIndex)
{
  YVariable* base = at(baseIndex);
  if (!base || base->first <= 0) return nullptr;
  walkIndex_ = base->first;
  return nextInstance();
}

const char* YVariableTable::nextInstance()
{
  YVariable* variable = at(walkIndex_);
  if (!variable) return nullptr;
  ++walkIndex_;
  return variable->name.c_str();
}
