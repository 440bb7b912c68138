#include "kelv/core/backends/backend_type.h"

namespace kelv::core {
namespace {

template <typename Type>
std::optional<Type> findStored(std::string_view text) {
  for (Type type : BackendKind<Type>::all)
    if (storedValue(type) == text) return type;
  return std::nullopt;
}

}  // namespace

std::string_view storedValue(TranscriptionBackendType type) {
  switch (type) {
    case TranscriptionBackendType::onDevice:
      return "on-device";
    case TranscriptionBackendType::openAIStyle:
      return "openai-style";
    case TranscriptionBackendType::elevenLabs:
      return "elevenlabs";
    case TranscriptionBackendType::assemblyAI:
      return "assemblyai";
    case TranscriptionBackendType::gemini:
      return "gemini";
  }
  return "";
}

std::string_view storedValue(NotesBackendType type) {
  switch (type) {
    case NotesBackendType::none:
      return "none";
    case NotesBackendType::openAICompatible:
      return "openai-compatible";
    case NotesBackendType::anthropic:
      return "anthropic";
    case NotesBackendType::gemini:
      return "gemini";
  }
  return "";
}

std::string_view caseName(TranscriptionBackendType type) {
  switch (type) {
    case TranscriptionBackendType::onDevice:
      return "onDevice";
    case TranscriptionBackendType::openAIStyle:
      return "openAIStyle";
    case TranscriptionBackendType::elevenLabs:
      return "elevenLabs";
    case TranscriptionBackendType::assemblyAI:
      return "assemblyAI";
    case TranscriptionBackendType::gemini:
      return "gemini";
  }
  return "";
}

std::string_view caseName(NotesBackendType type) {
  switch (type) {
    case NotesBackendType::none:
      return "none";
    case NotesBackendType::openAICompatible:
      return "openAICompatible";
    case NotesBackendType::anthropic:
      return "anthropic";
    case NotesBackendType::gemini:
      return "gemini";
  }
  return "";
}

std::optional<TranscriptionBackendType> BackendKind<TranscriptionBackendType>::fromStoredValue(
    std::string_view text) {
  return findStored<TranscriptionBackendType>(text);
}

std::optional<NotesBackendType> BackendKind<NotesBackendType>::fromStoredValue(
    std::string_view text) {
  return findStored<NotesBackendType>(text);
}

}  // namespace kelv::core
