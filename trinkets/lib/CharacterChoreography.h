#pragma once

#include <cstddef>
#include <vector>

class OMXMLElement;

// A choreography document read for a talking character: the frame rate, per animation the
// frame to show at each choreography frame (-1 hides it), and the speech sound.
class CharacterChoreography {
 public:
  struct Track {
    int animationId = 0;
    std::vector<int> frames;
  };

  // False, with the reason, for text that is no document, has no "CHOR" element, or no frame
  // rate of at least 1. An "ANIM" without "SEQ" and "FRAMES" is left out.
  bool read(const char* text, std::size_t length, const char** problem);

  int frameTime() const { return 1000 / framesPerSecond_; }
  // -1: the document names no sound.
  int soundId() const { return soundId_; }
  const std::vector<Track>& tracks() const { return tracks_; }

 private:
  bool readTrack(const OMXMLElement& anim);

  int framesPerSecond_ = 1;
  int soundId_ = -1;
  std::vector<Track> tracks_;
};
