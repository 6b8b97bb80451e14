#pragma once

#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "trinkets/lib/RText.h"

// The racing quiz's text box on the problem sign: shows a text at once, or types it one
// character a tick and then tells the game.
class QvKText : public RText {
 public:
  QvKText(OMTrinketWindow* host, const OMLink* problemLink);

  void setText(const char* text);
  void typeText(const char* text);
  void clear();
  void togglePaused() { paused_ = !paused_; }
  bool isTyping() const { return typed_ < full_.size(); }
  const std::string& shown() const { return shown_; }

  void tick() override;

 private:
  std::unique_ptr<OMLink> problemLink_;
  std::string full_;
  std::string shown_;
  std::size_t typed_ = 0;
  long lastTick_ = 0;
  bool paused_ = false;
};
