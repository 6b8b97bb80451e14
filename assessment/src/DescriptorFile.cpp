#include "assessment/src/DescriptorFile.h"

#include <omcrt.h>

#include <cstdio>
#include <cstring>

namespace {

DescriptorFile* theDescriptor = nullptr;

bool isBlank(char c)
{
  return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
  return c == '\r' || c == '\n';
}

bool isCommentStart(char c)
{
  return c == '#' || c == '/' || c == ';';
}

// The whole file, or false when it cannot be read.
bool readWholeFile(const char* fileName, std::string& out)
{
  std::FILE* file = om_fopen(fileName, "rb");
  if (!file) return false;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    out.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

std::string cut(std::string text)
{
  if (text.size() > DescriptorFile::textLimit) text.resize(DescriptorFile::textLimit);
  return text;
}

}  // namespace

const Quizlet* QuizletSet::quizletByLevel(std::int32_t wanted) const
{
  for (const Quizlet& quizlet : quizlets)
    if (quizlet.level == wanted) return &quizlet;
  return nullptr;
}

QuizletSet* SkillAreaSet::quizletSetAt(int position) const
{
  if (position < 0 || static_cast<std::size_t>(position) >= sets.size()) return nullptr;
  return sets[static_cast<std::size_t>(position)].get();
}

QuizletSet* SkillAreaSet::quizletSetById(std::int32_t id) const
{
  for (const auto& set : sets)
    if (set->id == id) return set.get();
  return nullptr;
}

DescriptorFile::DescriptorFile(const char* fileName)
{
  theDescriptor = this;
  if (fileName && readWholeFile(fileName, image_)) {
    read_ = true;
    parse();
  }
}

DescriptorFile::DescriptorFile(const char* image, std::size_t size)
    : image_(image ? std::string(image, size) : std::string())
{
  theDescriptor = this;
  read_ = true;
  parse();
}

DescriptorFile::~DescriptorFile()
{
  if (theDescriptor == this) theDescriptor = nullptr;
}

DescriptorFile* DescriptorFile::current()
{
  return theDescriptor;
}

std::int32_t DescriptorFile::toInt(const std::string& text)
{
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool DescriptorFile::nextLine()
{
  if (started_) {
    while (!atEnd() && !isLineEnd(peek()))
      ++current_;
  } else {
    started_ = true;
  }
  for (;;) {
    while (!atEnd() && (isBlank(peek()) || isLineEnd(peek())))
      ++current_;
    if (atEnd()) return false;
    if (!isCommentStart(peek())) return true;
    while (!atEnd() && !isLineEnd(peek()) && peek() != '\0')
      ++current_;
    // A NUL ends a comment but starts nothing: it is passed over like a blank.
    if (!atEnd() && peek() == '\0') ++current_;
  }
}

std::string DescriptorFile::nextToken()
{
  while (!atEnd() && isBlank(peek()))
    ++current_;
  std::string token;
  if (atEnd() || isLineEnd(peek())) return token;
  if (peek() == '"') {
    ++current_;
    // An open quote runs to the image's end.
    while (!atEnd() && peek() != '"') {
      if (peek() == '\\' && current_ + 1 < image_.size() && image_[current_ + 1] == '"') ++current_;
      token += image_[current_++];
    }
    if (!atEnd()) ++current_;
    return cut(std::move(token));
  }
  while (!atEnd() && !isBlank(peek()) && !isLineEnd(peek()))
    token += image_[current_++];
  return cut(std::move(token));
}

void DescriptorFile::parse()
{
  while (nextLine()) {
    const std::string key = nextToken();
    if (!key.empty() && key[0] == '.') return;
    if (key == "DS") {
      addRecord();
      continue;
    }
    Command command{key, {}};
    for (std::string value = nextToken(); !value.empty(); value = nextToken())
      command.params.push_back(Param{std::move(value)});
    commands_.push_back(std::move(command));
  }
}

void DescriptorFile::addRecord()
{
  const auto number = [this] { return toInt(nextToken()); };
  const auto word = [this] { return static_cast<std::int16_t>(toInt(nextToken()) & 0xFFFF); };
  const std::int32_t id = number();
  Quizlet quizlet;
  quizlet.code = number();
  quizlet.level = number();
  quizlet.group = number();
  quizlet.letter = nextToken().c_str()[0];
  quizlet.seconds = number();
  quizlet.speechId = word();
  quizlet.pictureId = word();
  quizlet.answer1 = word();
  quizlet.answer2 = word();
  quizlet.answer3 = word();
  quizlet.answer4 = word();

  SkillAreaSet* area = skillAreaByGroup(quizlet.group);
  if (!area) {
    skillAreas_.push_back(std::make_unique<SkillAreaSet>());
    area = skillAreas_.back().get();
    area->group = quizlet.group;
    area->code = quizlet.code;
  }
  QuizletSet* set = area->quizletSetById(id);
  if (!set) {
    area->sets.push_back(std::make_unique<QuizletSet>());
    set = area->sets.back().get();
    set->id = id;
  }
  set->quizlets.push_back(quizlet);
}

const Param* DescriptorFile::param(const char* key, int i) const
{
  if (!key) return nullptr;
  for (const Command& command : commands_) {
    if (command.key != key) continue;
    if (i < 1 || static_cast<std::size_t>(i) > command.params.size()) return nullptr;
    return &command.params[static_cast<std::size_t>(i) - 1];
  }
  return nullptr;
}

std::int32_t DescriptorFile::intValue(const char* key, int i) const
{
  const Param* value = param(key, i);
  return value ? toInt(value->text) : -1;
}

const char* DescriptorFile::stringValue(const char* key, int i) const
{
  const Param* value = param(key, i);
  return value ? value->text.c_str() : nullptr;
}

QuizletSet* DescriptorFile::quizletSetById(std::int32_t id) const
{
  for (const auto& area : skillAreas_)
    if (QuizletSet* set = area->quizletSetById(id)) return set;
  return nullptr;
}

SkillAreaSet* DescriptorFile::skillAreaByGroup(std::int32_t group) const
{
  for (const auto& area : skillAreas_)
    if (area->group == group) return area.get();
  return nullptr;
}

SkillAreaSet* DescriptorFile::skillAreaByCode(std::int32_t code) const
{
  for (const auto& area : skillAreas_)
    if (area->code == code) return area.get();
  return nullptr;
}
