// Errors of reading audio: a track that can't be decoded, a meeting without audio.
//
// what() is the user-facing text that the pipeline records as the meeting's lastError.
// Immutable once built; safe to copy between threads.
#pragma once

#include <stdexcept>
#include <string>

namespace kelv::core {

class AudioError : public std::runtime_error {
 public:
  enum class Kind { unreadableAudio, noTracks, transcriptMissing };

  // "Couldn't read the audio file <fileName>." — fileName is the last path component.
  static AudioError unreadableAudio(const std::string& fileName);
  // "This Meeting has no audio to transcribe."
  static AudioError noTracks();
  // "The audio file <fileName> was kept: its transcript isn't on disk." — audio is deleted
  // only once every transcript made from it is safely written.
  static AudioError transcriptMissing(const std::string& fileName);

  Kind kind() const noexcept { return kind_; }
  // The file named by unreadableAudio or transcriptMissing; empty for noTracks.
  const std::string& fileName() const noexcept { return fileName_; }

 private:
  AudioError(Kind kind, const std::string& message, std::string fileName)
      : std::runtime_error(message), kind_(kind), fileName_(std::move(fileName)) {}

  Kind kind_;
  std::string fileName_;
};

}  // namespace kelv::core
