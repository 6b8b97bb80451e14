#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/OMList.h"
#include "framework/OMPoint.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/rvar/YVariableTable.h"

// One piece of a multi-piece trinket: a trinket added from code (owned, or lent by its owner)
// or one that a script variable holds.
class PieceRecord {
 public:
  PieceRecord(int layer, int id) : layer(layer), id(id) {}
  PieceRecord(const PieceRecord&) = delete;
  PieceRecord& operator=(const PieceRecord&) = delete;
  virtual ~PieceRecord() = default;

  // The trinket now: a script piece only while its variable still holds the trinket that was
  // attached, so that a reassigned variable leaves the piece empty.
  OMTrinket* trinket() const;

  int ticked = 0;
  int layer;
  int id;
  YVariableRef variable = -1;
  std::unique_ptr<OMTrinket> owned;
  // A code piece whose trinket belongs to someone else, or a script piece's attached trinket.
  OMTrinket* lent = nullptr;
  bool borrowed = false;
  // A copy's script piece: the trinket stays attached to the container copied from, and the
  // piece lasts only while that one keeps it off the stage.
  bool shared = false;
};

// A trinket made of other trinkets. The pieces leave the host's list; the container ticks,
// draws, hit-tests and moves them, forwards input to the piece under the pointer and keeps
// their flags in step with its own. With "tracking" one click picks it up, the next puts it
// down.
class OMMultiTrinket : public OMTrinket {
 public:
  OMMultiTrinket(OMTrinketWindow* host, int redrawMode);
  OMMultiTrinket(const OMMultiTrinket& other);
  ~OMMultiTrinket() override;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;
  void setAttribute(int code, int a, int b) override;
  const OMRegion& hitRegion() const override;
  bool containsPoint(const OMPoint& point) const override;
  bool carries(const OMTrinket* trinket) const override;
  void setX(int x) override;
  int x() const override { return rect().left(); }
  void setY(int y) override;
  int y() const override { return rect().top(); }
  void setPosition(int x, int y) override;
  void getPosition(int* x, int* y) const override;
  void show() override;
  void hide() override;
  void makeMovable() override;
  void makeFixed() override;
  void start() override;
  void stop() override;
  void onFlyOn() override;
  void onFlyOff() override;
  void onKeyDown() override;
  void onMouseDown() override;
  void onMouseUp() override;
  void onDrag() override;
  void onDoubleClick() override;
  void offset(int& dx, int& dy) override;
  void tick() override;
  void paint() override {}
  void draw() override;

  // `owned` 0: the trinket stays its owner's and goes back to its host when removed.
  void addPiece(OMTrinket* trinket, int layer, int id, int owned);
  void addPiece(std::unique_ptr<OMTrinket> trinket, int layer, int id)
  {
    addPiece(trinket.release(), layer, id, 1);
  }
  OMTrinket* pieceWithId(int id) const;
  void removePiecesWithId(int id);
  void removePieceOf(OMTrinket* trinket);
  void removeAllPieces();
  int layerOfId(int id) const;
  int layerOf(const OMTrinket* trinket) const;
  void setLayerOfId(int id, int layer);
  void setLayerOf(const OMTrinket* trinket, int layer);
  void setUserData(const char* text);
  const char* userData() const { return userData_ ? userData_->c_str() : nullptr; }
  void setTrackingCursor(OMCursor* cursor);
  void setHoverCursor(OMCursor* cursor);
  void recomputeBounds(int flag);
  int pieceCount() const { return pieces_.count(); }
  int tracking() const { return tracking_; }
  void setTracking(int tracking) { tracking_ = tracking; }
  const OMPoint& hotPoint() const { return hotPoint_; }
  void setHotPoint(const OMPoint& point) { hotPoint_ = point; }

  // Expires with the container: a dispatch that ran a handler checks it before going on.
  std::weak_ptr<int> lifetime() const { return alive_; }

  // The assessment edition calls this link (a clone; null clears) with every container that
  // is being deleted.
  static void setDeletionHook(const OMLink* link);

 protected:
  // Calls the function with every piece's trinket, head first.
  template <typename Function>
  void forEachPieceTrinket(Function&& function) const
  {
    pieces_.forEach([&](PieceRecord* piece) {
      if (OMTrinket* t = piece->trinket()) function(t);
    });
  }

 private:
  void addRecord(PieceRecord* piece);
  void attach(PieceRecord* piece);
  void setForwardingHooks(OMTrinket* trinket);
  void detach(PieceRecord* piece);
  // Removes the pieces that pass the test; true when one went.
  template <typename Test>
  bool removePieces(Test&& test);
  void afterRemoval(bool removed);
  void recomputeRedrawMode();
  PieceRecord* pieceAt(const OMPoint& point) const;
  void updateCursor();
  // Runs one input handler; the cursor follows unless the handler destroyed the container.
  template <typename Handler>
  void dispatch(Handler&& handler);
  void forwardPress(PieceRecord* piece);
  void forwardRelease(PieceRecord* piece);
  bool holdsMouse() const { return inputMode() == holdingInput || inputMode() == holdingWithHover; }
  void pressWhileTracking();
  void releaseWhileTracking();
  void moveBy(int dx, int dy);
  void collectDirtyPieces();
  void updateHoverPiece(const OMPoint& point);

  OMWord forwardMouseDown();
  OMWord forwardMouseUp();
  OMWord forwardDrag();
  OMWord forwardDoubleClick();

  // Script members.
  OMWord getHeight(OMWord buffer);
  OMWord getWidth(OMWord buffer);
  OMWord getCorralled(OMWord buffer);
  OMWord setCorralled(OMWord text);
  OMWord getTracking(OMWord buffer);
  OMWord setTrackingMember(OMWord text);
  OMWord getUserData(OMWord buffer);
  OMWord setUserDataMember(OMWord text);
  OMWord getX(OMWord buffer);
  OMWord setXMember(OMWord text);
  OMWord getY(OMWord buffer);
  OMWord setYMember(OMWord text);
  OMWord addTrinketMember();
  OMWord placeMember();
  OMWord offsetMember();
  OMWord removeTrinketsMember();

  int mouseOver_ = 0;
  int tracking_ = 0;
  std::unique_ptr<std::string> userData_;
  mutable OMList<PieceRecord> borrowed_;
  // Walked from const members too; the walks keep a saved cursor.
  mutable OMList<PieceRecord> pieces_;
  OMPoint hotPoint_;
  PieceRecord* hoverPiece_ = nullptr;
  PieceRecord* pressedPiece_ = nullptr;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
