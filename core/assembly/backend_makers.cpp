// The makers of this build, one line per backend kind (on-device only when the engine is
// built in). A kind missing here is built as an UnavailableBackend. Kept in one list (rather
// than self-registering files) because KelvCore is a static library: a backend file that
// registered itself would be dropped by the linker from programs that never name it.
#include "kelv/core/assembly/backend_makers.h"

#include "kelv/core/backends/cloud/anthropic_notes.h"
#include "kelv/core/backends/cloud/assembly_ai_transcription.h"
#include "kelv/core/backends/cloud/eleven_labs_transcription.h"
#include "kelv/core/backends/cloud/gemini_notes.h"
#include "kelv/core/backends/cloud/gemini_transcription.h"
#include "kelv/core/backends/cloud/openai_compatible_notes.h"
#include "kelv/core/backends/cloud/openai_style_transcription.h"
#ifdef KELV_HAS_ON_DEVICE
#include "kelv/core/backends/on_device/on_device_transcription.h"
#endif

namespace kelv::core {

const BackendMakers& BackendMakers::builtIn() {
  static const BackendMakers makers = [] {
    BackendMakers table;
    table.transcription[TranscriptionBackendType::openAIStyle] =
        [](const TranscriptionSetup& setup) {
          return std::make_shared<OpenAIStyleTranscription>(setup);
        };
    table.transcription[TranscriptionBackendType::elevenLabs] =
        [](const TranscriptionSetup& setup) {
          return std::make_shared<ElevenLabsTranscription>(setup);
        };
    table.transcription[TranscriptionBackendType::assemblyAI] =
        [](const TranscriptionSetup& setup) {
          return std::make_shared<AssemblyAITranscription>(setup);
        };
    table.transcription[TranscriptionBackendType::gemini] = [](const TranscriptionSetup& setup) {
      return std::make_shared<GeminiTranscription>(setup);
    };
#ifdef KELV_HAS_ON_DEVICE
    table.transcription[TranscriptionBackendType::onDevice] = [](const TranscriptionSetup& setup) {
      return std::make_shared<OnDeviceTranscription>(setup);
    };
#endif
    table.notes[NotesBackendType::openAICompatible] = [](const NotesSetup& setup) {
      return std::make_shared<OpenAICompatibleNotes>(setup);
    };
    table.notes[NotesBackendType::anthropic] = [](const NotesSetup& setup) {
      return std::make_shared<AnthropicNotes>(setup);
    };
    table.notes[NotesBackendType::gemini] = [](const NotesSetup& setup) {
      return std::make_shared<GeminiNotes>(setup);
    };
    return table;
  }();
  return makers;
}

}  // namespace kelv::core
