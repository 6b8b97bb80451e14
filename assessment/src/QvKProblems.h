#pragma once

#include <array>
#include <string>

// The racing quiz's problems: a random problem of one of four kinds, its five answer choices
// with the right slot, its speech id, and what the problem sign shows. Every draw comes from
// the C library generator, in a fixed order, so that a seed gives the same problems.
class QvKProblems {
 public:
  static constexpr int slotCount = 5;
  // Sign layouts: the grid, the patterns 2 to 12, and one picture alone.
  static constexpr int gridLayout = 0;
  static constexpr int singleLayout = -1;
  static constexpr int layoutCount = 13;
  static constexpr int layoutPositions = 10;
  struct Offset {
    int x = 0;
    int y = 0;
  };
  // The picture offsets of each layout.
  static const std::array<std::array<Offset, layoutPositions>, layoutCount>& layouts();

  // Draws problems of the kind until the right answer differs from the last right answer of
  // all instances, which it then becomes. False for a kind outside 1 to 4.
  bool generate(int kind);

  const std::string& answer(int slot) const { return answers_.at(static_cast<std::size_t>(slot)); }
  int rightSlot() const { return rightSlot_; }
  const std::string& problemText() const { return problem_; }
  const std::string& secondProblemText() const { return secondProblem_; }
  const std::string& question() const { return question_; }
  int speechId() const { return speechId_; }
  // Kind 1: the number of pictures, the strip's frame that shows them and their layout.
  int rightValue() const { return rightValue_; }
  int pictureRow() const { return pictureRow_; }
  int layout() const { return layout_; }
  // What the text box shows for the problem of that kind.
  std::string textBoxText(int kind) const;

  // The right answer of the problem asked last, by any instance ("empty" at first).
  static std::string& lastRightAnswer();

 private:
  void generateCounting();
  void generateSum();
  void generateDifference();
  void generateEqualExpressions();
  // The choices of kinds 2 to 4: n taken, four other values drawn, the right slot drawn.
  std::array<int, 4> drawOtherValues(int n);
  // Kinds 2 and 3: n in the right slot, the other values as numbers.
  void fillNumberAnswers(int n);

  std::array<std::string, slotCount> answers_;
  int rightSlot_ = 0;
  std::string problem_;
  std::string secondProblem_;
  std::string question_;
  std::array<int, 11> used_{};
  int rightValue_ = 0;
  int speechId_ = 0;
  int pictureRow_ = 0;
  int layout_ = gridLayout;
};
