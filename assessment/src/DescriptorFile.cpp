#include "assessment/src/DescriptorFile.h"

#include <omcrt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "assessment/src/FileReport.h"

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

constexpr char restoreAdvice[] =
    "Correct it, or put back the PLSDescriptor.txt that came with the product";

// The whole file; the reason when it cannot be read.
std::string readWholeFile(const char* fileName, std::string& out)
{
  errno = 0;
  std::FILE* file = om_fopen(fileName, "rb");
  if (!file) return filereport::reasonOf(errno);
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    out.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  return failed ? filereport::reasonOf(error) : std::string();
}

// The text values of a key line that the program's files are found by.
constexpr const char* neededTexts[] = {"WinExeNamePath", "AODLL", "WaveDLL", "DataFile"};
// The keys whose values are positions on the screen.
constexpr const char* coordinateKeys[] = {"ConfLevelX", "ConfSkillY", "ProblemHS", "AnswerHS"};
// More seconds would overflow a delay in milliseconds.
constexpr std::int32_t longestSeconds = 2147483647 / 1000;

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
  if (!fileName) return;
  fileName_ = fileName;
  readProblem_ = readWholeFile(fileName, image_);
  if (!readProblem_.empty()) {
    image_.clear();
    return;
  }
  read_ = true;
  parse();
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
  } else {
    while (!atEnd() && !isBlank(peek()) && !isLineEnd(peek()))
      token += image_[current_++];
  }
  tokenCut_ = token.size() > textLimit;
  if (tokenCut_) token.resize(textLimit);
  return token;
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
      command.params.push_back(Param{std::move(value), tokenCut_});
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

std::int32_t DescriptorFile::intValueWithin(const char* key, int i, std::int32_t low,
                                            std::int32_t high) const
{
  const Param* value = param(key, i);
  if (!value) return -1;
  const std::int32_t number = toInt(value->text);
  if (number >= low && number <= high) return number;
  reportWrongValue(key, value->text,
                   "a number from " + std::to_string(low) + " to " + std::to_string(high));
  return -1;
}

std::int32_t DescriptorFile::highlightSeconds(const Quizlet& quizlet) const
{
  if (quizlet.seconds >= 0 && quizlet.seconds <= longestSeconds) return quizlet.seconds;
  reportWrongValue("DS", std::to_string(quizlet.seconds),
                   "a number of seconds from 0 to " + std::to_string(longestSeconds));
  return 0;
}

void DescriptorFile::reportWrongValues() const
{
  for (const Command& command : commands_)
    for (const char* key : coordinateKeys)
      if (command.key == key)
        for (int i = 1; i <= static_cast<int>(command.params.size()); ++i)
          coordinateValue(key, i);
  for (const auto& area : skillAreas_)
    for (const auto& set : area->sets)
      for (const Quizlet& quizlet : set->quizlets)
        highlightSeconds(quizlet);
}

void DescriptorFile::reportWrongValue(const char* key, const std::string& value,
                                      const std::string& wanted) const
{
  filereport::report(fileName_,
                     std::string("the value \"") + value + "\" of \"" + key + "\" is not " + wanted,
                     restoreAdvice);
}

bool DescriptorFile::lacksWhatTheProgramNeeds(std::string& key, std::string& problem) const
{
  for (const char* needed : neededTexts) {
    key = needed;
    const Param* value = param(needed, 1);
    if (!value) {
      problem = std::string("it has no \"") + needed + "\" line with a value";
      return true;
    }
    if (value->cut) {
      problem = std::string("the value of \"") + needed + "\" is longer than " +
                std::to_string(textLimit) + " characters";
      return true;
    }
  }
  return false;
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
