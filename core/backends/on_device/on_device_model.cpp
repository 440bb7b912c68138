#include "kelv/core/backends/on_device/on_device_model.h"

#include <array>
#include <cstdlib>
#include <optional>

#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {

using Speed = OnDeviceModel::Speed;

// Sizes and SHA-256 digests of the files as the official host publishes them. The speed is the
// class of the size's real-time factor with bench/on_device_bench on two cores: tiny 0.03,
// base 0.06, small 0.17; medium and large-v3-turbo scaled from small by their widths and
// layers (about 0.5 and 0.8: turbo's encoder is the larger, and on a CPU the encoder
// dominates). Quantized files run about as fast as their full-precision sibling.
const std::array<OnDeviceModel, 10> kModels{{
    {"tiny", "ggml-tiny.bin", 77'691'713,
     "be07e048e1e599ad46341c8d2a135645097a538221678b7acdd1b1919c6e1b21", Speed::fastest},
    {"base", "ggml-base.bin", 147'951'465,
     "60ed5bc3dd14eea856493d334349b405782ddcaf0028d4b5df4088345fba2efe", Speed::fast},
    {"base-q8_0", "ggml-base-q8_0.bin", 81'768'585,
     "c577b9a86e7e048a0b7eada054f4dd79a56bbfa911fbdacf900ac5b567cbb7d9", Speed::fast},
    {"small", "ggml-small.bin", 487'601'967,
     "1be3a9b2063867b937e64e2ec7483364a79917e157fa98c5d94b5c1fffea987b", Speed::moderate},
    {"small-q8_0", "ggml-small-q8_0.bin", 264'464'607,
     "49c8fb02b65e6049d5fa6c04f81f53b867b5ec9540406812c643f177317f779f", Speed::moderate},
    {"medium", "ggml-medium.bin", 1'533'763'059,
     "6c14d5adee5f86394037b4e4e8b59f1673b6cee10e3cf0b11bbdbee79c156208", Speed::slow},
    {"medium-q5_0", "ggml-medium-q5_0.bin", 539'212'467,
     "19fea4b380c3a618ec4723c3eef2eb785ffba0d0538cf43f8f235e7b3b34220f", Speed::slow},
    {"large-v3-turbo", "ggml-large-v3-turbo.bin", 1'624'555'275,
     "1fc70f774d38eb169993ac391eea357ef47c88757ef72ee5943879b7e8e2bc69", Speed::slowest},
    {"large-v3-turbo-q5_0", "ggml-large-v3-turbo-q5_0.bin", 574'041'195,
     "394221709cd5ad1f40c46e6031ca61bce88931e6e088c188294c6d5a55ffa7e2", Speed::slowest},
    {"large-v3-turbo-q8_0", "ggml-large-v3-turbo-q8_0.bin", 874'188'075,
     "317eb69c11673c9de1e1f0d459b253999804ec71ac4c23c17ecf5fbe24e259a1", Speed::slowest},
}};

const OnDeviceModel kVoiceDetector{
    "silero-v6.2.0", "ggml-silero-v6.2.0.bin",
    885'098,         "2aa269b785eeb53a82983a20501ddf7c1d9c48e33ab63a41391ac6c9f7fb6987",
    Speed::fastest,  OnDeviceModel::voiceDetectorBaseURL};

std::string withoutTrailingSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

std::optional<std::string> mirror() {
  const char* override = std::getenv("KELV_MODEL_BASE_URL");
  if (!override || !*override) return std::nullopt;
  return withoutTrailingSlash(override);
}

}  // namespace

std::span<const OnDeviceModel> OnDeviceModel::all() { return kModels; }

const OnDeviceModel& OnDeviceModel::voiceDetector() { return kVoiceDetector; }

const OnDeviceModel* OnDeviceModel::named(const std::string& name) {
  for (const OnDeviceModel& model : kModels)
    if (model.name == name) return &model;
  return nullptr;
}

const OnDeviceModel* OnDeviceModel::chosen(const std::optional<std::string>& name) {
  return named(name && !name->empty() ? *name : defaultName);
}

std::string OnDeviceModel::namesList() {
  std::string names;
  for (const OnDeviceModel& model : kModels)
    names += (names.empty() ? "\"" : ", \"") + model.name + "\"";
  return names;
}

std::filesystem::path OnDeviceModel::folder() { return dataHome() / "Kelvora" / "Models"; }

std::string OnDeviceModel::baseURL() { return mirror().value_or(officialBaseURL); }

std::string OnDeviceModel::sourceURL() const {
  return mirror().value_or(host ? host : officialBaseURL);
}

bool OnDeviceModel::fromOfficialHost() const { return !mirror(); }

const char* OnDeviceModel::speedName(Speed speed) {
  switch (speed) {
    case Speed::fastest:
      return "fastest";
    case Speed::fast:
      return "fast";
    case Speed::moderate:
      return "moderate";
    case Speed::slow:
      return "slow";
    case Speed::slowest:
      return "slowest";
  }
  return "moderate";
}

}  // namespace kelv::core
