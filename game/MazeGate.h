#pragma once

#include <memory>

#include "framework/OMLink.h"
#include "framework/OMRect.h"
#include "framework/OMWord.h"
#include "game/MazeItem.h"

// A maze gate: it stops the car while closed. Opening plays its animation (a type-3 gate its
// transform) and, when that has played, calls the completion link; a type-2 gate opens its
// partner with it, and a type-3 gate's opening shows its type-4 partner's transform.
class MazeGate : public MazeItem {
 public:
  MazeGate() : MazeItem(gate) {}

  void show() override;
  void hide() override;

  // Only a closed gate opens; withPartner passes the opening on to a type-2 partner.
  void open(int withPartner);
  // Only an open gate closes; its animation shows at once.
  void close();
  // The animation that opening plays: the transform for type 3, else the gate's own.
  OMAnimation* openingAnimation() const;

  MazeGate* partner = nullptr;
  OMRect keyZone;
  int closed = 1;
  int type = 0;
  std::unique_ptr<OMAnimation> transform;
  std::unique_ptr<OMLink> completionLink;
  int transformShown = 0;
  // Set by a type-1 link: clicks on the gate are not reported.
  int clickReported = 1;

 private:
  OMWord openingPlayed();
  OMAnimation* shownAnimation() const;
};
