#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "framework/OMBackgroundJob.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMResFile.h"
#include "tests/support/ScopedEdition.h"
#include "tests/trinkets/ActionTestSupport.h"
#include "tests/trinkets/StageScript.h"
#include "tools/LipSyncWriter.h"
#include "tools/WaveWriter.h"
#include "trinkets/lib/LipSyncTable.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMSParameter.h"

namespace {

using omtest::controlCode;
using omtest::showImage;
using omtest::StageScript;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr int pose = 10, wave = 12, speaker = 20, mouthA = 40, mouthB = 41;
constexpr int plainSound = 30, recordSound = 31;

std::vector<int> calls;
OMWord note(OMWord word)
{
  calls.push_back(static_cast<int>(word));
  return 1;
}

int lookups = 0;
std::unique_ptr<OMIStream> lookUp(std::uint16_t id, const char* type)
{
  ++lookups;
  return openResourceStream(id, type, -1);
}

// A settle pose (10), a two-frame wave (12), a speaker whose sequence 1 speaks sound 31 (20)
// and two mouths (40, 41) with lip-sync tables for sound 30.
class CharacterTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    std::srand(7);
    calls.clear();
    lookups = 0;
    NEResourceWriter writer;
    const auto animation = [&](int id, int images,
                               const std::vector<std::vector<OMFrameEntry>>& s) {
      omtest::AnimationBuilder b;
      for (int i = 0; i < images; ++i)
        b.addImage(20, 20, static_cast<std::uint8_t>(1 + i % 4));
      for (const auto& entries : s)
        b.addSequence(entries);
      writer.add("ASEQ", std::to_string(id), b.build());
      writer.add("RRGB", std::to_string(id), omtest::primaryColorTable());
    };
    animation(pose, 1, {{showImage(0), controlCode(OMFrameEntry::loop)}});
    animation(wave, 2, {{showImage(0), showImage(1), controlCode(OMFrameEntry::loop)}});
    animation(speaker, 2,
              {{showImage(0), controlCode(OMFrameEntry::hold)},
               {showImage(0), controlCode(OMFrameEntry::sound, recordSound), showImage(1),
                controlCode(OMFrameEntry::hold), showImage(0)}});
    for (int id : {mouthA, mouthB}) {
      animation(id, 3,
                {{controlCode(OMFrameEntry::hold), showImage(0, 1, 1), showImage(1, 2, 2),
                  showImage(2, 3, 3)}});
    }
    // Fidgets: each a frame and a hold.
    for (int id = 50; id < 53; ++id)
      animation(id, 1, {{showImage(0), controlCode(OMFrameEntry::hold), showImage(0)}});
    for (int id : {plainSound, recordSound}) {
      writer.add("WAVE", std::to_string(id),
                 wavewriter::waveImage(11025, wavewriter::tone(11025, 440, 3300)));
    }
    writer.add("LIPS", std::to_string(plainSound), writeLipSyncTable({1, 2, 7}, false));
    writer.add("LIP2", std::to_string(plainSound), writeLipSyncTable({2, 1}, true));
    // Choreographies: sound 32 silent, sound 33 with the voice of sound 30.
    const auto document = [&](int id, const std::string& text) {
      writer.add("CHOR", std::to_string(id), Bytes(text.begin(), text.end()));
    };
    document(32,
             "<CHOR FPS=\"10\"><ANIM ID=\"40\"><SEQ><FRAMES>0 1 2</FRAMES></SEQ></ANIM>"
             "<ANIM ID=\"41\"><SEQ><FRAMES>0 -1 1</FRAMES></SEQ></ANIM><X/>"
             "<ANIM ID=\"41\"/></CHOR>");
    document(33,
             "<CHOR FPS=\"10\"><ANIM ID=\"40\"><SEQ><FRAMES>0 1 2 0 1 2</FRAMES></SEQ>"
             "</ANIM><WAVESOUND ID=\"30\"/></CHOR>");
    document(34, "<CHOR FPS=\"0\"><ANIM ID=\"40\"><SEQ><FRAMES>0</FRAMES></SEQ></ANIM></CHOR>");
    ASSERT_FALSE(stage.addResourceFile("character.rsc", writer).empty());
    RCharacter::setResourceLookup(&lookUp);
  }
  void TearDown() override
  {
    script.stop();
    RCharacter::setResourceLookup(nullptr);
    RCharacter::setChoreographyLookup(nullptr);
    RCharacter::setResourceKeeper(nullptr);
    RCharacter::setResourceReleaser(nullptr);
    RCharacter::releaseShared();
  }

  RCharacter* make(const std::string& more = "")
  {
    script.run("c=RCharacter 10 100 100 5\rset c finished pfin\r" + more +
               "wait\rprocedure pfin\r[\r  say finished\r]\r");
    return StageScript::object<RCharacter>("c");
  }
  static bool loud(const std::vector<std::int16_t>& audio)
  {
    for (std::int16_t s : audio)
      if (s > 1000 || s < -1000) return true;
    return false;
  }

  omtest::TestStage stage;
  StageScript script{stage};
};

TEST_F(CharacterTest, PlayAnimHidesThePosePlaysAndComesBack)
{
  for (int stay : {1, 0}) {
    SCOPED_TRACE(stay);
    RCharacter* c = make();
    ASSERT_NE(c, nullptr);
    OMTrinket* settle = c->pieceWithId(RCharacter::settlePiece);
    ASSERT_NE(settle, nullptr);
    EXPECT_EQ(settle->rect(), OMRect(100, 100, 120, 120));
    EXPECT_EQ(c->z(), 5);
    ASSERT_TRUE(c->callMethod("playAnim", "12", "2", stay ? "" : "0", scriptArgTerminator));
    auto* played = dynamic_cast<OMAnimation*>(c->pieceWithId(RCharacter::animationPiece));
    ASSERT_NE(played, nullptr);
    EXPECT_FALSE(settle->isVisible());
    // Busy: a second play is refused and its link told at once.
    const OMLinkToFct told(&note, 99);
    c->playAnim(wave, &told, 1, 1);
    EXPECT_EQ(calls, std::vector<int>{99});
    int frames = 0, last = 0;
    for (int pass = 0; pass < 40 && c->isBusy(); ++pass) {
      stage.passes(1, 40);
      if (c->isBusy() && played->frameNumber() != last) ++frames, last = played->frameNumber();
    }
    EXPECT_EQ(script.said(), Lines{"finished"});
    EXPECT_GE(frames, 3);
    EXPECT_EQ(c->pieceWithId(RCharacter::animationPiece), nullptr);
    EXPECT_EQ(settle->isVisible() != 0, stay != 0);
    EXPECT_EQ(c->isVisible() != 0, stay != 0);
    stage.passes(6, 40);
    EXPECT_TRUE(script.said().empty());
    script.stop();
    calls.clear();
  }
}

TEST_F(CharacterTest, PlainSpeechKeepsOrReleasesItsSoundAndHoldsTheReads)
{
  const OMLinkToFct keep(&note, 0), release(+[](OMWord id) -> OMWord {
    calls.push_back(-static_cast<int>(id));
    return 1;
  });
  RCharacter::setResourceKeeper(&keep);
  RCharacter::setResourceReleaser(&release);
  for (int kept : {1, 0}) {
    SCOPED_TRACE(kept);
    RCharacter* c = make();
    ASSERT_NE(c, nullptr);
    omtest::TestStage::takeAudio();
    ASSERT_TRUE(c->callMethod("playSpeech", "30", "1", kept ? "1" : "0", scriptArgTerminator));
    EXPECT_TRUE(c->isBusy());
    EXPECT_EQ(backgroundReadsSuspended(), kept == 1);
    // An animation is refused while the speech plays.
    const OMLinkToFct told(&note, 99);
    c->playAnim(wave, &told, 1, 1);
    bool heard = false;
    for (int pass = 0; pass < 60 && c->isBusy(); ++pass) {
      stage.passes(1, 20);
      heard = heard || loud(omtest::TestStage::takeAudio());
    }
    EXPECT_TRUE(heard);
    EXPECT_FALSE(c->isBusy());
    EXPECT_FALSE(backgroundReadsSuspended());
    EXPECT_EQ(calls, (std::vector<int>{kept ? plainSound : -plainSound, 99}));
    EXPECT_EQ(script.said(), Lines{"finished"});
    script.stop();
    calls.clear();
  }
}

TEST_F(CharacterTest, StopPauseAndResumeOfASpeech)
{
  RCharacter* c = make();
  ASSERT_NE(c, nullptr);
  const OMLinkToFct done(&note, 5);
  c->playSpeech(plainSound, &done, 0, 1);
  stage.passes(3, 20);
  c->pause();
  omtest::TestStage::takeAudio();
  stage.passes(20, 20);
  EXPECT_FALSE(loud(omtest::TestStage::takeAudio()));
  EXPECT_TRUE(c->isBusy());
  c->resume();
  stage.passes(3, 20);
  EXPECT_TRUE(loud(omtest::TestStage::takeAudio()));
  // Stopped: no "finished", the link dropped, the pose back and, staying invisible, hidden.
  c->stop();
  stage.passes(40, 20);
  EXPECT_FALSE(c->isBusy());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(script.said().empty());
  EXPECT_FALSE(c->isVisible());
  EXPECT_FALSE(backgroundReadsSuspended());
  // A new pose; the id read back stays the first one.
  c->setProperty("visible", "1");
  ASSERT_TRUE(c->setProperty("settlePoseID", "12"));
  EXPECT_STREQ(c->getProperty("settlePoseID"), "10");
  auto* settle = dynamic_cast<OMAnimation*>(c->pieceWithId(RCharacter::settlePiece));
  ASSERT_NE(settle, nullptr);
  EXPECT_EQ(settle->resourceId(), wave);
  EXPECT_TRUE(settle->isVisible());
}

TEST_F(CharacterTest, ASpeechAnimationPlaysItsSoundSequenceAndEndsTheSpeech)
{
  RCharacter* c = make("play c addSpeechAnim 20\r");
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->speechRecords().size(), 1u);
  EXPECT_EQ(c->speechRecords()[0].sound, recordSound);
  EXPECT_EQ(c->speechRecords()[0].sequence, 1);
  omtest::TestStage::takeAudio();
  ASSERT_TRUE(c->callMethod("playSpeech", "31", scriptArgTerminator));
  OMTrinket* piece = c->pieceWithId(RCharacter::firstSpeechAnimPiece);
  ASSERT_NE(piece, nullptr);
  EXPECT_FALSE(c->pieceWithId(RCharacter::settlePiece)->isVisible());
  bool heard = false;
  for (int pass = 0; pass < 80 && c->isBusy(); ++pass) {
    stage.passes(1, 20);
    heard = heard || loud(omtest::TestStage::takeAudio());
  }
  EXPECT_TRUE(heard);
  EXPECT_FALSE(c->isBusy());
  EXPECT_EQ(script.said(), Lines{"finished"});
  EXPECT_FALSE(piece->isVisible());
  EXPECT_TRUE(c->pieceWithId(RCharacter::settlePiece)->isVisible());
}

// A table is read in the byte order that makes its records all there; the mark decides only
// when both orders (or neither) do. Marks are given as word 0 reads little-endian.
TEST(LipSyncTable, TheOrderThatMakesTheTableWholeWins)
{
  struct Row {
    const char* what;
    int mark;
    bool bigEndian;
    std::vector<int> images;
    int count;        // as written; -1: the number of images
    std::size_t pad;  // bytes after the records
    std::vector<int> expected;
  };
  const Row rows[] = {
      {"big-endian, mark 256", 256, true, {1, 2, 3}, -1, 0, {1, 2, 3}},
      {"big-endian, mark 511", 511, true, {4, 5}, -1, 0, {4, 5}},
      {"big-endian, mark 512", 512, true, {6}, -1, 0, {6}},
      {"little-endian, mark 256", 256, false, {1, 2}, -1, 0, {1, 2}},
      {"little-endian, mark 511", 511, false, {7}, -1, 0, {7}},
      {"empty", 512, true, {}, -1, 0, {}},
      // Whole either way: the mark decides.
      {"padded, mark 1", 1, false, {5}, -1, 6 * 256, {5}},
      {"padded, mark 512", 512, true, {5}, -1, 6 * 256, {5}},
      // Whole in neither order: the mark decides and the count is cut to the records there.
      {"cut short", 1, false, {3, 2}, 3, 0, {3, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes bytes;
    const auto put = [&](int value, bool bigEndian) {
      const auto v = static_cast<std::uint16_t>(value);
      bytes.push_back(static_cast<std::uint8_t>(bigEndian ? v >> 8 : v & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(bigEndian ? v & 0xFF : v >> 8));
    };
    put(row.mark, false);
    put(0, row.bigEndian);
    put(row.count < 0 ? static_cast<int>(row.images.size()) : row.count, row.bigEndian);
    for (int image : row.images) {
      put(image, row.bigEndian);
      put(0, row.bigEndian);
      put(0, row.bigEndian);
    }
    bytes.resize(bytes.size() + row.pad);
    LipSyncTable table;
    ASSERT_TRUE(table.read(bytes.data(), bytes.size()));
    EXPECT_EQ(table.images(), row.expected);
  }
}

TEST_F(CharacterTest, LipSyncBuildsOneSequencePerSpeechAndReusesIt)
{
  RCharacter* c = make("play c setSpeechAnims 40 0 1 41 2 1\r");
  ASSERT_NE(c, nullptr);
  EXPECT_GT(c->pendingLoadCount() + 1, 0);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(c->callMethod("playSpeech", "30", scriptArgTerminator));
    EXPECT_EQ(c->pendingLoadCount(), 0);
    auto* first = dynamic_cast<OMAnimation*>(c->pieceWithId(1001));
    auto* second = dynamic_cast<OMAnimation*>(c->pieceWithId(1002));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->sequenceCount(), 2);
    std::vector<std::vector<int>> built;
    for (OMAnimation* a : {first, second}) {
      std::vector<int> entries;
      for (int i = 0; const OMFrameEntry* e = a->sequenceEntry(1, i); ++i) {
        for (int v : {e->x, e->y, e->image, e->param})
          entries.push_back(v);
      }
      built.push_back(entries);
    }
    // Hold, rest image, sound (first only), the records, loop, end. The tables are not in
    // image order: each image stands where sequence 0 shows it (image i at entry i + 1).
    EXPECT_EQ(built[0], (std::vector<int>{0, 0, -4, 0, 1, 1, 0, 0, 0, 0, -101, 30, 2, 2, 1,  0,
                                          3, 3, 2,  0, 1, 1, 0, 0, 0, 0, -2,   0,  0, 0, -1, 0}));
    EXPECT_EQ(built[1], (std::vector<int>{0, 0, -4, 0, 1, 1, 0,  0, 3, 3, 2,  0,
                                          2, 2, 1,  0, 0, 0, -2, 0, 0, 0, -1, 0}));
    EXPECT_EQ(lookups, 2);
    for (int pass = 0; pass < 120 && c->isBusy(); ++pass)
      stage.passes(1, 20);
    EXPECT_FALSE(c->isBusy());
    EXPECT_EQ(script.said(), Lines{"finished"});
  }
  // Without a table the mouth rests on image 0 while the sound plays.
  ASSERT_TRUE(c->callMethod("playSpeech", "31", scriptArgTerminator));
  auto* first = dynamic_cast<OMAnimation*>(c->pieceWithId(1001));
  ASSERT_NE(first, nullptr);
  std::vector<int> images;
  for (int i = 0; const OMFrameEntry* e = first->sequenceEntry(2, i); ++i)
    images.push_back(e->image);
  EXPECT_EQ(images, (std::vector<int>{-4, 0, -101, 0, -2, -1}));
}

TEST_F(CharacterTest, FidgetsPlayEachOnceBeforeRepeating)
{
  // The second group's fidget (piece 6) waits longer than the test runs: as many seconds as a
  // number holds.
  RCharacter* c = make(
      "play c addFidgetGroup 1 1 1\rplay c addFidget 1 50\r"
      "play c addFidget 1 51\rplay c addFidget 1 52\r"
      "play c addFidgetGroup 2 2147483647 2147483647\rplay c addFidget 2 50\r");
  ASSERT_NE(c, nullptr);
  // The reads run on worker threads, in real time.
  for (int pass = 0; pass < 2000 && c->pendingLoadCount(); ++pass) {
    stage.passes(1, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(c->pendingLoadCount(), 0);
  std::vector<int> played;
  std::uint32_t lastStart = 0;
  for (int pass = 0, previous = -1; pass < 600 && played.size() < 6; ++pass) {
    stage.passes(1, 50);
    const int piece = c->currentFidgetPiece();
    if (piece != -1 && previous == -1) {
      if (!played.empty()) {
        EXPECT_GE(timeGetTime() - lastStart, 1000u);
      }
      played.push_back(piece);
      lastStart = timeGetTime();
    }
    previous = piece;
  }
  ASSERT_EQ(played.size(), 6u);
  for (int round = 0; round < 2; ++round) {
    std::vector<int> three(played.begin() + 3 * round, played.begin() + 3 * round + 3);
    std::sort(three.begin(), three.end());
    EXPECT_EQ(three, (std::vector<int>{3, 4, 5}));
  }
  // An animation ends the fidget at once.
  for (int pass = 0; pass < 100 && c->currentFidgetPiece() == -1; ++pass)
    stage.passes(1, 50);
  ASSERT_NE(c->currentFidgetPiece(), -1);
  c->playAnim(wave, nullptr, 1, 1);
  EXPECT_EQ(c->currentFidgetPiece(), -1);
  // A copy has the pieces and fidgets of its own, and plays them.
  std::unique_ptr<OMScriptableObject> made = c->clone();
  auto* copy = static_cast<RCharacter*>(made.get());
  EXPECT_EQ(copy->pieceCount(), c->pieceCount());
  EXPECT_NE(copy->pieceWithId(3), c->pieceWithId(3));
  copy->stop();
  bool copyFidgeted = false;
  for (int pass = 0; pass < 200 && !copyFidgeted; ++pass) {
    stage.passes(1, 50);
    copyFidgeted = copy->currentFidgetPiece() != -1;
  }
  EXPECT_TRUE(copyFidgeted);
  made.reset();
  c->callMethod("removeFidgetGroup", "1", scriptArgTerminator);
  EXPECT_EQ(c->pieceWithId(3), nullptr);
}

}  // namespace

namespace {

TEST_F(CharacterTest, AChoreographyStepsItsPiecesAtItsOwnRateWithoutDrift)
{
  RCharacter::setChoreographyLookup(
      +[](std::uint16_t id) { return openResourceStream(id, "CHOR", -1); });
  RCharacter* c = make();
  ASSERT_NE(c, nullptr);
  // Frames 0 1 2 at 10 a second: frame 1 as placed, then 2 at +100 ms and 3 at +200 ms.
  c->playSpeech(32, nullptr, 1, 1);
  auto* a = dynamic_cast<OMAnimation*>(c->pieceWithId(1001));
  auto* b = dynamic_cast<OMAnimation*>(c->pieceWithId(1002));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(c->pieceWithId(1003), nullptr);
  const std::uint32_t start = timeGetTime();
  std::string seen;
  for (int pass = 0; pass < 40; ++pass) {
    stage.passAt(start + 10 * (pass + 1));
    seen += static_cast<char>('0' + a->frameNumber());
    seen += b->isVisible() ? static_cast<char>('0' + b->frameNumber()) : '-';
    seen += ' ';
  }
  EXPECT_EQ(seen.substr(0, 30), "11 11 11 11 11 11 11 11 11 2- ");
  EXPECT_EQ(seen.substr(57, 6), "32 32 ");
  EXPECT_EQ(seen.substr(114), "32 32 ");
  // No sound: it runs until stopped.
  EXPECT_NE(c->choreographyFrame(), 0);
  EXPECT_FALSE(c->pieceWithId(RCharacter::settlePiece)->isVisible());
  c->stop();
  EXPECT_EQ(c->choreographyFrame(), 0);
  EXPECT_TRUE(c->pieceWithId(RCharacter::settlePiece)->isVisible());
  EXPECT_TRUE(script.said().empty());

  // With its sound, a pause of 500 ms moves every later frame by as much.
  c->playSpeech(33, nullptr, 1, 1);
  const std::uint32_t voiced = timeGetTime();
  stage.passAt(voiced + 50);
  c->pause();
  stage.passAt(voiced + 300);
  stage.passAt(voiced + 549);
  c->resume();
  stage.passAt(voiced + 560);
  EXPECT_EQ(a->frameNumber(), 1);
  for (std::uint32_t t = voiced + 570; t < voiced + 640; t += 10)
    stage.passAt(t);
  EXPECT_EQ(a->frameNumber(), 2);
  for (int pass = 0; pass < 100 && c->choreographyFrame(); ++pass)
    stage.passes(1, 20);
  EXPECT_EQ(c->choreographyFrame(), 0);
  EXPECT_EQ(script.said(), Lines{"finished"});

  // A document without a frame rate is refused: the speech goes on as plain sound would.
  c->playSpeech(34, nullptr, 1, 1);
  EXPECT_EQ(c->choreographyFrame(), 0);
}

// A character may go from its own "finished", from the end of a fidget, or while its loads
// are still in flight.
TEST_F(CharacterTest, ACharacterMayBeDroppedFromItsHandlersAndWithLoadsInFlight)
{
  const char* const setUps[] = {
      "set c finished pdrop\rplay c playAnim 12\r",
      "set c finished pdrop\rplay c playSpeech 30\r",
      "play c addFidgetGroup 1 0 0\rplay c addFidget 1 50\r",
      ("play c setSpeechAnims 40 0 1 41 0 1\rplay c addFidgetGroup 1 5 9\r"
       "play c addFidget 1 51\rdrop c\r"),
  };
  for (const char* setUp : setUps) {
    SCOPED_TRACE(setUp);
    script.run(std::string("c=RCharacter 10 100 100 5\r") + setUp +
               "wait\rprocedure pdrop\r[\r  say dropped\r  drop c\r]\r");
    RCharacter* c = StageScript::object<RCharacter>("c");
    if (c && std::string(setUp).find("addFidget 1 50") != std::string::npos) {
      // The fidget's own end drops the character.
      for (int pass = 0; pass < 400 && c->currentFidgetPiece() == -1; ++pass) {
        stage.passes(1, 20);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      auto* fidget = dynamic_cast<OMAnimation*>(c->pieceWithId(c->currentFidgetPiece()));
      ASSERT_NE(fidget, nullptr);
      const OMLinkToFct gone(+[](OMWord) -> OMWord {
        scriptVariables.forgetObject(scriptVariables.getObjectByName("c", false), true);
        return 1;
      });
      fidget->setDoneCallback(&gone, 0);
    }
    for (int pass = 0; pass < 200 && StageScript::object<RCharacter>("c"); ++pass)
      stage.passes(1, 20);
    EXPECT_EQ(StageScript::object<RCharacter>("c"), nullptr);
    stage.passes(20, 20);
    script.stop();
  }
}

// A character dropped while an action plays on it ends that action, so that the queue goes
// on to its end; were the done link dropped uncalled, the queue would wait for ever.
TEST_F(CharacterTest, DroppingTheCharacterLetsAWaitingQueueGoOn)
{
  RCharacter* c = make(
      "q=RQueue\rplay q add CharacterAnimAction \"c\" 12 -1\r"
      "play q add CharacterAnimAction \"c\" 12\rset q finished pq\rplay q start\r"
      "procedure pq\r[\r  say queue\r]\r");
  ASSERT_NE(c, nullptr);
  stage.passes(40, 20);
  EXPECT_TRUE(c->isBusy());
  EXPECT_TRUE(script.said().empty());
  scriptVariables.forgetObject(c, true);
  stage.passes(5, 20);
  EXPECT_EQ(script.said(), Lines{"queue"});
}

int actionsFinished = 0;
OMWord countAction(OMWord)
{
  return ++actionsFinished;
}

TEST_F(CharacterTest, CharacterActionsQueueHaltAndOutliveTheirCharacter)
{
  const OMLinkToFct keep(&note, 0), release(+[](OMWord id) -> OMWord {
    calls.push_back(-static_cast<int>(id));
    return 1;
  });
  RCharacter::setResourceKeeper(&keep);
  RCharacter::setResourceReleaser(&release);
  RCharacter* c = make(
      "q=RQueue\rplay q add CharacterSpeechAction \"c\" 30\r"
      "play q add CharacterAnimAction \"c\" 12\r"
      "play q add CharacterSpeechAction \"c\" 30 1\rset q finished pq\r"
      "play q start\rprocedure pq\r[\r  say queue\r]\r");
  ASSERT_NE(c, nullptr);
  stage.passes(400, 20);
  EXPECT_EQ(script.said(), (Lines{"finished", "finished", "finished", "queue"}));
  EXPECT_EQ(calls, (std::vector<int>{plainSound, -plainSound}));

  // Refusals, defaults and the assessment edition's three arguments.
  EXPECT_EQ(makeAction("CharacterAnimAction", {"c", ""}), nullptr);
  EXPECT_EQ(makeAction("CharacterAnimAction", {"nobody", "12"}), nullptr);
  EXPECT_EQ(makeAction("CharacterSpeechAction", {"c"}), nullptr);
  EXPECT_EQ(makeAction("CharacterSpeechAction", {"c", "30", "1"}, 1)->isInterruptible(), 1);
  {
    ScopedEdition edition(OMEdition::assessment);
    EXPECT_EQ(makeAction("CharacterSpeechAction", {"c", "30", "0"}, 1)->isInterruptible(), 0);
  }

  // Halted mid-speech: stopped, no "finished", no callback.
  const OMLinkToFct counted(&countAction);
  actionsFinished = 0;
  std::unique_ptr<Action> speech = makeAction("CharacterSpeechAction", {"c", "30"});
  speech->setFinishedCallback(&counted);
  speech->start();
  stage.passes(3, 20);
  EXPECT_TRUE(c->isBusy());
  speech->halt();
  EXPECT_FALSE(c->isBusy());
  stage.passes(40, 20);
  EXPECT_TRUE(script.said().empty());
  EXPECT_EQ(actionsFinished, 0);

  // The character goes while an action waits on it: the action finishes once.
  std::unique_ptr<Action> anim = makeAction("CharacterAnimAction", {"c", "12", "0"});
  anim->setFinishedCallback(&counted);
  anim->start();
  scriptVariables.forgetObject(c, true);
  EXPECT_EQ(actionsFinished, 1);
  anim->halt();
  stage.passes(5, 20);
  EXPECT_EQ(actionsFinished, 1);
}

}  // namespace
