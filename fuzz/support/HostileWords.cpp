#include "fuzz/support/HostileWords.h"

#include <algorithm>

namespace {

// Numbers at and past the edges of the ranges that content uses. A leading minus makes an
// expression (0 minus the rest); quoted, the same digits reach the callee as they stand.
const std::vector<std::string> hostileNumbers = {"0",
                                                 "1",
                                                 "-1",
                                                 "\"-1\"",
                                                 "2",
                                                 "-2147483648",
                                                 "\"-2147483648\"",
                                                 "2147483647",
                                                 "2147483648",
                                                 "4294967296",
                                                 "100000000000000000000",
                                                 "\"99999999999999999999\"",
                                                 "\"1e20\"",
                                                 "0.5",
                                                 "\"-0.5\"",
                                                 "32767",
                                                 "32768",
                                                 "-32768",
                                                 "65535",
                                                 "65536",
                                                 "255",
                                                 "256",
                                                 "11111",
                                                 "640",
                                                 "480",
                                                 "3",
                                                 "10",
                                                 "100",
                                                 "\"\"",
                                                 "\" 7\""};

// Texts that are no number; none names a folder or a drive, so that nothing a run writes or
// deletes lies outside its working folder.
const std::vector<std::string> hostileTexts = {
    "\"\"",         "\"a b\"",    "\"%s%s%n%d\"", "\"x\"",       "\"}\"",    "'q'",
    "\"+1\"",       "\"+99999\"", "\"+-5\"",      "\"\xA5x\"",   "\"\xA5\"", "\"nothere.mps\"",
    "\"x.xml\"",    "\"f.txt\"",  "\"m.smk\"",    "\"DATA\"",    "\"name\"", "\"default\"",
    "\"trinkets\"", "\"0.5\"",    "\"a\"\"b\"",   "\"\xFF\xFE\""};

}  // namespace

HostileWords::HostileWords(FuzzBytes& bytes, const ScriptSurface& surface,
                           const std::vector<std::string>& contentWords)
    : bytes_(bytes), surface_(surface), contentWords_(contentWords)
{
}

std::string HostileWords::textVariable()
{
  return "t" + std::to_string(bytes_.below(textCount));
}

std::string HostileWords::procedureLabel()
{
  return "p" + std::to_string(bytes_.below(static_cast<std::size_t>(std::max(procedures_, 1))));
}

std::string HostileWords::argument()
{
  switch (bytes_.below(12)) {
    case 0:
    case 1:
    case 2:
      return number();
    case 3:
      return text();
    case 4:
      if (!contentWords_.empty()) return bytes_.pick(contentWords_);
      return number();
    case 5:
      // An object, its variable's name, or the name of one that may have been dropped.
      return bytes_.chance(4) ? "o" + std::to_string(bytes_.below(objectCount))
                              : "\"o" + std::to_string(bytes_.below(objectCount)) + "\"";
    case 6: {
      static const char* const presets[] = {hugeText, markerText, markedText, "RECEIVER", "RESULT"};
      return presets[bytes_.below(5)];
    }
    case 7:
      return textVariable();
    case 8:
      return name();
    case 9:
      return procedureLabel();
    default:
      return count();
  }
}

std::string HostileWords::arguments(std::size_t most)
{
  std::string out;
  const std::size_t count = bytes_.below(most + 1);
  for (std::size_t i = 0; i < count; ++i)
    out += " " + argument();
  return out;
}

std::string HostileWords::creationArguments(const ScriptSurface::ClassSurface& made,
                                            const std::array<int, 2>* point, int hostile,
                                            std::size_t extra)
{
  std::string out;
  std::size_t from = 0;
  if (point && (made.placed || made.arguments.empty())) {
    out = " " + std::to_string((*point)[0]) + " " + std::to_string((*point)[1]);
    from = made.placed ? 2 : 0;
  }
  for (std::size_t i = from; i < made.arguments.size(); ++i) {
    if (hostile > 0 && bytes_.chance(hostile))
      out += " " + (bytes_.chance(4) ? number() : argument());
    else
      out += " " + made.arguments[i];
  }
  return out + arguments(extra);
}

std::string HostileWords::number()
{
  return bytes_.pick(hostileNumbers);
}

std::string HostileWords::text()
{
  return bytes_.pick(hostileTexts);
}

// A name that scripts pass around: of a class, an action class, a global function or a
// member.
std::string HostileWords::name()
{
  const auto& classes = surface_.classes();
  switch (bytes_.below(4)) {
    case 0:
      if (!classes.empty()) return classes[bytes_.below(classes.size())].name;
      break;
    case 1:
      if (!surface_.actionClasses().empty()) return bytes_.pick(surface_.actionClasses());
      break;
    case 2:
      if (!surface_.functions().empty()) return bytes_.pick(surface_.functions());
      break;
    default:
      if (!classes.empty()) {
        const auto& chosen = classes[bytes_.below(classes.size())];
        const auto& members = chosen.members(static_cast<int>(bytes_.below(3)));
        if (!members.empty()) return bytes_.pick(members);
      }
      break;
  }
  return "\"x\"";
}

std::string HostileWords::count()
{
  static const std::vector<std::string> counts = {"0", "1", "2", "3", "5", "10", "-1", "-3"};
  return bytes_.chance(6) ? bytes_.pick(counts) : number();
}

// A count inside an expression: a leading minus would follow an operator, which does not
// compile, so such a number is put in parentheses.
std::string HostileWords::operand()
{
  const std::string word = count();
  return word[0] == '-' ? "(" + word + ")" : word;
}
