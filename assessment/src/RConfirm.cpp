#include "assessment/src/RConfirm.h"

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/QvKTiming.h"
#include "assessment/src/ResultFile.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMWaveSound.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/DelayAction.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/RQueue.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RConfirm", &RConfirm::create, TrinketRecord::assessmentEditionOnly);

using Link = OMLinkToObj<RConfirm>;

constexpr int exitPictureZ = 100;
constexpr int exitSparkleZ = 101;

void playLooped(RAnimation* animation)
{
  if (!animation) return;
  animation->setRepeat(-1);
  animation->rewind();
  animation->show();
  animation->resume();
}

}  // namespace

RConfirm::RConfirm(OMTrinketWindow* host)
    : OMTrinket(host, 2), descriptor_(DescriptorFile::current())
{
  keepButton_ = part("ConfButton", 1, noPosition, noPosition);
  deleteButton_ = part("ConfButton", 2, noPosition, noPosition);
  const Link keep(this, &RConfirm::onKeepClick), drop(this, &RConfirm::onDeleteClick);
  if (keepButton_) keepButton_->setMouseDownHook(&keep);
  if (deleteButton_) deleteButton_->setMouseDownHook(&drop);
  sparkle_ = part("ConfSparkleAnim", 1, noPosition, noPosition);
  playLooped(sparkle_.get());
  placeLevelPictures();
  clickStream_ = resourceById(value("ClickSound", 1), "WAVE");
  if (clickStream_) click_ = std::make_unique<OMWaveSound>(clickStream_.get(), 0);
  setRect(OMRect(0, 0, 0, 0));
  setTouchy(0);
  setMovable(0);
}

RConfirm::~RConfirm()
{
  blackenStageWindow();
  if (click_) click_->detach();
  if (queue_) {
    queue_->setFinishedCallback(nullptr);
    queue_->halt();
  }
  queue_.reset();
  delay_.reset();
}

std::unique_ptr<OMScriptableObject> RConfirm::create()
{
  return std::make_unique<RConfirm>(OMTrinketWindow::mainHost());
}

void RConfirm::registerMembers()
{
  OMTrinket::registerMembers();
  addEvent("goToExit");
}

int RConfirm::value(const char* key, int i) const
{
  return descriptor_ ? descriptor_->intValue(key, i) : -1;
}

std::unique_ptr<RAnimation> RConfirm::part(const char* key, int i, int x, int y) const
{
  std::unique_ptr<RAnimation> made = qvk::loadAnimation(value(key, i), x, y, window());
  if (made) made->setMovable(0);
  return made;
}

void RConfirm::placeLevelPictures()
{
  if (!descriptor_) return;
  for (int code = 1; SkillAreaSet* area = descriptor_->skillAreaByCode(code); ++code) {
    // A level the assessment never gave has no column.
    if (area->level < 1 || area->level > 3) continue;
    std::unique_ptr<RAnimation> picture =
        part("ConfLevelAnim", 1, descriptor_->coordinateValue("ConfLevelX", area->level),
             descriptor_->coordinateValue("ConfSkillY", code));
    if (!picture) continue;
    picture->show();
    levels_.push_back(std::move(picture));
  }
}

OMWord RConfirm::defer(OMWord step)
{
  pending_ = static_cast<int>(step);
  return 1;
}

void RConfirm::tick()
{
  const int step = pending_;
  pending_ = noStep;
  switch (step) {
    case keepButtonDone:
      showKeepExit();
      break;
    case deleteButtonDone:
      resultFileRemove(descriptor_ ? descriptor_->stringValue("DataFile", 1) : nullptr);
      leave();
      break;
    case delayDone:
      leave();
      break;
    default:
      break;
  }
}

void RConfirm::pressButton(RAnimation* button, bool keep, int then)
{
  if (pressed_) return;
  pressed_ = true;
  keep_ = keep;
  if (click_) {
    click_->detach();
    click_->play(1);
  }
  if (!button) {
    pending_ = then;
    return;
  }
  const Link done(this, &RConfirm::defer, static_cast<OMWord>(then));
  button->setDoneCallback(&done, 0);
  button->setRepeat(1);
  button->rewind();
  button->resume();
}

OMWord RConfirm::onKeepClick()
{
  pressButton(keepButton_.get(), true, keepButtonDone);
  return 1;
}

OMWord RConfirm::onDeleteClick()
{
  pressButton(deleteButton_.get(), false, deleteButtonDone);
  return 1;
}

void RConfirm::showKeepExit()
{
  exitPicture_ = part("ConfExit", 1, noPosition, noPosition);
  if (exitPicture_) {
    exitPicture_->setZ(exitPictureZ);
    exitPicture_->show();
    const Link click(this, &RConfirm::onExitPictureClick);
    exitPicture_->setMouseDownHook(&click);
  }
  exitSparkle_ = part("ConfSparkleAnim", 1, noPosition, noPosition);
  if (exitSparkle_) exitSparkle_->setZ(exitSparkleZ);
  playLooped(exitSparkle_.get());
  delay_ = std::make_unique<DelayAction>(keepDelayMs, 1);
  queue_ = std::make_unique<RQueue>(1, 1);
  queue_->addAction(delay_.get());
  const Link done(this, &RConfirm::defer, static_cast<OMWord>(delayDone));
  queue_->setFinishedCallback(&done);
  queue_->start();
}

OMWord RConfirm::onExitPictureClick()
{
  leave();
  return 1;
}

void RConfirm::leave()
{
  // The click and the end of the delay lead to one start of the main program.
  if (left_) return;
  left_ = true;
  if (queue_) queue_->setFinishedCallback(nullptr);
  execMainProgram("");
}
