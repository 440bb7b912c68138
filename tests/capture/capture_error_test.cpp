#include "kelv/capture/capture_error.h"

#include <gtest/gtest.h>

namespace kelv::capture {
namespace {

TEST(CaptureError, TextsOnLinux) {
  struct Case {
    CaptureError error;
    CaptureError::Kind kind;
    std::string text;
  };
  const std::vector<Case> cases = {
      {CaptureError::micFailed("Connection refused"), CaptureError::Kind::micFailed,
       "The microphone could not start: Connection refused."},
      {CaptureError::monitorRecordRefused(1, "Access denied"),
       CaptureError::Kind::monitorRecordRefused,
       "System audio capture could not start: the sound server refused to record the speakers "
       "(error 1: Access denied)."},
      {CaptureError::streamCreationFailed(-3), CaptureError::Kind::streamCreationFailed,
       "Unable to create the system audio stream (error -3)."},
      {CaptureError::sampleSpecUnavailable(5), CaptureError::Kind::sampleSpecUnavailable,
       "Unable to inspect the system audio tap format (error 5)."},
      {CaptureError::recordConnectFailed(5), CaptureError::Kind::recordConnectFailed,
       "Unable to create the system audio IO callback (error 5)."},
      {CaptureError::recordStartFailed(2147483647), CaptureError::Kind::recordStartFailed,
       "Unable to start system audio capture (error 2147483647)."},
      {CaptureError::noInputDevice(), CaptureError::Kind::noInputDevice,
       "No microphone is available."},
      {CaptureError::noOutputDevice(), CaptureError::Kind::noOutputDevice,
       "No audio output device is currently available."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.what(), c.text);
    EXPECT_EQ(c.error.kind(), c.kind) << c.text;
  }
}

}  // namespace
}  // namespace kelv::capture
