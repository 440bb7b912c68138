#include "kelv/core/processing/processing_options.h"

#include "kelv/core/settings/settings_store.h"

namespace kelv::core {

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
  return options;
}

}  // namespace kelv::core
