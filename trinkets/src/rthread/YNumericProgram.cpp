#include "trinkets/src/rthread/YNumericProgram.h"

#include <cmath>

#include "trinkets/src/rvar/YVariable.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// Leaves of an expression of at most 127 code characters: the evaluation stack never holds
// more.
constexpr int stackLimit = 64;

bool isArithmetic(char op)
{
  switch (op) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '\\':
    case '%':
    case '^':
    case '<':
    case '>':
    case '=':
    case '#':
      return true;
    default:
      return false;
  }
}

struct Number {
  double value;
  bool integer;
};

inline bool operandValue(YVariable* operand, Number& result)
{
  YVariable* variable = operand->followed();
  if (variable->kind != YVariable::plainVariable && variable->kind != YVariable::literal) {
    return false;
  }
  if (!variable->hasText) return false;
  if (variable->type == YVariable::typeInteger) {
    result = {static_cast<double>(variable->integerValue), true};
    return true;
  }
  if (variable->type == YVariable::typeDouble) {
    result = {variable->realValue, false};
    return true;
  }
  return false;
}

inline bool leafValue(char op, YVariable* operand, Number& result)
{
  if (op == 't') return operandValue(operand, result);
  result = {0.0, true};
  return true;
}

inline bool apply(char op, double a, double b, Number& result)
{
  switch (op) {
    case '+':
      result = {a + b, false};
      return true;
    case '-':
      result = {a - b, false};
      return true;
    case '*':
      result = {a * b, false};
      return true;
    case '/':
      if (b * b < 0.00000001) return false;
      result = {a / b, false};
      return true;
    case '\\':
    case '%': {
      const std::int64_t divisor = truncatedToInteger(b);
      if (divisor == 0) return false;
      const std::int64_t dividend = truncatedToInteger(a);
      result = {static_cast<double>(op == '\\' ? dividend / divisor : dividend % divisor), true};
      return true;
    }
    case '^':
      if (a < 0 && b != std::trunc(b)) return false;
      result = {std::pow(a, b), false};
      return true;
    case '<':
      result = {a < b ? 1.0 : 0.0, true};
      return true;
    case '>':
      result = {a > b ? 1.0 : 0.0, true};
      return true;
    case '=':
      result = {a == b ? 1.0 : 0.0, true};
      return true;
    case '#':
      result = {a != b ? 1.0 : 0.0, true};
      return true;
    default:
      return false;
  }
}

bool isLeaf(char op)
{
  return op == 't' || op == 'z';
}

}  // namespace

std::int64_t truncatedToInteger(double number)
{
  const double whole = std::trunc(number);
  if (!(whole == whole)) return 0;
  if (whole > 9.0e18) return static_cast<std::int64_t>(9.0e18);
  if (whole < -9.0e18) return static_cast<std::int64_t>(-9.0e18);
  return static_cast<std::int64_t>(whole);
}

std::unique_ptr<YNumericProgram> YNumericProgram::make(const std::string& code,
                                                       const std::vector<std::uint16_t>& operands)
{
  auto program = std::make_unique<YNumericProgram>();
  // A bare operand's result is its own text.
  if (code.empty() || code[0] == 't') return program;
  std::size_t cursor = 0;
  int nextOperand = static_cast<int>(operands.size());
  const Made made = program->add(code, operands, cursor, nextOperand, 0);
  if (made == Made::later) return nullptr;
  if (made == Made::never) program->steps_.clear();
  const std::vector<Step>& steps = program->steps_;
  program->binary_ =
      steps.size() == 3 && isLeaf(steps[0].op) && isLeaf(steps[1].op) && isArithmetic(steps[2].op);
  return program;
}

// The steps of one node of the code, in the evaluation's order: the right operand first (the
// operands are taken from the last to the first), then the left one, then the operator.
YNumericProgram::Made YNumericProgram::add(const std::string& code,
                                           const std::vector<std::uint16_t>& operands,
                                           std::size_t& cursor, int& nextOperand, int depth)
{
  if (cursor >= code.size() || depth >= stackLimit) return Made::never;
  const char c = code[cursor++];
  if (c == 'z') {
    steps_.push_back({'z', nullptr});
    return Made::ok;
  }
  if (c == 't') {
    if (nextOperand <= 0) return Made::never;
    YVariable* variable = scriptVariables.at(operands[static_cast<std::size_t>(--nextOperand)]);
    if (!variable) return Made::later;
    if (variable->kind == YVariable::dottedName) return Made::never;
    steps_.push_back({'t', variable});
    return Made::ok;
  }
  if (c != 's' || cursor >= code.size()) return Made::never;
  const char op = code[cursor++];
  if (op != '~' && !isArithmetic(op)) return Made::never;
  if (Made right = add(code, operands, cursor, nextOperand, depth + 1); right != Made::ok) {
    return right;
  }
  if (op != '~') {
    if (Made left = add(code, operands, cursor, nextOperand, depth + 1); left != Made::ok) {
      return left;
    }
  }
  steps_.push_back({op, nullptr});
  return Made::ok;
}

bool YNumericProgram::run(double& number) const
{
  if (binary_) {
    Number right;
    Number left;
    if (!leafValue(steps_[0].op, steps_[0].operand, right) ||
        !leafValue(steps_[1].op, steps_[1].operand, left)) {
      return false;
    }
    Number result;
    if (!apply(steps_[2].op, left.value, right.value, result)) return false;
    number = result.value;
    return true;
  }
  if (steps_.empty()) return false;
  Number stack[stackLimit];
  int top = 0;
  for (const Step& step : steps_) {
    switch (step.op) {
      case 't':
        if (top >= stackLimit || !operandValue(step.operand, stack[top])) return false;
        ++top;
        break;
      case 'z':
        if (top >= stackLimit) return false;
        stack[top++] = {0.0, true};
        break;
      case '~': {
        Number& operand = stack[top - 1];
        operand = {operand.integer ? operand.value
                                   : static_cast<double>(truncatedToInteger(operand.value)),
                   true};
        break;
      }
      default: {
        // The left operand is on top, the right one under it; the result takes its place.
        const Number left = stack[--top];
        Number& right = stack[top - 1];
        if (!apply(step.op, left.value, right.value, right)) return false;
        break;
      }
    }
  }
  number = stack[0].value;
  return true;
}
