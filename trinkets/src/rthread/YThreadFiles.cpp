#include <cstdio>
#include <cstring>
#include <iterator>

#include <windows.h>

#include "framework/OMEdition.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YExpression.h"
#include "trinkets/src/rthread/YKeyword.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// Compiled images are refused beyond this size before they are read into memory.
constexpr long imageSizeLimit = 16L * 1024 * 1024;
constexpr std::uint32_t none32 = 0xFFFFFFFFu;
constexpr std::uint16_t none16 = 0xFFFF;
constexpr std::uint32_t realTextLimit = 64;
constexpr std::uint32_t partsLimit = 4096;

bool readWholeFile(const char* name, std::string& data, bool& opened)
{
  opened = false;
  std::FILE* file = om_fopen(name, "rb");
  if (!file) return false;
  opened = true;
  char buffer[8192];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    data.append(buffer, got);
    if (static_cast<long>(data.size()) > imageSizeLimit) break;
  }
  std::fclose(file);
  return true;
}

bool isImageVersion(const std::string& data)
{
  return !data.empty() && (data[0] == 1 || data[0] == 2);
}

// Reads the little-endian fields of an image, or the big-endian ones when swapping.
class ImageReader {
 public:
  ImageReader(const unsigned char* data, std::size_t size, bool swap)
      : data_(data), size_(size), swap_(swap)
  {
  }

  bool ok() const { return ok_; }
  std::size_t remaining() const { return ok_ ? size_ - at_ : 0; }

  std::uint8_t byte()
  {
    if (!need(1)) return 0;
    return data_[at_++];
  }
  std::uint16_t word16()
  {
    if (!need(2)) return 0;
    const std::uint16_t low = data_[at_], high = data_[at_ + 1];
    at_ += 2;
    return swap_ ? static_cast<std::uint16_t>((low << 8) | high)
                 : static_cast<std::uint16_t>((high << 8) | low);
  }
  std::uint32_t word32()
  {
    if (!need(4)) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint32_t b = data_[at_ + static_cast<std::size_t>(i)];
      value |= swap_ ? b << (8 * (3 - i)) : b << (8 * i);
    }
    at_ += 4;
    return value;
  }
  bool text(std::size_t length, std::string& out)
  {
    if (!need(length)) return false;
    out.assign(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return true;
  }
  void fail() { ok_ = false; }

 private:
  bool need(std::size_t count)
  {
    if (!ok_ || size_ - at_ < count) {
      ok_ = false;
      return false;
    }
    return true;
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool swap_;
  bool ok_ = true;
};

bool readOptionalText(ImageReader& reader, bool& present, std::string& text)
{
  const std::uint32_t length = reader.word32();
  if (!reader.ok()) return false;
  present = length != none32;
  if (!present) return true;
  return reader.text(length, text);
}

// Image indices of the script's own variables (3 and up) move to where the table takes
// them; the reserved ones and the missing-part word stay.
struct IndexMap {
  std::uint32_t count;  // V
  int base;

  bool valid(std::uint32_t word) const { return word == none16 || word < count; }
  std::uint16_t map(std::uint16_t word) const
  {
    if (word == none16 || word < 3) return word;
    return static_cast<std::uint16_t>(word - 3 + static_cast<std::uint32_t>(base));
  }
};

std::unique_ptr<YVariable> readVariable(ImageReader& reader, const IndexMap& indices)
{
  auto variable = std::make_unique<YVariable>(nullptr, 0);
  variable->length = -1;
  variable->sharing = 1;
  variable->type = YVariable::typeText;
  const std::uint32_t kind = reader.word32();
  const std::uint32_t type = reader.word32();
  if (!reader.ok() || kind > YVariable::unclassified || type > YVariable::typeDouble)
    return nullptr;
  variable->kind = static_cast<YVariable::Kind>(kind);
  variable->type = static_cast<YVariable::Type>(type);
  if (type == YVariable::typeInteger) {
    variable->integerValue = static_cast<std::int32_t>(reader.word32());
  } else if (type == YVariable::typeDouble) {
    const std::uint16_t length = reader.word16();
    std::string digits;
    if (length > realTextLimit || !reader.text(length, digits)) return nullptr;
    double value = 0.0;
    if (std::sscanf(digits.c_str(), "%lf", &value) != 1) value = 0.0;
    variable->realValue = value;
  } else if (type == YVariable::typeObject) {
    variable->type = YVariable::typeEmpty;
  }
  variable->instances = static_cast<std::int32_t>(reader.word32());
  const std::uint32_t first = reader.word32();
  variable->length = static_cast<std::int32_t>(reader.word32());
  variable->sharing = static_cast<std::int32_t>(reader.word32());
  if (!reader.ok() || first >= indices.count || variable->sharing < -1 || variable->sharing > 1) {
    return nullptr;
  }
  variable->first = first == 0 ? 0 : indices.map(static_cast<std::uint16_t>(first));
  bool hasName = false;
  if (!readOptionalText(reader, hasName, variable->name)) return nullptr;
  if (!readOptionalText(reader, variable->hasText, variable->text)) return nullptr;
  const std::uint32_t partCount = reader.word32();
  if (!reader.ok()) return nullptr;
  if (partCount != none32) {
    if (partCount > partsLimit || partCount * 2u > reader.remaining()) return nullptr;
    for (std::uint32_t i = 0; i < partCount; ++i) {
      const std::uint16_t part = reader.word16();
      if (!indices.valid(part)) return nullptr;
      variable->parts.push_back(indices.map(part));
    }
  }
  if (variable->kind == YVariable::expression &&
      (variable->text.size() > static_cast<std::size_t>(expressionCodeCapacity) ||
       variable->parts.size() > static_cast<std::size_t>(expressionOperandCapacity))) {
    return nullptr;
  }
  return variable;
}

}  // namespace

void YThread::chooseScriptFile(char* buffer, bool save)
{
  std::snprintf(buffer, scriptDialogBufferSize, "%s", "*.mps");
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = buffer;
  dialog.nMaxFile = scriptDialogBufferSize;
  dialog.lpstrTitle = "Script";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (!chosen) buffer[0] = 0;
}

bool YThread::readSource(const char* name, std::size_t position)
{
  if (!name) return false;
  std::string data;
  bool opened = false;
  if (readWholeFile(name, data, opened)) {
    setCurrentScriptFile(name);
    return takeScriptData(std::move(data), position, compiling_);
  }
  if (opener_) {
    setCurrentScriptFile(name);
    std::unique_ptr<std::istream> stream = opener_(name);
    return findScript(stream.get(), position);
  }
  return failLoad(std::string("can't find ") + name, "");
}

bool YThread::failLoad(const std::string& alert, const std::string& detail)
{
  scriptFatal(alert.c_str());
  // Told at the line that asked for the script (an include, a "call"), the problem names it.
  const std::string named = detail.empty() ? alert : currentScriptFile() + ": " + detail;
  if (compiling_) {
    compileError(errorFatal);
    fatalText_ = named;
  } else if (callSite_.file.empty()) {
    reportFaultAt(Place{currentScriptFile(), 0}, detail.empty() ? alert : detail);
  } else {
    reportFaultAt(callSite_, named);
    callSite_ = Place{};
  }
  return false;
}

std::string YThread::sourceLine(const std::string& file, long line) const
{
  if (line <= 0) return {};
  std::string data;
  bool opened = false;
  if (!readWholeFile(file.c_str(), data, opened) && opener_) {
    std::unique_ptr<std::istream> stream = opener_(file.c_str());
    if (stream) data.assign(std::istreambuf_iterator<char>(*stream), {});
  }
  // Lines end as the compiler counts them: at a carriage return, or at a line feed that no
  // carriage return precedes.
  long at = 1;
  std::string text;
  for (std::size_t i = 0; i < data.size() && at <= line; ++i) {
    const char c = data[i];
    if (c == '\r' || (c == '\n' && (i == 0 || data[i - 1] != '\r'))) {
      ++at;
    } else if (c != '\n' && at == line) {
      text += c;
    }
  }
  return text;
}

bool YThread::findScript(std::istream* stream, std::size_t position)
{
  if (!stream) {
    return failLoad(
        OMEdition::isAssessment() ? "unknown script" : currentScriptFile() + " not found", "");
  }
  std::string data;
  char buffer[8192];
  while (stream->read(buffer, sizeof buffer) || stream->gcount() > 0) {
    data.append(buffer, static_cast<std::size_t>(stream->gcount()));
    if (static_cast<long>(data.size()) > imageSizeLimit) break;
  }
  return takeScriptData(std::move(data), position, compiling_);
}

bool YThread::takeScriptData(std::string data, std::size_t position, bool include)
{
  if (isImageVersion(data)) {
    // A compiled script stands alone: it cannot be spliced into a source.
    if (include) return false;
    return readCompiledImage(reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                             data[0] == 1);
  }
  if (data.size() > sourceLimit) {
    char detail[80];
    std::snprintf(detail, sizeof detail, "Script too long (%zu bytes, at most %zu)", data.size(),
                  static_cast<std::size_t>(sourceLimit));
    return failLoad("Script too long", detail);
  }
  if (!takeSourceText(std::move(data), position)) return false;
  return include ? true : compile();
}

bool YThread::takeSourceText(std::string data, std::size_t position)
{
  // A carriage return ends a line, and so does a line feed that no carriage return precedes.
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) data[i] = '\r';
  }
  data += '\r';
  data += '\0';
  source_ = std::move(data);
  pos_ = position < source_.size() - 1 ? position : source_.size() - 1;
  countedPos_ = 0;
  countedLine_ = 1;
  return true;
}

std::vector<unsigned char> YThread::compiledImage(bool swapped) const
{
  std::vector<unsigned char> image;
  if (!loaded_ || code_.empty()) return image;
  auto word32 = [&](std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      const int shift = swapped ? 8 * (3 - i) : 8 * i;
      image.push_back(static_cast<unsigned char>(value >> shift));
    }
  };
  auto word16 = [&](std::uint16_t value) {
    image.push_back(static_cast<unsigned char>(swapped ? value >> 8 : value));
    image.push_back(static_cast<unsigned char>(swapped ? value : value >> 8));
  };
  image.push_back(swapped ? 1 : 2);
  const std::size_t instructions = code_.size() - 1;  // without the closing entry
  word32(static_cast<std::uint32_t>(instructions));
  for (std::size_t i = 0; i < instructions; ++i) {
    image.push_back(static_cast<unsigned char>(code_[i].opcode));
    word16(static_cast<std::uint16_t>(code_[i].operand));
  }
  word32(static_cast<std::uint32_t>(operands_.size()));
  for (std::uint16_t word : operands_)
    word16(word);
  word32(static_cast<std::uint32_t>(scriptVariables.count()));
  scriptVariables.appendImage(image, swapped);
  return image;
}

bool YThread::writeCompiled(const char* fileName) const
{
  const std::vector<unsigned char> image = compiledImage(false);
  if (image.empty() || !fileName) return false;
  std::FILE* file = om_fopen(fileName, "wb");
  if (!file) return false;
  const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
  return std::fclose(file) == 0 && written;
}

bool YThread::readCompiled(const char* fileName, bool swap)
{
  std::string data;
  bool opened = false;
  if (!fileName || !readWholeFile(fileName, data, opened)) return false;
  return readCompiledImage(reinterpret_cast<const unsigned char*>(data.data()), data.size(), swap);
}

bool YThread::readCompiledImage(const unsigned char* data, std::size_t size, bool swap)
{
  auto refuse = [this]() {
    scriptAlert((name_ + ": damaged compiled script").c_str());
    code_.clear();
    operands_.clear();
    loaded_ = 0;
    return false;
  };
  if (!data || size < 1) return refuse();
  ImageReader reader(data + 1, size - 1, swap);
  const std::uint32_t instructionCount = reader.word32();
  if (!reader.ok() || instructionCount > static_cast<std::uint32_t>(instructionCapacity) ||
      instructionCount * 3u > reader.remaining()) {
    return refuse();
  }
  std::vector<Instruction> code;
  code.reserve(instructionCount + 1);
  for (std::uint32_t i = 0; i < instructionCount; ++i) {
    const std::uint32_t opcode = reader.byte();
    const std::uint16_t operand = reader.word16();
    code.push_back({opcode, static_cast<std::int16_t>(operand)});
  }
  const std::uint32_t wordCount = reader.word32();
  if (!reader.ok() || wordCount > static_cast<std::uint32_t>(operandCapacity) || wordCount < 3 ||
      wordCount * 2u > reader.remaining()) {
    return refuse();
  }
  std::vector<std::uint16_t> words(wordCount);
  for (std::uint16_t& word : words)
    word = reader.word16();
  const std::uint32_t variableCount = reader.word32();
  const int base = scriptVariables.count();
  if (!reader.ok() || variableCount < 3 ||
      variableCount - 3 + static_cast<std::uint32_t>(base) >
          static_cast<std::uint32_t>(YVariableTable::indexLimit)) {
    return refuse();
  }
  const IndexMap indices{variableCount, base};
  std::vector<std::unique_ptr<YVariable>> variables;
  for (std::uint32_t i = 3; i < variableCount; ++i) {
    auto variable = readVariable(reader, indices);
    if (!variable || !reader.ok()) return refuse();
    variables.push_back(std::move(variable));
  }
  // Every instruction must point into the arrays it uses.
  const bool runsEnd = words.back() == endOfRun;
  for (const Instruction& instruction : code) {
    if (!isExecutableOpcode(instruction.opcode) || instruction.opcode == opElse) return refuse();
    const auto operand = static_cast<std::uint16_t>(instruction.operand);
    if (instruction.opcode == opJump || instruction.opcode == opJumpIfFalse) {
      if (operand > instructionCount) return refuse();
    } else if (operand >= wordCount || !runsEnd) {
      return refuse();
    }
  }
  for (std::uint16_t& word : words) {
    if (!indices.valid(word)) return refuse();
    word = indices.map(word);
  }
  for (auto& variable : variables)
    scriptVariables.append(std::move(variable));
  code.push_back({opEnd, 0});
  code_ = std::move(code);
  operands_ = std::move(words);
  loaded_ = 1;
  pc_ = 0;
  return true;
}
