// kelv download against a model host on loopback: the file arrives whole and checked, an
// interrupted transfer continues with a range request, and every refusal leaves nothing in
// place of the model.
#include <sys/mount.h>
#include <unistd.h>

#include <functional>

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
  KelvDownload() { host.serve("ggml-base.bin", content); }

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
};

TEST_F(KelvDownload, FetchesTheChosenModelAndChecksIt) {
  const ToolResult result = download();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out, model().string() + "\n");
  EXPECT_EQ(kelv::test::readFile(model()), content);
  EXPECT_FALSE(fs::exists(partial()));
  EXPECT_THAT(result.err, HasSubstr("downloading the transcription model \"base\""));
  EXPECT_THAT(result.err, HasSubstr("(100%)"));

  // Ready and intact: the second run only reads the checksum list.
  const ToolResult again = download();
  ASSERT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_EQ(fileRequests().size(), 1u);
}

TEST_F(KelvDownload, AnotherModelCanBeNamed) {
  host.serve("ggml-tiny.bin", modelBytes(1000));
  ASSERT_EQ(download({"tiny"}).exitStatus, 0);
  EXPECT_EQ(kelv::test::readFile(models() / "ggml-tiny.bin"), modelBytes(1000));

  const ToolResult unknown = download({"huge"});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_THAT(unknown.err, HasSubstr("The on-device transcription model \"huge\" doesn't exist."));
}

TEST_F(KelvDownload, ACutConnectionContinuesWithARangeRequest) {
  host.cutNextAfter("ggml-base.bin", 1'000'000);
  const ToolResult result = download();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(kelv::test::readFile(model()), content);
  EXPECT_THAT(fileRequests(), testing::ElementsAre("", "bytes=1000000-"));
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
    const char* message;
  };
  const Case cases[] = {
      {"wrong checksum",
       [&](ModelHost& other) { other.serve("ggml-base.bin", content, std::string(64, 'a')); },
       "kelv download: The downloaded transcription model \"base\" doesn't match its published "
       "checksum; it was discarded.\n"},
      {"missing file",
       [](ModelHost& other) { other.listOnly("ggml-base.bin", std::string(64, 'a')); },
       "ggml-base.bin isn't there (HTTP 404).\n"},
      {"not in the checksum list",
       [&](ModelHost& other) { other.serve("ggml-base.bin", content, ""); },
       "SHA256SUMS doesn't name ggml-base.bin.\n"},
      {"no checksum list",
       [&](ModelHost& other) {
         other.serve("ggml-base.bin", content);
         other.withoutChecksumList();
       },
       "SHA256SUMS isn't there (HTTP 404).\n"},
  };
  for (const Case& c : cases) {
    ModelHost other;
    c.arrange(other);
    const ToolResult result = download({}, other.baseUrl());
    EXPECT_EQ(result.exitStatus, 1) << c.what;
    EXPECT_THAT(result.err, testing::EndsWith(c.message)) << c.what;
    EXPECT_FALSE(fs::exists(model())) << c.what;
    EXPECT_FALSE(fs::exists(partial())) << c.what;
  }
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
