// The two closed lists of backend kinds, their stored values and their case names.
//
// The stored value ("openai-style") is what JSON holds; the case name ("openAIStyle") names
// keychain accounts. `BackendKind<Type>` gives generic code (configurations, presets, set-ups)
// what it needs about either list. Plain constants: safe from any thread.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kelv::core {

enum class TranscriptionBackendType { onDevice, openAIStyle, elevenLabs, assemblyAI, gemini };
enum class NotesBackendType { none, openAICompatible, anthropic, gemini };

std::string_view storedValue(TranscriptionBackendType type);
std::string_view storedValue(NotesBackendType type);
std::string_view caseName(TranscriptionBackendType type);
std::string_view caseName(NotesBackendType type);

template <typename Type>
struct BackendKind;

template <>
struct BackendKind<TranscriptionBackendType> {
  // The role word of keychain accounts ("v2.transcription.…").
  static constexpr std::string_view role = "transcription";
  static constexpr std::array<TranscriptionBackendType, 5> all = {
      TranscriptionBackendType::onDevice, TranscriptionBackendType::openAIStyle,
      TranscriptionBackendType::elevenLabs, TranscriptionBackendType::assemblyAI,
      TranscriptionBackendType::gemini};
  // The kind whose stored value is `text`, or nullopt.
  static std::optional<TranscriptionBackendType> fromStoredValue(std::string_view text);
};

template <>
struct BackendKind<NotesBackendType> {
  static constexpr std::string_view role = "notes";
  static constexpr std::array<NotesBackendType, 4> all = {
      NotesBackendType::none, NotesBackendType::openAICompatible, NotesBackendType::anthropic,
      NotesBackendType::gemini};
  static std::optional<NotesBackendType> fromStoredValue(std::string_view text);
};

}  // namespace kelv::core
