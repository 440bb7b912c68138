// Plays a meeting's audio through the sound server on a stream of its own named "Tizara": the
// meeting's tracks mixed (PlaybackAudio), from any moment, at a chosen speed.
//
// Commands return at once and run in order on the player's own thread, "kelvora.playback",
// which opens the files and connects to the server (the first command that needs it); the
// audio is decoded on the sound server connection's thread as the stream asks for it, so the
// caller's thread never decodes or waits. A seek drops what the stream holds and starts
// again at the new moment, so it is heard within a few tens of milliseconds.
//
// The position comes from the stream's own clock (what the server reports it has played,
// less the output's latency), never from a wall clock. Events run on the player's thread.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelv::capture {

// Why playback can't go on.
struct PlaybackProblem {
  enum class Kind {
    // No sound server answers (or it went away).
    noSoundServer,
    // A track file is not there.
    missingFile,
    // A track file holds no readable audio, or less than it declares (cut short).
    unreadableFile,
    // The file could not be read for another reason (`detail` says which).
    readFailed,
    // The server refused or ended the playback stream.
    streamFailed,
  };
  Kind kind;
  // The file's name for the file cases.
  std::string file;
  // The underlying error's text.
  std::string detail;
};

class AudioPlayer {
 public:
  struct Events {
    // The tracks are open; the meeting lasts `duration` seconds.
    std::function<void(double duration)> opened;
    std::function<void(const PlaybackProblem&)> failed;
    // Playback reached the end of the meeting and stopped there.
    std::function<void()> ended;
  };

  explicit AudioPlayer(Events events);
  // Stops the stream and disconnects; waits for the player's thread.
  ~AudioPlayer();
  AudioPlayer(const AudioPlayer&) = delete;
  AudioPlayer& operator=(const AudioPlayer&) = delete;

  // Stops whatever plays and opens these tracks (played together from their common start),
  // paused at 0. Answers with `opened` or `failed`.
  void open(std::vector<std::filesystem::path> tracks);
  // From the current position; at the end, from the start.
  void play();
  void pause();
  // Moves to `seconds` (clamped to the meeting), playing on if it played.
  void seek(double seconds);
  // 0.5 to 2; the pitch is kept.
  void setTempo(double tempo);
  // Stops and forgets the tracks.
  void close();

  // Seconds on the meeting's timeline of what is heard now. Any thread.
  double position() const;
  // A stream plays now (not paused, not ended). Any thread.
  bool playing() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace kelv::capture
