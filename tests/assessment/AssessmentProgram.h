#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assessment/src/AppMain.h"
#include "framework/OMApp.h"
#include "platform/host/HostAudioSink.h"
#include "tests/assessment/AssessmentTestSupport.h"
#include "tools/WaveWriter.h"

// The assessment program set up as its main does, on the manual clock, with the test's own
// first script and resource files: "ao.rsc" (pictures, fonts) and "wave.rsc" (sounds). The
// test writes its content, then calls start(); passes are run by the test.
class AssessmentProgram : public AssessmentWorld {
 public:
  AssessmentProgram() { writeScript("mthRacer.mps", "wait\r"); }
  ~AssessmentProgram()
  {
    if (started_) tearDownProgram();
    omhost::HostAudioSink::instance().takeCaptured();
    omhost::useRealClock();
  }

  bool start()
  {
    omhost::HeadlessHost& host = omtest::startAppSession();
    host.screen().resize(640, 480, 8);
    omhost::HostAudioSink::instance().resynchronise();
    omhost::HostAudioSink::instance().startCapture();
    started_ = setUpProgram();
    return started_;
  }

  // Passes of the main loop, the clock going on by the step before each.
  static void passes(int count, std::uint32_t stepMilliseconds = 10)
  {
    for (int i = 0; i < count; ++i) {
      omhost::advanceClock(stepMilliseconds);
      OMApp::instance()->runPass();
    }
  }

  // Milliseconds of sound captured since the last call: samples louder than a whisper.
  static int soundingMilliseconds()
  {
    constexpr std::int64_t sinkRate = omhost::HostAudioSink::kRate;
    const std::vector<std::int16_t> samples = omhost::HostAudioSink::instance().takeCaptured();
    int loud = 0;
    for (std::int16_t s : samples)
      if (std::abs(s) > 200) ++loud;
    return static_cast<int>(static_cast<std::int64_t>(loud) * 1000 / sinkRate);
  }

  // A WAVE of a tone lasting that many milliseconds at 11,025 Hz.
  static NEResourceWriter::Bytes tone(double frequency, int milliseconds)
  {
    constexpr std::uint32_t rate = 11025;
    return wavewriter::waveImage(
        rate,
        wavewriter::tone(rate, frequency, static_cast<std::size_t>(rate) * milliseconds / 1000));
  }

  // The lines the scripts said, in order.
  std::vector<std::string> said() const
  {
    std::vector<std::string> lines;
    std::string line;
    for (char c : work.read("debug.txt")) {
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }

 private:
  bool started_ = false;
};
