#include "kelv/core/assembly/backend_assembly.h"

#include <gtest/gtest.h>

#include "kelv/core/backends/backend_unavailable_error.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using TT = TranscriptionBackendType;
using NT = NotesBackendType;

class RecordingNotes : public NotesBackend {
 public:
  explicit RecordingNotes(NotesSetup setup) : setup(std::move(setup)) {}
  std::string name() const override { return "recording"; }
  int contextTokens() const override { return setup.contextTokens; }
  std::string complete(const std::string& system, const std::string& user) const override {
    calls.emplace_back(system, user);
    return "OK";
  }
  NotesSetup setup;
  mutable std::vector<std::pair<std::string, std::string>> calls;
};

class RecordingTranscription : public TranscriptionBackend {
 public:
  explicit RecordingTranscription(TranscriptionSetup setup) : setup(std::move(setup)) {}
  std::string name() const override { return "recording"; }
  std::vector<TimedSegment> transcribe(const std::filesystem::path&,
                                       const std::optional<std::string>&) const override {
    return {};
  }
  TranscriptionSetup setup;
};

BackendMakers recordingMakers() {
  BackendMakers makers;
  makers.transcription[TT::openAIStyle] = [](const TranscriptionSetup& setup) {
    return std::make_shared<RecordingTranscription>(setup);
  };
  makers.notes[NT::openAICompatible] = [](const NotesSetup& setup) {
    return std::make_shared<RecordingNotes>(setup);
  };
  // Never called: `none` means no notes at all, whatever the table holds.
  makers.notes[NT::none] = [](const NotesSetup& setup) {
    return std::make_shared<RecordingNotes>(setup);
  };
  return makers;
}

class BackendAssemblyTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
  SettingsStore store{Preferences(dir / "prefs" / "preferences.json"), secrets};
  BackendAssembly assembly{store, recordingMakers()};
};

TEST_F(BackendAssemblyTest, BackendsComeFromMakersOrStandInAsUnavailable) {
  secrets->setSecret("sk-rq", "v2.notes.Requesty");

  auto notes = assembly.notesBackend(NotesPreset::named("Requesty")->config());
  auto* recording = dynamic_cast<RecordingNotes*>(notes.get());
  ASSERT_NE(recording, nullptr);
  EXPECT_EQ(recording->setup, (NotesSetup{NT::openAICompatible, "https://router.requesty.ai/v1",
                                          "openai/gpt-4o-mini", "sk-rq", 128000}));
  notes->test();
  EXPECT_EQ(recording->calls, (std::vector<std::pair<std::string, std::string>>{
                                  {"Reply with the single word OK.", "Test"}}));

  EXPECT_EQ(assembly.notesBackend(NotesConfig{NT::none}), nullptr);
  auto anthropic = assembly.notesBackend(NotesConfig{NT::anthropic});
  EXPECT_EQ(anthropic->name(), "anthropic");
  EXPECT_THROW(anthropic->complete("s", "u"), BackendUnavailableError);

  for (auto type : BackendKind<TT>::all) {
    auto backend = BackendAssembly(store).transcriptionBackend(TranscriptionConfig{type});
    ASSERT_NE(backend, nullptr);
    if (BackendMakers::builtIn().transcription.count(type) == 0) {
      EXPECT_EQ(backend->name(), storedValue(type));
    }
  }
  try {
    assembly.transcriptionBackend(TranscriptionConfig{TT::onDevice})
        ->transcribe("/none", std::nullopt);
    FAIL();
  } catch (const BackendUnavailableError& error) {
    EXPECT_STREQ(error.what(), "The on-device backend isn't available in this build.");
  }
}

TEST_F(BackendAssemblyTest, WithoutATableTheBuiltInMakersBuild) {
  // Anthropic has a built-in maker ("anthropic:<model>"); the recording table has none for it,
  // so there it stands in as unavailable, named by its stored value.
  EXPECT_EQ(assembly.notesBackend(NotesConfig{NT::anthropic})->name(), "anthropic");
  const auto builtIn = BackendAssembly(store).notesBackend(NotesConfig{NT::anthropic});
  EXPECT_TRUE(builtIn->name().starts_with("anthropic:")) << builtIn->name();
}

TEST_F(BackendAssemblyTest, ProcessingOptionsFollowTheSettingsAsTheyAreNow) {
  const auto transcription = TranscriptionPreset::named("OpenAI")->config();
  const auto notes = NotesPreset::named("Requesty")->config();
  struct Case {
    const char* name;
    std::function<void(Settings&)> change;
    std::map<std::string, std::string> keys;
    bool notes;
    bool keepAudio;
    std::optional<std::string> prompt;  // absent: the default prompt
    std::vector<std::string> secrets;
  };
  const std::vector<Case> cases = {
      {"the defaults: no notes backend, the audio kept",
       [](Settings&) {},
       {},
       false,
       true,
       std::nullopt,
       {}},
      {"the audio deleted after processing",
       [](Settings& s) { s.deleteAudioAfterProcessing = true; },
       {},
       false,
       false,
       std::nullopt,
       {}},
      {"both backends with keys: the transcription key first",
       [&](Settings& s) {
         s.transcription = transcription;
         s.notes = notes;
       },
       {{"v2.transcription.OpenAI", "sk-tr"}, {"v2.notes.Requesty", "sk-rq"}},
       true,
       true,
       std::nullopt,
       {"sk-tr", "sk-rq"}},
      {"only the notes key stored",
       [&](Settings& s) {
         s.transcription = transcription;
         s.notes = notes;
       },
       {{"v2.notes.Requesty", "sk-rq"}},
       true,
       true,
       std::nullopt,
       {"sk-rq"}},
      {"a prompt of the user's own",
       [&](Settings& s) {
         s.notes = notes;
         s.notesPrompt = "Apuntes breves, por favor.";
       },
       {},
       true,
       true,
       "Apuntes breves, por favor.",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir caseDir;
    const SettingsStore caseStore(Preferences(caseDir / "preferences.json"),
                                  std::make_shared<MemorySecretStore>(c.keys));
    Settings settings;
    settings.notesFolder = caseDir / "notes";
    c.change(settings);
    caseStore.save(settings);

    const ProcessingOptions options =
        BackendAssembly(caseStore, recordingMakers()).processingOptions();
    ASSERT_NE(options.transcription, nullptr);
    EXPECT_EQ(options.notesFolder, caseDir / "notes");
    EXPECT_EQ(options.keepAudio, c.keepAudio);
    EXPECT_EQ(options.secrets, c.secrets);
    EXPECT_FALSE(options.progress);
    EXPECT_EQ(options.fileSystem, nullptr);
    ASSERT_EQ(options.notes != nullptr, c.notes);
    if (!options.notes) continue;

    // The notes step writes with the prompt of the settings (else the default one).
    (void)options.notesStep({Turn{0, "Them", "Hoy vemos derivadas."}}, *options.notes);
    const auto& calls = dynamic_cast<const RecordingNotes&>(*options.notes).calls;
    ASSERT_EQ(calls.size(), 1u);
    const std::string prompt = c.prompt.value_or(std::string(NotesWriter::defaultPrompt));
    EXPECT_TRUE(calls[0].first.starts_with(prompt)) << calls[0].first;
  }
}

TEST_F(BackendAssemblyTest, EveryRunReadsTheSettingsAgain) {
  Settings settings;
  store.save(settings);
  EXPECT_EQ(assembly.processingOptions().notes, nullptr);
  settings.notes = NotesPreset::named("Requesty")->config();
  store.save(settings);
  EXPECT_NE(assembly.processingOptions().notes, nullptr);
  secrets->setSecret("sk-rq", "v2.notes.Requesty");
  EXPECT_EQ(assembly.processingOptions().secrets, std::vector<std::string>{"sk-rq"});
}

}  // namespace
}  // namespace kelv::core
