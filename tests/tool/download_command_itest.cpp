// kelv download against a model host on loopback: the model and the speech detector arrive
// whole and checked, an interrupted transfer of either continues with a range request, and
// every refusal leaves nothing in place of the file refused.
#include <sys/mount.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model_host.h"
#include "temp_dir.h"
#include "tool_runner.h"

namespace kelv::tool {
namespace {

namespace fs = std::filesystem;
using kelv::test::ModelHost;
using kelv::test::ToolResult;
using testing::HasSubstr;

// A made-up model file: its content doesn't matter to the download.
std::string modelBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1664525 + 1013904223;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

class KelvDownload : public testing::Test {
 protected:
  KelvDownload() {
    host.serve("ggml-base.bin", content);
    host.serve(kDetector, detectorContent);
  }

  void SetUp() override {
#ifndef KELV_HAS_ON_DEVICE
    GTEST_SKIP() << "this build has no on-device transcription engine";
#endif
  }

  ToolResult download(std::vector<std::string> arguments = {}, std::string baseUrl = {}) {
    arguments.insert(arguments.begin(), "download");
    if (baseUrl.empty()) baseUrl = host.baseUrl() + "/";
    return kelv::test::runTool(
        {arguments,
         {{"HOME", temp.path().string()},
          {"XDG_CONFIG_HOME", (temp / "config").string()},
          {"XDG_DATA_HOME", dataHome.string()},
          {"KELV_DEFAULTS_SUITE", "test"},
          {"KELV_MODEL_BASE_URL", baseUrl},
          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (temp / "no-bus").string()}}});
  }

  fs::path models() const { return dataHome / "Kelvora" / "Models"; }
  fs::path model() const { return models() / "ggml-base.bin"; }
  fs::path partial() const { return models() / "ggml-base.bin.partial"; }
  fs::path detector() const { return models() / kDetector; }
  // Requests for the model file itself, with their Range headers ("" for none).
  std::vector<std::string> fileRequests(const std::string& name = "ggml-base.bin") const {
    std::vector<std::string> ranges;
    for (const auto& request : host.requests())
      if (request.path == "/" + name) ranges.push_back(request.range.value_or(""));
    return ranges;
  }

  kelv::test::TempDir temp;
  fs::path dataHome = temp / "data";
  ModelHost host;
  std::string content = modelBytes(3'000'000);
  std::string detectorContent = modelBytes(200'000);
  static constexpr const char* kDetector = "ggml-silero-v6.2.0.bin";
};

TEST_F(KelvDownload, FetchesTheChosenModelAndChecksIt) {
  const ToolResult result = download();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out, model().string() + "\n");
  EXPECT_EQ(kelv::test::readFile(model()), content);
  EXPECT_EQ(kelv::test::readFile(detector()), detectorContent);
  EXPECT_FALSE(fs::exists(partial()));
  EXPECT_THAT(result.err, HasSubstr("downloading the transcription model \"base\""));
  EXPECT_THAT(result.err, HasSubstr("downloading the speech detection model \"silero-v6.2.0\""));
  EXPECT_THAT(result.err, HasSubstr("(100%)"));

  // Ready and intact: the second run only reads the checksum list.
  const ToolResult again = download();
  ASSERT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_EQ(fileRequests().size(), 1u);
  EXPECT_EQ(fileRequests(kDetector).size(), 1u);
}

TEST_F(KelvDownload, AnotherModelCanBeNamed) {
  host.serve("ggml-tiny.bin", modelBytes(1000));
  ASSERT_EQ(download({"tiny"}).exitStatus, 0);
  EXPECT_EQ(kelv::test::readFile(models() / "ggml-tiny.bin"), modelBytes(1000));

  const ToolResult unknown = download({"huge"});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_THAT(unknown.err, HasSubstr("The on-device transcription model \"huge\" doesn't exist."));
  // The valid names, quantized ones too.
  EXPECT_THAT(unknown.err, HasSubstr("\"small-q8_0\", \"medium\", \"medium-q5_0\""));
}

TEST_F(KelvDownload, ACutConnectionContinuesWithARangeRequest) {
  for (const char* name : {"ggml-base.bin", kDetector}) {
    ModelHost other;
    other.serve("ggml-base.bin", content);
    other.serve(kDetector, detectorContent);
    other.cutNextAfter(name, 100'000);
    fs::remove_all(models());
    const ToolResult result = download({}, other.baseUrl());
    ASSERT_EQ(result.exitStatus, 0) << name << ": " << result.err;
    EXPECT_EQ(kelv::test::readFile(model()), content) << name;
    EXPECT_EQ(kelv::test::readFile(detector()), detectorContent) << name;
    std::vector<std::string> ranges;
    for (const auto& request : other.requests())
      if (request.path == std::string("/") + name) ranges.push_back(request.range.value_or(""));
    EXPECT_THAT(ranges, testing::ElementsAre("", "bytes=100000-")) << name;
  }
}

TEST_F(KelvDownload, APartialFileFromAnEarlierRunIsContinued) {
  fs::create_directories(models());
  kelv::test::writeFile(partial(), content.substr(0, 1'234'567));
  const ToolResult result = download();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(kelv::test::readFile(model()), content);
  EXPECT_THAT(fileRequests(), testing::ElementsAre("bytes=1234567-"));
}

TEST_F(KelvDownload, ADamagedModelInPlaceIsFetchedAgain) {
  fs::create_directories(models());
  kelv::test::writeFile(model(), content.substr(0, 1000));
  const ToolResult result = download();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(kelv::test::readFile(model()), content);
}

TEST_F(KelvDownload, RefusalsLeaveNothingInPlace) {
  struct Case {
    const char* what;
    std::function<void(ModelHost&)> arrange;
    const char* refused;  // the file left out
    const char* message;
  };
  const std::string bad(64, 'a');
  const Case cases[] = {
      {"wrong checksum of the model",
       [&](ModelHost& other) { other.serve("ggml-base.bin", content, bad); }, "ggml-base.bin",
       "kelv download: The downloaded transcription model \"base\" doesn't match its published "
       "checksum; it was discarded.\n"},
      {"wrong checksum of the detector",
       [&](ModelHost& other) { other.serve(kDetector, detectorContent, bad); }, kDetector,
       "kelv download: The downloaded speech detection model \"silero-v6.2.0\" doesn't match its "
       "published checksum; it was discarded.\n"},
      {"missing model", [&](ModelHost& other) { other.listOnly("ggml-base.bin", bad); },
       "ggml-base.bin", "ggml-base.bin isn't there (HTTP 404).\n"},
      {"missing detector", [&](ModelHost& other) { other.listOnly(kDetector, bad); }, kDetector,
       "ggml-silero-v6.2.0.bin isn't there (HTTP 404).\n"},
      {"not in the checksum list",
       [&](ModelHost& other) { other.serve("ggml-base.bin", content, ""); }, "ggml-base.bin",
       "SHA256SUMS doesn't name ggml-base.bin.\n"},
      {"no checksum list", [&](ModelHost& other) { other.withoutChecksumList(); }, kDetector,
       "SHA256SUMS isn't there (HTTP 404).\n"},
  };
  for (const Case& c : cases) {
    ModelHost other;
    other.serve("ggml-base.bin", content);
    other.serve(kDetector, detectorContent);
    c.arrange(other);
    fs::remove_all(models());
    const ToolResult result = download({}, other.baseUrl());
    EXPECT_EQ(result.exitStatus, 1) << c.what;
    EXPECT_THAT(result.err, testing::EndsWith(c.message)) << c.what;
    EXPECT_FALSE(fs::exists(models() / c.refused)) << c.what;
    EXPECT_FALSE(fs::exists(models() / (std::string(c.refused) + ".partial"))) << c.what;
  }
}

TEST_F(KelvDownload, TheListShowsEveryModelAndWhichAreHere) {
  fs::create_directories(models());
  kelv::test::writeFile(models() / "ggml-small-q8_0.bin", "x");
  const ToolResult result = download({"--list"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  std::vector<std::string> lines;
  std::istringstream text(result.out);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 12u) << result.out;
  EXPECT_EQ(lines[0], "whisper.cpp 1.9.1");
  const std::vector<std::string> names = {"tiny",
                                          "base",
                                          "base-q8_0",
                                          "small",
                                          "small-q8_0",
                                          "medium",
                                          "medium-q5_0",
                                          "large-v3-turbo",
                                          "large-v3-turbo-q5_0",
                                          "large-v3-turbo-q8_0",
                                          "silero-v6.2.0"};
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& line = lines[i + 1];
    EXPECT_EQ(line.substr(0, line.find(' ')), names[i]) << line;
    EXPECT_THAT(line,
                testing::EndsWith(names[i] == "small-q8_0" ? "  present" : "  not downloaded"))
        << line;
  }
  EXPECT_THAT(lines[5], HasSubstr("264.5 MB"));
  EXPECT_THAT(lines[2], HasSubstr("fast"));
  EXPECT_THAT(lines[11], HasSubstr("885 KB"));
  // Listing fetches nothing.
  EXPECT_TRUE(host.requests().empty());
}

// A small volume for the models: root mounts a tmpfs of 1 MB (skipped where that isn't allowed).
class KelvDownloadOnASmallDisk : public KelvDownload {
 protected:
  void SetUp() override {
    KelvDownload::SetUp();
    if (IsSkipped()) return;
    fs::create_directories(dataHome);
    if (::geteuid() != 0 || ::mount("tmpfs", dataHome.c_str(), "tmpfs", 0, "size=1m") != 0)
      GTEST_SKIP() << "mounting a small tmpfs needs root";
    mounted = true;
  }
  void TearDown() override {
    if (mounted) ::umount2(dataHome.c_str(), MNT_DETACH);
  }
  bool mounted = false;
};

TEST_F(KelvDownloadOnASmallDisk, AModelTooBigIsRefusedBeforeDownloading) {
  const ToolResult result = download();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(
      result.err,
      HasSubstr("Not enough disk space for the transcription model \"base\": it needs 3 MB"));
  EXPECT_FALSE(fs::exists(model()));
  EXPECT_FALSE(fs::exists(partial()));
}

TEST_F(KelvDownloadOnASmallDisk, AFileOfUnknownSizeThatFillsTheDiskIsRemoved) {
  host.hideLength("ggml-base.bin");
  const ToolResult result = download();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_THAT(result.err, HasSubstr("the disk filled up while it was downloading."));
  EXPECT_FALSE(fs::exists(model()));
  EXPECT_FALSE(fs::exists(partial()));
}

}  // namespace
}  // namespace kelv::tool
