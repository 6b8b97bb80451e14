#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "framework/OMEdition.h"
#include "tools/SmackerWriter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

// Every class's factory called with numbers at and past the ends of what 32 bits hold: the
// objects are made and drawn, and a trinket's rectangle stays within the range the stage's
// regions can be built around. Run under the sanitizers, a factory that overflows ends the run.
namespace factoryextremes {

// One way of calling a class's factory: the words after the class name, each "#" standing for
// the extreme number, and whether an object comes back.
struct Form {
  std::string className;
  std::string arguments;
  bool makes = true;
};

// The content ids the program's test content holds.
struct Ids {
  int animation;
  int sound;
  int font;
  std::string movie;  // a file name as the program's movies give it
};

// For its lifetime the plain animation's factory places animations where it is told rather
// than where their resources say, so that its numbers are used.
class GivenAnimationPlaces {
 public:
  GivenAnimationPlaces() { OMAnimation::useEmbeddedAnimationCoordinates = 0; }
  ~GivenAnimationPlaces() { OMAnimation::useEmbeddedAnimationCoordinates = saved_; }
  GivenAnimationPlaces(const GivenAnimationPlaces&) = delete;
  GivenAnimationPlaces& operator=(const GivenAnimationPlaces&) = delete;

 private:
  int saved_ = OMAnimation::useEmbeddedAnimationCoordinates;
};

inline const std::vector<std::string>& extremes()
{
  static const std::vector<std::string> numbers = {"2147483647", "-2147483648", "99999999999",
                                                   "-99999999999"};
  return numbers;
}

// The factories of the engine's own classes, as both programs have them.
inline std::vector<Form> engineForms(const Ids& ids)
{
  const std::string a = std::to_string(ids.animation), s = std::to_string(ids.sound),
                    f = std::to_string(ids.font);
  std::vector<Form> forms = {
      {"RCompositeAction", "#"},
      {"RQueue", "# #"},
      {"OMAnimation", "# # " + a},
      {"RTimer", "#"},
      {"OMTrinketDialog", "# # # # 0"},
      {"RText", "\"far\" # # " + f},
      {"RText", "\"far\" # # # # " + f},
      {"RAnimation", "# # " + a},
      {"RGraphicAnswer", "# # # " + a + " \"far\" #"},
      {"RSmackerMovie", "\"" + ids.movie + "\" # # -1 0"},
      {"REvent", ""},
      {"RXMLDatFile", "\"far\" 0"},
      {"RPentominoGame", "# # #"},
      {"RSelList", "# # # #"},
      {"RGraphicTextAnswer", "# # # " + a + " \"far\" \"far\" #"},
      {"RPuzzle", ""},
      {"RTBitmap", "# # # # 1", false},  // the programs hold no bitmap
      {"REditTxt", "# # # # # # \"far\""},
      {"RHotSpot", "# # # # #"},
      {"OMMultiTrinket", ""},
      {"RPButton", "# # " + a},
      {"RSound", s},
      {"RCharacter", a + " # # #"},
      {"RAttributeContainer", a + " # \"far\""},
      {"RAttributeContainer", a + " # # # \"far\""},
      {"RAttributeContainer", "# # # # # \"far\""},
  };
  if (!OMEdition::isAssessment()) forms.push_back({"RRandomAction", "# #"});
  return forms;
}

inline std::string replaced(std::string words, const std::string& number)
{
  for (std::size_t at = words.find('#'); at != std::string::npos; at = words.find('#', at))
    words.replace(at, 1, number);
  return words;
}

// One line of the script: a form with one extreme, made into a variable of its own.
struct Line {
  std::string variable;
  std::string call;
  bool makes;
};

inline std::vector<Line> lines(const std::vector<Form>& forms)
{
  std::vector<Line> out;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    const bool numbered = forms[i].arguments.find('#') != std::string::npos;
    for (std::size_t e = 0; e < (numbered ? extremes().size() : 1); ++e)
      out.push_back({"made" + std::to_string(i) + "x" + std::to_string(e),
                     forms[i].className + " " + replaced(forms[i].arguments, extremes()[e]),
                     forms[i].makes});
  }
  return out;
}

inline std::string script(const std::vector<Form>& forms)
{
  std::string text;
  for (const Line& line : lines(forms))
    text += line.variable + "=" + line.call + "\r";
  return text;
}

// The classes of the current edition's registry that no form calls.
inline std::vector<std::string> classesWithoutForm(const std::vector<Form>& forms)
{
  std::vector<std::string> missing;
  for (const char* name : trinketClassNames())
    if (std::none_of(forms.begin(), forms.end(),
                     [&](const Form& form) { return form.className == name; }))
      missing.emplace_back(name);
  return missing;
}

// After the script has run and the stage has drawn: what each line made.
inline void expectMadeInRange(const std::vector<Form>& forms)
{
  // The range and a picture's size beyond it: the stage's regions around every trinket, from
  // one end to the other, still have sizes that 32 bits hold.
  constexpr std::int64_t reach = (std::int64_t(1) << 29) + (std::int64_t(1) << 16);
  for (const Line& line : lines(forms)) {
    SCOPED_TRACE(line.call);
    OMScriptableObject* made = scriptVariables.getObjectByName(line.variable.c_str(), false);
    EXPECT_EQ(made != nullptr, line.makes);
    const auto* trinket = dynamic_cast<const OMTrinket*>(made);
    if (!trinket) continue;
    const OMRect rect = trinket->rect();
    for (std::int64_t edge : {rect.left(), rect.top(), rect.right(), rect.bottom()})
      EXPECT_LE(std::llabs(edge), reach)
          << rect.left() << " " << rect.top() << " " << rect.right() << " " << rect.bottom();
  }
}

// A movie of one small frame, for the movie's factory to open.
inline void writeMovie(const std::string& path)
{
  SmackerWriter::Movie movie;
  movie.width = 16;
  movie.height = 8;
  movie.frameTime = 10000;
  SmackerWriter::Frame frame;
  frame.indices.assign(std::size_t(movie.width) * movie.height, 5);
  movie.frames.push_back(frame);
  SmackerWriter::Bytes bytes;
  ASSERT_TRUE(SmackerWriter().write(movie, bytes));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace factoryextremes
