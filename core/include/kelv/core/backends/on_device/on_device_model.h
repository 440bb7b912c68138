// The speech models the on-device transcription backend can use: their names as the settings
// store them, their files as the engine's official model host publishes them, and where they
// live on this computer ($XDG_DATA_HOME/Kelvora/Models, else ~/.local/share/Kelvora/Models).
// Beside them, the speech detection model that every transcription uses to find the speech in
// a track; it is fetched and checked like a speech model.
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
  // How long a class takes to transcribe with the model on a two-core machine (real-time
  // factor, bench/on_device_bench): fastest about 0.03, fast 0.06, moderate 0.2, slow 0.5,
  // slowest 0.8.
  enum class Speed { fastest, fast, moderate, slow, slowest };

  std::string name;      // "base": the value of the transcription configuration's `model`
  std::string fileName;  // "ggml-base.bin": the file on the host and in the models folder
  int64_t bytes = 0;     // the published file's size
  std::string sha256;    // lower-case hex digest of the published file
  Speed speed = Speed::moderate;
  // Where the file is published when it isn't on the speech models' host.
  const char* host = nullptr;

  // The model used when the configuration names none.
  static constexpr const char* defaultName = "base";
  // Where the official files are published; KELV_MODEL_BASE_URL replaces it.
  static constexpr const char* officialBaseURL =
      "https://huggingface.co/ggerganov/whisper.cpp/resolve/main";
  static constexpr const char* voiceDetectorBaseURL =
      "https://huggingface.co/ggml-org/whisper-vad/resolve/main";

  // The speech models: tiny, base, small, medium and large-v3-turbo, and the quantized files
  // (smaller, nearly as accurate) after each size.
  static std::span<const OnDeviceModel> all();
  // The speech detection model (Silero), published on the engine's voice activity host.
  static const OnDeviceModel& voiceDetector();
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
  // Where this file comes from: KELV_MODEL_BASE_URL when set and not empty (a mirror serves
  // every file), else its own host; no trailing "/".
  std::string sourceURL() const;
  // Whether it comes from its official host, whose digests are built in.
  bool fromOfficialHost() const;
  // "fastest" ... "slowest", for listings.
  static const char* speedName(Speed speed);

  std::filesystem::path path() const { return folder() / fileName; }
};

}  // namespace kelv::core
