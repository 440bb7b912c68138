#include "kelv/core/backends/on_device/on_device_model.h"

#include <array>
#include <cstdlib>

#include "kelv/core/util/system_info.h"

namespace kelv::core {
namespace {

// Sizes and SHA-256 digests of the files as the official host publishes them.
const std::array<OnDeviceModel, 5> kModels{{
    {"tiny", "ggml-tiny.bin", 77'691'713,
     "be07e048e1e599ad46341c8d2a135645097a538221678b7acdd1b1919c6e1b21"},
    {"base", "ggml-base.bin", 147'951'465,
     "60ed5bc3dd14eea856493d334349b405782ddcaf0028d4b5df4088345fba2efe"},
    {"small", "ggml-small.bin", 487'601'967,
     "1be3a9b2063867b937e64e2ec7483364a79917e157fa98c5d94b5c1fffea987b"},
    {"medium", "ggml-medium.bin", 1'533'763'059,
     "6c14d5adee5f86394037b4e4e8b59f1673b6cee10e3cf0b11bbdbee79c156208"},
    {"large-v3-turbo", "ggml-large-v3-turbo.bin", 1'624'555'275,
     "1fc70f774d38eb169993ac391eea357ef47c88757ef72ee5943879b7e8e2bc69"},
}};

}  // namespace

std::span<const OnDeviceModel> OnDeviceModel::all() { return kModels; }

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

std::string OnDeviceModel::baseURL() {
  const char* override = std::getenv("KELV_MODEL_BASE_URL");
  std::string url = (override && *override) ? override : officialBaseURL;
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

}  // namespace kelv::core
