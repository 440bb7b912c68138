// A private home for a launched `kelvora`: its own XDG folders, meeting store and preferences
// suite, so that the application under test never reads or writes the user's, and what the
// tests of the running program ask of that home.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace kelv::test {

class ApplicationHome {
 public:
  // `suite` names the preferences and the keyring service; test tones stand in for live audio.
  explicit ApplicationHome(const std::string& suite);

  // The variables a launch gets; a test may add its own before launching.
  std::map<std::string, std::string> environment;

  // `kelvora`, built beside the `kelv` the tests are given.
  static std::string executable();
  // Where a launched instance writes its output.
  std::string log() const { return (temp_ / "kelvora.log").string(); }
  // The suite's preferences file.
  std::filesystem::path preferencesFile() const;
  // Writes the one-time consent, so a launch goes past onboarding.
  void acknowledgeConsent() const;

  // Whether an instance listens on its socket.
  bool hasSocket() const;
  // The meeting folders with a status record, and a record's state ("" while it is rewritten).
  std::vector<std::filesystem::path> meetings() const;
  static std::string state(const std::filesystem::path& meeting);

 private:
  TempDir temp_;
  std::string suite_;
};

}  // namespace kelv::test
