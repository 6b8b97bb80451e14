#include "trinkets/src/rvar/YVariable.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/OMEditionAssert.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/rthread/YExpression.h"
#include "trinkets/src/rthread/YNumericProgram.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

constexpr int computedBufferSize = 1024;
constexpr int computedBufferCount = 4;
// Chains of references or dotted names longer than this are broken, so that a cycle made by
// a script or a damaged image cannot recurse without end.
constexpr int followLimit = 16;
constexpr int computeDepthLimit = 32;

char* nextComputedBuffer()
{
  static char buffers[computedBufferCount][computedBufferSize];
  static int next = 0;
  char* buffer = buffers[next];
  next = (next + 1) % computedBufferCount;
  return buffer;
}

// Copies a text into a computed buffer, cut to fit.
const char* intoComputedBuffer(const char* text, int length, int* outLength)
{
  char* buffer = nextComputedBuffer();
  if (length < 0) length = 0;
  if (length > computedBufferSize - 1) length = computedBufferSize - 1;
  std::memcpy(buffer, text, static_cast<std::size_t>(length));
  buffer[length] = '\0';
  if (outLength) *outLength = length;
  return buffer;
}

bool beginsNumeric(char c)
{
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

std::size_t digitCount(std::uint32_t value)
{
  std::size_t count = 1;
  if (value >= 100000000u) {
    value /= 100000000u;
    count += 8;
  }
  if (value >= 10000u) {
    value /= 10000u;
    count += 4;
  }
  if (value >= 100u) {
    value /= 100u;
    count += 2;
  }
  return value >= 10u ? count + 1 : count;
}

// "%ld", without the cost of the formatted print on the interpreter's hot path: two digits at
// a time, straight into the text, which mostly keeps its length (a counter's).
void printInteger(std::int32_t value, std::string& text)
{
  static constexpr char pairs[] =
      "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243"
      "4445464748495051525354555657585960616263646566676869707172737475767778798081828384858687"
      "888990919293949596979899";
  const bool negative = value < 0;
  std::uint32_t magnitude =
      negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  const std::size_t count = digitCount(magnitude) + (negative ? 1 : 0);
  if (text.size() != count) text.resize(count);
  char* at = text.data() + count;
  while (magnitude >= 100u) {
    const std::uint32_t pair = (magnitude % 100u) * 2u;
    magnitude /= 100u;
    *--at = pairs[pair + 1];
    *--at = pairs[pair];
  }
  if (magnitude >= 10u) {
    *--at = pairs[magnitude * 2u + 1];
    *--at = pairs[magnitude * 2u];
  } else {
    *--at = static_cast<char>('0' + magnitude);
  }
  if (negative) *--at = '-';
}

int computeDepth = 0;

struct ComputeGuard {
  ComputeGuard() { ++computeDepth; }
  ~ComputeGuard() { --computeDepth; }
  bool tooDeep() const { return computeDepth > computeDepthLimit; }
};

}  // namespace

YVariable::YVariable(const char* nameText, int nameLength) : realValue(0.0)
{
  if (nameText) {
    if (nameLength < 0) nameLength = static_cast<int>(std::strlen(nameText));
    name.assign(nameText, static_cast<std::size_t>(nameLength));
  }
}

YVariable::~YVariable()
{
  clearValue(true);
}

YVariable* YVariable::followReference()
{
  YVariable* variable = this;
  for (int hops = 0; hops < followLimit; ++hops) {
    if (variable->sharing != -1 || variable->first == 0) return variable;
    YVariable* target = scriptVariables.at(variable->first);
    if (!target || target == variable) return variable;
    variable = target;
  }
  // A cycle of references: the variable stands for itself.
  return this;
}

YVariable* YVariable::resolveDotted()
{
  ComputeGuard guard;
  if (guard.tooDeep()) return nullptr;
  int length = 0;
  const char* denoted = dottedText(&length);
  int index = scriptVariables.find(denoted, length);
  if (index < 0) index = scriptVariables.addPlain(denoted, length);
  YVariable* variable = scriptVariables.at(index);
  if (!variable || variable->kind == dottedName) return nullptr;
  return variable;
}

void YVariable::clearValue(bool deleteObject)
{
  if (type == typeObject && sharing == 0 && deleteObject) {
    OMScriptableObject* owned = objectValue;
    objectValue = nullptr;
    type = typeEmpty;
    // Variables that share the object and records that name it must not outlive it.
    removeEventRecords(owned, nullptr);
    scriptVariables.forgetObject(owned, false);
    delete owned;
  }
  type = typeEmpty;
  realValue = 0.0;
  hasText = false;
  textPending_ = false;
  text.clear();
  marked = 0;
}

void YVariable::printPendingText() const
{
  printInteger(integerValue, text);
  textPending_ = false;
}

void YVariable::regenerateText()
{
  if (type == typeInteger) {
    printPendingText();
  } else if (type == typeDouble) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", realValue);
    text = buffer;
  } else {
    return;
  }
  hasText = true;
}

bool YVariable::parseNumber(const char* textValue, int textLength, Type& outType, double& outReal,
                            std::int32_t& outInteger)
{
  if (textLength <= 0 || !beginsNumeric(textValue[0])) return false;
  char local[64];
  std::string longer;
  const char* terminated;
  if (textLength < static_cast<int>(sizeof local)) {
    std::memcpy(local, textValue, static_cast<std::size_t>(textLength));
    local[textLength] = '\0';
    terminated = local;
  } else {
    longer.assign(textValue, static_cast<std::size_t>(textLength));
    terminated = longer.c_str();
  }
  double value = 0.0;
  if (std::sscanf(terminated, "%lf", &value) != 1) value = 0.0;
  outReal = value;
  // Narrowing: a short, whole double within two thousand million becomes an integer.
  if (textLength <= 10 && value >= -2000000000.0 && value <= 2000000000.0 &&
      value == std::trunc(value)) {
    outType = typeInteger;
    outInteger = static_cast<std::int32_t>(value);
  } else {
    outType = typeDouble;
  }
  return true;
}

void YVariable::storeText(const char* textValue, int textLength, bool keepObject)
{
  YVariable* target = followed();
  if (target != this) {
    target->storeText(textValue, textLength, keepObject);
    return;
  }
  if (kind != plainVariable) return;
  if (!textValue) {
    regenerateText();
    return;
  }
  if (textLength < 0) textLength = static_cast<int>(std::strlen(textValue));
  // The text may be this variable's own; keep a copy before clearing.
  std::string copy(textValue, static_cast<std::size_t>(textLength));
  clearValue(!keepObject);
  text = std::move(copy);
  hasText = true;
  double parsedReal = 0.0;
  std::int32_t parsedInteger = 0;
  Type parsedType = YVariable::typeText;
  if (parseNumber(text.data(), textLength, parsedType, parsedReal, parsedInteger)) {
    type = parsedType;
    if (type == typeInteger) {
      integerValue = parsedInteger;
    } else {
      realValue = parsedReal;
    }
  } else {
    type = YVariable::typeText;
  }
}

void YVariable::setText(const char* textValue, int textLength)
{
  storeText(textValue, textLength, false);
}

void YVariable::setTextKeepObject(const char* textValue, int textLength)
{
  storeText(textValue, textLength, true);
}

void YVariable::setInteger(std::int32_t value)
{
  YVariable* target = followed();
  if (target->kind != plainVariable) return;
  // Only an object needs the whole clearing; the text is printed when it is read.
  if (target->type == typeObject) target->clearValue(true);
  target->realValue = 0.0;
  target->marked = 0;
  target->type = typeInteger;
  target->integerValue = value;
  target->text.clear();
  target->hasText = true;
  target->textPending_ = true;
}

void YVariable::setDouble(double value)
{
  YVariable* target = followed();
  if (target->kind != plainVariable) return;
  target->clearValue(true);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  const int textLength = static_cast<int>(std::strlen(buffer));
  if (textLength <= 10 && value >= -2000000000.0 && value <= 2000000000.0 &&
      value == std::trunc(value)) {
    target->type = typeInteger;
    target->integerValue = static_cast<std::int32_t>(value);
  } else {
    target->type = typeDouble;
    target->realValue = value;
  }
  target->text = buffer;
  target->hasText = true;
}

void YVariable::setObject(OMScriptableObject* objectToStore)
{
  YVariable* target = followed();
  if (target->kind != plainVariable) return;
  if (target->type == typeObject && target->objectValue == objectToStore) return;
  target->clearValue(true);
  if (!objectToStore) return;
  target->type = typeObject;
  target->objectValue = objectToStore;
  target->length = 1;
  target->text.assign(1, objectMarker);
  target->hasText = true;
}

void YVariable::reset(bool deleteObject)
{
  // Literals, computed names and expressions keep what they are.
  if (kind != plainVariable) return;
  if (sharing == -1 && first != 0) {
    YVariable* target = followed();
    // A clearing call drops the reference as well.
    first = 0;
    if (target != this) target->reset(deleteObject);
    return;
  }
  clearValue(deleteObject);
}

void YVariable::release()
{
  followed()->sharing = 1;
}

void YVariable::copyFrom(YVariable& source)
{
  YVariable* from = source.resolved();
  if (!from) return;
  from = from->followed();
  YVariable* to = followed();
  if (to == from) return;
  if (from->type == typeObject && from->objectValue) {
    if (sharing == -1) {
      // A reference variable comes to refer to the source.
      first = from->index;
      return;
    }
    if (from->sharing == 0 && to->sharing == 0) {
      std::unique_ptr<OMScriptableObject> copy = from->objectValue->clone();
      to->setObject(copy.release());
      return;
    }
    to->setObject(from->objectValue);
    to->sharing = 1;
    return;
  }
  int textLength = 0;
  const char* value = from->getText(&textLength);
  to->setText(value, textLength);
}

const char* YVariable::getText(int* outLength)
{
  YVariable* target = followed();
  if (target != this) return target->getText(outLength);
  switch (kind) {
    case plainVariable:
      if (type == typeEmpty || !hasText) {
        if (outLength) *outLength = static_cast<int>(name.size());
        return name.c_str();
      }
      storedText();
      if (outLength) *outLength = static_cast<int>(text.size());
      return text.c_str();
    case literal:
      if (name == "?") {
        char digit[2] = {static_cast<char>('0' + std::rand() % 10), '\0'};
        return intoComputedBuffer(digit, 1, outLength);
      }
      if (outLength) *outLength = static_cast<int>(text.size());
      return text.c_str();
    case dottedName:
    case substringForm:
    case expression:
      return computedText(outLength);
    default:
      // A variable that was never classified has no text; the assessment edition stops.
      OM_EDITION_ASSERT(false, "untyped != type");
      if (outLength) *outLength = 0;
      return "";
  }
}

const char* YVariable::computedText(int* outLength)
{
  ComputeGuard guard;
  if (guard.tooDeep()) return intoComputedBuffer("", 0, outLength);
  switch (kind) {
    case dottedName: {
      YVariable* denoted = resolved();
      if (!denoted) return intoComputedBuffer("", 0, outLength);
      int valueLength = 0;
      const char* value = denoted->getText(&valueLength);
      return intoComputedBuffer(value, valueLength, outLength);
    }
    case substringForm:
      return substringText(outLength);
    default: {
      std::string result;
      if (evaluateExpression(*this, result) != 0) {
        return intoComputedBuffer(name.data(), static_cast<int>(name.size()), outLength);
      }
      return intoComputedBuffer(result.data(), static_cast<int>(result.size()), outLength);
    }
  }
}

const char* YVariable::dottedText(int* outLength)
{
  // The base, then "." and the text of each part in turn.
  std::string denoted = name.substr(0, name.find('.'));
  for (std::uint16_t part : parts) {
    denoted += '.';
    YVariable* variable = scriptVariables.at(part);
    if (variable) {
      int partLength = 0;
      const char* partText = variable->getText(&partLength);
      denoted.append(partText, static_cast<std::size_t>(partLength));
    }
  }
  return intoComputedBuffer(denoted.data(), static_cast<int>(denoted.size()), outLength);
}

const char* YVariable::substringText(int* outLength)
{
  YVariable* source = parts.size() > 0 ? scriptVariables.at(parts[0]) : nullptr;
  if (!source) return intoComputedBuffer("", 0, outLength);
  int sourceLength = 0;
  const char* sourceText = source->getText(&sourceLength);
  // Keep the source while the other parts are read: they may compute texts too.
  std::string whole(sourceText, static_cast<std::size_t>(sourceLength));
  const int textLength = static_cast<int>(whole.size());
  YVariable* startPart = parts.size() > 1 ? scriptVariables.at(parts[1]) : nullptr;
  YVariable* countPart = parts.size() > 2 ? scriptVariables.at(parts[2]) : nullptr;
  const int start = startPart ? startPart->getInteger() : 1;
  if (length == 1) {
    if (start > textLength) return intoComputedBuffer("", 0, outLength);
    const int from = start < 2 ? 0 : start - 1;
    return intoComputedBuffer(whole.data() + from, textLength - from, outLength);
  }
  int count = countPart ? countPart->getInteger() : 0;
  if (count < 0) count = 0;
  if (count > textLength) count = textLength;
  if (!startPart) {
    return intoComputedBuffer(whole.data() + (textLength - count), count, outLength);
  }
  if (start > textLength) return intoComputedBuffer("", 0, outLength);
  const int from = start < 2 ? 0 : start - 1;
  const int available = textLength - from;
  return intoComputedBuffer(whole.data() + from, count < available ? count : available, outLength);
}

OMScriptableObject* YVariable::getObject()
{
  YVariable* variable = resolved();
  if (!variable) return nullptr;
  variable = variable->followed();
  return variable->type == typeObject ? variable->objectValue : nullptr;
}

double YVariable::getDouble()
{
  YVariable* variable = followed();
  if (variable->kind == plainVariable || variable->kind == literal) {
    if (variable->type == typeInteger) return variable->integerValue;
    if (variable->type == typeDouble) return variable->realValue;
  }
  int textLength = 0;
  const char* value = variable->getText(&textLength);
  Type parsedType = typeText;
  double parsedReal = 0.0;
  std::int32_t parsedInteger = 0;
  if (!parseNumber(value, textLength, parsedType, parsedReal, parsedInteger)) return 0.0;
  return parsedType == typeInteger ? parsedInteger : parsedReal;
}

std::int32_t YVariable::roundToInteger(double value)
{
  if (!(value == value)) return 0;
  const double below = std::floor(value);
  const double above = std::ceil(value);
  const double chosen = (above - value) < (value - below) ? above : below;
  if (chosen >= 2147483647.0) return 2147483647;
  if (chosen <= -2147483648.0) return static_cast<std::int32_t>(-2147483647 - 1);
  return static_cast<std::int32_t>(chosen);
}

std::int32_t YVariable::getInteger()
{
  YVariable* variable = followed();
  if ((variable->kind == plainVariable || variable->kind == literal) &&
      variable->type == typeInteger) {
    return variable->integerValue;
  }
  return roundToInteger(variable->getDouble());
}

bool YVariable::isFalse()
{
  const char* value = getText();
  return value[0] == '0';
}
