// The speech models the on-device transcription backend can use: their names as the settings
// store them, their files as the engine's official model host publishes them, and where they
// live on this computer ($XDG_DATA_HOME/Kelvora/Models, else ~/.local/share/Kelvora/Models).
//
// A static table; every function is pure or reads the environment only, and is safe from any
// thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace kelv::core {

struct OnDeviceModel {
  std::string name;      // "base": the value of the transcription configuration's `model`
  std::string fileName;  // "ggml-base.bin": the file on the host and in the models folder
  int64_t bytes = 0;     // the published file's size
  std::string sha256;    // lower-case hex digest of the published file

  // The model used when the configuration names none.
  static constexpr const char* defaultName = "base";
  // Where the official files are published; KELV_MODEL_BASE_URL replaces it.
  static constexpr const char* officialBaseURL =
      "https://huggingface.co/ggerganov/whisper.cpp/resolve/main";

  // tiny, base, small, medium, large-v3-turbo.
  static std::span<const OnDeviceModel> all();
  // The model of that name; nullptr for an unknown name.
  static const OnDeviceModel* named(const std::string& name);
  // The configured model: absent or empty means the default. nullptr for an unknown name.
  static const OnDeviceModel* chosen(const std::optional<std::string>& name);
  // "tiny", "base", ... for messages.
  static std::string namesList();

  // $XDG_DATA_HOME/Kelvora/Models (an absolute XDG_DATA_HOME only), else
  // ~/.local/share/Kelvora/Models.
  static std::filesystem::path folder();
  // KELV_MODEL_BASE_URL when set and not empty, else the official address; no trailing "/".
  static std::string baseURL();

  std::filesystem::path path() const { return folder() / fileName; }
};

}  // namespace kelv::core
