#include "trinkets/lib/RSmackerMovie.h"

#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "framework/OMApp.h"
#include "framework/OMBackgroundJob.h"
#include "framework/OMCursor.h"
#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMRegion.h"
#include "framework/OMSystem.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "framework/OMWndCanvas.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

int RSmackerMovie::openCount_ = 0;
RSmackerMovie* RSmackerMovie::current_ = nullptr;
std::uint32_t RSmackerMovie::openFlags_ = 0x400;
OMRGBColor RSmackerMovie::savedPalette_[OMCanvas::paletteSize];

namespace {

TrinketRecord record("RSmackerMovie", &RSmackerMovie::create);

RSmackerMovie::Hook pauseSoundsHook = nullptr;
RSmackerMovie::Hook resumeSoundsHook = nullptr;
RSmackerMovie::Hook pauseLoaderHook = nullptr;
RSmackerMovie::Hook resumeLoaderHook = nullptr;

std::string& secondBaseFolder()
{
  static std::string folder;
  return folder;
}

constexpr const char* summaryTexts[] = {
    "Total playback time in milliseconds (not including open time)",
    "Milliseconds*100 per frame (15 frames/sec = 6666)",
    "Time to open the file",
    "Total frames actually played",
    "Frames that were skipped to keep up with the audio",
    "Total number of sound skips",
    "Time necessary to blit to the screen",
    "Time necessary to read from the device",
    "Time necessary to decompress the frames",
    "Time necessary to read from the device during SmackWaits (normally idle time)",
    "Speed of the device in bytes/second (usually around 2x the spin speed)",
    "Time in milliseconds of the slowest frame",
    "Time in milliseconds of the second slowest frame",
    "The number of the slowest frame",
    "The number of the second slowest frame",
    "The size of the average frame in bytes",
    "",
    "",
    "The highest amount of memory used to playback this animation",
    "Total amount of memory allocated for the extra buffer",
    "Highest amount of data used in the extra buffer",
};
constexpr int summaryRows = static_cast<int>(sizeof summaryTexts / sizeof summaryTexts[0]);

OMWord writeUnsigned(OMWord buffer, unsigned long value)
{
  std::snprintf(reinterpret_cast<char*>(buffer), OMScriptableObject::resultBufferSize, "%lu",
                value);
  return 1;
}

bool fileExists(const std::string& path)
{
  struct _stat status;
  return _stat(path.c_str(), &status) == 0;
}

}  // namespace

RSmackerMovie::RSmackerMovie(const char* name, int x, int y, const OMLink* finishedCallback,
                             int extraBuffer, int usePalette, int preload, int soundFlag)
    : OMTrinket(OMTrinketWindow::mainHost(), 1),
      preload_(preload),
      usePalette_(usePalette),
      finishedCallback_(cloneLink(finishedCallback)),
      fileName_(name ? name : ""),
      extraBuffer_(extraBuffer),
      soundFlag_(soundFlag)
{
  setTopLayer(0);
  setMovable(0);
  setDrawState(clean);

  if (openCount_++ == 0) {
    // The library takes the audio device for the movie's own sound.
    if (pauseSoundsHook) pauseSoundsHook();
    closeWaveOut();
  }
  OMTrinketWindow* host = window();
  if (usePalette_ && host && host->offscreen()) host->offscreen()->getPalette(savedPalette_);

  std::uint32_t flags = openFlags_ | SMACKTRACKS;
  if (preload_) flags |= SMACKPRELOADALL;
  const std::string path = resolvePath();
  if (!path.empty()) movie_ = SmackOpen(path.c_str(), flags, static_cast<DWORD>(extraBuffer_));
  if (movie_ && OMEdition::isAssessment() && soundFlag_ == 0) SmackSoundOnOff(movie_, 0);

  current_ = this;
  if (movie_) {
    setRectLTRB(x, y, x + static_cast<int>(movie_->Width), y + static_cast<int>(movie_->Height));
  } else if (finishedCallback_) {
    finishedCallback_->call();
  }
}

RSmackerMovie::~RSmackerMovie()
{
  if (current_ == this) current_ = nullptr;
  connect("finished", nullptr, nullptr);
  connect("signal", nullptr, nullptr);
  release();
  leaveDirectMode();
  signals_.clear();
  finishedCallback_.reset();
  still_.reset();
  if (--openCount_ == 0) {
    openWaveOut(1);
    if (resumeSoundsHook) resumeSoundsHook();
  }
}

std::string RSmackerMovie::resolvePath() const
{
  if (fileName_.empty()) return {};
  if (!OMEdition::isAssessment()) {
    std::optional<std::string> found = findFileOnSearchPath(fileName_.c_str());
    return found ? *found : std::string();
  }
  const std::string local = "rsc\\" + fileName_;
  if (fileExists(local)) return local;
  if (!secondBaseFolder().empty()) {
    const std::string below = secondBaseFolder() + local;
    if (fileExists(below)) return below;
  }
  char message[1024];
  std::snprintf(message, sizeof message,
                "Can't find required resource.\r\rPlease make sure your CD is inserted and its "
                "surface is clean.\r\rCode: %s ",
                local.c_str());
  MessageBoxA(nullptr, message, nullptr, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  OMProgramEnd::request(1);
  return {};
}

std::unique_ptr<OMScriptableObject> RSmackerMovie::create()
{
  const std::string name = popScriptArg();
  const int x = coordinateOf(popScriptArg());
  const int y = coordinateOf(popScriptArg());
  const char* extra = popScriptArg();
  const int extraBuffer = *extra ? std::atoi(extra) : -1;
  const char* palette = popScriptArg();
  const int usePalette = *palette ? std::atoi(palette) : 1;
  const bool parkAtOnce = std::strcmp(popScriptArg(), "1") == 0;
  auto movie = std::make_unique<RSmackerMovie>(name.c_str(), x, y, nullptr, extraBuffer, usePalette,
                                               0, 0x8000);
  if (parkAtOnce) movie->park();
  return movie;
}

void RSmackerMovie::stateText(char* buffer, std::size_t size) const
{
  std::snprintf(buffer, size, "%s %d %d %ld %d %d", fileName_.c_str(), x(), y(),
                static_cast<long>(extraBuffer_), usePalette_, parked_);
}

void RSmackerMovie::registerMembers()
{
  OMTrinket::registerMembers();
  using Link = OMLinkToObj<RSmackerMovie>;
  addProperty("frame", Link(this, &RSmackerMovie::setFrame, 0),
              Link(this, &RSmackerMovie::getFrame, 0));
  addProperty("frames", nullptr, Link(this, &RSmackerMovie::getFrames, 0));
  addProperty("rate", nullptr, Link(this, &RSmackerMovie::getRate, 0));
  addProperty("height", nullptr, Link(this, &RSmackerMovie::getHeight, 0));
  addProperty("width", nullptr, Link(this, &RSmackerMovie::getWidth, 0));
  addProperty("summary", nullptr, Link(this, &RSmackerMovie::getSummary, 0));
  addProperty("summaryText", nullptr, Link(this, &RSmackerMovie::getSummaryText, 0));
  addProperty("collecting", Link(this, &RSmackerMovie::setCollecting, 0),
              Link(this, &RSmackerMovie::getCollecting, 0));
  const Link startLink(this, &RSmackerMovie::startMember);
  addMethod("start", startLink);
  addDefaultMethod(&startLink);
  addMethod("stop", Link(this, &RSmackerMovie::stopMember));
  addMethod("release", Link(this, &RSmackerMovie::releaseMember));
  addMethod("addSignals", Link(this, &RSmackerMovie::addSignalsMember));
  addMethod("removeSignals", Link(this, &RSmackerMovie::removeSignalsMember));
  addEvent("finished");
  addEvent("signal");
}

void RSmackerMovie::showTrackingCursor()
{
  if (parked_) OMTrinket::showTrackingCursor();
}

void RSmackerMovie::showHoverCursor()
{
  if (parked_) OMTrinket::showHoverCursor();
}

void RSmackerMovie::setFinishedCallback(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(finishedCallback_, link);
}

void RSmackerMovie::setSoundHooks(Hook pauseAll, Hook resumeAll)
{
  pauseSoundsHook = pauseAll;
  resumeSoundsHook = resumeAll;
}

void RSmackerMovie::setLoaderHooks(Hook pause, Hook resume)
{
  pauseLoaderHook = pause;
  resumeLoaderHook = resume;
}

void RSmackerMovie::setSecondBaseFolder(const char* folder)
{
  secondBaseFolder() = folder ? folder : "";
}

// Direct mode: the cursor hidden, the host's task paused, the movie's own task running. Each
// is taken once and given back only by the movie that holds it.
void RSmackerMovie::takeDirectMode()
{
  OMTrinketWindow* host = window();
  if (!holdsCursor_) {
    hideCursor();
    holdsCursor_ = true;
  }
  if (host && !holdsPause_) {
    host->pause();
    holdsPause_ = true;
  }
  if (host) host->setDirty(0);
  if (!frameTask_) {
    const OMLinkToObj<RSmackerMovie> step(this, &RSmackerMovie::frameTaskEntry);
    frameTask_ = std::make_unique<OMTask>(&step, 0);
    if (OMApp* app = OMApp::instance()) app->addTask(frameTask_.get());
  }
}

void RSmackerMovie::leaveDirectMode()
{
  OMTrinketWindow* host = window();
  if (holdsPause_) {
    holdsPause_ = false;
    if (host) {
      host->resume();
      host->drawBackground();
    }
  }
  dropFrameTask();
  if (holdsCursor_) {
    holdsCursor_ = false;
    showCursor();
  }
}

void RSmackerMovie::dropFrameTask()
{
  // The task leaves the application as it goes; it may be the one running this step.
  frameTask_.reset();
}

OMWord RSmackerMovie::frameTaskEntry()
{
  frameStep();
  return 1;
}

void RSmackerMovie::placeSignalCursor()
{
  const int frame = movie_ ? static_cast<int>(movie_->FrameNum) : 0;
  signalCursor_ = static_cast<std::size_t>(
      std::lower_bound(signals_.begin(), signals_.end(), frame) - signals_.begin());
}

void RSmackerMovie::start()
{
  if (!movie_ || playing_) return;
  if (!parked_) {
    takeDirectMode();
    OMTrinketWindow* host = window();
    skipNextStep_ = host ? host->presentEnabled() : 0;
  } else {
    skipNextStep_ = 0;
  }
  if (!preload_) suspendBackgroundReads();
  if (OMEdition::isAssessment() && pauseLoaderHook) pauseLoaderHook();
  placeSignalCursor();
  playing_ = 1;
}

void RSmackerMovie::stop()
{
  if (!movie_ || !playing_) return;
  playing_ = 0;
  if (!parked_) leaveDirectMode();
  if (!preload_) resumeBackgroundReads();
  if (OMEdition::isAssessment() && resumeLoaderHook) resumeLoaderHook();
  if (getScreenDepth() == 8 && restorePalette_ && usePalette_) applyPalette();
  finishPlaying();
}

void RSmackerMovie::finishPlaying()
{
  if (finishedCallback_) {
    // A copy runs: the callback may replace the callback or delete the movie.
    std::unique_ptr<OMLink> callback = cloneLink(finishedCallback_.get());
    callback->call();
  } else {
    raise("finished");
  }
}

void RSmackerMovie::applyPalette()
{
  if (OMTrinketWindow* host = window()) host->setPalette(savedPalette_, 1);
}

void RSmackerMovie::release()
{
  stop();
  if (!movie_) return;
  if (OMEdition::isAssessment()) SmackSoundOnOff(movie_, 1);
  SmackClose(movie_);
  movie_ = nullptr;
}

void RSmackerMovie::park()
{
  if (!movie_ || parked_) return;
  if (current_ == this) current_ = nullptr;
  leaveDirectMode();
  OMTrinketWindow* host = window();
  OMMemCanvas* offscreen = host ? host->offscreen() : nullptr;
  if (offscreen) {
    still_ = std::make_unique<OMMemCanvas>(static_cast<int>(movie_->Width),
                                           static_cast<int>(movie_->Height), offscreen->depth(), 1);
    if (getScreenDepth() == 8) {
      OMRGBColor colors[OMCanvas::paletteSize];
      offscreen->getPalette(colors);
      still_->setPalette(colors);
    }
    still_->copyBits(offscreen, x(), y(), rect().width(), rect().height(), 0, 0, SRCCOPY, nullptr);
  }
  markWholeDirty();
  parked_ = 1;
}

void RSmackerMovie::unpark()
{
  if (!movie_ || !parked_ || (current_ && current_ != this)) return;
  OMTrinketWindow* host = window();
  if (still_ && host) {
    const int w = still_->width(), h = still_->height();
    host->offscreen()->copyBits(still_.get(), 0, 0, w, h, x(), y(), SRCCOPY, nullptr);
    if (host->canvas()) {
      host->canvas()->copyBits(still_.get(), 0, 0, w, h, x() - host->offsetX(),
                               y() - host->offsetY(), SRCCOPY, nullptr);
    }
  }
  still_.reset();
  // A stopped movie takes the direct mode's resources when it starts.
  if (playing_) takeDirectMode();
  current_ = this;
  parked_ = 0;
}

void RSmackerMovie::paint()
{
  if (!parked_ || !still_) return;
  OMTrinketWindow* host = window();
  if (!host) return;
  const OMRect area = dirtyRegion().bounds();
  if (area.isEmpty()) return;
  host->offscreen()->copyBits(still_.get(), area.left() - x(), area.top() - y(), area.width(),
                              area.height(), area.left(), area.top(), SRCCOPY, nullptr);
}

void RSmackerMovie::frameStep()
{
  if (!playing_ || !movie_ || SmackWait(movie_)) return;
  if (skipNextStep_) {
    skipNextStep_ = 0;
    return;
  }
  OMTrinketWindow* host = window();
  if (!host) return;
  OMMemCanvas* target = parked_ ? still_.get() : host->offscreen();
  if (!target) return;
  void* pixels = nullptr;
  int pitch = 0;
  if (!target->lockBits(&pixels, &pitch)) return;
  const int left = parked_ ? 0 : x();
  const int top = parked_ ? 0 : y();
  DWORD format = 0;
  if (target->depth() == 16)
    format = target->formatCode() == 0x555 ? SMACKBUFFER555 : SMACKBUFFER565;
  else if (target->depth() == 24)
    format = SMACKBUFFER24;
  else if (target->depth() == 32)
    format = SMACKBUFFER32;
  SmackToBuffer(movie_, static_cast<DWORD>(left), static_cast<DWORD>(top),
                static_cast<DWORD>(pitch), static_cast<DWORD>(target->height()), pixels, format);
  SmackDoFrame(movie_);
  target->unlockBits();

  const bool wholeShown = takeNewPalette(*target);

  while (SmackToBufferRect(movie_, 0)) {
    const OMRect changed(movie_->LastRectx, movie_->LastRecty,
                         movie_->LastRectx + movie_->LastRectw,
                         movie_->LastRecty + movie_->LastRecth);
    if (parked_) {
      OMRect onHost = changed;
      onHost.offset(x(), y());
      addDirtyArea(OMRegion(onHost));
    } else if (!wholeShown && host->canvas()) {
      host->canvas()->copyBits(host->offscreen(), changed.left(), changed.top(), changed.width(),
                               changed.height(), changed.left() - host->offsetX(),
                               changed.top() - host->offsetY(), SRCCOPY, nullptr);
    }
  }

  const DWORD frame = movie_->FrameNum;
  if (frame + 1 >= movie_->Frames) {
    stop();
    return;
  }
  while (signalCursor_ < signals_.size() && signals_[signalCursor_] < static_cast<int>(frame))
    ++signalCursor_;
  if (signalCursor_ < signals_.size() && signals_[signalCursor_] == static_cast<int>(frame)) {
    ++signalCursor_;
    const std::weak_ptr<int> alive = alive_;
    raise("signal");
    // The handler may have deleted, closed, stopped or moved the movie.
    if (alive.expired() || !movie_ || movie_->FrameNum != frame) return;
  }
  SmackNextFrame(movie_);
}

// The library reports a frame's palette once that frame is decoded. The host clears its
// canvas when the colours change, so the decoded movie is kept across the change and the
// whole canvas goes to the window.
bool RSmackerMovie::takeNewPalette(OMMemCanvas& target)
{
  OMTrinketWindow* host = window();
  if (!usePalette_ || !movie_->NewPalette || parked_ || !host || getScreenDepth() != 8 ||
      target.depth() != 8)
    return false;
  OMRGBColor colors[OMCanvas::paletteSize];
  convertPalette(movie_->Palette, movie_->PalType, colors);
  const OMRect kept = rect().intersection(OMRect(0, 0, target.width(), target.height()));
  void* pixels = nullptr;
  int pitch = 0;
  std::vector<std::uint8_t> rows;
  if (!kept.isEmpty() && target.lockBits(&pixels, &pitch)) {
    for (int row = kept.top(); row < kept.bottom(); ++row) {
      const auto* from = static_cast<std::uint8_t*>(pixels) + std::size_t(row) * pitch;
      rows.insert(rows.end(), from + kept.left(), from + kept.right());
    }
    target.unlockBits();
  }
  host->setPalette(colors, 1);
  if (!rows.empty() && target.lockBits(&pixels, &pitch)) {
    const std::size_t width = static_cast<std::size_t>(kept.width());
    for (int row = kept.top(); row < kept.bottom(); ++row) {
      auto* to = static_cast<std::uint8_t*>(pixels) + std::size_t(row) * pitch;
      std::memcpy(to + kept.left(), rows.data() + std::size_t(row - kept.top()) * width, width);
    }
    target.unlockBits();
  }
  if (host->canvas()) {
    host->canvas()->copyBits(&target, 0, 0, target.width(), target.height(), -host->offsetX(),
                             -host->offsetY(), SRCCOPY, nullptr);
  }
  return true;
}

void RSmackerMovie::convertPalette(const BYTE* bytes, DWORD type, OMRGBColor* colors)
{
  const int stride = (type & 0x4) ? 4 : 3;
  const BYTE* p = bytes + (((type & 0xC) == 0xC) ? 1 : 0);
  const bool words = (type & 0x1) != 0;
  const bool reversed = (type & 0x2) != 0;
  for (int i = 0; i < OMCanvas::paletteSize; ++i) {
    std::uint16_t c[3];
    for (int k = 0; k < 3; ++k) {
      if (words) {
        std::uint16_t word;
        std::memcpy(&word, p + (std::size_t(i) * stride + k) * 2, 2);
        c[k] = word;
      } else {
        const std::uint16_t byte = p[std::size_t(i) * stride + k];
        c[k] = static_cast<std::uint16_t>(byte << 8 | byte);
      }
    }
    colors[i] = reversed ? OMRGBColor(c[2], c[1], c[0]) : OMRGBColor(c[0], c[1], c[2]);
    colors[i].index = -1;
  }
}

int RSmackerMovie::summaryWord(int index)
{
  if (index < 0 || index > 20 || index == 16 || index == 17) return -1;
  return index < 16 ? index : index - 2;
}

std::string RSmackerMovie::summaryText(int index)
{
  if (index < 0 || index >= summaryRows || !*summaryTexts[index]) return {};
  std::string text = summaryTexts[index];
  if (OMEdition::isAssessment() && index != 5) text += '.';
  return text;
}

void RSmackerMovie::startSummary()
{
  if (summaryIndex_ != -1) return;
  summaryIndex_ = 0;
  summaryTextIndex_ = 0;
  if (OMEdition::isAssessment()) {
    if (!summary_) summary_ = std::make_unique<SmackSum>();
    if (movie_) SmackSummary(movie_, summary_.get());
  }
}

OMWord RSmackerMovie::getSummary(OMWord buffer)
{
  const char* argument = popScriptArg();
  startSummary();
  if (*argument) summaryIndex_ = std::atoi(argument);
  if (!summary_) summary_ = std::make_unique<SmackSum>();
  if (!OMEdition::isAssessment()) {
    if (movie_) {
      SmackSummary(movie_, summary_.get());
    } else {
      *summary_ = SmackSum{};
    }
  }
  const int word = summaryWord(summaryIndex_);
  DWORD words[19];
  std::memcpy(words, summary_.get(), sizeof words);
  writeUnsigned(buffer, word < 0 ? 0 : words[word]);
  ++summaryIndex_;
  return 1;
}

OMWord RSmackerMovie::getSummaryText(OMWord buffer)
{
  const char* argument = popScriptArg();
  startSummary();
  if (*argument) summaryTextIndex_ = std::atoi(argument);
  const std::string text = summaryText(summaryTextIndex_);
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s", text.c_str());
  ++summaryTextIndex_;
  return 1;
}

OMWord RSmackerMovie::getFrame(OMWord buffer)
{
  return writeUnsigned(buffer, movie_ ? movie_->FrameNum + 1 : 0);
}

OMWord RSmackerMovie::setFrame(OMWord text)
{
  if (!movie_) return 1;
  SmackGoto(movie_, static_cast<DWORD>(std::atoi(reinterpret_cast<const char*>(text))));
  placeSignalCursor();
  return 1;
}

OMWord RSmackerMovie::getFrames(OMWord buffer)
{
  return writeUnsigned(buffer, movie_ ? movie_->Frames : 0);
}

OMWord RSmackerMovie::getRate(OMWord buffer)
{
  return writeUnsigned(buffer, movie_ && movie_->MSPerFrame ? 100000 / movie_->MSPerFrame : 0);
}

OMWord RSmackerMovie::getHeight(OMWord buffer)
{
  return writeUnsigned(buffer, movie_ ? movie_->Height : 0);
}

OMWord RSmackerMovie::getWidth(OMWord buffer)
{
  return writeUnsigned(buffer, movie_ ? movie_->Width : 0);
}

OMWord RSmackerMovie::getCollecting(OMWord buffer)
{
  return writeNumber(buffer, parked_);
}

OMWord RSmackerMovie::setCollecting(OMWord text)
{
  if (std::atoi(reinterpret_cast<const char*>(text))) {
    park();
  } else {
    unpark();
  }
  return 1;
}

OMWord RSmackerMovie::startMember()
{
  start();
  return 1;
}

OMWord RSmackerMovie::stopMember()
{
  stop();
  return 1;
}

OMWord RSmackerMovie::releaseMember()
{
  release();
  return 1;
}

OMWord RSmackerMovie::addSignalsMember()
{
  for (const char* argument = popScriptArg(); *argument; argument = popScriptArg()) {
    const int value = std::atoi(argument);
    if (value == -1) {
      const int frames = movie_ ? static_cast<int>(movie_->Frames) : 0;
      signals_.clear();
      for (int frame = 0; frame < frames; ++frame)
        signals_.push_back(frame);
      break;
    }
    // Frame numbers count from 1; every number below reads as the first frame.
    const int frame = value > 1 ? value - 1 : 0;
    const auto at = std::lower_bound(signals_.begin(), signals_.end(), frame);
    if (at == signals_.end() || *at != frame) signals_.insert(at, frame);
  }
  placeSignalCursor();
  return 1;
}

OMWord RSmackerMovie::removeSignalsMember()
{
  for (const char* argument = popScriptArg(); *argument; argument = popScriptArg()) {
    const int value = std::atoi(argument);
    if (value == -1) {
      signals_.clear();
      break;
    }
    const int frame = value > 1 ? value - 1 : 0;
    const auto at = std::lower_bound(signals_.begin(), signals_.end(), frame);
    if (at != signals_.end() && *at == frame) signals_.erase(at);
  }
  placeSignalCursor();
  return 1;
}
