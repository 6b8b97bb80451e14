#pragma once

// The two editions of the engine: the game program runs one, the assessment program the
// other. Each program sets its edition first thing in its entry point, before any module
// starts; engine code that behaves differently per edition asks here and nowhere else.
// Until a program sets it (in tests, for instance) the edition is the game's.
class OMEdition {
 public:
  enum Kind { game, assessment };

  static Kind current();
  static void set(Kind edition);
  static bool isGame() { return current() == game; }
  static bool isAssessment() { return current() == assessment; }
};
