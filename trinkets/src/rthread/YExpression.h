#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OMScriptableObject;

class YVariable;

// The compiled form of an expression: postfix code and the variables it reads.
// Code: "t" takes the next operand (the operands are taken from the last to the first), "z"
// is the integer 0, "s" followed by an operator applies it, its right operand coded first.
struct YCompiledExpression {
  std::string code;
  std::vector<std::uint16_t> operands;
};

// Error codes of expressions.
enum YExpressionError : int {
  expressionOk = 0,
  expressionParentheses = 1,  // a parenthesis or quote left open, or a stray ")"
  expressionLength = 2,       // empty, 1024 characters or more, or beyond the code buffers
  expressionMissingOperand = 3,
  expressionDivisionByZero = 4,
  expressionNearZero = 5,  // division by a number too near 0, fractional power of a negative
  expressionNotNumeric = 7,
  expressionMalformed = 9,  // code that does not read (a damaged compiled image)
};

// Capacities of the shared code buffer and operand list.
constexpr int expressionCodeCapacity = 127;
constexpr int expressionOperandCapacity = 128;
constexpr int expressionTextLimit = 1024;

// Compiles the text; atoms are added to the variable table. Returns an error code.
int compileExpression(const char* text, int length, YCompiledExpression& compiled);
// The value of an expression of numbers only, without making a text; false when the full
// evaluation must decide (texts, objects, errors).
bool evaluateExpressionNumber(YVariable& variable, double& number);
// Evaluates an expression variable into a text. Returns an error code.
int evaluateExpression(YVariable& variable, std::string& text);
// The same, leaving a numeric result as a number (numeric set) instead of printing it.
// The object, when the value is one (a "$" that names an object variable), goes to `object`.
int evaluateExpressionResult(YVariable& variable, bool& numeric, double& number, std::string& text,
                             OMScriptableObject** object = nullptr);
// Prints a numeric result: whole numbers within two thousand million as integers, others
// with 15 significant digits.
std::size_t formatExpressionNumber(double number, char* buffer, std::size_t size);
