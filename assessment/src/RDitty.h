#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/OMLink.h"
#include "trinkets/src/OMScriptableObject.h"

class OMIStream;
class OMWaveSound;

// A sound player for scripts and the racing quiz: a single sound, an album played in order or
// a random pick from a list, from wave files by name or from typed resources by id. It keeps
// two channels and alternates between them, so that the sound played last stays loaded and
// playing the same name again needs no new load.
class RDitty : public OMScriptableObject {
 public:
  enum Status { stopped = 0, playingSingle = 1, playingAlbum = 2 };

  explicit RDitty(const char* resourceFile);
  ~RDitty() override;
  RDitty(const RDitty&) = delete;
  RDitty& operator=(const RDitty&) = delete;

  static std::unique_ptr<OMScriptableObject> create();

  // Players are not copied: an assignment that would copy one gets no object.
  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

  // The racing quiz's direct calls. A single resource of that type and id, at the channel's
  // volume, once or with the repeat value given (-1 loops).
  void playResource(const char* type, int id, const char* repeat = "");
  void stop();
  // Deletes both channels' sounds and puts the player back as made.
  void release();
  // -1 leaves the volume; others are clamped to 0..100.
  void setVolume(int volume);
  // n + 1 plays in all: -2 loops for ever, 0 plays once.
  void setRepeat(int repeat);
  void setCache(bool on);
  int status() const { return status_; }
  const std::string& lastName() const { return lastName_; }
  int currentChannel() const { return current_; }

 private:
  enum SourceKind { waveFiles = 0, resources = 1, premix = 2 };

  struct Channel {
    std::unique_ptr<OMWaveSound> sound;
    std::unique_ptr<OMIStream> source;
    int volume = 100;
    int repeat = 1;
  };

  // Single: the name and the optional volume, repeat and hold texts.
  void playSingle(const std::string& name, const char* volume, const char* repeat,
                  const char* hold);
  void playAlbum();
  void playRandom();
  // Pops names up to an empty one into the list.
  void readList();
  bool startName(const std::string& name);
  bool loadName(const std::string& name);
  void attachLinks(OMWaveSound& sound, const Channel& channel);
  void releaseChannel(Channel& channel);
  void switchChannel();
  Channel& channel() { return channels_[current_]; }
  std::string listEntry(int index) const;

  OMWord onStarted();
  OMWord onFinished();

  OMWord waveSingleMember();
  OMWord waveAlbumMember();
  OMWord wavePreMixMember();
  OMWord resPreMixMember();
  OMWord startPreMixMember();
  OMWord resSingleMember();
  OMWord resAlbumMember();
  OMWord stopMember();
  OMWord pauseMember();
  OMWord resumeMember();
  OMWord randomWaveMember();
  OMWord randomResMember();
  OMWord setVolumeMember(OMWord text);
  OMWord getVolumeMember(OMWord buffer);
  OMWord setResFile(OMWord text);
  OMWord getResFile(OMWord buffer);
  OMWord setRepeatMember(OMWord text);
  OMWord getRepeatMember(OMWord buffer);
  OMWord getStatus(OMWord buffer);
  OMWord setCacheMember(OMWord text);
  OMWord ignore(OMWord text);

  std::string resourceFile_;
  std::string resourceType_;
  std::string lastName_;
  std::string list_;
  std::vector<std::string> entries_;
  int nextEntry_ = 0;
  Channel channels_[2];
  int sourceKind_ = waveFiles;
  int current_ = 0;
  int status_ = stopped;
  int remaining_ = 0;
  int cache_ = -1;
  bool hold_ = false;
  // Expires with the player, so that a "finished" handler that dropped it is noticed.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
