// The user's stored choice of backend for one role (transcription or notes).
//
// JSON form: "type" (the kind's stored value, required), "address", "model", "preset" (each
// written only when present; missing or null reads as absent). A plain value.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "kelv/core/backends/backend_type.h"
#include "kelv/core/util/library_json.h"

namespace kelv::core {

template <typename Type>
struct BackendConfig {
  Type type{};
  std::optional<std::string> address = std::nullopt;
  std::optional<std::string> model = std::nullopt;
  // The name of the preset this choice came from; absent for a hand-made choice.
  std::optional<std::string> preset = std::nullopt;

  bool operator==(const BackendConfig&) const = default;
};

using TranscriptionConfig = BackendConfig<TranscriptionBackendType>;
using NotesConfig = BackendConfig<NotesBackendType>;

template <typename Type>
void to_json(nlohmann::json& json, const BackendConfig<Type>& config) {
  json = nlohmann::json::object();
  json["type"] = std::string(storedValue(config.type));
  if (config.address) json["address"] = *config.address;
  if (config.model) json["model"] = *config.model;
  if (config.preset) json["preset"] = *config.preset;
}

// Throws LibraryJson::DecodingError for a missing or unknown "type" or a wrong-typed field.
template <typename Type>
void from_json(const nlohmann::json& json, BackendConfig<Type>& config) {
  if (!json.is_object()) throw LibraryJson::DecodingError("A backend choice must be an object.");
  const std::string text = LibraryJson::requireString(json, "type");
  const auto type = BackendKind<Type>::fromStoredValue(text);
  if (!type) throw LibraryJson::DecodingError("Unknown backend type \"" + text + "\".");
  config.type = *type;
  config.address = LibraryJson::optionalString(json, "address");
  config.model = LibraryJson::optionalString(json, "model");
  config.preset = LibraryJson::optionalString(json, "preset");
}

}  // namespace kelv::core
