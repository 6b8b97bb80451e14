#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The program's configuration: key lines of values, and the "DS" records that describe the
// problems of each skill area, grouped by group number and then by set id.

// One value of a key line.
struct Param {
  std::string text;
  bool cut = false;  // the file's text was longer than the limit
};

// One key line: its key and its values in file order.
struct Command {
  std::string key;
  std::vector<Param> params;
};

// One "DS" record.
struct Quizlet {
  std::int32_t code = 0;
  std::int32_t level = 0;
  std::int32_t group = 0;
  char letter = 0;
  std::int32_t seconds = 0;
  std::int16_t speechId = 0;
  std::int16_t pictureId = 0;
  std::int16_t answer1 = 0;
  std::int16_t answer2 = 0;
  std::int16_t answer3 = 0;
  std::int16_t answer4 = 0;
};

// The records of one skill area that share an id, in file order.
struct QuizletSet {
  std::int32_t id = 0;
  std::int32_t result = 0;
  std::vector<Quizlet> quizlets;

  // The first record of that level, or null.
  const Quizlet* quizletByLevel(std::int32_t level) const;
};

// The records of one group number, their sets in order of first appearance.
struct SkillAreaSet {
  std::int32_t group = 0;
  std::int32_t code = 0;
  std::int32_t level = 0;
  std::vector<std::unique_ptr<QuizletSet>> sets;

  // The set at that 0-based position, or null.
  QuizletSet* quizletSetAt(int position) const;
  QuizletSet* quizletSetById(std::int32_t id) const;
};

class DescriptorFile {
 public:
  // Texts are cut to this many characters.
  static constexpr std::size_t textLimit = 127;

  // Reads and parses the file; it becomes the program's descriptor even when the file could
  // not be read (then it holds nothing, see isRead).
  explicit DescriptorFile(const char* fileName);
  // Parses an image already in memory (the same rules; the program's descriptor too).
  DescriptorFile(const char* image, std::size_t size);
  ~DescriptorFile();
  DescriptorFile(const DescriptorFile&) = delete;
  DescriptorFile& operator=(const DescriptorFile&) = delete;

  // The program's one descriptor, or null.
  static DescriptorFile* current();

  bool isRead() const { return read_; }
  // The file as the program names it; "PLSDescriptor.txt" for an image.
  const std::string& fileName() const { return fileName_; }
  // Why the file could not be read (empty when it was).
  const std::string& readProblem() const { return readProblem_; }

  // The first key that the program cannot start without, and what is wrong with it; false
  // when none is: the texts "WinExeNamePath", "AODLL", "WaveDLL" and "DataFile", there and
  // not cut. Nothing at the start reads a problem record.
  bool lacksWhatTheProgramNeeds(std::string& key, std::string& problem) const;

  // The i-th value (1-based) of the first line with that key (case-sensitive) as a decimal
  // integer; -1 when no line has that key or the line has no such value.
  std::int32_t intValue(const char* key, int i) const;
  // The i-th value's text, or null.
  const char* stringValue(const char* key, int i) const;
  // intValue when the value is missing or lies from low to high; a value outside is said to
  // be wrong (once, naming the file and the key) and reads as missing (-1).
  std::int32_t intValueWithin(const char* key, int i, std::int32_t low, std::int32_t high) const;
  // A position or a hot spot's edge on the screen: from -32768 to 32767, so that placing a
  // picture by it cannot overflow.
  std::int32_t coordinateValue(const char* key, int i) const
  {
    return intValueWithin(key, i, -32768, 32767);
  }
  // The seconds each answer of the record is lit: 0 (said once) when they would overflow a
  // delay in milliseconds.
  std::int32_t highlightSeconds(const Quizlet& quizlet) const;
  // Says, at the start, every value that the lookups above refuse, before the program shows
  // anything that a message box would interrupt.
  void reportWrongValues() const;
  // Says that a value of the key is not what the program can use.
  void reportWrongValue(const char* key, const std::string& value, const std::string& wanted) const;

  QuizletSet* quizletSetById(std::int32_t id) const;
  SkillAreaSet* skillAreaByGroup(std::int32_t group) const;
  SkillAreaSet* skillAreaByCode(std::int32_t code) const;

  const std::vector<Command>& commands() const { return commands_; }
  const std::vector<std::unique_ptr<SkillAreaSet>>& skillAreas() const { return skillAreas_; }

  // A decimal integer as the descriptor reads one: leading blanks and tabs skipped, an
  // optional sign, digits up to the first other character (none: 0), wrapping at 32 bits.
  static std::int32_t toInt(const std::string& text);

 private:
  void parse();
  // The lexer over the image.
  bool nextLine();
  std::string nextToken();
  bool atEnd() const { return current_ >= image_.size(); }
  char peek() const { return image_[current_]; }

  void addRecord();
  const Param* param(const char* key, int i) const;

  std::string image_;
  std::string fileName_ = "PLSDescriptor.txt";
  std::string readProblem_;
  std::size_t current_ = 0;
  bool started_ = false;
  bool read_ = false;
  bool tokenCut_ = false;
  std::vector<Command> commands_;
  std::vector<std::unique_ptr<SkillAreaSet>> skillAreas_;
};
