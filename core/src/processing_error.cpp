#include "kelv/core/processing_error.h"

namespace kelv::core {

ProcessingError ProcessingError::unreadableAudio(const std::string& fileName) {
  return ProcessingError(Kind::unreadableAudio, "Couldn't read the audio file " + fileName + ".",
                         fileName);
}

ProcessingError ProcessingError::noTracks() {
  return ProcessingError(Kind::noTracks, "This Meeting has no audio to transcribe.", {});
}

}  // namespace kelv::core
