// The transcription backends' connection test: the tone file it hands the backend, and that the
// file is gone afterwards however the backend answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <stdexcept>

#include "kelv/core/backends/transcription_backend.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;

// Looks at the file it is given, then answers or fails as told.
class InspectingBackend : public TranscriptionBackend {
 public:
  explicit InspectingBackend(bool fails) : fails_(fails) {}

  std::string name() const override { return "inspecting"; }
  std::vector<TimedSegment> transcribe(const fs::path& track,
                                       const std::optional<std::string>& language) const override {
    seen = track;
    seenLanguage = language;
    bytes = kelv::test::readFile(track);
    if (fails_) throw std::runtime_error("The service said no.");
    return {{0, 1, "la"}};
  }

  mutable fs::path seen;
  mutable std::optional<std::string> seenLanguage;
  mutable std::string bytes;

 private:
  bool fails_;
};

class TranscriptionBackendTest : public testing::Test {
 protected:
  void SetUp() override { ::setenv("TMPDIR", temp.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("TMPDIR"); }

  static int16_t tone(size_t index) {
    return static_cast<int16_t>(std::sin(2 * std::numbers::pi * 440 * index / 16000.0) * 8000);
  }

  static int16_t sample(const std::string& bytes, size_t index) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * index]) |
                                static_cast<uint8_t>(bytes[2 * index + 1]) << 8);
  }

  kelv::test::TempDir temp;
};

TEST_F(TranscriptionBackendTest, HandsOverOneSecondOfToneAndRemovesTheFile) {
  const struct {
    const char* name;
    bool fails;
    std::string failure;
  } cases[] = {{"answers", false, ""}, {"fails", true, "The service said no."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const InspectingBackend backend(c.fails);
    std::string failure;
    try {
      backend.test("es");
    } catch (const std::exception& error) {
      failure = error.what();
    }
    EXPECT_EQ(failure, c.failure);
    EXPECT_EQ(backend.seen.parent_path(), temp.path());
    EXPECT_TRUE(backend.seen.filename().string().starts_with("kelv-test-"));
    EXPECT_EQ(backend.seen.extension(), ".pcm");
    EXPECT_EQ(backend.seenLanguage, "es");
    // 16000 raw 16-bit samples of sin(2π·440·i/16000)·8000.
    ASSERT_EQ(backend.bytes.size(), 32000u);
    for (const size_t i : {size_t{0}, size_t{9}, size_t{10}, size_t{15999}})
      EXPECT_EQ(sample(backend.bytes, i), tone(i)) << i;
    EXPECT_TRUE(fs::is_empty(temp.path()));
  }
}

TEST_F(TranscriptionBackendTest, FreshFileEachTime) {
  const InspectingBackend backend(false);
  backend.test(std::nullopt);
  const fs::path first = backend.seen;
  backend.test(std::nullopt);
  EXPECT_NE(backend.seen, first);
  EXPECT_EQ(backend.seenLanguage, std::nullopt);
}

TEST_F(TranscriptionBackendTest, AnUnwritableFolderIsReportedWithoutAskingTheBackend) {
  ::setenv("TMPDIR", (temp / "missing").c_str(), 1);
  const InspectingBackend backend(false);
  try {
    backend.test("es");
    FAIL() << "the test ran without its audio";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.what(), "The test audio could not be written.");
  }
  EXPECT_TRUE(backend.seen.empty());
}

}  // namespace
}  // namespace kelv::core
