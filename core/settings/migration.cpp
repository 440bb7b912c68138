#include "kelv/core/settings/migration.h"

#include <algorithm>
#include <cmath>

#include "kelv/core/util/ascii_text.h"
#include "kelv/core/util/system_info.h"

namespace kelv::core::Migration {
namespace {

// A text entry counts only when present, a text, and not empty.
std::optional<std::string> text(const Preferences& defaults, const char* key) {
  auto value = defaults.string(key);
  if (!value || value->empty()) return std::nullopt;
  return value;
}

// How the earlier version's preferences read a stored value as a truth value.
std::optional<bool> truthValue(const Preferences& defaults, const char* key) {
  const auto value = defaults.value(key);
  if (!value || value->is_null()) return std::nullopt;
  if (value->is_boolean()) return value->get<bool>();
  if (value->is_number()) return value->get<double>() != 0;
  if (value->is_string()) {
    const std::string lower = AsciiText::lowercased(value->get<std::string>());
    return lower == "yes" || lower == "true" ||
           (!lower.empty() && lower[0] >= '1' && lower[0] <= '9');
  }
  return false;
}

}  // namespace

const std::vector<KeyMove>& keyAccounts() {
  static const std::vector<KeyMove> table = [] {
    auto notes = [](const char* preset) {
      return SettingsStore::keyAccount(NotesPreset::named(preset)->config());
    };
    auto transcription = [](const char* preset) {
      return SettingsStore::keyAccount(TranscriptionPreset::named(preset)->config());
    };
    return std::vector<KeyMove>{
        {"openAILLMApiKey",
         SettingsStore::keyAccount(NotesConfig{NotesBackendType::openAICompatible})},
        {"openRouterApiKey", notes("OpenRouter")},
        {"requestyApiKey", notes("Requesty")},
        {"openAIApiKey", notes("OpenAI")},
        {"anthropicApiKey", notes("Anthropic")},
        {"lmStudioApiKey", notes("LM Studio")},
        {"assemblyAIApiKey", transcription("AssemblyAI")},
        {"elevenLabsApiKey", transcription("ElevenLabs")},
    };
  }();
  return table;
}

const std::vector<Provider>& providers() {
  static const std::vector<Provider> table = {
      {"openRouter", "OpenRouter", "selectedModel", std::nullopt},
      {"requesty", "Requesty", "requestyModel", "requestyBaseURL"},
      {"openAI", "OpenAI", "openAIModel", "openAIBaseURL"},
      {"anthropic", "Anthropic", "anthropicModel", "anthropicBaseURL"},
      {"ollama", "Ollama", "ollamaLLMModel", "ollamaBaseURL"},
      {"lmStudio", "LM Studio", "lmStudioModel", "lmStudioBaseURL"},
      {"mlx", "MLX", "mlxModel", "mlxBaseURL"},
      {"openAICompatible", std::nullopt, "openAILLMModel", "openAILLMBaseURL"},
  };
  return table;
}

std::optional<std::filesystem::path> expandFolder(const std::string& text) {
  std::string path = text;
  if (path == "~" || path.starts_with("~/")) path = homeDirectory().string() + path.substr(1);
  // A relative folder would depend on whichever folder the program was started in.
  if (path.empty() || path.front() != '/') return std::nullopt;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return std::filesystem::path(path);
}

std::vector<std::string> vocabularyFromLines(const std::string& text) {
  std::vector<std::string> terms;
  std::string_view rest(text);
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const size_t first = line.find_first_not_of(':');
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    std::string term(AsciiText::trimmed(line.substr(0, line.find(':'))));
    if (!term.empty()) terms.push_back(std::move(term));
  }
  return terms;
}

bool runIfNeeded(const SettingsStore& store) {
  const Preferences& defaults = store.defaults();
  if (defaults.contains(SettingsStore::kSettingsKey)) return false;
  SecretStore& secrets = store.secrets();

  Settings settings;
  if (auto folder = text(defaults, "notesFolderPath"))
    if (auto path = expandFolder(*folder)) settings.notesFolder = *path;
  if (auto locale = text(defaults, "transcriptionLocale"))
    settings.language = localeLanguageCode(*locale);
  if (auto vocabulary = text(defaults, "transcriptionCustomVocabulary"))
    settings.vocabulary = vocabularyFromLines(*vocabulary);
  if (auto save = truthValue(defaults, "saveAudioRecording"))
    settings.deleteAudioAfterProcessing = !*save;

  for (const auto& move : keyAccounts()) {
    const auto old = secrets.secret(move.oldAccount);
    if (!old || old->empty()) continue;
    const auto current = secrets.secret(move.newAccount);
    if (current && !current->empty()) continue;
    secrets.setSecret(old, move.newAccount);
  }

  const std::string providerValue = text(defaults, "llmProvider").value_or("openRouter");
  const auto provider =
      std::find_if(providers().begin(), providers().end(),
                   [&](const Provider& row) { return row.oldValue == providerValue; });
  if (provider != providers().end()) {
    const NotesPreset* preset = provider->preset ? NotesPreset::named(*provider->preset) : nullptr;
    NotesConfig config =
        preset ? preset->config()
               : NotesConfig{NotesBackendType::openAICompatible, "http://localhost:4000"};
    if (provider->addressKey)
      if (auto address = text(defaults, provider->addressKey->c_str())) config.address = address;
    if (auto model = text(defaults, provider->modelKey.c_str())) config.model = model;
    const auto key = store.apiKey(config);
    const bool keyMissing = preset && preset->needsKey && (!key || key->empty());
    if (!keyMissing) settings.notes = config;
  }

  const bool batch = truthValue(defaults, "enableBatchRetranscription").value_or(false);
  const auto model = text(defaults, batch ? "batchTranscriptionModel" : "transcriptionModel");
  const char* presetName = !model                         ? nullptr
                           : *model == "assemblyAI"       ? "AssemblyAI"
                           : *model == "elevenLabsScribe" ? "ElevenLabs"
                                                          : nullptr;
  if (presetName) {
    const auto config = TranscriptionPreset::named(presetName)->config();
    const auto key = secrets.secret(std::string("v2.transcription.") + presetName);
    if (key && !key->empty()) settings.transcription = config;
  }

  store.save(settings);
  return true;
}

}  // namespace kelv::core::Migration
