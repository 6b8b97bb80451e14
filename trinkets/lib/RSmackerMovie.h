#pragma once

#include <windows.h>

#include <smack.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMCanvas.h"
#include "framework/OMLink.h"
#include "framework/OMRGBColor.h"
#include "trinkets/src/OMTrinket.h"

class OMMemCanvas;
class OMTask;

// A Smacker movie on the main host. In direct mode its own task decodes each frame into the
// host's offscreen canvas and copies the changed rectangles to the window while the host's
// task is paused; parked ("collecting" 1) it decodes into a still of its own and is drawn
// like any other trinket. It raises "signal" at chosen frames and "finished" at the end.
class RSmackerMovie : public OMTrinket {
 public:
  using Hook = void (*)();

  // soundFlag matters only to the assessment edition: 0 turns the movie's sound off.
  RSmackerMovie(const char* name, int x, int y, const OMLink* finishedCallback, int extraBuffer,
                int usePalette, int preload, int soundFlag = 0x8000);
  ~RSmackerMovie() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void stateText(char* buffer, std::size_t size) const override;
  void registerMembers() override;
  void showTrackingCursor() override;
  void showHoverCursor() override;
  void tick() override { frameStep(); }
  void paint() override;
  void start() override;
  void stop() override;
  int isRunning() const override { return playing_; }

  void frameStep();
  void release();
  void park();
  void unpark();
  void pauseRunning() { playing_ = 0; }
  void resumeRunning() { playing_ = 1; }
  void setFinishedCallback(const OMLink* link);
  // Hands the palette saved at construction back to the host.
  void applyPalette();
  void setRestorePalette(int on) { restorePalette_ = on; }
  int restorePalette() const { return restorePalette_; }

  bool hasMovie() const { return movie_ != nullptr; }
  const Smack* movieRecord() const { return movie_; }
  bool isParked() const { return parked_ != 0; }
  bool hasFrameTask() const { return frameTask_ != nullptr; }
  bool holdsHostPause() const { return holdsPause_; }
  const std::string& fileName() const { return fileName_; }
  const std::vector<int>& signalFrames() const { return signals_; }
  // Expires when the movie is deleted: for those who refer to a movie that scripts own.
  std::weak_ptr<int> lifetime() const { return alive_; }

  static int openMovieCount() { return openCount_; }
  static RSmackerMovie* currentMovie() { return current_; }
  static void setOpenFlags(std::uint32_t flags) { openFlags_ = flags; }
  static std::uint32_t openFlags() { return openFlags_; }
  static const OMRGBColor* savedPalette() { return savedPalette_; }
  // The program's sounds: paused when the first movie is made, resumed after the last.
  static void setSoundHooks(Hook pauseAll, Hook resumeAll);
  // The assessment program's background loader: its servicing stops while a movie plays.
  static void setLoaderHooks(Hook pause, Hook resume);
  // The assessment program's second place for "rsc\" files (ends with a backslash).
  static void setSecondBaseFolder(const char* folder);

  // The library's palette (type word as the movie record has it) as 256 colours.
  static void convertPalette(const BYTE* bytes, DWORD type, OMRGBColor* colors);
  // The statistics record word behind a cursor value, or -1 for none.
  static int summaryWord(int index);
  // The description of a cursor value; empty for none.
  static std::string summaryText(int index);

 private:
  std::string resolvePath() const;
  void takeDirectMode();
  void leaveDirectMode();
  void dropFrameTask();
  void placeSignalCursor();
  void finishPlaying();
  // At 8 bits, a palette that came with the frame just decoded goes to the host; true when
  // the whole canvas was shown with it.
  bool takeNewPalette(OMMemCanvas& target);
  OMWord frameTaskEntry();
  OMWord getFrame(OMWord buffer);
  OMWord setFrame(OMWord text);
  OMWord getFrames(OMWord buffer);
  OMWord getRate(OMWord buffer);
  OMWord getHeight(OMWord buffer);
  OMWord getWidth(OMWord buffer);
  OMWord getSummary(OMWord buffer);
  OMWord getSummaryText(OMWord buffer);
  OMWord getCollecting(OMWord buffer);
  OMWord setCollecting(OMWord text);
  OMWord startMember();
  OMWord stopMember();
  OMWord releaseMember();
  OMWord addSignalsMember();
  OMWord removeSignalsMember();
  void startSummary();

  int restorePalette_ = 1;
  int preload_;
  int parked_ = 0;
  int playing_ = 0;
  int skipNextStep_ = 0;
  int usePalette_;
  int summaryIndex_ = -1;
  int summaryTextIndex_ = -1;
  std::unique_ptr<OMLink> finishedCallback_;
  std::vector<int> signals_;  // ascending, no duplicates
  std::size_t signalCursor_ = 0;
  std::unique_ptr<OMMemCanvas> still_;
  std::unique_ptr<OMTask> frameTask_;
  std::unique_ptr<SmackSum> summary_;
  Smack* movie_ = nullptr;
  std::string fileName_;
  int extraBuffer_;
  int soundFlag_;
  // What this movie took and must give back.
  bool holdsPause_ = false;
  bool holdsCursor_ = false;
  // Expires with the movie, so that a step whose handler deleted it notices.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  static int openCount_;
  static RSmackerMovie* current_;
  static std::uint32_t openFlags_;
  static OMRGBColor savedPalette_[OMCanvas::paletteSize];
};
