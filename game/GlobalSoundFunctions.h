#pragma once

#include <cstdint>
#include <memory>

class OMIStream;
class OMLink;
class PlayedSound;

// The one player of short sounds by resource id behind the scripts' "PlaySound" and its
// companions, the drag-and-drop trinkets, the pentomino board and the push button's click.
// Each sound it starts is known by a handle: 0 for the first of the run, then counting up,
// never reused.

// Opens the "WAVE" resource of an id with the read options; the caller owns the stream. The
// resource set-up installs the game's loader; without one the registry's typed lookup serves.
using SoundResourceOpener = std::unique_ptr<OMIStream> (*)(int id, std::int32_t options);
void setSoundResourceOpener(SoundResourceOpener opener);

// Plays the WAVE resource once (forever 0: link, when given, is called at its end) or until it
// is stopped; the new handle, or -1 when id is 0 or names no playable WAVE resource.
std::int32_t playSoundResource(std::uint16_t id, const OMLink* link, int forever);
void stopPlayedSound(std::int32_t handle);
void setPlayedSoundVolume(std::int32_t handle, int volume);
// Played once, the handle dropped.
void playSoundById(std::uint16_t id);
void killAllPlayedSounds();

// The handle's sound while it plays or is paused, else null.
PlayedSound* findPlayedSound(std::int32_t handle);
int playedSoundCount();

// Start-up: the trinkets' play and stop hooks, then the script functions.
void installSoundHooks();
void registerSoundFunctions();
// Shut-down: every played sound goes, and the hooks are cleared.
void shutdownSoundFunctions();
