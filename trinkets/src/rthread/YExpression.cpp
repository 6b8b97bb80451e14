#include "trinkets/src/rthread/YExpression.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "trinkets/src/rthread/YNumericProgram.h"
#include "trinkets/src/rvar/YVariable.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// ---- Compiling ----

bool isOperatorOfLevel(char c, int level)
{
  switch (level) {
    case 1:
      return c == '+' || c == '-' || c == '<' || c == '>' || c == '=' || c == '#';
    case 2:
      return c == '*' || c == '/' || c == '\\' || c == '%' || c == '@' || c == '^';
    case 3:
      return c == '~' || c == '$';
    default:
      return false;
  }
}

class ExpressionCompiler {
 public:
  explicit ExpressionCompiler(YCompiledExpression& out) : out_(out) {}

  int compile(const char* text, int length)
  {
    if (length <= 0 || length >= expressionTextLimit) return expressionLength;
    write_ = expressionCodeCapacity;
    const int error = compileLevel(text, length, 1);
    if (error) return error;
    out_.code.assign(buffer_ + write_, static_cast<std::size_t>(expressionCodeCapacity - write_));
    return expressionOk;
  }

 private:
  struct Segment {
    int start;
    int length;
    char operatorBefore;
  };

  bool put(char c)
  {
    if (write_ <= 0) return false;
    buffer_[--write_] = c;
    return true;
  }

  int compileAtom(const char* text, int length)
  {
    if (text[0] == '(') {
      if (length < 2 || text[length - 1] != ')') return expressionParentheses;
      if (length == 2) return expressionMissingOperand;
      return compileLevel(text + 1, length - 2, 1);
    }
    if (static_cast<int>(out_.operands.size()) >= expressionOperandCapacity) {
      return expressionLength;
    }
    const int index = scriptVariables.add(text, length);
    if (index < 0) return expressionLength;
    out_.operands.push_back(static_cast<std::uint16_t>(index));
    return put('t') ? expressionOk : expressionLength;
  }

  int split(const char* text, int length, int level, std::vector<Segment>& segments)
  {
    char quote = 0;
    int depth = 0;
    int start = 0;
    char before = 0;
    for (int i = 0; i < length; ++i) {
      const char c = text[i];
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth < 0) return expressionParentheses;
      } else if (depth == 0 && isOperatorOfLevel(c, level)) {
        segments.push_back({start, i - start, before});
        before = c;
        start = i + 1;
      }
    }
    if (quote || depth != 0) return expressionParentheses;
    segments.push_back({start, length - start, before});
    return expressionOk;
  }

  int compileLevel(const char* text, int length, int level)
  {
    if (level > 3) return compileAtom(text, length);
    std::vector<Segment> segments;
    if (int error = split(text, length, level, segments)) return error;
    if (segments.size() == 1) return compileLevel(text, length, level + 1);
    const std::size_t last = segments.size() - 1;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      const Segment& segment = segments[i];
      if (segment.length == 0) {
        if (i == 0) {
          const char next = segments[1].operatorBefore;
          if (next != '~' && next != '$' && !put('z')) return expressionLength;
          continue;
        }
        if (i == last) break;  // an operator that ends the text is ignored
        return expressionMissingOperand;
      }
      if (int error = compileLevel(text + segment.start, segment.length, level + 1)) return error;
      if (segment.operatorBefore) {
        if (!put(segment.operatorBefore) || !put('s')) return expressionLength;
      }
    }
    return expressionOk;
  }

  YCompiledExpression& out_;
  char buffer_[expressionCodeCapacity + 1] = {};
  int write_ = expressionCodeCapacity;
};

// ---- Evaluating ----

constexpr int dollarDepthLimit = 8;
int dollarDepth = 0;

// A value met while evaluating. Its text is made only when an operator needs it: a view of
// a variable's own text, an owned copy, or the number printed.
struct Value {
  YVariable::Type type = YVariable::typeEmpty;
  double number = 0.0;
  std::int32_t objectId = 0;
  OMScriptableObject* object = nullptr;
  const char* view = "";
  std::size_t viewLength = 0;
  std::string owned;
  bool hasOwned = false;
  bool printedNumber = false;

  bool isNumeric() const { return type == YVariable::typeInteger || type == YVariable::typeDouble; }

  std::string_view text()
  {
    if (printedNumber && !hasOwned) {
      char buffer[64];
      owned.assign(buffer, formatExpressionNumber(number, buffer, sizeof buffer));
      hasOwned = true;
    }
    if (hasOwned) return owned;
    return {view, viewLength};
  }

  void own(std::string text)
  {
    owned = std::move(text);
    hasOwned = true;
  }
};

// Makes the value a number, in place: values are made often and their text is rarely used.
void setNumber(Value& value, double number, bool integerResult)
{
  value.type = integerResult ? YVariable::typeInteger : YVariable::typeDouble;
  value.number = number;
  value.printedNumber = true;
  value.object = nullptr;
  value.hasOwned = false;
  value.view = "";
  value.viewLength = 0;
}

std::int32_t identityOf(const void* object)
{
  const auto word = reinterpret_cast<std::uintptr_t>(object);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(word ^ (word >> 32)));
}

void valueOf(YVariable* operand, Value& value)
{
  if (!operand) return;
  YVariable* variable = operand->resolved();
  if (!variable) return;
  variable = variable->followed();
  if (variable->kind == YVariable::plainVariable || variable->kind == YVariable::literal) {
    if (variable->kind == YVariable::plainVariable && variable->type == YVariable::typeEmpty) {
      value.view = variable->name.data();
      value.viewLength = variable->name.size();
      return;
    }
    if (variable->type == YVariable::typeObject) {
      value.type = YVariable::typeObject;
      value.objectId = identityOf(variable->objectValue);
      value.object = variable->objectValue;
      value.own(std::string(1, YVariable::objectMarker));
      return;
    }
    if ((variable->type == YVariable::typeInteger || variable->type == YVariable::typeDouble) &&
        variable->hasText) {
      // The variable's own text stays as it is while the expression is evaluated.
      value.type = variable->type;
      value.number =
          variable->type == YVariable::typeInteger ? variable->integerValue : variable->realValue;
      const std::string& text = variable->storedText();
      value.view = text.data();
      value.viewLength = text.size();
      return;
    }
  }
  int length = 0;
  const char* text = variable->getText(&length);
  value.own(std::string(text, static_cast<std::size_t>(length)));
  YVariable::Type parsedType = YVariable::typeText;
  double real = 0.0;
  std::int32_t integer = 0;
  if (YVariable::parseNumber(value.owned.data(), length, parsedType, real, integer)) {
    value.type = parsedType;
    value.number = parsedType == YVariable::typeInteger ? integer : real;
  } else {
    value.type = YVariable::typeText;
  }
  return;
}

int compareTexts(std::string_view left, std::string_view right)
{
  const int order = left.compare(right);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

class Evaluator {
 public:
  Evaluator(const std::string& code, const std::vector<std::uint16_t>& operands)
      : code_(code), operands_(operands), nextOperand_(static_cast<int>(operands.size()))
  {
  }

  int run(Value& result) { return node(result); }

 private:
  int node(Value& result)
  {
    if (cursor_ >= code_.size()) return expressionMalformed;
    const char c = code_[cursor_++];
    if (c == 'z') {
      setNumber(result, 0.0, true);
      return expressionOk;
    }
    if (c == 't') {
      if (nextOperand_ <= 0) return expressionMalformed;
      valueOf(scriptVariables.at(operands_[--nextOperand_]), result);
      return expressionOk;
    }
    if (c != 's' || cursor_ >= code_.size()) return expressionMalformed;
    const char op = code_[cursor_++];
    Value right;
    if (int error = node(right)) return error;
    if (op == '~') return identity(right, result);
    if (op == '$') return evaluateText(right, result);
    Value left;
    if (int error = node(left)) return error;
    return apply(op, left, right, result);
  }

  static int identity(Value& operand, Value& result)
  {
    switch (operand.type) {
      case YVariable::typeObject:
        setNumber(result, operand.objectId, true);
        break;
      case YVariable::typeInteger:
        setNumber(result, operand.number, true);
        break;
      case YVariable::typeDouble:
        setNumber(result, static_cast<double>(truncatedToInteger(operand.number)), true);
        break;
      default:
        setNumber(result, static_cast<double>(operand.text().size()), true);
        break;
    }
    return expressionOk;
  }

  static int evaluateText(Value& operand, Value& result)
  {
    if (dollarDepth >= dollarDepthLimit) return expressionMalformed;
    YCompiledExpression compiled;
    const std::string text(operand.text());
    if (int error = compileExpression(text.data(), static_cast<int>(text.size()), compiled)) {
      return error;
    }
    ++dollarDepth;
    Evaluator inner(compiled.code, compiled.operands);
    const int error = inner.run(result);
    --dollarDepth;
    if (error == expressionOk && !result.hasOwned && !result.printedNumber) {
      result.own(std::string(result.text()));  // the view may be of a computed buffer
    }
    return error;
  }

  static int apply(char op, Value& left, Value& right, Value& result)
  {
    if (left.type == YVariable::typeObject && right.type == YVariable::typeObject) {
      setNumber(result, 0.0, true);
      return expressionOk;
    }
    const bool numeric = left.isNumeric() && right.isNumeric();
    const double a = left.number;
    const double b = right.number;
    switch (op) {
      case '+': {
        if (numeric) {
          setNumber(result, a + b, false);
          return expressionOk;
        }
        const std::string_view first = left.text();
        const std::string_view second = right.text();
        if (first.size() + second.size() >= static_cast<std::size_t>(expressionTextLimit)) {
          return expressionLength;
        }
        std::string joined;
        joined.reserve(first.size() + second.size());
        joined.append(first).append(second);
        result = Value{};
        result.type = YVariable::typeText;
        result.own(std::move(joined));
        return expressionOk;
      }
      case '-':
      case '*':
        if (!numeric) return expressionNotNumeric;
        setNumber(result, op == '-' ? a - b : a * b, false);
        return expressionOk;
      case '/':
        if (!numeric) return expressionNotNumeric;
        if (b * b < 0.00000001) return expressionNearZero;
        setNumber(result, a / b, false);
        return expressionOk;
      case '\\':
      case '%': {
        if (!numeric) return expressionNotNumeric;
        const std::int64_t dividend = truncatedToInteger(a);
        const std::int64_t divisor = truncatedToInteger(b);
        if (divisor == 0) return expressionDivisionByZero;
        const std::int64_t answer = op == '\\' ? dividend / divisor : dividend % divisor;
        setNumber(result, static_cast<double>(answer), true);
        return expressionOk;
      }
      case '^':
        if (!numeric) return expressionNotNumeric;
        if (a < 0 && b != std::trunc(b)) return expressionNearZero;
        setNumber(result, std::pow(a, b), false);
        return expressionOk;
      case '<':
      case '>': {
        bool holds;
        if (numeric) {
          holds = op == '<' ? a < b : a > b;
        } else {
          const int order = compareTexts(left.text(), right.text());
          holds = op == '<' ? order < 0 : order > 0;
        }
        setNumber(result, holds ? 1.0 : 0.0, true);
        return expressionOk;
      }
      case '=':
      case '#': {
        const bool equal = numeric ? a == b : left.text() == right.text();
        setNumber(result, (equal == (op == '=')) ? 1.0 : 0.0, true);
        return expressionOk;
      }
      case '@': {
        const std::string_view needle = left.text();
        const std::string_view haystack = right.text();
        std::size_t position = 1;
        if (!needle.empty()) {
          const std::size_t found = haystack.find(needle);
          position = found == std::string_view::npos ? 0 : found + 1;
        }
        setNumber(result, static_cast<double>(position), true);
        return expressionOk;
      }
      default:
        return expressionMalformed;
    }
  }

  const std::string& code_;
  const std::vector<std::uint16_t>& operands_;
  std::size_t cursor_ = 0;
  int nextOperand_;
};

}  // namespace

int compileExpression(const char* text, int length, YCompiledExpression& compiled)
{
  compiled.code.clear();
  compiled.operands.clear();
  if (!text) return expressionLength;
  ExpressionCompiler compiler(compiled);
  return compiler.compile(text, length);
}

std::size_t formatExpressionNumber(double number, char* buffer, std::size_t size)
{
  int length;
  if (number == std::trunc(number) && number >= -2000000000.0 && number <= 2000000000.0) {
    length = std::snprintf(buffer, size, "%ld", static_cast<long>(number));
  } else {
    length = std::snprintf(buffer, size, "%.15g", number);
  }
  return length < 0 ? 0 : static_cast<std::size_t>(length);
}

bool evaluateExpressionNumber(YVariable& variable, double& number)
{
  // Nothing that evaluation does changes an expression's own code or operands (a "$" inside
  // only adds variables), so its program stays true to them.
  if (variable.kind != YVariable::expression) return false;
  if (!variable.numericProgram) {
    variable.numericProgram = YNumericProgram::make(variable.text, variable.parts);
  }
  return variable.numericProgram && variable.numericProgram->run(number);
}

int evaluateExpressionResult(YVariable& variable, bool& numeric, double& number, std::string& text,
                             OMScriptableObject** object)
{
  numeric = false;
  if (object) *object = nullptr;
  if (variable.kind != YVariable::expression) {
    int length = 0;
    const char* value = variable.getText(&length);
    text.assign(value, static_cast<std::size_t>(length));
    return expressionOk;
  }
  if (evaluateExpressionNumber(variable, number)) {
    numeric = true;
    return expressionOk;
  }
  Evaluator evaluator(variable.text, variable.parts);
  Value result;
  if (int error = evaluator.run(result)) return error;
  if (object && result.type == YVariable::typeObject) *object = result.object;
  if (result.printedNumber) {
    numeric = true;
    number = result.number;
    return expressionOk;
  }
  text.assign(result.text());
  return expressionOk;
}

int evaluateExpression(YVariable& variable, std::string& text)
{
  bool numeric = false;
  double number = 0.0;
  if (int error = evaluateExpressionResult(variable, numeric, number, text)) return error;
  if (numeric) {
    char buffer[64];
    text.assign(buffer, formatExpressionNumber(number, buffer, sizeof buffer));
  }
  return expressionOk;
}
