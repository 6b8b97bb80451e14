#include <gtest/gtest.h>

#include <cstring>

#include "ScriptHarness.h"
#include "trinkets/src/rthread/YExpression.h"

using scripttest::ScriptTest;
using scripttest::TProbe;

namespace {

class VariableTest : public ScriptTest {
 protected:
  void SetUp() override
  {
    ScriptTest::SetUp();
    scriptVariables.init();
  }

  static YVariable* named(const char* name)
  {
    return scriptVariables.at(scriptVariables.add(name, -1));
  }

  // The value of an expression operand word, as the interpreter reads it.
  static std::string evaluate(const char* expression)
  {
    const int index = scriptVariables.findOrAddKind(expression, -1, YVariable::expression);
    YVariable* variable = scriptVariables.at(index);
    return variable ? variable->getText() : "<refused>";
  }
};

TEST_F(VariableTest, ReservedVariablesComeFirst)
{
  EXPECT_EQ(scriptVariables.find("SYSTEM", -1), 0);
  EXPECT_EQ(scriptVariables.find("RECEIVER", -1), 1);
  EXPECT_EQ(scriptVariables.find("RESULT", -1), 2);
  EXPECT_STREQ(scriptVariables.at(0)->getText(), "WIN");
  EXPECT_EQ(scriptVariables.at(1)->sharing, -1);
  setScriptResultInt(42);
  EXPECT_STREQ(scriptVariables.at(2)->getText(), "42");
  setScriptResultDouble(2.5);
  EXPECT_EQ(scriptVariables.at(2)->type, YVariable::typeDouble);
  setScriptResultText("done");
  EXPECT_STREQ(scriptVariables.at(2)->getText(), "done");
}

TEST_F(VariableTest, TextsAreTypedByTheirFirstCharacter)
{
  YVariable* x = named("x");
  x->setText("12");
  EXPECT_EQ(x->type, YVariable::typeInteger);
  EXPECT_EQ(x->getInteger(), 12);
  x->setText("12.5");
  EXPECT_EQ(x->type, YVariable::typeDouble);
  EXPECT_DOUBLE_EQ(x->getDouble(), 12.5);
  x->setText("12345678901");
  EXPECT_EQ(x->type, YVariable::typeDouble);
  x->setText("007");
  EXPECT_EQ(x->type, YVariable::typeInteger);
  EXPECT_EQ(x->getInteger(), 7);
  EXPECT_STREQ(x->getText(), "007");
  x->setText("12abc");
  EXPECT_EQ(x->getInteger(), 12);
  EXPECT_STREQ(x->getText(), "12abc");
  x->setText("-");
  EXPECT_EQ(x->type, YVariable::typeInteger);
  EXPECT_EQ(x->getInteger(), 0);
  x->setText("+abc");
  EXPECT_EQ(x->getInteger(), 0);
  x->setText("abc");
  EXPECT_EQ(x->type, YVariable::typeText);
  EXPECT_EQ(x->getInteger(), 0);
  x->setDouble(3.0);
  EXPECT_EQ(x->type, YVariable::typeInteger);
  EXPECT_STREQ(x->getText(), "3");
}

TEST_F(VariableTest, ReferenceVariablesPassOperationsOnAndCyclesEnd)
{
  YVariable* target = named("target");
  YVariable* reference = named("reference");
  reference->sharing = -1;
  reference->first = target->index;
  reference->setText("5");
  EXPECT_STREQ(target->getText(), "5");
  EXPECT_STREQ(reference->getText(), "5");
  // A clearing call clears the target and drops the reference.
  reference->reset(true);
  EXPECT_EQ(target->type, YVariable::typeEmpty);
  EXPECT_EQ(reference->first, 0);
  // References in a ring (as a damaged image may hold) do not recurse for ever.
  YVariable* ring[3] = {named("r1"), named("r2"), named("r3")};
  for (int i = 0; i < 3; ++i) {
    ring[i]->sharing = -1;
    ring[i]->first = ring[(i + 1) % 3]->index;
  }
  ring[0]->setText("x");
  EXPECT_NE(ring[0]->getText(), nullptr);
  EXPECT_EQ(ring[1]->getInteger(), 0);
}

TEST_F(VariableTest, IntegerConversionRoundsHalfDown)
{
  EXPECT_EQ(YVariable::roundToInteger(2.5), 2);
  EXPECT_EQ(YVariable::roundToInteger(-2.5), -3);
  EXPECT_EQ(YVariable::roundToInteger(2.6), 3);
  EXPECT_EQ(YVariable::roundToInteger(-2.4), -2);
}

TEST_F(VariableTest, AddGivesANewVariableItsInitialText)
{
  const int fresh = scriptVariables.add("fresh", -1, "12");
  EXPECT_EQ(scriptVariables.at(fresh)->getInteger(), 12);
  // An existing variable is found and keeps its value.
  EXPECT_EQ(scriptVariables.add("fresh", 5, "99"), fresh);
  EXPECT_STREQ(scriptVariables.at(fresh)->getText(), "12");
  // The length counts: only the first five characters name the variable.
  EXPECT_EQ(scriptVariables.add("freshly", 5), fresh);
}

TEST_F(VariableTest, UnassignedVariableReadsAsItsName)
{
  EXPECT_STREQ(named("nothing")->getText(), "nothing");
  named("nothing")->setText("x");
  named("nothing")->reset(true);
  EXPECT_STREQ(named("nothing")->getText(), "nothing");
}

TEST_F(VariableTest, NamesAreClassified)
{
  EXPECT_EQ(named("plain")->kind, YVariable::plainVariable);
  EXPECT_EQ(named("12")->kind, YVariable::literal);
  EXPECT_EQ(named("'it'")->kind, YVariable::literal);
  EXPECT_STREQ(named("\"a b\"")->getText(), "a b");
  EXPECT_EQ(named("item.3")->kind, YVariable::plainVariable);
  EXPECT_EQ(named("item.i")->kind, YVariable::dottedName);
  EXPECT_EQ(named("s|2|3")->kind, YVariable::substringForm);
  const char* digit = named("?")->getText();
  EXPECT_TRUE(digit[0] >= '0' && digit[0] <= '9' && digit[1] == '\0');
  // Only plain variables take values.
  named("12")->setText("99");
  EXPECT_STREQ(named("12")->getText(), "12");
}

TEST_F(VariableTest, SubstringForms)
{
  named("abc")->setText("abcdef");
  EXPECT_STREQ(named("abc|2|3")->getText(), "bcd");
  EXPECT_STREQ(named("abc||2")->getText(), "ef");
  EXPECT_STREQ(named("abc|9")->getText(), "");
  EXPECT_STREQ(named("abc|2")->getText(), "bcdef");
  EXPECT_STREQ(named("abc|0|2")->getText(), "ab");
  EXPECT_STREQ(named("abc|5|99")->getText(), "ef");
  EXPECT_STREQ(named("abc||99")->getText(), "abcdef");
}

TEST_F(VariableTest, DottedNamesDenoteTheVariableTheyName)
{
  named("item.3")->setText("three");
  named("i")->setText("3");
  YVariable* dotted = named("item.i");
  EXPECT_STREQ(dotted->getText(), "three");
  EXPECT_EQ(dotted->resolved(), named("item.3"));
  named("i")->setText("4");
  EXPECT_STREQ(dotted->getText(), "item.4");
  EXPECT_EQ(scriptVariables.resolve("item.i"), scriptVariables.find("item.4", -1));
  EXPECT_EQ(named("item.4")->marked, 1u);
}

TEST_F(VariableTest, InstancesAreCountedForTheirBase)
{
  const int one = scriptVariables.add("x.1", -1);
  scriptVariables.add("x.2", -1);
  YVariable* base = named("x");
  EXPECT_EQ(base->first, one);
  EXPECT_EQ(base->instances, 2);
  const int third = scriptVariables.makeInstanceName(base->index);
  EXPECT_EQ(scriptVariables.at(third)->name, "x.3");
  EXPECT_EQ(base->instances, 3);
  const std::string bound = scriptVariables.bindInstance("y", nullptr);
  EXPECT_EQ(bound, "y.1");
  EXPECT_EQ(named("y")->first, scriptVariables.find("y.1", -1));
}

TEST_F(VariableTest, ObjectsAreDeletedOnceByTheirOwner)
{
  auto* object = new TProbe;
  const int owner = scriptVariables.bindObject("owner", object);
  YVariable* sharer = named("sharer");
  sharer->setObject(object);
  sharer->sharing = 1;
  EXPECT_STREQ(sharer->getText(), "\xA5");
  EXPECT_EQ(scriptVariables.getObjectByName("sharer", false), object);
  const char* name = scriptVariables.nameOfObject(object, nullptr);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "owner");
  // Clearing a variable that only shares it does not delete it.
  const int alive = scripttest::probesAlive;
  sharer->reset(true);
  EXPECT_EQ(scripttest::probesAlive, alive);
  sharer->setObject(object);
  sharer->sharing = 1;
  EXPECT_TRUE(scriptVariables.forgetObject(object, true));
  EXPECT_EQ(scripttest::probesAlive, alive - 1);
  EXPECT_EQ(scriptVariables.at(owner)->type, YVariable::typeEmpty);
  EXPECT_EQ(sharer->type, YVariable::typeEmpty);
}

TEST_F(VariableTest, GetObjectWithReleaseHandsOverOwnership)
{
  auto* object = new TProbe;
  scriptVariables.bindObject("p", object);
  EXPECT_EQ(scriptVariables.getObjectByName("p", true), object);
  named("p")->reset(true);
  delete object;  // the caller owns it now; a double delete would show in the sanitizer run
}

TEST_F(VariableTest, ExpressionPrecedenceAndGrouping)
{
  EXPECT_EQ(evaluate("2*3+4"), "10");
  EXPECT_EQ(evaluate("2+3*4"), "14");
  EXPECT_EQ(evaluate("10-3-2"), "5");
  EXPECT_EQ(evaluate("2*(3+4)"), "14");
  EXPECT_EQ(evaluate("-5"), "-5");
  named("a")->setText("1");
  named("b")->setText("2");
  named("c")->setText("5");
  EXPECT_EQ(evaluate("a<b+c"), "6");  // compares first, then adds
  EXPECT_EQ(evaluate("7\\2"), "3");
  EXPECT_EQ(evaluate("7%2"), "1");
  EXPECT_EQ(evaluate("-7\\2"), "-3");
  EXPECT_EQ(evaluate("7/2"), "3.5");
  EXPECT_EQ(evaluate("2^10"), "1024");
  EXPECT_EQ(evaluate("a+"), "1");  // an operator that ends the text is ignored
}

TEST_F(VariableTest, ExpressionsOnTexts)
{
  named("a")->setText("lo");
  named("b")->setText("hello");
  EXPECT_EQ(evaluate("a@b"), "4");
  EXPECT_EQ(evaluate("a+b"), "lohello");
  EXPECT_EQ(evaluate("b@a"), "0");
  EXPECT_EQ(evaluate("a<b"), "0");
  EXPECT_EQ(evaluate("b<a"), "1");
  EXPECT_EQ(evaluate("a=a"), "1");
  EXPECT_EQ(evaluate("a#b"), "1");
  // Operands are read as their texts would be assigned: a quoted number is a number.
  EXPECT_EQ(evaluate("'3'+1"), "4");
  EXPECT_EQ(evaluate("'x'+1"), "x1");
  EXPECT_EQ(evaluate("~b"), "5");  // the length of a text
  named("a")->setText("xyz");
  EXPECT_EQ(evaluate("a@b"), "0");
  EXPECT_EQ(evaluate("''@b"), "1");
}

TEST_F(VariableTest, EvaluationErrorsReadAsTheSourceText)
{
  named("a")->setText("lo");
  EXPECT_EQ(evaluate("1/0"), "1/0");
  EXPECT_EQ(evaluate("1\\0"), "1\\0");
  EXPECT_EQ(evaluate("a-1"), "a-1");
  EXPECT_EQ(evaluate("(0-8)^0.5"), "(0-8)^0.5");
  named("long")->setText(std::string(600, 'x').c_str());
  EXPECT_EQ(evaluate("long+long"), "long+long");
}

TEST_F(VariableTest, DollarEvaluatesTextAndLeavesTheOuterExpressionIntact)
{
  named("v")->setText("2*3");
  EXPECT_EQ(evaluate("$v"), "6");
  EXPECT_EQ(evaluate("1+$v"), "7");
  EXPECT_EQ(evaluate("$v+1"), "7");
  EXPECT_EQ(evaluate("10-$v*2"), "-2");
  // A text that names itself stops at the depth limit instead of recursing for ever.
  named("self")->setText("$self");
  EXPECT_EQ(evaluate("$self"), "$self");
}

TEST_F(VariableTest, TildeIdentifiesObjects)
{
  auto* object = new TProbe;
  scriptVariables.bindObject("p", object);
  YVariable* q = named("q");
  q->setObject(object);
  q->sharing = 1;
  EXPECT_EQ(evaluate("~p"), evaluate("~q"));
  EXPECT_EQ(evaluate("~41"), "41");
  EXPECT_EQ(evaluate("p+q"), "0");  // both operands objects
}

TEST_F(VariableTest, ExpressionCompileErrors)
{
  YCompiledExpression compiled;
  EXPECT_EQ(compileExpression("(a", 2, compiled), expressionParentheses);
  EXPECT_EQ(compileExpression("a)", 2, compiled), expressionParentheses);
  EXPECT_EQ(compileExpression("'a", 2, compiled), expressionParentheses);
  EXPECT_EQ(compileExpression("a++b", 4, compiled), expressionMissingOperand);
  EXPECT_EQ(compileExpression("", 0, compiled), expressionLength);
  const std::string huge(1024, 'a');
  EXPECT_EQ(compileExpression(huge.c_str(), 1024, compiled), expressionLength);
  // More operators than the 127-character code buffer holds.
  std::string many = "a";
  for (int i = 0; i < 50; ++i)
    many += "+a";
  EXPECT_EQ(compileExpression(many.c_str(), static_cast<int>(many.size()), compiled),
            expressionLength);
  std::string fits = "a";
  for (int i = 0; i < 42; ++i)
    fits += "+a";
  EXPECT_EQ(compileExpression(fits.c_str(), static_cast<int>(fits.size()), compiled), expressionOk);
  EXPECT_EQ(compiled.code.size(), 127u);
  // Deep parentheses within the length limit compile without exhausting the stack.
  const std::string deep = std::string(500, '(') + "a" + std::string(500, ')');
  EXPECT_EQ(compileExpression(deep.c_str(), static_cast<int>(deep.size()), compiled), expressionOk);
  EXPECT_EQ(compiled.code, "t");
}

TEST_F(VariableTest, TableRefusesIndicesBeyondSixteenBits)
{
  int last = -1;
  for (int i = scriptVariables.count(); i < YVariableTable::indexLimit; ++i) {
    const std::string name = "v" + std::to_string(i);
    last = scriptVariables.add(name.c_str(), -1);
    ASSERT_GE(last, 0);
  }
  // Read as signed 16-bit words, indices up to 32,767 are still positive.
  EXPECT_EQ(last, 32767);
  EXPECT_EQ(scriptVariables.add("oneTooMany", -1), -1);
  EXPECT_EQ(scriptVariables.add("v100", -1), 100);  // existing names are still found
}

}  // namespace
