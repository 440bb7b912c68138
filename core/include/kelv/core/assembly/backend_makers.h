// The tables of makers that turn a resolved BackendSetup into a working backend, keyed by kind.
//
// `builtIn` holds this build's makers; it is created once, lazily and thread-safely, and never
// changes. Its list is in backend_makers.cpp (one line per backend kind), in the layer above
// every backend, so that every backend is linked into every program that builds backends from
// the settings. Makers may be called from any thread.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "kelv/core/backends/backend_setup.h"
#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/backends/transcription_backend.h"

namespace kelv::core {

struct BackendMakers {
  using TranscriptionMaker =
      std::function<std::shared_ptr<TranscriptionBackend>(const TranscriptionSetup&)>;
  using NotesMaker = std::function<std::shared_ptr<NotesBackend>(const NotesSetup&)>;

  std::map<TranscriptionBackendType, TranscriptionMaker> transcription;
  std::map<NotesBackendType, NotesMaker> notes;

  static const BackendMakers& builtIn();
};

}  // namespace kelv::core
