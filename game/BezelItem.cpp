#include "game/BezelItem.h"

#include "framework/OMIStream.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMRGBColor.h"
#include "game/MA2Bezel.h"
#include "trinkets/lib/RText.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

constexpr int clueFont = 4117;
const OMRect clueArea(378, 412, 613, 465);

// From the sequence's first frame: a tray animation plays whole each time, also after a
// scene change let it run out.
void playFromStart(OMAnimation* animation)
{
  animation->rewind();
  animation->restartTiming();
}

}  // namespace

BezelItem::BezelItem(MA2Bezel& bezel, int number, int riseId, int lowerId, OMTrinketWindow* host)
    : OMTrinket(host, 2), bezel_(bezel), number_(number)
{
  setZ(itemZ);
  setTouchy(0);
  rise_ = makeAnimation(riseId);
  lower_ = makeAnimation(lowerId);
  const OMLinkToObj<BezelItem> risen(this, &BezelItem::riseFinished);
  const OMLinkToObj<BezelItem> lowered(this, &BezelItem::lowerFinished);
  if (rise_) rise_->setDoneCallback(&risen, 0);
  if (lower_) {
    lower_->setDoneCallback(&lowered, 0);
    homeX_ = lower_->x();
    homeY_ = lower_->y();
    setRect(lower_->rect());
  }
}

BezelItem::~BezelItem()
{
  text_.reset();
  if (font_)
    if (RText::FontReleaseHook release = RText::releaseFontHook()) release(font_);
}

std::unique_ptr<OMAnimation> BezelItem::makeAnimation(int id)
{
  std::unique_ptr<OMIStream> stream =
      OMAnimation::animationResolver && id ? OMAnimation::animationResolver(id) : nullptr;
  if (!stream) return nullptr;
  auto animation =
      std::make_unique<OMAnimation>(std::move(stream), noPosition, noPosition, window());
  animation->rewind();
  animation->hide();
  animation->setTouchy(0);
  animation->setMovable(0);
  animation->setZ(animationZ);
  return animation;
}

void BezelItem::makeClueDisplay(const char* clue)
{
  const int former = z();
  if (rise_) setZ(rise_->z());
  if (rise_) rise_->setZ(former);
  if (lower_) lower_->setZ(former);
  if (RText::FontByIdHook byId = RText::idFontHook()) font_ = byId(clueFont);
  text_ = std::make_unique<RText>(clue ? clue : "", clueArea, font_, OMRGBColor(0, 65535, 0), 1,
                                  window());
  text_->setZ(z());
  text_->hide();
  text_->setTouchy(0);
}

void BezelItem::showClue(const char* clue)
{
  if (text_ && clue) text_->setText(clue);
}

void BezelItem::tick()
{
  if (!text_) return;
  OMAnimation* shown = lower_ && lower_->isVisible() ? lower_.get()
                       : rise_ && rise_->isVisible() ? rise_.get()
                                                     : nullptr;
  if (shown && text_->y() != shown->y() + textBelow) text_->setY(shown->y() + textBelow);
}

void BezelItem::putBack()
{
  if (!lower_) return;
  lower_->setPosition(homeX_, homeY_);
  lower_->hide();
}

void BezelItem::startRising()
{
  if (text_) text_->show();
  if (!rise_) {
    riseFinished();
    return;
  }
  rise_->show();
  playFromStart(rise_.get());
}

void BezelItem::startLowering()
{
  if (text_) text_->show();
  if (!lower_) {
    lowerFinished();
    return;
  }
  lower_->setTouchy(0);
  playFromStart(lower_.get());
}

OMWord BezelItem::riseFinished()
{
  if (lower_) lower_->show();
  if (rise_) rise_->hide();
  if (lower_ && movableWhenUp_) {
    lower_->setMovable(1);
    lower_->setTouchy(1);
  }
  if (lower_ && touchyWhenUp_) lower_->setTouchy(1);
  // Last: a handler of the event may end the bezel and this item.
  bezel_.setState(MA2Bezel::up);
  return 0;
}

OMWord BezelItem::lowerFinished()
{
  if (lower_) {
    lower_->setTouchy(0);
    lower_->hide();
  }
  if (text_) text_->hide();
  bezel_.setState(MA2Bezel::down);
  return 0;
}

OMWord BezelItem::keyPressed()
{
  bezel_.keyTaken(this);
  return 0;
}

OMWord BezelItem::keyLetGo()
{
  bezel_.keyReleased(this);
  return 0;
}
