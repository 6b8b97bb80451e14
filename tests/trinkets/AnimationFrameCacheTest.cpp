#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMMemCanvas.h"
#include "framework/OMResFile.h"
#include "framework/OMWaveSound.h"
#include "tests/trinkets/StageScript.h"
#include "tools/WaveWriter.h"
#include "trinkets/src/OMAnimation.h"

namespace {

using omtest::controlCode;
using omtest::showImage;

// Every byte of the canvas, rows top first.
std::vector<std::uint8_t> bytesOf(OMMemCanvas& canvas)
{
  std::vector<std::uint8_t> all;
  void* bits = nullptr;
  int pitch = 0;
  if (!canvas.lockBits(&bits, &pitch)) return all;
  const auto* rows = static_cast<const std::uint8_t*>(bits);
  all.assign(rows, rows + static_cast<std::size_t>(pitch) * canvas.height());
  canvas.unlockBits();
  return all;
}

// A canvas of the depth filled with a pattern, so that transparent pixels show.
std::unique_ptr<OMMemCanvas> patterned(int depth)
{
  auto canvas = std::make_unique<OMMemCanvas>(64, 48, depth, 1);
  void* bits = nullptr;
  int pitch = 0;
  if (canvas->lockBits(&bits, &pitch)) {
    for (int i = 0; i < pitch * 48; ++i)
      static_cast<std::uint8_t*>(bits)[i] = static_cast<std::uint8_t>(i * 7);
    canvas->unlockBits();
  }
  return canvas;
}

class AnimationFrameCacheTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    omtest::AnimationBuilder b;
    b.addImage(20, 12, 1, 3);
    b.addImage(9, 17, 2, 2);
    b.addImage(30, 30, 3);
    b.addSequence({showImage(0), controlCode(OMFrameEntry::sound, 7), showImage(1),
                   controlCode(OMFrameEntry::sound, 8), showImage(2),
                   controlCode(OMFrameEntry::sound, 7), controlCode(OMFrameEntry::hold),
                   showImage(0)});
    NEResourceWriter writer;
    writer.add("ASEQ", "1", b.build());
    writer.add("RRGB", "1", omtest::primaryColorTable());
    for (const char* id : {"7", "8"})
      writer.add("WAVE", id, wavewriter::waveImage(11025, wavewriter::tone(11025, 440, 2000)));
    ASSERT_FALSE(stage.addResourceFile("cache.rsc", writer).empty());
  }
  void TearDown() override { OMAnimation::setFrameCaching(0); }

  std::unique_ptr<OMAnimation> make()
  {
    return std::make_unique<OMAnimation>(openResourceStream(1, "ASEQ", -1), 0, 0, &stage.window());
  }
  // What drawing every image in every direction at a few places gives.
  std::vector<std::uint8_t> drawAll(OMAnimation& a, int depth, bool unclipped)
  {
    std::unique_ptr<OMMemCanvas> canvas = patterned(depth);
    const OMRect clip(2, 1, 60, 40);
    for (int direction = 0; direction < 8; ++direction) {
      a.setDrawDirection(direction);
      for (int image = 0; image < a.imageCount(); ++image) {
        if (unclipped) {
          a.drawImageUnclipped(image, 3 + image, 4, canvas.get());
        } else {
          a.drawImage(image, -5 + 20 * image, 30 - 9 * image, canvas.get(), &clip);
        }
      }
    }
    a.setDrawDirection(0);
    return bytesOf(*canvas);
  }

  omtest::TestStage stage;
};

TEST_F(AnimationFrameCacheTest, CachedImagesDrawTheSamePixels)
{
  std::unique_ptr<OMAnimation> a = make();
  for (bool unclipped : {false, true}) {
    for (int recoloured = 0; recoloured < 2; ++recoloured) {
      SCOPED_TRACE(unclipped * 10 + recoloured);
      OMAnimation::setFrameCaching(0);
      const std::vector<std::uint8_t> plain = drawAll(*a, 16, unclipped);
      EXPECT_EQ(a->cachedImageCount(), 0);
      OMAnimation::setFrameCaching(1);
      EXPECT_EQ(drawAll(*a, 16, unclipped), plain);
      EXPECT_EQ(a->cachedImageCount(), 3);
      // A second draw comes from the cache.
      EXPECT_EQ(drawAll(*a, 16, unclipped), plain);
      a->replaceColor(1, 4, -2);
      EXPECT_EQ(a->cachedImageCount(), 0);
    }
  }
  // Inside the canvas the unclipped draw is the clipped one.
  OMAnimation::setFrameCaching(0);
  std::unique_ptr<OMMemCanvas> one = patterned(16), other = patterned(16);
  a->drawImage(2, 10, 10, one.get(), nullptr);
  a->drawImageUnclipped(2, 10, 10, other.get());
  EXPECT_EQ(bytesOf(*one), bytesOf(*other));

  // Clones share the cache; the last user frees it. Nothing is cached at 8 bits.
  OMAnimation::setFrameCaching(1);
  drawAll(*a, 16, false);
  std::unique_ptr<OMScriptableObject> copy = a->clone();
  auto* clone = static_cast<OMAnimation*>(copy.get());
  EXPECT_EQ(clone->cachedImageCount(), 3);
  const std::vector<std::uint8_t> cached = drawAll(*clone, 16, false);
  a.reset();
  EXPECT_EQ(drawAll(*clone, 16, false), cached);
  std::unique_ptr<OMAnimation> eight = make();
  drawAll(*eight, 8, false);
  EXPECT_EQ(eight->cachedImageCount(), 0);
}

TEST_F(AnimationFrameCacheTest, PlayStateSoundWalkAndReleasedSounds)
{
  std::unique_ptr<OMAnimation> a = make();
  std::vector<std::string> walk;
  int id = 0, frame = 0;
  for (OMWaveSound* s = a->firstFrameSound(&id, &frame); id != -1;
       s = a->nextFrameSound(&id, &frame))
    walk.push_back(std::to_string(id) + "@" + std::to_string(frame) + (s ? "+" : "-"));
  EXPECT_EQ(walk, (std::vector<std::string>{"7@2-", "8@3-", "7@4-"}));
  a->preloadSounds(-1);
  EXPECT_EQ(a->frameSoundCount(), 2);
  EXPECT_NE(a->firstFrameSound(&id, &frame), nullptr);

  // Playing, paused while its sound plays on, idle.
  std::string states;
  for (int pass = 0; pass < 60; ++pass) {
    int playing = 0, paused = 0, sounding = 0;
    const bool busy = a->getPlayState(&playing, &sounding);
    const bool idle = a->isIdle(&paused, nullptr);
    const char mark = idle ? 'i' : paused ? (sounding ? 'S' : 'w') : playing ? 'p' : '?';
    if (states.empty() || states.back() != mark) states += mark;
    EXPECT_EQ(busy, playing || sounding);
    stage.passes(1, 25);
  }
  EXPECT_EQ(states.front(), 'p') << states;
  EXPECT_NE(states.find('S'), std::string::npos) << states;
  EXPECT_EQ(states.back(), 'i');

  // Released sounds are fetched again by the next play.
  a->releaseSounds(-1);
  EXPECT_EQ(a->frameSoundCount(), 0);
  EXPECT_EQ(a->firstFrameSound(&id, &frame), nullptr);
  a->goToFrame(1, 1);
  a->resume();
  stage.passes(20, 25);
  EXPECT_EQ(a->frameSoundCount(), 2);
}

}  // namespace
