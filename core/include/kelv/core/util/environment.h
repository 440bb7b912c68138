// What the process's environment says about where and how the programs run, read in this one
// place. Each program's entry reads it once and passes it down.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelv::core {

struct Environment {
  // KELV_MEETINGS_DIR when set and not empty: the meeting store's root instead of the default.
  std::optional<std::filesystem::path> meetingsFolder;
  // KELV_DEFAULTS_SUITE when set: the preferences domain and the keyring service's suffix, so
  // test runs never touch the user's own.
  std::optional<std::string> preferencesSuite;
  // KELV_FAKE_CAPTURE is exactly "1": test tones instead of live audio, and no call watching.
  bool fakeCapture = false;
  // KELV_BUNDLE_ID when set and not empty: the program runs as an installed application.
  std::optional<std::string> installedAppId;

  static Environment ofProcess();
};

}  // namespace kelv::core
