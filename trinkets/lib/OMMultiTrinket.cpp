#include "trinkets/lib/OMMultiTrinket.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "framework/OMEdition.h"
#include "framework/OMLinkToObj.h"
#include "framework/OMSystem.h"
#include "trinkets/lib/ScriptCoordinate.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObjectProperty.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("OMMultiTrinket", &OMMultiTrinket::create);

// The move from the current position to a wanted one, held as every trinket's position is to
// the range whose sizes fit in 32 bits.
int towards(std::int64_t wanted, int current)
{
  return static_cast<int>(clampCoordinate(wanted) - std::int64_t(current));
}

std::unique_ptr<OMLink>& deletionHook()
{
  static std::unique_ptr<OMLink> hook;
  return hook;
}

// Head: lowest layer; a new piece goes in front of those of equal layer.
int byLayer(PieceRecord* existing, PieceRecord* added)
{
  return existing->layer < added->layer;
}

int number(OMWord text)
{
  return std::atoi(reinterpret_cast<const char*>(text));
}

bool mouseButtonDown()
{
  int buttons = 0;
  getMouseState(&buttons);
  return buttons != 0;
}

}  // namespace

OMTrinket* PieceRecord::trinket() const
{
  if (owned) return owned.get();
  if (variable < 0) return lent;
  if (scriptVariables.getObject(variable) != lent) return nullptr;
  return shared && lent && lent->isInWindowList() ? nullptr : lent;
}

OMMultiTrinket::OMMultiTrinket(OMTrinketWindow* host, int redrawMode) : OMTrinket(host, redrawMode)
{
  pieces_.setOrdering(&byLayer);
}

OMMultiTrinket::OMMultiTrinket(const OMMultiTrinket& other)
    : OMTrinket(other),
      mouseOver_(other.mouseOver_),
      tracking_(other.tracking_),
      userData_(other.userData_ ? std::make_unique<std::string>(*other.userData_) : nullptr),
      hotPoint_(other.hotPoint_)
{
  pieces_.setOrdering(&byLayer);
  // Hooks copied from the source would call it.
  other.pieces_.forEach([&](PieceRecord* source) {
    auto piece = std::make_unique<PieceRecord>(source->layer, source->id);
    piece->variable = source->variable;
    piece->borrowed = source->borrowed;
    OMTrinket* code = source->variable < 0 ? source->trinket() : nullptr;
    if (source->variable >= 0) {
      piece->lent = source->lent;
      piece->shared = true;
    } else if (code) {
      // The clone has no other owner, whoever owned the source's trinket.
      std::unique_ptr<OMScriptableObject> copy = code->clone();
      piece->owned.reset(dynamic_cast<OMTrinket*>(copy.release()));
      piece->borrowed = false;
      if (piece->owned) {
        piece->owned->removeFromWindow();
        setForwardingHooks(piece->owned.get());
      }
    }
    addRecord(piece.release());
  });
}

OMMultiTrinket::~OMMultiTrinket()
{
  if (OMEdition::isAssessment() && deletionHook())
    deletionHook()->call(reinterpret_cast<OMWord>(this));
  alive_.reset();
  while (PieceRecord* piece = pieces_.first())
    detach(piece);
  userData_.reset();
}

std::unique_ptr<OMScriptableObject> OMMultiTrinket::create()
{
  return std::make_unique<OMMultiTrinket>(OMTrinketWindow::mainHost(), 2);
}

std::unique_ptr<OMScriptableObject> OMMultiTrinket::clone() const
{
  auto copy = std::make_unique<OMMultiTrinket>(*this);
  copyMembers(copy.get());
  return copy;
}

void OMMultiTrinket::setDeletionHook(const OMLink* link)
{
  OMScriptableObjectProperty::replaceLink(deletionHook(), link);
}

// Pieces.

void OMMultiTrinket::addRecord(PieceRecord* piece)
{
  pieces_.add(piece);
  if (piece->borrowed) borrowed_.add(piece);
}

void OMMultiTrinket::addPiece(OMTrinket* trinket, int layer, int id, int owned)
{
  if (!trinket || trinket == this || trinket->carries(this)) return;
  auto* piece = new PieceRecord(layer, id);
  if (owned) {
    piece->owned.reset(trinket);
  } else {
    piece->lent = trinket;
    piece->borrowed = true;
  }
  addRecord(piece);
  attach(piece);
}

void OMMultiTrinket::setForwardingHooks(OMTrinket* trinket)
{
  using Link = OMLinkToObj<OMMultiTrinket>;
  const Link doubleClick(this, &OMMultiTrinket::forwardDoubleClick);
  const Link press(this, &OMMultiTrinket::forwardMouseDown);
  const Link drag(this, &OMMultiTrinket::forwardDrag);
  const Link release(this, &OMMultiTrinket::forwardMouseUp);
  trinket->setDoubleClickHook(&doubleClick);
  trinket->setMouseDownHook(&press);
  trinket->setDragHook(&drag);
  trinket->setMouseUpHook(&release);
}

void OMMultiTrinket::attach(PieceRecord* piece)
{
  OMTrinket* t = piece->trinket();
  if (!t) return;
  t->setVisible(isVisible());
  t->setTouchy(isTouchy());
  t->setMovable(isMovable());
  t->setBounds(bounds());
  t->setConfined(isConfined());
  setForwardingHooks(t);
  recomputeBounds(1);
  recomputeRedrawMode();
  t->OMTrinket::setTrackingCursor(trackingCursor());
  t->OMTrinket::setHoverCursor(hoverCursor());
  t->removeFromWindow();
}

void OMMultiTrinket::detach(PieceRecord* piece)
{
  // A shared trinket is the original's to give back.
  if (OMTrinket* t = piece->shared ? nullptr : piece->trinket()) {
    if (piece->borrowed) {
      t->setDoubleClickHook(nullptr);
      t->setMouseDownHook(nullptr);
      t->setDragHook(nullptr);
      t->setMouseUpHook(nullptr);
      t->addToWindow();
    }
  }
  if (hoverPiece_ == piece) hoverPiece_ = nullptr;
  if (pressedPiece_ == piece) pressedPiece_ = nullptr;
  pieces_.remove(piece);
  borrowed_.remove(piece);
  // An owned trinket goes with its record.
  delete piece;
}

template <typename Test>
bool OMMultiTrinket::removePieces(Test&& test)
{
  std::vector<PieceRecord*> doomed;
  pieces_.forEach([&](PieceRecord* piece) {
    if (test(piece)) doomed.push_back(piece);
  });
  for (PieceRecord* piece : doomed)
    detach(piece);
  return !doomed.empty();
}

void OMMultiTrinket::afterRemoval(bool removed)
{
  recomputeBounds(removed ? 1 : 0);
  recomputeRedrawMode();
}

void OMMultiTrinket::removePiecesWithId(int id)
{
  afterRemoval(removePieces([id](PieceRecord* piece) { return piece->id == id; }));
}

void OMMultiTrinket::removePieceOf(OMTrinket* trinket)
{
  bool found = false;
  afterRemoval(removePieces([&](PieceRecord* piece) {
    if (found || piece->trinket() != trinket) return false;
    found = true;
    return true;
  }));
}

void OMMultiTrinket::removeAllPieces()
{
  afterRemoval(removePieces([](PieceRecord*) { return true; }));
}

OMTrinket* OMMultiTrinket::pieceWithId(int id) const
{
  PieceRecord* piece = pieces_.firstThat([id](PieceRecord* p) { return p->id == id; });
  return piece ? piece->trinket() : nullptr;
}

int OMMultiTrinket::layerOfId(int id) const
{
  PieceRecord* piece = pieces_.firstThat([id](PieceRecord* p) { return p->id == id; });
  return piece ? piece->layer : 0;
}

int OMMultiTrinket::layerOf(const OMTrinket* trinket) const
{
  PieceRecord* piece =
      pieces_.firstThat([trinket](PieceRecord* p) { return p->trinket() == trinket; });
  return piece ? piece->layer : 0;
}

void OMMultiTrinket::setLayerOfId(int id, int layer)
{
  std::vector<PieceRecord*> moved;
  pieces_.forEach([&](PieceRecord* piece) {
    if (piece->id == id) moved.push_back(piece);
  });
  for (PieceRecord* piece : moved) {
    pieces_.remove(piece);
    piece->layer = layer;
    if (OMTrinket* t = piece->trinket()) t->setZ(z() + layer);
    pieces_.add(piece);
  }
}

void OMMultiTrinket::setLayerOf(const OMTrinket* trinket, int layer)
{
  PieceRecord* piece =
      pieces_.firstThat([trinket](PieceRecord* p) { return p->trinket() == trinket; });
  if (!piece) return;
  pieces_.remove(piece);
  piece->layer = layer;
  if (OMTrinket* t = piece->trinket()) t->setZ(z() + layer);
  pieces_.add(piece);
}

void OMMultiTrinket::setUserData(const char* text)
{
  userData_ = text ? std::make_unique<std::string>(text) : nullptr;
}

void OMMultiTrinket::setTrackingCursor(OMCursor* cursor)
{
  OMTrinket::setTrackingCursor(cursor);
  forEachPieceTrinket([cursor](OMTrinket* t) { t->OMTrinket::setTrackingCursor(cursor); });
}

void OMMultiTrinket::setHoverCursor(OMCursor* cursor)
{
  OMTrinket::setHoverCursor(cursor);
  forEachPieceTrinket([cursor](OMTrinket* t) { t->OMTrinket::setHoverCursor(cursor); });
}

void OMMultiTrinket::recomputeBounds(int flag)
{
  if (!flag || pieces_.isEmpty()) return;
  OMRect all;
  forEachPieceTrinket([&](OMTrinket* t) { all = all.united(t->rect()); });
  setRect(all);
}

void OMMultiTrinket::recomputeRedrawMode()
{
  int lowest = -1;
  pieces_.firstThat([&](PieceRecord* piece) {
    OMTrinket* t = piece->trinket();
    if (!t) return false;
    if (lowest < 0 || t->redrawMode() < lowest) lowest = t->redrawMode();
    return lowest == 0;
  });
  setRedrawMode(lowest < 0 ? 2 : lowest);
}

// Keeping the pieces in step.

void OMMultiTrinket::setAttribute(int code, int a, int b)
{
  OMTrinket::setAttribute(code, a, b);
  pieces_.forEach([&](PieceRecord* piece) {
    OMTrinket* t = piece->trinket();
    if (!t) return;
    if (code == 3) {
      t->setAttribute(code, a + piece->layer, b);
    } else {
      t->setAttribute(code, a, b);
    }
  });
}

void OMMultiTrinket::show()
{
  OMTrinket::show();
  forEachPieceTrinket([](OMTrinket* t) { t->show(); });
}

void OMMultiTrinket::hide()
{
  OMTrinket::hide();
  forEachPieceTrinket([](OMTrinket* t) { t->hide(); });
}

void OMMultiTrinket::makeMovable()
{
  OMTrinket::makeMovable();
  forEachPieceTrinket([](OMTrinket* t) { t->makeMovable(); });
}

void OMMultiTrinket::makeFixed()
{
  OMTrinket::makeFixed();
  forEachPieceTrinket([](OMTrinket* t) { t->makeFixed(); });
}

void OMMultiTrinket::start()
{
  OMTrinket::start();
  forEachPieceTrinket([](OMTrinket* t) { t->start(); });
}

void OMMultiTrinket::stop()
{
  OMTrinket::stop();
  forEachPieceTrinket([](OMTrinket* t) { t->stop(); });
}

// Hit testing.

PieceRecord* OMMultiTrinket::pieceAt(const OMPoint& point) const
{
  return pieces_.lastThat([&](PieceRecord* piece) {
    OMTrinket* t = piece->trinket();
    return t && t->isTouchy() && t->isVisible() && t->containsPoint(point);
  });
}

bool OMMultiTrinket::containsPoint(const OMPoint& point) const
{
  return pieceAt(point) != nullptr;
}

bool OMMultiTrinket::carries(const OMTrinket* trinket) const
{
  return trinket && pieces_.firstThat([trinket](PieceRecord* piece) {
    const OMTrinket* t = piece->trinket();
    return t && (t == trinket || t->carries(trinket));
  }) != nullptr;
}

const OMRegion& OMMultiTrinket::hitRegion() const
{
  static OMRegion region;
  region.clear();
  forEachPieceTrinket([](OMTrinket* t) { region.unionWith(t->hitRegion()); });
  return region;
}

// Moving.

void OMMultiTrinket::moveBy(int dx, int dy)
{
  offset(dx, dy);
}

void OMMultiTrinket::offset(int& dx, int& dy)
{
  dragTo(dx, dy);
  dx = towards(std::int64_t(rect().left()) + dx, rect().left());
  dy = towards(std::int64_t(rect().top()) + dy, rect().top());
  forEachPieceTrinket([&](OMTrinket* t) {
    int pieceDx = dx, pieceDy = dy;
    t->offset(pieceDx, pieceDy);
  });
  OMRect moved = rect();
  moved.offset(dx, dy);
  setRect(moved);
}

void OMMultiTrinket::setX(int x)
{
  moveBy(towards(x, rect().left()), 0);
}

void OMMultiTrinket::setY(int y)
{
  moveBy(0, towards(y, rect().top()));
}

void OMMultiTrinket::setPosition(int x, int y)
{
  moveBy(towards(x, rect().left()), towards(y, rect().top()));
}

void OMMultiTrinket::getPosition(int* x, int* y) const
{
  if (x) *x = rect().left();
  if (y) *y = rect().top();
}

// The frame.

void OMMultiTrinket::tick()
{
  const OMPoint point = currentEventMousePoint();
  const std::weak_ptr<int> alive = alive_;
  pieces_.forEach([](PieceRecord* piece) { piece->ticked = 0; });
  // Each piece steps once, whatever the steps add or remove.
  while (PieceRecord* next = pieces_.firstThat([](PieceRecord* p) { return !p->ticked; })) {
    next->ticked = 1;
    if (OMTrinket* t = next->trinket()) t->tick();
    if (alive.expired()) return;
  }
  collectDirtyPieces();
  if (mouseOver_ && isVisible()) updateHoverPiece(point);
}

void OMMultiTrinket::collectDirtyPieces()
{
  OMRegion region = dirtyRegion();
  int change = drawState();
  forEachPieceTrinket([&](OMTrinket* t) {
    if (!t->isVisible()) return;
    if (t->drawState() == whollyDirty) {
      region.unionWith(OMRegion(t->rect()));
      change = 1;
    } else if (t->drawState() == partlyDirty) {
      region.unionWith(t->dirtyRegion());
      change = 1;
    }
  });
  if (!change) return;
  setDrawState(change);
  setDirtyRegion(region);
}

void OMMultiTrinket::updateHoverPiece(const OMPoint& point)
{
  PieceRecord* under = pieceAt(point);
  if (under == hoverPiece_) return;
  const std::weak_ptr<int> alive = alive_;
  if (hoverPiece_) {
    if (OMTrinket* old = hoverPiece_->trinket()) {
      old->onFlyOff();
      if (alive.expired()) return;
      old->raise("flyOff");
      if (alive.expired()) return;
    }
  }
  // A fly-off handler may have removed the piece under the pointer.
  hoverPiece_ = pieces_.contains(under) ? under : nullptr;
  if (hoverPiece_) {
    if (OMTrinket* now = hoverPiece_->trinket()) {
      now->onFlyOn();
      if (alive.expired()) return;
      now->raise("flyOn");
      if (alive.expired()) return;
    }
  }
  updateCursor();
}

void OMMultiTrinket::updateCursor()
{
  if (!isVisible() || !hoverPiece_) return;
  OMTrinket* t = hoverPiece_->trinket();
  if (!t) return;
  if (mouseButtonDown()) {
    t->showTrackingCursor();
  } else {
    t->showHoverCursor();
  }
}

void OMMultiTrinket::draw()
{
  forEachPieceTrinket([this](OMTrinket* t) {
    t->setZ(z());
    t->draw();
  });
  OMTrinket::draw();
}

// Input.

template <typename Handler>
void OMMultiTrinket::dispatch(Handler&& handler)
{
  const std::weak_ptr<int> alive = alive_;
  handler();
  if (!alive.expired()) updateCursor();
}

void OMMultiTrinket::forwardPress(PieceRecord* piece)
{
  OMTrinket* t = piece ? piece->trinket() : nullptr;
  if (t) {
    t->onMouseDown();
  } else {
    OMTrinket::onMouseDown();
  }
}

void OMMultiTrinket::forwardRelease(PieceRecord* piece)
{
  OMTrinket* t = piece ? piece->trinket() : nullptr;
  if (t) {
    t->onMouseUp();
  } else {
    OMTrinket::onMouseUp();
  }
}

void OMMultiTrinket::onMouseDown()
{
  dispatch([this] {
    if (!tracking_ || OMEdition::isAssessment()) {
      pressedPiece_ = pieceAt(currentEventMousePoint());
      forwardPress(pressedPiece_);
    } else {
      pressWhileTracking();
    }
  });
}

void OMMultiTrinket::pressWhileTracking()
{
  const std::weak_ptr<int> alive = alive_;
  if (!holdsMouse()) {
    grabInput(1, 0);
    raise("startTracking");
    if (alive.expired()) return;
    pressedPiece_ = pieceAt(currentEventMousePoint());
    forwardPress(pressedPiece_);
    return;
  }
  grabInput(0, 0);
  raise("endTracking");
  if (alive.expired()) return;
  PieceRecord* pressed = pressedPiece_;
  pressedPiece_ = nullptr;
  forwardRelease(pressed);
}

void OMMultiTrinket::onMouseUp()
{
  dispatch([this] {
    if (!tracking_ || !pressedPiece_ || OMEdition::isAssessment()) {
      PieceRecord* pressed = pressedPiece_;
      pressedPiece_ = nullptr;
      forwardRelease(pressed);
    } else {
      releaseWhileTracking();
    }
  });
}

void OMMultiTrinket::releaseWhileTracking()
{
  OMTrinketWindow* host = window();
  if (!host) return;
  OMRect frame = host->getFrameRect();
  frame.offset(host->offsetX(), host->offsetY());
  // Inside the frame the container stays pressed and follows the pointer.
  if (frame.containsPoint(currentEventMousePoint())) return;
  const std::weak_ptr<int> alive = alive_;
  grabInput(0, 0);
  raise("endTracking");
  if (alive.expired()) return;
  PieceRecord* pressed = pressedPiece_;
  pressedPiece_ = nullptr;
  forwardRelease(pressed);
}

void OMMultiTrinket::onDrag()
{
  OMTrinket* t = pressedPiece_ ? pressedPiece_->trinket() : nullptr;
  if (t) {
    t->onDrag();
  } else {
    OMTrinket::onDrag();
  }
}

void OMMultiTrinket::onDoubleClick()
{
  pressedPiece_ = pieceAt(currentEventMousePoint());
  OMTrinket* t = pressedPiece_ ? pressedPiece_->trinket() : nullptr;
  if (t) {
    t->onDoubleClick();
  } else {
    OMTrinket::onDoubleClick();
  }
}

void OMMultiTrinket::onKeyDown()
{
  dispatch([this] {
    PieceRecord* piece = pieceAt(currentEventMousePoint());
    OMTrinket* t = piece ? piece->trinket() : nullptr;
    if (t && t->keyHook()) {
      t->onKeyDown();
    } else {
      OMTrinket::onKeyDown();
    }
  });
}

void OMMultiTrinket::onFlyOn()
{
  mouseOver_ = 1;
  OMTrinket::onFlyOn();
}

void OMMultiTrinket::onFlyOff()
{
  mouseOver_ = 0;
  OMTrinket::onFlyOff();
}

OMWord OMMultiTrinket::forwardMouseDown()
{
  OMTrinket::onMouseDown();
  return 1;
}

OMWord OMMultiTrinket::forwardMouseUp()
{
  OMTrinket::onMouseUp();
  return 1;
}

OMWord OMMultiTrinket::forwardDrag()
{
  OMTrinket::onDrag();
  return 1;
}

OMWord OMMultiTrinket::forwardDoubleClick()
{
  OMTrinket::onDoubleClick();
  return 1;
}

// Script members.

void OMMultiTrinket::registerMembers()
{
  OMTrinket::registerMembers();
  using Link = OMLinkToObj<OMMultiTrinket>;
  const bool game = !OMEdition::isAssessment();
  if (game) {
    for (const char* name : {"x", "y", "place", "offset"})
      removeMember(name);
  }
  addProperty("height", nullptr, Link(this, &OMMultiTrinket::getHeight, 0));
  addProperty("isCorralled", Link(this, &OMMultiTrinket::setCorralled, 0),
              Link(this, &OMMultiTrinket::getCorralled, 0));
  if (game) {
    addProperty("tracking", Link(this, &OMMultiTrinket::setTrackingMember, 0),
                Link(this, &OMMultiTrinket::getTracking, 0));
  }
  addProperty("userData", Link(this, &OMMultiTrinket::setUserDataMember, 0),
              Link(this, &OMMultiTrinket::getUserData, 0));
  addProperty("width", nullptr, Link(this, &OMMultiTrinket::getWidth, 0));
  if (game) {
    addProperty("x", Link(this, &OMMultiTrinket::setXMember, 0),
                Link(this, &OMMultiTrinket::getX, 0));
    addProperty("y", Link(this, &OMMultiTrinket::setYMember, 0),
                Link(this, &OMMultiTrinket::getY, 0));
  }
  addMethod("addTrinket", Link(this, &OMMultiTrinket::addTrinketMember));
  if (game) {
    addMethod("place", Link(this, &OMMultiTrinket::placeMember));
    addMethod("offset", Link(this, &OMMultiTrinket::offsetMember));
  }
  addMethod("removeTrinkets", Link(this, &OMMultiTrinket::removeTrinketsMember));
  if (game) {
    addEvent("startTracking");
    addEvent("endTracking");
  }
}

OMWord OMMultiTrinket::getHeight(OMWord buffer)
{
  return writeNumber(buffer, rect().height());
}

OMWord OMMultiTrinket::getWidth(OMWord buffer)
{
  return writeNumber(buffer, rect().width());
}

OMWord OMMultiTrinket::getCorralled(OMWord buffer)
{
  return writeNumber(buffer, isConfined());
}

OMWord OMMultiTrinket::setCorralled(OMWord text)
{
  setConfined(number(text));
  return 1;
}

OMWord OMMultiTrinket::getTracking(OMWord buffer)
{
  return writeNumber(buffer, tracking_);
}

OMWord OMMultiTrinket::setTrackingMember(OMWord text)
{
  tracking_ = number(text);
  return 1;
}

OMWord OMMultiTrinket::getUserData(OMWord buffer)
{
  // None reads as empty, not as whatever the shared buffer last held.
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%s",
                userData_ ? userData_->c_str() : "");
  return 1;
}

OMWord OMMultiTrinket::setUserDataMember(OMWord text)
{
  setUserData(reinterpret_cast<const char*>(text));
  return 1;
}

OMWord OMMultiTrinket::getX(OMWord buffer)
{
  return writeNumber(buffer, rect().left());
}

OMWord OMMultiTrinket::setXMember(OMWord text)
{
  setX(number(text));
  return 1;
}

OMWord OMMultiTrinket::getY(OMWord buffer)
{
  return writeNumber(buffer, rect().top());
}

OMWord OMMultiTrinket::setYMember(OMWord text)
{
  setY(number(text));
  return 1;
}

OMWord OMMultiTrinket::addTrinketMember()
{
  const std::string name = popScriptArg();
  const std::string layerText = popScriptArg();
  const std::string idText = popScriptArg();
  const YVariableRef variable = scriptVariables.resolve(name.c_str());
  auto* t = dynamic_cast<OMTrinket*>(scriptVariables.getObject(variable));
  // A trinket already in the container would be drawn and ticked twice; one that carries the
  // container would make a loop.
  if (!t || t == this || t->carries(this) ||
      pieces_.firstThat([t](PieceRecord* p) { return p->trinket() == t; }))
    return 1;
  const int layer = layerText.empty() ? 0 : std::atoi(layerText.c_str());
  const int id = idText.empty() ? 0 : std::atoi(idText.c_str());
  auto* piece = new PieceRecord(layer, id);
  piece->variable = variable;
  piece->lent = t;
  piece->borrowed = true;
  addRecord(piece);
  attach(piece);
  return 1;
}

OMWord OMMultiTrinket::placeMember()
{
  const int px = std::atoi(popScriptArg());
  const int py = std::atoi(popScriptArg());
  setPosition(px, py);
  return 1;
}

OMWord OMMultiTrinket::offsetMember()
{
  int dx = std::atoi(popScriptArg());
  int dy = std::atoi(popScriptArg());
  offset(dx, dy);
  return 1;
}

OMWord OMMultiTrinket::removeTrinketsMember()
{
  const char* idText = popScriptArg();
  if (!*idText) {
    removeAllPieces();
  } else {
    removePiecesWithId(std::atoi(idText));
  }
  return 1;
}
