#include "kelv/core/settings/preferences.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/settings/settings_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corruptCopies(const fs::path& folder) {
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with("preferences.json.corrupt-"))
      copies.push_back(entry.path());
  return copies;
}

TEST(Preferences, MissingFileIsAnEmptyDomainAndWritesCreateAPrivateFile) {
  test::TempDir dir;
  Preferences preferences(dir / "com.tizara.app" / "preferences.json");
  EXPECT_EQ(preferences.snapshot(), nlohmann::json::object());
  EXPECT_FALSE(preferences.contains("v2.settings"));

  preferences.set("v2.hotkey", nullptr);
  preferences.set("v2.settings", {{"askToRecordCalls", false}});
  preferences.set("llmProvider", "ollama");
  EXPECT_TRUE(preferences.contains("v2.hotkey"));  // a null value is still a value
  EXPECT_EQ(preferences.value("v2.settings"), nlohmann::json({{"askToRecordCalls", false}}));
  EXPECT_EQ(preferences.string("llmProvider"), "ollama");
  EXPECT_EQ(preferences.boolean("llmProvider"), std::nullopt);

  struct stat info {};
  ASSERT_EQ(::stat(preferences.file().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // Embedded, not a string holding JSON text.
  const auto onDisk = nlohmann::json::parse(test::readFile(preferences.file()));
  EXPECT_TRUE(onDisk["v2.settings"].is_object());

  preferences.remove("llmProvider");
  EXPECT_FALSE(preferences.contains("llmProvider"));
  EXPECT_TRUE(preferences.contains("v2.settings"));
}

TEST(Preferences, AFileThatIsNotAnObjectReadsEmptyAndIsKeptAsideBeforeTheNextWrite) {
  for (const std::string content : {"[1, 2, 3]", "{\"v2.settings\": ", "\"text\"", ""}) {
    test::TempDir dir;
    const fs::path file = dir / "preferences.json";
    test::writeFile(file, content);
    Preferences preferences(file);
    EXPECT_EQ(preferences.snapshot(), nlohmann::json::object()) << content;
    EXPECT_TRUE(corruptCopies(dir.path()).empty()) << "reading must not move anything";

    preferences.set("v2.consentAcknowledged", "2025-01-01T00:00:00Z");
    const auto copies = corruptCopies(dir.path());
    ASSERT_EQ(copies.size(), 1u) << content;
    EXPECT_EQ(test::readFile(copies[0]), content);
    EXPECT_EQ(preferences.snapshot(),
              nlohmann::json({{"v2.consentAcknowledged", "2025-01-01T00:00:00Z"}}));

    // A second corruption keeps both copies.
    test::writeFile(file, "[]");
    preferences.set("x", 1);
    EXPECT_EQ(corruptCopies(dir.path()).size(), 2u);
  }
}

TEST(Preferences, SuiteNamesThatAreNotFolderNamesAreRefused) {
  test::TempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(Preferences::suite("test")->file(), dir / "test" / "preferences.json");
  for (const char* bad : {"", ".", "..", "../escape", "a/b"})
    EXPECT_FALSE(Preferences::suite(bad)) << bad;

  EXPECT_EQ(Preferences::standard(std::nullopt).file(),
            dir / "com.tizara.app" / "preferences.json");
  EXPECT_EQ(Preferences::standard("test").file(), dir / "test" / "preferences.json");
  EXPECT_EQ(Preferences::standard("../../etc").file(), dir / "com.tizara.app" / "preferences.json");
  ::unsetenv("XDG_CONFIG_HOME");
}

// Two processes save settings and set their own key at the same time: the file must always be
// one whole record, and neither process may lose the other's key.
TEST(Preferences, ConcurrentWritersInTwoProcessesNeitherTearNorLoseChanges) {
  test::TempDir dir;
  const fs::path file = dir / "suite" / "preferences.json";
  constexpr int kRounds = 60;

  auto work = [&](bool child) {
    SettingsStore store(Preferences(file), std::make_shared<MemorySecretStore>());
    Settings settings;
    settings.vocabulary.assign(50, child ? "child" : "parent");
    settings.askToRecordCalls = child;
    for (int i = 0; i < kRounds; ++i) {
      store.save(settings);
      store.defaults().set(std::string(child ? "child." : "parent.") + std::to_string(i), i);
      const Settings loaded = store.load();
      if (loaded.vocabulary.size() != 50 ||
          loaded.vocabulary[0] != (loaded.askToRecordCalls ? "child" : "parent"))
        return false;
    }
    return true;
  };

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(work(true) ? 0 : 1);
  const bool parentOk = work(false);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(parentOk);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child saw a mixed record";

  const auto domain = Preferences(file).snapshot();
  for (int i = 0; i < kRounds; ++i) {
    EXPECT_TRUE(domain.contains("child." + std::to_string(i))) << i;
    EXPECT_TRUE(domain.contains("parent." + std::to_string(i))) << i;
  }
  EXPECT_TRUE(corruptCopies(file.parent_path()).empty());
}

}  // namespace
}  // namespace kelv::core
