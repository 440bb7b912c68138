// Working backends and the options of one processing run, made from what a SettingsStore holds
// with a table of BackendMakers. This is where the settings meet the backends and the pipeline,
// so that the settings layer itself knows only the settings record and the keys.
//
// A plain value: copies share the settings store's secret store. Nothing is cached; every call
// reads the settings and keys as they are then. Safe from any thread; the makers' backends are
// as thread-safe as their own headers say.
#pragma once

#include <memory>

#include "kelv/core/assembly/backend_makers.h"
#include "kelv/core/backends/backend_config.h"
#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/backends/transcription_backend.h"
#include "kelv/core/processing/processing_options.h"
#include "kelv/core/settings/settings_store.h"

namespace kelv::core {

class BackendAssembly {
 public:
  explicit BackendAssembly(SettingsStore settings, BackendMakers makers = BackendMakers::builtIn());

  const SettingsStore& settings() const { return settings_; }
  const BackendMakers& makers() const { return makers_; }

  // The maker's backend for the configuration resolved by SettingsStore::setup, or an
  // UnavailableBackend named by the type's stored value when no maker is listed for it.
  std::shared_ptr<TranscriptionBackend> transcriptionBackend(
      const TranscriptionConfig& config) const;
  // nullptr for the type `none`; otherwise like transcriptionBackend.
  std::shared_ptr<NotesBackend> notesBackend(const NotesConfig& config) const;

  // The options of one processing run, from the settings as they are now: their two backends,
  // the notes step with their prompt (else the default one) and vocabulary, their notes folder,
  // whether the audio is kept, and the keys of both backends to mask. No progress observer and
  // the POSIX file system.
  ProcessingOptions processingOptions() const;

 private:
  SettingsStore settings_;
  BackendMakers makers_;
};

}  // namespace kelv::core
