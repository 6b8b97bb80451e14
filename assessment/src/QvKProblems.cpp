#include "assessment/src/QvKProblems.h"

#include <cstdlib>
#include <initializer_list>

namespace {

// The fields are 32-character texts.
constexpr std::size_t textLimit = 31;

int draw(int n)
{
  return std::rand() % n;
}

// The first entry at which the running sum of the weights reaches r % 100.
int weightedChoice(std::initializer_list<int> weights)
{
  const int v = draw(100);
  int sum = 0, index = 0;
  for (int weight : weights) {
    sum += weight;
    if (sum >= v) return index;
    ++index;
  }
  return index - 1;
}

int tenEqualWeights()
{
  return weightedChoice({10, 10, 10, 10, 10, 10, 10, 10, 10, 10});
}

std::string cut(std::string text)
{
  if (text.size() > textLimit) text.resize(textLimit);
  return text;
}

// The three ways of writing a result n.
enum class Form { twoAddends, threeAddends, difference };

std::string write(Form form, int n)
{
  if (form == Form::twoAddends) {
    const int a = draw(n + 1);
    return std::to_string(a) + "+" + std::to_string(n - a);
  }
  if (form == Form::threeAddends) {
    const int a = draw(n + 1);
    const int b = draw(n - a + 1);
    return std::to_string(a) + "+" + std::to_string(b) + "+" + std::to_string(n - a - b);
  }
  // The minuend is never above 10.
  const int b = n < 10 ? draw(11 - n) : 0;
  return std::to_string(n + b) + "-" + std::to_string(b);
}

// Two addends when r % 10 is below k, else three.
Form addendsBy(int k)
{
  return draw(10) < k ? Form::twoAddends : Form::threeAddends;
}

}  // namespace

const std::array<std::array<QvKProblems::Offset, QvKProblems::layoutPositions>,
                 QvKProblems::layoutCount>&
QvKProblems::layouts()
{
  static const std::array<std::array<Offset, layoutPositions>, layoutCount> table = {{
      {{{0, 0},
        {30, 0},
        {60, 0},
        {90, 0},
        {120, 0},
        {0, 30},
        {30, 30},
        {60, 30},
        {90, 30},
        {120, 30}}},
      {},
      {{{0, 0}, {30, 0}, {60, 0}}},
      {{{0, 0}, {0, 30}, {0, 60}}},
      {{{15, 0}, {0, 30}, {30, 30}}},
      {{{0, 0}, {30, 0}, {60, 0}, {90, 0}}},
      {{{30, 0}, {0, 30}, {30, 30}, {60, 30}}},
      {{{0, 0}, {30, 0}, {60, 0}, {30, 30}}},
      {{{0, 0}, {30, 0}, {0, 30}, {30, 30}}},
      {{{0, 0}, {30, 0}, {60, 0}, {90, 0}, {120, 0}}},
      {{{0, 0}, {60, 0}, {30, 30}, {0, 60}, {60, 60}}},
      {{{15, 0}, {45, 0}, {0, 30}, {30, 30}, {60, 30}}},
      {{{0, 0}, {30, 0}, {60, 0}, {15, 30}, {45, 30}}},
  }};
  return table;
}

std::string& QvKProblems::lastRightAnswer()
{
  static std::string last = "empty";
  return last;
}

bool QvKProblems::generate(int kind)
{
  if (kind < 1 || kind > 4) return false;
  do {
    switch (kind) {
      case 1:
        generateCounting();
        break;
      case 2:
        generateSum();
        break;
      case 3:
        generateDifference();
        break;
      default:
        generateEqualExpressions();
        break;
    }
  } while (answer(rightSlot_) == lastRightAnswer());
  lastRightAnswer() = answer(rightSlot_);
  return true;
}

std::string QvKProblems::textBoxText(int kind) const
{
  if (kind == 1) return std::string(static_cast<std::size_t>(rightValue_) + 1, '0');
  return question_;
}

void QvKProblems::generateCounting()
{
  struct Category {
    int speech, row, layout;
  };
  static constexpr Category grids[] = {{13294, 2, gridLayout},
                                       {13295, 3, gridLayout},
                                       {13296, 5, gridLayout},
                                       {13342, 4, gridLayout}};
  const int category = weightedChoice({18, 16, 16, 16, 16, 18});
  int count = 0;
  if (category < 4) {
    const Category& c = grids[category];
    speechId_ = c.speech;
    pictureRow_ = c.row;
    layout_ = c.layout;
    count = draw(10) + 1;
  } else if (category == 4) {
    speechId_ = 13294;
    pictureRow_ = 1;
    const int g = draw(3);
    if (g == 0) {
      count = 3;
      layout_ = 2 + draw(3);
    } else if (g == 1) {
      count = 4;
      layout_ = 5 + draw(4);
    } else {
      count = 5;
      layout_ = 9 + draw(4);
    }
  } else {
    static constexpr int counts[] = {5, 6, 4, 4, 3, 4, 4};
    speechId_ = 13312;
    layout_ = singleLayout;
    const int g = draw(7);
    pictureRow_ = 6 + g;
    count = counts[g];
  }
  int lowest = count - draw(4) - 1;
  if (lowest <= 0) lowest = 1;
  if (lowest > 6) lowest = 6;
  for (int slot = 0; slot < slotCount; ++slot)
    answers_[static_cast<std::size_t>(slot)] = std::to_string(lowest + slot);
  rightSlot_ = count - lowest;
  rightValue_ = count;
}

std::array<int, 4> QvKProblems::drawOtherValues(int n)
{
  used_.fill(0);
  used_[static_cast<std::size_t>(n - 1)] = 1;
  std::array<int, 4> values{};
  for (int& value : values) {
    do {
      value = draw(10) + 1;
    } while (used_[static_cast<std::size_t>(value - 1)]);
    used_[static_cast<std::size_t>(value - 1)] = 1;
  }
  rightSlot_ = draw(slotCount);
  return values;
}

void QvKProblems::fillNumberAnswers(int n)
{
  const std::array<int, 4> others = drawOtherValues(n);
  for (int slot = 0, next = 0; slot < slotCount; ++slot)
    answers_[static_cast<std::size_t>(slot)] =
        std::to_string(slot == rightSlot_ ? n : others[static_cast<std::size_t>(next++)]);
  rightValue_ = n;
}

void QvKProblems::generateSum()
{
  const int n = tenEqualWeights() + 1;
  Form form = Form::twoAddends;
  if (n == 3) {
    form = draw(10) == 1 ? Form::threeAddends : Form::twoAddends;
  } else if (n >= 4) {
    form = draw(10) > 11 - n ? Form::threeAddends : Form::twoAddends;
  }
  problem_ = cut(write(form, n));
  question_ = cut(problem_ + "=?");
  speechId_ = 13313;
  fillNumberAnswers(n);
}

void QvKProblems::generateDifference()
{
  const int n = weightedChoice({12, 12, 12, 12, 12, 12, 12, 8, 6, 2}) + 1;
  problem_ = cut(write(Form::difference, n));
  question_ = cut(problem_ + "=?");
  speechId_ = 13332;
  fillNumberAnswers(n);
}

void QvKProblems::generateEqualExpressions()
{
  const int n = tenEqualWeights() + 1;
  // A difference first; a sum's addend count only when it is no difference.
  Form form = draw(10) > 4 && n != 10 ? Form::difference : Form::twoAddends;
  if (form != Form::difference) {
    if (n == 3)
      form = draw(10) == 1 ? Form::threeAddends : Form::twoAddends;
    else if (n >= 4)
      form = addendsBy(12 - n);
  }
  problem_ = cut(write(form, n));
  do {
    secondProblem_ = cut(write(form, n));
  } while (secondProblem_ == problem_);
  question_ = cut(problem_ + "=?");
  speechId_ = 13314;
  const std::array<int, 4> others = drawOtherValues(n);
  for (int slot = 0, next = 0; slot < slotCount; ++slot) {
    if (slot == rightSlot_) {
      answers_[static_cast<std::size_t>(slot)] = secondProblem_;
      continue;
    }
    const int value = others[static_cast<std::size_t>(next++)];
    const Form other = draw(10) > 6 ? Form::difference : addendsBy(7);
    answers_[static_cast<std::size_t>(slot)] = cut(write(other, value));
  }
  rightValue_ = n;
}
