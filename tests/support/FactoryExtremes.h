#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/OMEdition.h"
#include "tools/SmackerWriter.h"
#include "trinkets/src/ActionContainer.h"
#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

// Every class's factory, and every action class's, called with numbers at and past the ends of
// what 32 bits hold: the objects are made and drawn (actions in a queue of their own, started),
// and every trinket on the stage stays within the range the stage's regions can be built
// around. Run under the sanitizers, a factory that overflows ends the run.
namespace factoryextremes {

// One way of calling a class's factory: the words after the class name, each "#" standing for
// the extreme number, and whether an object comes back; or an action class's, added to a queue.
struct Form {
  std::string className;
  std::string arguments;
  bool makes = true;
  bool action = false;
};

// What the action forms name: an animation and a character the script makes first.
inline std::string actors(int animation)
{
  const std::string a = std::to_string(animation);
  return "mover=RAnimation 10 10 " + a + "\rwho=RCharacter " + a + " 10 10 1\r";
}

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
  const std::vector<Form> actions = {
      {"DelayAction", "# #", true, true},
      {"RandomDelayAction", "# # #", true, true},
      {"EmptyAction", "#", true, true},
      {"VerbAction", "\"mover\" # place # #", true, true},
      {"PropertyAction", "\"mover\" x # #", true, true},
      {"AnimAction", a + " # # # # #", true, true},
      {"PlayAnimAction", "\"mover\" #", true, true},
      {"CharacterAnimAction", "\"who\" " + a + " # # #", true, true},
      {"CharacterSpeechAction", "\"who\" " + s + " # #", true, true},
      {"SoundAction", s + " # # #", true, true},
  };
  forms.insert(forms.end(), actions.begin(), actions.end());
  if (OMEdition::isAssessment()) return forms;
  const std::vector<Form> gameOnly = {
      {"RRandomAction", "# #"},
      {"CacheResourceAction", a + " ASEQ # #", true, true},
      {"UncacheResourceAction", a + " ASEQ #", true, true},
      {"CacheDLLAction", "\"far.rsc\" # # # # #", true, true},
      {"UncacheDLLAction", "\"far.rsc\" #", true, true},
      {"MovieAction", "\"" + ids.movie + "\" -1 0 0 #", true, true},
  };
  forms.insert(forms.end(), gameOnly.begin(), gameOnly.end());
  return forms;
}

inline std::string replaced(std::string words, const std::string& number)
{
  for (std::size_t at = words.find('#'); at != std::string::npos; at = words.find('#', at))
    words.replace(at, 1, number);
  return words;
}

// One line of the script: a form with one extreme, made into a variable of its own (an action
// into a queue held so).
struct Line {
  std::string variable;
  std::string call;
  bool makes;
  bool action;
};

inline std::vector<Line> lines(const std::vector<Form>& forms)
{
  std::vector<Line> out;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    const bool numbered = forms[i].arguments.find('#') != std::string::npos;
    for (std::size_t e = 0; e < (numbered ? extremes().size() : 1); ++e)
      out.push_back({"made" + std::to_string(i) + "x" + std::to_string(e),
                     forms[i].className + " " + replaced(forms[i].arguments, extremes()[e]),
                     forms[i].makes, forms[i].action});
  }
  return out;
}

inline std::string script(const std::vector<Form>& forms)
{
  std::string text;
  for (const Line& line : lines(forms)) {
    if (line.action) {
      text += line.variable + "=RQueue\rplay " + line.variable + " add " + line.call + "\rplay " +
              line.variable + " start\r";
    } else {
      text += line.variable + "=" + line.call + "\r";
    }
  }
  return text;
}

// The classes and action classes of the current edition's registries that no form calls.
inline std::vector<std::string> classesWithoutForm(const std::vector<Form>& forms)
{
  std::vector<std::string> missing;
  const auto note = [&](const char* name, bool action) {
    if (std::none_of(forms.begin(), forms.end(), [&](const Form& form) {
          return form.className == name && form.action == action;
        }))
      missing.emplace_back(name);
  };
  for (const char* name : trinketClassNames())
    note(name, false);
  forEachActionClass([&](const char* name) { note(name, true); });
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
    if (line.action) {
      const auto* queue = dynamic_cast<const ActionContainer*>(made);
      ASSERT_NE(queue, nullptr);
      EXPECT_EQ(queue->childCount(), 1);
    }
  }
  // What the objects made of their own (pieces, actions' animations) too.
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  ASSERT_NE(host, nullptr);
  int trinkets = 0;
  host->trinkets().forEach([&](OMTrinket* trinket) {
    const OMRect rect = trinket->rect();
    for (std::int64_t edge : {rect.left(), rect.top(), rect.right(), rect.bottom()})
      EXPECT_LE(std::llabs(edge), reach)
          << typeid(*trinket).name() << " " << rect.left() << " " << rect.top() << " "
          << rect.right() << " " << rect.bottom();
    ++trinkets;
  });
  EXPECT_GT(trinkets, static_cast<int>(forms.size()));
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
