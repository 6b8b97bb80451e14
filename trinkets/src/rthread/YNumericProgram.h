#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class YVariable;

// An expression's code made once into a flat list of steps over its operand variables, so that
// an expression of numbers only is computed without reading its code or finding its operands
// again. Variables stay where they are until the table is cleared, which deletes the
// expression and its program with it; their values are read afresh at every run.
class YNumericProgram {
 public:
  // Made from an expression's code and operands (see YCompiledExpression). Null while an
  // operand is not in the table yet (a compiled image still loading): try again later.
  static std::unique_ptr<YNumericProgram> make(const std::string& code,
                                               const std::vector<std::uint16_t>& operands);

  // The value, when the code and every operand's current value allow a number-only result;
  // false for everything the full evaluation must decide (texts, objects, "$", "@", dotted
  // names, a bare operand, every error).
  bool run(double& number) const;

 private:
  struct Step {
    char op;
    YVariable* operand;
  };
  enum class Made { ok, never, later };

  Made add(const std::string& code, const std::vector<std::uint16_t>& operands, std::size_t& cursor,
           int& nextOperand, int depth);

  // Empty when the expression is never a number-only one.
  std::vector<Step> steps_;
  // The steps are two operands and one operator, the common shape, run without a stack.
  bool binary_ = false;
};

// Truncates towards zero into the 64-bit range, as the integer operators of expressions do.
std::int64_t truncatedToInteger(double number);
