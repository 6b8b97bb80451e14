#pragma once

// What the hosts need of the window layer, which registers it when it starts: a host never
// reaches into the window layer's own headers.
namespace omhost {

struct WindowLayerHooks {
  // Forgets every window, message and cursor of the last session.
  void (*resetSession)() = nullptr;
  // The virtual key of a key name of the input scripts ("Enter", "F1", "A"); 0 when unknown.
  int (*virtualKeyFromName)(const char* name) = nullptr;
};

void setWindowLayerHooks(const WindowLayerHooks& hooks);
const WindowLayerHooks& windowLayerHooks();

}  // namespace omhost
