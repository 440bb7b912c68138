#include "kelv/core/audio/audio_error.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

TEST(AudioError, UserFacingTexts) {
  struct Case {
    AudioError error;
    AudioError::Kind kind;
    const char* text;
    const char* fileName;
  };
  const Case cases[] = {
      {AudioError::unreadableAudio("clase 3 (álgebra).mp3"), AudioError::Kind::unreadableAudio,
       "Couldn't read the audio file clase 3 (álgebra).mp3.", "clase 3 (álgebra).mp3"},
      {AudioError::noTracks(), AudioError::Kind::noTracks,
       "This Meeting has no audio to transcribe.", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.kind(), c.kind);
    EXPECT_STREQ(c.error.what(), c.text);
    EXPECT_EQ(c.error.fileName(), c.fileName);
  }
}

}  // namespace
}  // namespace kelv::core
