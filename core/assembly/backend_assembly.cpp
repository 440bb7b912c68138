#include "kelv/core/assembly/backend_assembly.h"

#include <string>

#include "kelv/core/backends/preset.h"
#include "kelv/core/backends/unavailable_backend.h"
#include "kelv/core/notes/notes_writer.h"

namespace kelv::core {

BackendAssembly::BackendAssembly(SettingsStore settings, BackendMakers makers)
    : settings_(std::move(settings)), makers_(std::move(makers)) {}

std::shared_ptr<TranscriptionBackend> BackendAssembly::transcriptionBackend(
    const TranscriptionConfig& config) const {
  auto maker = makers_.transcription.find(config.type);
  if (maker == makers_.transcription.end() || !maker->second)
    return std::make_shared<UnavailableBackend>(std::string(storedValue(config.type)));
  TranscriptionSetup setup = settings_.setup(config, TranscriptionPreset::all());
  setup.vocabulary = settings_.load().vocabulary;
  return maker->second(setup);
}

std::shared_ptr<NotesBackend> BackendAssembly::notesBackend(const NotesConfig& config) const {
  if (config.type == NotesBackendType::none) return nullptr;
  auto maker = makers_.notes.find(config.type);
  if (maker == makers_.notes.end() || !maker->second)
    return std::make_shared<UnavailableBackend>(std::string(storedValue(config.type)));
  return maker->second(settings_.setup(config, NotesPreset::all()));
}

ProcessingOptions BackendAssembly::processingOptions() const {
  const Settings settings = settings_.load();
  ProcessingOptions options;
  options.transcription = transcriptionBackend(settings.transcription);
  options.notes = notesBackend(settings.notes);
  options.notesStep = NotesWriter::step(
      settings.notesPrompt ? *settings.notesPrompt : std::string(NotesWriter::defaultPrompt),
      settings.vocabulary);
  options.notesFolder = settings.notesFolder;
  options.keepAudio = !settings.deleteAudioAfterProcessing;
  for (const auto& key :
       {settings_.apiKey(settings.transcription), settings_.apiKey(settings.notes)})
    if (key) options.secrets.push_back(*key);
  return options;
}

}  // namespace kelv::core
