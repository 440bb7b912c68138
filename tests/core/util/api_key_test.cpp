// Keys travel in request headers and must never surface in an error text: which keys are
// refused, and how a key is masked wherever a service repeats it.
#include "kelv/core/util/api_key.h"

#include <gtest/gtest.h>

#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

constexpr const char* kControl = "The API key holds a line break or another control character.";
constexpr const char* kLong = "The API key is longer than 4 KiB.";

TEST(ApiKey, KeysWithControlCharactersOrPast4KiBAreRefused) {
  struct Case {
    std::string key;
    std::optional<std::string> problem;
  } cases[] = {
      {"sk-proj-AbC123_-.~+/=", std::nullopt},
      {"clé-ñ-🔑 with blanks", std::nullopt},
      {std::string(4096, 'k'), std::nullopt},
      {std::string(4097, 'k'), kLong},
      {"sk-1\r\nHost: evil.example", kControl},
      {"sk-1\nX: y", kControl},
      {"sk-1\tz", kControl},
      {std::string("sk\0x", 4), kControl},
      {"sk\x1b[2J", kControl},
      {"sk\x7f", kControl},
      {"sk\u0085x", kControl},  // NEL, a line break in some readers
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApiKey::problem(c.key), c.problem) << c.key.substr(0, 40);
    if (c.problem) {
      EXPECT_THROW(ApiKey::check(c.key), std::invalid_argument);
    } else {
      EXPECT_NO_THROW(ApiKey::check(c.key));
    }
  }
}

TEST(ApiKey, MaskingReplacesEveryOccurrenceOfEveryKey) {
  struct Case {
    std::string text;
    std::vector<std::string> keys;
    std::string masked;
  } cases[] = {
      {"Incorrect API key provided: sk-abc123. Use sk-abc123!",
       {"sk-abc123"},
       "Incorrect API key provided: …. Use …!"},
      {"keys sk-notes and sk-stt", {"sk-stt", "sk-notes"}, "keys … and …"},
      {"sk-abc123456", {"sk-abc", "sk-abc123456"}, "…"},  // the longer key whole
      {"nothing to hide", {"sk-abc"}, "nothing to hide"},
      {"a short key k is not a key", {"k", ""}, "a short key k is not a key"},
      {"", {"sk-abc"}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ApiKey::masked(c.text, c.keys), c.masked) << c.text;
}

TEST(ApiKey, TheSettingsStoreRefusesToStoreABadKey) {
  test::TempDir dir;
  auto secrets = std::make_shared<MemorySecretStore>();
  const SettingsStore store(Preferences(dir / "preferences.json"), secrets);
  const NotesConfig config{NotesBackendType::anthropic};
  store.setAPIKey("sk-good", config);
  EXPECT_THROW(store.setAPIKey("sk-1\nHost: evil", config), std::invalid_argument);
  EXPECT_THROW(store.setAPIKey(std::string(5000, 'k'), config), std::invalid_argument);
  EXPECT_EQ(store.apiKey(config), "sk-good");
}

}  // namespace
}  // namespace kelv::core
