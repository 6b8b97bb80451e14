#pragma once

// Sound through SDL: the device pulls the host's audio sink from SDL's audio thread, so blocks
// are read at play time and the clock-driven consumption of the headless host stops. The
// windowed backend starts it; without a device the sink stays headless.
namespace omhost {

// False when no audio device could be opened (the sink then keeps its clock-driven pace).
bool startSdlAudio();
void stopSdlAudio();
bool isSdlAudioStarted();

}  // namespace omhost
