#include "kelv/core/backends/preset.h"

namespace kelv::core {

template <>
const std::vector<Preset<TranscriptionBackendType>>& Preset<TranscriptionBackendType>::all() {
  using T = TranscriptionBackendType;
  static const std::vector<Preset<T>> presets = {
      {"OpenAI", T::openAIStyle, "https://api.openai.com/v1", "whisper-1", true},
      {"Groq", T::openAIStyle, "https://api.groq.com/openai/v1", "whisper-large-v3-turbo", true},
      {"Self-hosted Whisper", T::openAIStyle, "http://localhost:8000/v1", "whisper-1", false},
      {"ElevenLabs", T::elevenLabs, "https://api.elevenlabs.io/v1", "scribe_v2", true},
      {"AssemblyAI", T::assemblyAI, "https://api.assemblyai.com/v2", std::nullopt, true},
      {"Gemini", T::gemini, "https://generativelanguage.googleapis.com/v1beta",
       "gemini-3-flash-preview", true},
  };
  return presets;
}

template <>
const std::vector<Preset<NotesBackendType>>& Preset<NotesBackendType>::all() {
  using T = NotesBackendType;
  static const std::vector<Preset<T>> presets = {
      {"OpenAI", T::openAICompatible, "https://api.openai.com/v1", "gpt-4.1-mini", true},
      {"OpenRouter", T::openAICompatible, "https://openrouter.ai/api/v1",
       "google/gemini-3-flash-preview", true},
      {"Requesty", T::openAICompatible, "https://router.requesty.ai/v1", "openai/gpt-4o-mini",
       true},
      {"Anthropic", T::anthropic, "https://api.anthropic.com", "claude-sonnet-4-5", true},
      {"Gemini", T::gemini, "https://generativelanguage.googleapis.com/v1beta",
       "gemini-3-flash-preview", true},
      {"Ollama", T::openAICompatible, "http://localhost:11434/v1", "qwen3:8b", false},
      {"LM Studio", T::openAICompatible, "http://localhost:1234/v1", std::nullopt, false},
      {"MLX", T::openAICompatible, "http://localhost:8080/v1",
       "mlx-community/Llama-3.2-3B-Instruct-4bit", false},
      {"llama.cpp", T::openAICompatible, "http://localhost:8080/v1", std::nullopt, false},
  };
  return presets;
}

}  // namespace kelv::core
