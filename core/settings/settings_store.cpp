#include "kelv/core/settings/settings_store.h"

#include <chrono>

#include "kelv/core/backends/unavailable_backend.h"
#include "kelv/core/notes/notes_writer.h"
#include "kelv/core/processing/processing_options.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

SettingsStore::SettingsStore(Preferences defaults,
                             std::shared_ptr<SecretStore> secrets, BackendMakers makers)
    : defaults_(std::move(defaults)),
      secrets_(std::move(secrets)),
      makers_(std::move(makers)) {}

Settings SettingsStore::load() const {
  const auto stored = defaults_.value(kSettingsKey);
  if (!stored) return Settings{};
  try {
    return stored->get<Settings>();
  } catch (const nlohmann::json::exception&) {
  } catch (const LibraryJson::DecodingError&) {
  }
  return Settings{};
}

std::optional<std::string> SettingsStore::readProblem() const {
  std::optional<std::filesystem::path> aside;
  try {
    aside = defaults_.keepAsideIfCorrupt();
  } catch (const PlatformError& error) {
    return "The preferences file " + defaults_.file().string() +
           " can't be read, so the default settings are used. " + error.what();
  }
  if (aside) {
    return "The preferences file " + defaults_.file().string() +
           " couldn't be read; it was kept as " + aside->string() +
           " and the default settings are used.";
  }
  const auto stored = defaults_.value(kSettingsKey);
  if (!stored) return std::nullopt;
  try {
    (void)stored->get<Settings>();
    return std::nullopt;
  } catch (const nlohmann::json::exception& error) {
    return "The saved settings in " + defaults_.file().string() +
           " couldn't be read, so the default settings are used (" + error.what() + ").";
  } catch (const LibraryJson::DecodingError& error) {
    return "The saved settings in " + defaults_.file().string() +
           " couldn't be read, so the default settings are used (" + error.what() + ").";
  }
}

void SettingsStore::save(const Settings& settings) const {
  const nlohmann::json json = settings;
  try {
    (void)json.dump();
  } catch (const nlohmann::json::type_error&) {
    defaults_.remove(kSettingsKey);
    return;
  }
  defaults_.set(kSettingsKey, json);
}

bool SettingsStore::consentAcknowledged() const { return defaults_.contains(kConsentKey); }

void SettingsStore::setConsentAcknowledged(bool acknowledged) const {
  if (acknowledged)
    defaults_.setDate(kConsentKey, std::chrono::system_clock::now());
  else
    defaults_.remove(kConsentKey);
}

std::shared_ptr<TranscriptionBackend> SettingsStore::transcriptionBackend(
    const TranscriptionConfig& config) const {
  auto maker = makers_.transcription.find(config.type);
  if (maker == makers_.transcription.end() || !maker->second)
    return std::make_shared<UnavailableBackend>(std::string(storedValue(config.type)));
  return maker->second(setup(config, TranscriptionPreset::all()));
}

std::shared_ptr<NotesBackend> SettingsStore::notesBackend(const NotesConfig& config) const {
  if (config.type == NotesBackendType::none) return nullptr;
  auto maker = makers_.notes.find(config.type);
  if (maker == makers_.notes.end() || !maker->second)
    return std::make_shared<UnavailableBackend>(std::string(storedValue(config.type)));
  return maker->second(setup(config, NotesPreset::all()));
}

ProcessingOptions SettingsStore::processingOptions() const {
  const Settings settings = load();
  ProcessingOptions options;
  options.transcription = transcriptionBackend(settings.transcription);
  options.notes = notesBackend(settings.notes);
  options.notesStep = NotesWriter::step(
      settings.notesPrompt ? *settings.notesPrompt : std::string(NotesWriter::defaultPrompt),
      settings.vocabulary);
  options.notesFolder = settings.notesFolder;
  options.keepAudio = !settings.deleteAudioAfterProcessing;
  for (const auto& key : {apiKey(settings.transcription), apiKey(settings.notes)})
    if (key) options.secrets.push_back(*key);
  return options;
}

}  // namespace kelv::core
