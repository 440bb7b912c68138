// The addresses and upload folders the transcription backends build on.
#include <gtest/gtest.h>

#include <fstream>

#include "kelv/core/util/system_info.h"

#include "kelv/core/backends/cloud/upload_folder.h"
#include "kelv/core/backends/cloud/web_address.h"

namespace kelv::core {
namespace {

TEST(WebAddress, ParsesAndJoinsPaths) {
  struct Case {
    const char* text;
    bool parses;
    const char* scheme;
    const char* host;
    bool httpLike;
    const char* joined;  // with "audio/transcriptions"
  } cases[] = {
      {"https://api.openai.com/v1", true, "https", "api.openai.com", true,
       "https://api.openai.com/v1/audio/transcriptions"},
      {"https://api.openai.com/v1/", true, "https", "api.openai.com", true,
       "https://api.openai.com/v1/audio/transcriptions"},
      {"http://127.0.0.1:8000", true, "http", "127.0.0.1", true,
       "http://127.0.0.1:8000/audio/transcriptions"},
      {"HTTP://LocalHost:8000/v1", true, "http", "LocalHost", true,
       "http://LocalHost:8000/v1/audio/transcriptions"},
      {"http://[::1]:8000/v1", true, "http", "[::1]", true,
       "http://[::1]:8000/v1/audio/transcriptions"},
      {"https://proxy.example/base?key=1", true, "https", "proxy.example", true,
       "https://proxy.example/base/audio/transcriptions?key=1"},
      {"ftp://files.example/v1", true, "ftp", "files.example", false, nullptr},
      {"httpx://odd.example", true, "httpx", "odd.example", true, nullptr},
      {"plain text", false, "", "", false, nullptr},
      {"api.openai.com/v1", false, "", "", false, nullptr},
      {"", false, "", "", false, nullptr},
      {" https://api.openai.com/v1", false, "", "", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto address = WebAddress::parse(c.text);
    ASSERT_EQ(address.has_value(), c.parses);
    if (!address) continue;
    EXPECT_EQ(address->scheme(), c.scheme);
    EXPECT_EQ(address->host(), c.host);
    EXPECT_EQ(address->isHTTPLike(), c.httpLike);
    if (c.joined) {
      EXPECT_EQ(address->appending("audio/transcriptions"), c.joined);
    }
  }
}

TEST(UploadFolder, PrimaryLanguageIsThePartBeforeTheFirstDash) {
  struct Case {
    std::optional<std::string> code;
    std::optional<std::string> sent;
  } cases[] = {
      {"es-ES", "es"},      {"pt", "pt"},
      {"en-US", "en"},      {"pt-BR", "pt"},
      {"-es", "es"},        {"zh-Hant-TW", "zh"},
      {"", std::nullopt},   {"-", std::nullopt},
      {"--", std::nullopt}, {std::nullopt, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UploadFolder::primaryLanguage(c.code), c.sent) << c.code.value_or("(none)");
}

TEST(UploadFolder, IsAFreshNameInTheTemporaryFolderAndRemovedWithItsFiles) {
  std::filesystem::path path;
  {
    UploadFolder folder;
    path = folder.path();
    EXPECT_EQ(path.parent_path(), temporaryDirectory());
    EXPECT_EQ(path.filename().string().substr(0, 12), "kelv-upload-");
    EXPECT_EQ(path.filename().string().size(), 12u + 36u);
    EXPECT_NE(UploadFolder().path(), path);
    std::filesystem::create_directories(path / "inner");
    std::ofstream(path / "inner" / "chunk-0.m4a") << "x";
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kelv::core
