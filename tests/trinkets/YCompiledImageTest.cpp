#include <gtest/gtest.h>

#include "ScriptHarness.h"

using scripttest::alerts;
using scripttest::ScriptTest;
using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

namespace {

const char program[] =
    "yield off\r"
    "s=0\r"
    "for i 1 5\r"
    "  s=s+i*2\r"
    "say s 1.5 -2\r"
    "call show 'a b' 2.5\r"
    "x=[p q\r"
    "abc=abcdef\r"
    "k=2\r"
    "say x.2 abc|k|2 abc||2 x.k\r"
    "procedure show a b\r"
    "[\r"
    "  say a b\r"
    "  if b>2\r"
    "    say big\r"
    "  else\r"
    "    say small\r"
    "]\r";

const Lines expected{"30 1.5 -2", "a b 2.5", "big", "q bc ef q"};

class CompiledImageTest : public ScriptTest {
 protected:
  // The image of the program as compiled, before it runs.
  Bytes imageOf(const char* source, bool swapped)
  {
    YThread* thread = load(source);
    EXPECT_TRUE(thread->isLoaded());
    Bytes image = thread->compiledImage(swapped);
    dropThreads();
    return image;
  }

  // A thread on an image held in memory (no file is written).
  YThread* threadOnImage(const Bytes& image)
  {
    std::istringstream stream(std::string(image.begin(), image.end()));
    threads_.push_back(std::make_unique<YThread>(stream));
    threads_.back()->start();
    return threads_.back().get();
  }

  static void writeImage(const std::string& name, const Bytes& image)
  {
    writeFile(name, std::string(image.begin(), image.end()));
  }

  Lines runImage(const Bytes& image)
  {
    std::remove("debug.txt");
    writeImage("image.mps", image);
    YThread* thread = this->thread("image.mps");
    EXPECT_TRUE(thread->isLoaded());
    passes(1);
    return debugLines();
  }
};

TEST_F(CompiledImageTest, SourceRunsAsExpected)
{
  run(std::string(program).substr(10));
  EXPECT_EQ(debugLines(), expected);
}

TEST_F(CompiledImageTest, ImageInBothByteOrdersBehavesAsTheSource)
{
  const Bytes native = imageOf(program, false);
  const Bytes swapped = imageOf(program, true);
  ASSERT_FALSE(native.empty());
  EXPECT_EQ(native[0], 2);
  EXPECT_EQ(swapped[0], 1);
  EXPECT_EQ(native.size(), swapped.size());
  EXPECT_NE(native, swapped);
  EXPECT_EQ(runImage(native), expected);
  dropThreads();
  EXPECT_EQ(runImage(swapped), expected);
}

TEST_F(CompiledImageTest, WrittenFileStartsWithItsVersionAndReadsBack)
{
  YThread* thread = load(program);
  ASSERT_TRUE(thread->writeCompiled("written.mpc"));
  dropThreads();
  std::ifstream file("written.mpc", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], 2);
  thread = this->thread("written.mpc");
  passes(1);
  EXPECT_EQ(debugLines(), expected);
}

TEST_F(CompiledImageTest, ImageReadBesideAnotherScriptsVariablesStillRuns)
{
  const Bytes native = imageOf(program, false);
  load("yield off\rother=1\rmore=2\rsay other more\r", "other.mps");
  passes(1);
  writeImage("image.mps", native);
  thread("image.mps");
  passes(1);
  Lines all = expected;
  all.insert(all.begin(), "1 2");
  EXPECT_EQ(debugLines(), all);
}

TEST_F(CompiledImageTest, EveryTruncationIsRefused)
{
  const Bytes native = imageOf(program, false);
  for (std::size_t length = 1; length < native.size(); ++length) {
    alerts.clear();
    YThread* thread =
        threadOnImage(Bytes(native.begin(), native.begin() + static_cast<long>(length)));
    EXPECT_FALSE(thread->isLoaded()) << "length " << length;
    ASSERT_FALSE(alerts.empty());
    EXPECT_NE(alerts[0].find("damaged compiled script"), std::string::npos);
    dropThreads();
  }
}

TEST_F(CompiledImageTest, BadJumpTargetsAndOperandWordsAreRefused)
{
  const Bytes native = imageOf(program, false);
  const std::uint32_t count = native[1] | native[2] << 8 | native[3] << 16 | native[4] << 24;
  // The first jump gets a target past the end.
  Bytes badJump = native;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = 5 + 3 * i;
    if (badJump[at] == 10 || badJump[at] == 11) {
      badJump[at + 1] = 0x00;
      badJump[at + 2] = 0x7F;
      break;
    }
  }
  writeImage("bad.mps", badJump);
  EXPECT_FALSE(thread("bad.mps")->isLoaded());
  // An operand word beyond the variables.
  Bytes badWord = native;
  const std::size_t words = 5 + 3 * count + 4;
  badWord[words + 2 * 4] = 0xF0;
  badWord[words + 2 * 4 + 1] = 0x7F;
  writeImage("bad2.mps", badWord);
  EXPECT_FALSE(thread("bad2.mps")->isLoaded());
  // An opcode that is no instruction.
  Bytes badOpcode = native;
  badOpcode[5] = 99;
  writeImage("bad3.mps", badOpcode);
  EXPECT_FALSE(thread("bad3.mps")->isLoaded());
}

TEST_F(CompiledImageTest, CorruptedBytesNeverCrash)
{
  // Without "yield off" the threads yield, so that nothing a damaged image does can hold a
  // pass for ever.
  const Bytes native = imageOf(program + 10, false);
  // A damaged "pause" may ask for a very long wait: let the time run fast.
  YThread::setPauseWaitHook(+[]() { omhost::advanceClock(100000); });
  int refused = 0;
  int ran = 0;
  for (std::size_t at = 1; at < native.size(); ++at) {
    for (unsigned char value : {0xFF, 0x03}) {
      Bytes damaged = native;
      if (damaged[at] == value) continue;
      damaged[at] = value;
      YThread* thread = threadOnImage(damaged);
      if (thread->isLoaded()) {
        passes(30);
        ++ran;
      } else {
        ++refused;
      }
      dropThreads();
      clearScriptStack();
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(ran, 0);
}

}  // namespace
