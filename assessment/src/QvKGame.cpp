#include "assessment/src/QvKGame.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/QvKTiming.h"
#include "framework/OMMemCanvas.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/src/OMFrameEntry.h"

namespace {

constexpr int signIds[] = {13142, 13350, 13228};
constexpr int debrisId = 13143;
constexpr int finishId = 13141;
constexpr int firstLetterId = 6580, firstDigitId = 6550, plusId = 6704, otherId = 6707;
constexpr int glyphCount = 38;
constexpr int plusGlyph = 36;
constexpr OMPoint cornerPlaces[] = {{40, 0}, {509, 0}, {40, 201}, {502, 203}};
constexpr int startDelay = 100;
constexpr int roadFrames = 16;
constexpr int sequenceSteps = 32;
constexpr int finishSequenceEnd = 18;

struct SweepLine {
  int x, y;
  double slope;
};
constexpr SweepLine sweepLines[QvKGame::finishFrames] = {
    {432, 276, -5.1333}, {379, 276, -2.3793}, {353, 276, -1.4236}, {340, 276, -0.8557},
    {327, 276, -0.4979}, {321, 276, -0.2335}, {311, 276, -0.0229}, {256, 2, 0.1788},
    {195, 2, 0.3832},    {116, 2, 0.646},     {54, 40, 0.9619},    {55, 128, 1.4122},
    {55, 198, 2.2692},   {55, 252, 8.0417}};
constexpr OMPoint finishOffsets[QvKGame::finishFrames] = {
    {0, 0},       {-52, -56},   {-77, -115},  {-91, -164},  {-103, -203},
    {-109, -226}, {-120, -232}, {-171, -227}, {-224, -211}, {-274, -185},
    {-318, -149}, {-354, -106}, {-377, -55},  {-377, 0}};

int descriptorValue(const char* key, int index)
{
  const DescriptorFile* descriptor = DescriptorFile::current();
  return descriptor ? descriptor->intValue(key, index) : -1;
}

// Scene pictures are drawn by the scene, not by the stage.
std::unique_ptr<RAnimation> scenePicture(int id, OMTrinketWindow* host)
{
  std::unique_ptr<RAnimation> picture = qvk::loadAnimation(id, 0, 0, host);
  if (picture) picture->removeFromWindow();
  return picture;
}

// The image of frame n (1-based) of an animation, or -1.
int imageOf(const RAnimation* animation, int frame)
{
  if (!animation || frame < 1) return -1;
  const OMFrameEntry* entry = animation->frameEntry(frame - 1);
  return entry && entry->isDisplayable() ? entry->image : -1;
}

void drawFrame(RAnimation* animation, int frame, int x, int y, OMCanvas* canvas)
{
  const int image = imageOf(animation, frame);
  if (image >= 0) animation->drawImage(image, x, y, canvas, nullptr);
}

}  // namespace

QvKGame::QvKGame(OMTrinketWindow* host, const OMLink* eventLink, const OMLink* soundLink)
    : OMTrinket(host, 1), eventLink_(cloneLink(eventLink)), soundLink_(cloneLink(soundLink))
{
  setRect(OMRect(40, 0, 570, 272));
  for (std::size_t i = 0; i < signs_.size(); ++i)
    signs_[i] = scenePicture(signIds[i], host);
  debrisPicture_ = scenePicture(debrisId, host);
  finish_ = scenePicture(finishId, host);
  for (std::size_t i = 0; i < corners_.size(); ++i)
    corners_[i] = scenePicture(descriptorValue("Corners", static_cast<int>(i) + 1), host);
  for (int g = 0; g < glyphCount; ++g) {
    const int id = g < 26           ? firstLetterId + g
                   : g < 36         ? firstDigitId + g - 26
                   : g == plusGlyph ? plusId
                                    : otherId;
    glyphs_.push_back(scenePicture(id, host));
  }
}

QvKGame::~QvKGame() = default;

void QvKGame::report(int code)
{
  if (!eventLink_) return;
  const std::string text = std::to_string(code);
  cloneLink(eventLink_.get())->call(reinterpret_cast<OMWord>(text.c_str()));
}

void QvKGame::playSound(int id)
{
  if (soundLink_) soundLink_->call(static_cast<OMWord>(id));
}

void QvKGame::loadScenery()
{
  setLoaderFileName("mthracer.rsc");
  road_ = scenePicture(descriptorValue("Scenery", 1), window());
  setLoaderFileName("");
  roadFrame_ = 1;
  state_ = idle;
  invalidate();
}

void QvKGame::reset(int destination, int speed, bool start)
{
  destination_ = destination - 1;
  speed_ = speed;
  roadSpeed_ = 0;
  carStart_ = 0;
  sequence_ = 0;
  debris_.clear();
  letters_.clear();
  signFrame_ = 0;
  show();
  state_ = idle;
  if (start) {
    roadSpeed_ = qvk::roadSpeedOf(speed_);
    nextRoadFrame_ = qvk::ticks() + 60 / roadSpeed_;
  }
  invalidate();
}

void QvKGame::startCar()
{
  state_ = starting;
  nextState_ = carStart_ = qvk::ticks() + startDelay;
}

void QvKGame::slowDown()
{
  state_ = slowing;
}

void QvKGame::deleteRoad()
{
  road_.reset();
  invalidate();
}

void QvKGame::setSpeed(int speed)
{
  speed_ = speed;
  if (state_ != accelerating && state_ != slowing) roadSpeed_ = qvk::roadSpeedOf(speed_);
}

void QvKGame::signSequence(int kind)
{
  sequenceKind_ = kind;
  sequence_ = 1;
  sequenceStep_ = 0;
  state_ = idle;
}

int QvKGame::glyphOf(char c)
{
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= '0' && c <= '9') return 26 + c - '0';
  return c == '+' ? plusGlyph : plusGlyph + 1;
}

void QvKGame::putSign(const char* text, bool answerable)
{
  std::string word = text ? text : "";
  letters_.clear();
  for (char c : word)
    letters_.push_back(
        Letter{glyphOf(static_cast<char>(std::tolower(static_cast<unsigned char>(c))))});
  answerable_ = answerable;
  digitSign_ = !word.empty() && word[0] >= '0' && word[0] <= '9';
  marks_ = digitSign_ ? std::array<int, 3>{19, 22, 23} : std::array<int, 3>{14, 17, 18};
  state_ = signComing;
  nextState_ = qvk::ticks();
}

bool QvKGame::canAnswer() const
{
  // A sign that shows the right answer after a wrong one takes no honk.
  return answerable_ && (state_ == signApproaching || state_ == 7);
}

void QvKGame::answerRight()
{
  if (state_ != signApproaching && state_ != 7) return;
  state_ = signRight;
  nextState_ = qvk::ticks() + 1;
  report(2);
}

void QvKGame::answerWrong()
{
  if (state_ != signApproaching && state_ != 7) return;
  state_ = signWrong;
  nextState_ = qvk::ticks() + 1;
  report(2);
}

RAnimation* QvKGame::glyph(int index) const
{
  if (index < 0 || index >= static_cast<int>(glyphs_.size())) return nullptr;
  return glyphs_[static_cast<std::size_t>(index)].get();
}

void QvKGame::layOut()
{
  int total = 0;
  const int gap = signFrame_ ? spacing_ : 0;
  for (Letter& letter : letters_) {
    RAnimation* picture = glyph(letter.glyph);
    const int image = imageOf(picture, signFrame_);
    letter.width = image >= 0 ? picture->imageWidth(image) : 0;
    letter.height = image >= 0 ? picture->imageHeight(image) : 0;
    total += letter.width + gap;
  }
  if (letters_.empty()) return;
  const Letter& first = letters_.front();
  int x = wordX_ - total / 2;
  const int top = wordY_ - first.height / 2;
  for (Letter& letter : letters_) {
    letter.x = x;
    letter.y = letter.glyph < plusGlyph ? top : top + (first.height - letter.height) / 2;
    x += letter.width + gap;
  }
  invalidate();
}

int QvKGame::frameDelay() const
{
  return qvk::signFrameDelay(speed_, digitSign_, signFrame_);
}

void QvKGame::moveSign()
{
  wordX_ += velocityX_;
  wordY_ += velocityY_;
  layOut();
}

void QvKGame::throwDebris()
{
  debris_.clear();
  int frame = std::rand() % 6 + 1;
  for (const Letter& letter : letters_) {
    if (static_cast<int>(debris_.size()) >= maxDebris) break;
    if (std::rand() % 2 != 1) continue;
    Debris piece;
    piece.frame = frame;
    piece.x = letter.x + std::rand() % 40;
    if (piece.x == 0) piece.x = 1;
    piece.y = letter.y + std::rand() % 50;
    debris_.push_back(piece);
    frame = (frame + 5) % 6;
  }
}

OMPoint QvKGame::sweep(int frame, OMPoint point)
{
  if (frame < 1 || frame > finishFrames) return point;
  const SweepLine& line = sweepLines[frame - 1];
  if (point.x < line.x) return point;
  const int dy = point.y - line.y == 0 ? 1 : point.y - line.y;
  const double ratio = static_cast<double>(point.x - line.x) / dy;
  const bool swept = frame <= 7 ? line.slope >= ratio : line.slope <= ratio;
  if (!swept) return point;
  return OMPoint(static_cast<int>((point.y - line.y) * line.slope + line.x), point.y);
}

void QvKGame::sweepLetters()
{
  for (Letter& letter : letters_) {
    const OMPoint edge(letter.x + letter.width, letter.y + 30);
    const OMPoint swept = sweep(finishFrame_, edge);
    if (swept.x != edge.x) {
      letter.x = swept.x - letter.width;
      letter.y -= 2 * finishFrame_;
    } else if (letter.x < 200 && finishFrame_ > 11) {
      letter.x -= 40;
    }
  }
}

void QvKGame::sweepDebris()
{
  std::erase_if(debris_, [&](const Debris& piece) {
    const OMPoint at(piece.x, piece.y);
    return sweep(finishFrame_, at).x == at.x;
  });
}

void QvKGame::startRolling(long now)
{
  carStart_ = 0;
  roadSpeed_ = 6;
  nextRoadFrame_ = now + 60 / roadSpeed_;
  if (state_ == starting) state_ = accelerating;
}

void QvKGame::runState(long now)
{
  const std::weak_ptr<int> alive = alive_;
  switch (state_) {
    case starting:
      startRolling(now);
      return;
    case signComing:
      wordX_ = 300;
      wordY_ = 140;
      velocityX_ = 0;
      velocityY_ = -20;
      dampX_ = dampY_ = 100;
      // A new sign comes up closed: the spacing the last one spread to goes.
      spacing_ = 0;
      signFrame_ = 1;
      state_ = signApproaching;
      layOut();
      nextState_ = now + frameDelay();
      return;
    case signApproaching:
      ++signFrame_;
      layOut();
      nextState_ = now + frameDelay();
      if (signFrame_ < marks_[0]) return;
      signFrame_ = answerable_ ? marks_[1] : marks_[0];
      velocityY_ = -qvk::fallOf(signFrame_);
      dampY_ = 140;
      spacing_ = 3;
      state_ = signMovingOff;
      layOut();
      report(2);
      if (!alive.expired()) playSound(13229);
      return;
    case signRight:
      ++signFrame_;
      nextState_ = now + 1;
      if (signFrame_ == marks_[0]) playSound(13215);
      if (signFrame_ == marks_[1] - 1) throwDebris();
      if (signFrame_ >= marks_[1]) {
        state_ = finishStart;
        nextState_ = now + 50;
      }
      layOut();
      return;
    case signMovingOff:
      spacing_ *= 2;
      moveSign();
      velocityX_ = velocityX_ * dampX_ / 100;
      velocityY_ = velocityY_ * dampY_ / 100;
      nextState_ = now + qvk::moveOffDelay(speed_);
      if (wordY_ >= -60) return;
      state_ = idle;
      letters_.clear();
      report(3);
      return;
    case finishStart:
      finishFrame_ = 1;
      playSound(13216);
      state_ = finishIn;
      nextState_ = now + 3;
      invalidate();
      return;
    case finishIn:
      ++finishFrame_;
      nextState_ = now + 3;
      if (finishFrame_ <= finishFrames) {
        sweepLetters();
        invalidate();
        return;
      }
      finishFrame_ = finishFrames;
      state_ = finishOut;
      letters_.clear();
      report(4);
      return;
    case finishOut:
      --finishFrame_;
      nextState_ = now + 3;
      sweepDebris();
      invalidate();
      if (finishFrame_ > 0) return;
      state_ = idle;
      debris_.clear();
      report(5);
      return;
    case signWrong:
      wordY_ -= 3 + qvk::fallOf(signFrame_);
      ++signFrame_;
      nextState_ = now + 1;
      if (signFrame_ >= marks_[0]) {
        signFrame_ = marks_[2];
        state_ = signFalling;
      }
      layOut();
      return;
    case signFalling:
      moveSign();
      nextState_ = now + 1;
      if (wordY_ >= -80) return;
      state_ = idle;
      letters_.clear();
      report(6);
      return;
    default:
      return;
  }
}

void QvKGame::stepSignSequence()
{
  if (sequence_ == 1 && roadFrame_ == 1) sequence_ = 2;
  if (sequence_ != 2) return;
  ++sequenceStep_;
  if (sequenceKind_ == 1) {
    if (sequenceStep_ == 1 || sequenceStep_ == 4 || sequenceStep_ == 9 || sequenceStep_ == 14)
      roadSpeed_ = roadSpeed_ * 80 / 100;
    if (sequenceStep_ < finishSequenceEnd) return;
    roadSpeed_ = 0;
    sequence_ = 0;
    report(15);
    return;
  }
  if (sequenceStep_ < sequenceSteps) return;
  sequence_ = 0;
  report(sequenceKind_ == 0 ? 1 : 7);
}

void QvKGame::stepRoad(long now)
{
  roadFrame_ = roadFrame_ % roadFrames + 1;
  invalidate();
  const bool odd = roadFrame_ % 2 == 1;
  if (state_ == accelerating && odd && roadSpeed_ < qvk::roadSpeedOf(speed_)) ++roadSpeed_;
  if (state_ == slowing && odd && --roadSpeed_ < 5) {
    roadSpeed_ = 0;
    state_ = idle;
    report(9);
    return;
  }
  if (roadSpeed_ > 0) nextRoadFrame_ = now + 60 / roadSpeed_;
  stepSignSequence();
}

void QvKGame::tick()
{
  if (paused_) return;
  const std::weak_ptr<int> alive = alive_;
  const long now = qvk::ticks();
  if (carStart_ && state_ != starting && now >= carStart_) startRolling(now);
  if (state_ != idle && now >= nextState_) runState(now);
  if (alive.expired()) return;
  if (roadSpeed_ > 0 && now >= nextRoadFrame_) stepRoad(now);
}

void QvKGame::paint()
{
  OMMemCanvas* canvas = windowCanvas();
  if (!canvas || !isVisible()) return;
  if (road_) drawFrame(road_.get(), roadFrame_, road_->x(), road_->y(), canvas);
  if (sequence_ == 2 && sequenceKind_ >= 0 && sequenceKind_ < 3) {
    RAnimation* sign = signs_[static_cast<std::size_t>(sequenceKind_)].get();
    if (sign) drawFrame(sign, sequenceStep_, sign->x(), sign->y(), canvas);
  }
  for (const Debris& piece : debris_)
    drawFrame(debrisPicture_.get(), piece.frame, piece.x, piece.y, canvas);
  for (const Letter& letter : letters_)
    drawFrame(glyph(letter.glyph), signFrame_, letter.x, letter.y, canvas);
  if ((state_ == finishIn || state_ == finishOut) && finishFrame_ >= 1) {
    const OMPoint offset = finishOffsets[finishFrame_ - 1];
    drawFrame(finish_.get(), finishFrame_, 430 + offset.x, 245 + offset.y, canvas);
  }
  for (std::size_t i = 0; i < corners_.size(); ++i)
    drawFrame(corners_[i].get(), 1, cornerPlaces[i].x, cornerPlaces[i].y, canvas);
}
