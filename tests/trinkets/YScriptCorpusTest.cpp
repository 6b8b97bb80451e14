// A corpus of generated scripts (arithmetic, texts, loops, procedures, every kind of
// variable) run on the interpreter and held against goldens written from a reviewed run: a
// faster interpreter must say the same lines and leave every variable with the same text.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>

#include "ScriptHarness.h"

using scripttest::alerts;
using scripttest::ScriptTest;

namespace {

constexpr int corpusSize = 160;
// Scripts whose whole output the golden file also holds, so that a difference can be read.
constexpr int spelledOut = 3;

const char* const numbers[] = {"a", "b", "c", "n", "m"};
const char* const texts[] = {"t", "u"};
const char* const operators = "+-*/\\%^<>=#@";

// Writes one script from a seed. Only the generator's raw output is used (not the library's
// distributions), so every standard library makes the same corpus.
class ScriptGenerator {
 public:
  explicit ScriptGenerator(std::uint32_t seed) : random_(seed) {}

  std::string script()
  {
    out_ = "yield off\r";
    for (const char* name : numbers)
      out_ += std::string(name) + "=" + std::to_string(pick(19) - 6) + "\r";
    out_ += "t='abc'\ru=\"de\"\ritem.1=one\ritem.2=2\ritem.3=3.5\rk=2\re='a*2+1'\r";
    const int count = 6 + pick(10);
    for (int i = 0; i < count; ++i)
      statement(0, false);
    for (const char* name : numbers)
      out_ += std::string("say ") + name + "\r";
    out_ += "procedure twice x y\r[\r  n=x*2\r  say twice x y n\r]\r";
    out_ += "procedure join x\r[\r  u=u+x\r  say join u|2|3\r]\r";
    return out_;
  }

  // The variables whose texts the golden keeps.
  static std::vector<std::string> watched()
  {
    std::vector<std::string> names(std::begin(numbers), std::end(numbers));
    names.insert(names.end(), std::begin(texts), std::end(texts));
    for (const char* name : {"item.1", "item.2", "item.3", "k", "i", "j", "x", "y", "e"})
      names.emplace_back(name);
    return names;
  }

 private:
  int pick(int range) { return static_cast<int>(random_() % static_cast<std::uint32_t>(range)); }
  const char* numberName() { return numbers[pick(5)]; }

  std::string operand()
  {
    switch (pick(12)) {
      case 0:
        return std::to_string(pick(40) - 10);
      case 1: {
        // Draws in sequence, last part first, so every compiler makes the same corpus.
        const int fraction = pick(10);
        return std::to_string(pick(9)) + "." + std::to_string(fraction);
      }
      case 2:
        return texts[pick(2)];
      case 3:
        return pick(2) ? "'xy'" : "'3'";
      case 4:
        return "item.k";
      case 5:
        return "~" + std::string(pick(2) ? texts[pick(2)] : numberName());
      case 6:
        return "$e";
      default:
        return numberName();
    }
  }

  std::string expression(int depth)
  {
    std::string left = depth > 0 && pick(3) == 0 ? "(" + expression(depth - 1) + ")" : operand();
    const char op = operators[pick(12)];
    std::string right = depth > 0 && pick(3) == 0 ? "(" + expression(depth - 1) + ")" : operand();
    return left + op + right;
  }

  void line(int indent, const std::string& text)
  {
    out_ += std::string(2 * indent, ' ') + text + "\r";
  }

  void block(int indent, bool inLoop)
  {
    line(indent, "[");
    const int count = 1 + pick(3);
    for (int i = 0; i < count; ++i)
      statement(indent + 1, inLoop);
    line(indent, "]");
  }

  void statement(int indent, bool inLoop)
  {
    const int nested = indent < 2 ? 11 : 8;
    switch (pick(nested)) {
      case 0:
      case 1: {
        const std::string value = expression(pick(3));
        line(indent, std::string(numberName()) + "=" + value);
        break;
      }
      case 2: {
        const std::string value = expression(pick(2));
        line(indent, std::string(texts[pick(2)]) + "=" + value);
        break;
      }
      case 3: {
        const std::string value = operand();
        line(indent, std::string(numberName()) + "=" + value);
        break;
      }
      case 4: {
        const int last = pick(3);
        const int width = pick(4);
        const std::string said = expression(pick(2));
        line(indent, "say " + operand() + " " + said + " t|" + std::to_string(width) + "|" +
                         std::to_string(last));
        break;
      }
      case 5:
        line(indent, "k=" + std::to_string(1 + pick(3)));
        break;
      case 6:
        if (pick(2)) {
          const std::string second = operand();
          line(indent, "call twice " + operand() + " " + second);
        } else {
          line(indent, "call join " + operand());
        }
        break;
      case 7:
        if (inLoop && pick(2)) {
          line(indent, "if " + expression(0));
          line(indent + 1, pick(2) ? "break" : "continue");
        } else {
          line(indent, "item.k=" + expression(0));
        }
        break;
      case 8:
        line(indent, "if " + expression(pick(2)));
        block(indent, inLoop);
        if (pick(2)) {
          line(indent, "else");
          block(indent, inLoop);
        }
        break;
      default: {
        const char* counter = indent == 0 ? "i" : "j";
        const int from = pick(7) - 2;
        const int to = from + pick(6);
        line(indent,
             std::string("for ") + counter + " " + std::to_string(from) + " " + std::to_string(to));
        block(indent, true);
        break;
      }
    }
  }

  std::mt19937 random_;
  std::string out_;
};

std::uint64_t fnv1a(const std::string& text)
{
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text)
    hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

class ScriptCorpusTest : public ScriptTest {
 protected:
  // Everything a script shows: its said lines, its alerts, and the watched variables' texts.
  std::string outcome(const std::string& script)
  {
    alerts.clear();
    std::remove("debug.txt");
    run(script);
    std::string all;
    for (const std::string& said : debugLines())
      all += "say " + said + "\n";
    for (const std::string& alert : alerts)
      all += "alert " + alert + "\n";
    for (const std::string& name : ScriptGenerator::watched())
      all += name + "=" + text(name.c_str()) + "\n";
    dropThreads();
    scriptVariables.clear();
    clearEventRecords();
    return all;
  }
};

std::string readGolden()
{
  std::ifstream file(OM_SCRIPT_CORPUS_GOLDEN, std::ios::binary);
  std::stringstream all;
  all << file.rdbuf();
  return all.str();
}

TEST_F(ScriptCorpusTest, GeneratedScriptsSayAndLeaveWhatTheReferenceRunDid)
{
  std::string actual;
  for (int seed = 1; seed <= corpusSize; ++seed) {
    const std::string result = outcome(ScriptGenerator(static_cast<std::uint32_t>(seed)).script());
    char hash[32];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(result)));
    actual += "script " + std::to_string(seed) + " " + hash + "\n";
    if (seed <= spelledOut) actual += result;
  }
  const std::string golden = readGolden();
  if (actual == golden) return;
  if (golden.empty()) ADD_FAILURE() << "no golden at " << OM_SCRIPT_CORPUS_GOLDEN;
  // Name the first script that differs, with its text, before the whole run as goldens.
  std::istringstream want(golden), got(actual);
  for (std::string expected, seen; std::getline(want, expected) && std::getline(got, seen);) {
    if (expected == seen) continue;
    ADD_FAILURE() << "first difference: " << seen << " (golden: " << expected << ")";
    break;
  }
  FAIL() << "the run, as goldens:\n" << actual;
}

// The corpus is worth its time only if it reaches the parts of the language it names.
TEST_F(ScriptCorpusTest, CorpusCoversLoopsProceduresTextsAndErrors)
{
  std::string all;
  for (int seed = 1; seed <= corpusSize; ++seed)
    all += ScriptGenerator(static_cast<std::uint32_t>(seed)).script();
  for (const char* needed : {"for i", "for j", "break", "continue", "else", "call twice",
                             "call join", "$e", "item.k", "~", "@", "^", "\\", "%"}) {
    EXPECT_NE(all.find(needed), std::string::npos) << needed;
  }
}

}  // namespace

namespace {

// An expression keeps its operands' variables once found; what they hold is read at each
// run. The same site sees its operand unset, holding an object, dropped, then a number.
TEST_F(ScriptCorpusTest, ExpressionSitesFollowOperandsWhoseObjectsComeAndGo)
{
  run("for i 1 7\r[\r"
      "  if i=2\r    p=TProbe\r"
      "  if i=4\r    drop p\r"
      "  if i=5\r    p=i*10\r"
      "  if i=7\r    p=TProbe\r"
      "  n=p+1\r"
      "  m=i*2+1\r"
      "  say i n m\r]\r");
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"1 p1 3", "2 n 5", "3 n 7", "4 p1 9", "5 51 11",
                                                    "6 51 13", "7 n 15"}));
  EXPECT_EQ(scripttest::probesAlive, 1);
}

// Clearing the table deletes every expression with what it had found; the same texts made
// again find the new variables, at other places in the table.
TEST_F(ScriptCorpusTest, ExpressionsFindTheirOperandsAgainAfterTheTableIsCleared)
{
  run("a=5\rb=a*3+a\r");
  EXPECT_EQ(text("b"), "20");
  dropThreads();
  scriptVariables.clear();
  run("x=1\ry=2\ra=7\rb=a*3+a\r");
  EXPECT_EQ(text("b"), "28");
}

// Integers stored by loops and arithmetic print their text only when read; every reader
// sees the same text: "say", copies, text operators, substrings, the compiled image, and the
// walk of procedure labels.
TEST_F(ScriptCorpusTest, IntegerTextsReadTheSameByEveryReader)
{
  run("for i 1 3\r[\r  s=0-i*100\r  w=i*7\r]\r"
      "t=s\ru=s+'x'\rv=s|2|2\rlabel=5\r"
      "say i s t u v\r"
      "procedure label\r[\r]\r");
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"4 -300 -300 -300x 30"}));
  std::vector<unsigned char> image;
  scriptVariables.appendImage(image, false);
  const std::string bytes(image.begin(), image.end());
  EXPECT_NE(bytes.find(std::string("\x02\0\0\0"
                                   "21",
                                   6)),
            std::string::npos);
  for (const char* name = scriptVariables.firstProcedureName(); name;
       name = scriptVariables.nextProcedureName()) {
    EXPECT_STRNE(name, "label");
  }
}

}  // namespace
