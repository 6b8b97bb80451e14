#pragma once

#include <cstdint>
#include <memory>

#include "framework/OMLink.h"
#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

class OMWindow;

// Gives scripts the keys typed on the stage: "keyPressed" for every key, and "key" names the
// last one. While it exists it holds the stage's key link; objects made one after another
// chain, each keeping the link it found.
class RKbdInp : public OMScriptableObject {
 public:
  RKbdInp();
  RKbdInp(const RKbdInp& other);
  ~RKbdInp() override;

  static std::unique_ptr<OMScriptableObject> create();
  // The window whose keys the objects take (the stage), or null.
  static void setListenWindow(OMWindow* window);

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // The name of a key code, with "Ctrl-" when Ctrl was held.
  static void keyName(std::uint32_t code, bool control, char* buffer, std::size_t size);

 private:
  void listen();
  // The stage's key link: the newest object takes the key.
  static OMWord keyEntry(OMWord);
  OMWord keyArrived();
  OMWord keyText(OMWord buffer);

  std::unique_ptr<OMLink> previous_;
  std::uint32_t code_ = 0;
  bool control_ = false;
};
