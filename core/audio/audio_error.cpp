#include "kelv/core/audio/audio_error.h"

namespace kelv::core {

AudioError AudioError::unreadableAudio(const std::string& fileName) {
  return AudioError(Kind::unreadableAudio, "Couldn't read the audio file " + fileName + ".",
                    fileName);
}

AudioError AudioError::noTracks() {
  return AudioError(Kind::noTracks, "This Meeting has no audio to transcribe.", {});
}

AudioError AudioError::transcriptMissing(const std::string& fileName) {
  return AudioError(Kind::transcriptMissing,
                    "The audio file " + fileName + " was kept: its transcript isn't on disk.",
                    fileName);
}

}  // namespace kelv::core
