// A fixture for transcription backend tests: a private temporary folder (TMPDIR points into
// it, so the backends' upload folders land there and can be counted), raw tracks, a fake
// service, and waits that are recorded instead of slept.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_http_service.h"
#include "kelv/core/backends/cloud/cloud_client.h"
#include "temp_dir.h"
#include "test_audio.h"

namespace kelv::test {

class TranscriptionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TMPDIR")) oldTmp_ = old;
    std::filesystem::create_directories(dir_ / "tmp");
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
  }
  void TearDown() override {
    if (oldTmp_) {
      ::setenv("TMPDIR", oldTmp_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  // A raw track named `name` (mic.pcm, system.pcm, mixed.pcm) of `seconds`.
  std::filesystem::path track(const std::string& name, double seconds) {
    auto path = dir_ / name;
    writeRawTrack(path, seconds);
    return path;
  }

  // Whatever is left in the temporary folder (upload folders should never be).
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "tmp")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Replaces the client's sleep with one that records the waits.
  void recordWaits(kelv::core::CloudClient& client) {
    client.sleep = [waits = waits_](double seconds) { waits->push_back(seconds); };
  }
  const std::vector<double>& waits() const { return *waits_; }

  TempDir dir_;
  FakeHttpService service_;

 private:
  std::optional<std::string> oldTmp_;
  std::shared_ptr<std::vector<double>> waits_ = std::make_shared<std::vector<double>>();
};

}  // namespace kelv::test
