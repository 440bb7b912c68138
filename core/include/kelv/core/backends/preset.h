// Ready-made backend choices, one table per role, in the order the settings window shows them.
//
// The tables are built once on first use (thread-safe) and never change.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kelv/core/backends/backend_config.h"

namespace kelv::core {

template <typename Type>
struct Preset {
  std::string name;
  Type type{};
  std::string address;
  std::optional<std::string> model;
  bool needsKey = false;

  // The configuration this preset stands for, remembering the preset's name.
  BackendConfig<Type> config() const { return {type, address, model, name}; }

  bool operator==(const Preset&) const = default;

  static const std::vector<Preset>& all();
  // The preset of that name, or nullptr.
  static const Preset* named(const std::string& name) {
    for (const auto& preset : all())
      if (preset.name == name) return &preset;
    return nullptr;
  }
};

template <>
const std::vector<Preset<TranscriptionBackendType>>& Preset<TranscriptionBackendType>::all();
template <>
const std::vector<Preset<NotesBackendType>>& Preset<NotesBackendType>::all();

using TranscriptionPreset = Preset<TranscriptionBackendType>;
using NotesPreset = Preset<NotesBackendType>;

}  // namespace kelv::core
