// The layout check of a speech detector model (SpeechDetector::checkFile). The file is the
// engine's own format for Silero: magic, the model's name and version, its window, the shapes
// of its four encoder layers and of its recurrent decoder, then fifteen tensors, each a small
// header followed by its data, with nothing after the last one. The engine builds its graph for
// exactly these shapes, so any other value is a damaged file rather than another model.
#include <ggml.h>

#include <array>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

#include "model_file_reader.h"
#include "speech_detector.h"

namespace kelv::core {
namespace {

using Damaged = ModelFileReader::Damaged;

constexpr int32_t kWindow = 512;  // samples per probability, 32 ms
constexpr int kTensors = 15;
// Input channels, output channels and kernel size of each encoder layer.
constexpr std::array<std::array<int32_t, 3>, 4> kEncoder{
    {{129, 128, 3}, {128, 64, 3}, {64, 64, 3}, {64, 128, 3}}};
constexpr int32_t kHidden = 128;

void checkLayout(ModelFileReader& file) {
  if (static_cast<uint32_t>(file.int32()) != GGML_FILE_MAGIC) throw Damaged{};
  file.text(file.within(1, 256));                                // model name, "silero-16k"
  for (int part = 0; part < 3; ++part) file.within(0, 1 << 16);  // version
  file.expect(kWindow);
  file.within(1, 1 << 16);  // context samples
  file.expect(static_cast<int32_t>(kEncoder.size()));
  for (const auto& layer : kEncoder)
    for (int32_t value : layer) file.expect(value);
  file.expect(kHidden);  // decoder input
  file.expect(kHidden);  // decoder state
  file.expect(kHidden);  // final layer input
  file.expect(1);        // final layer output

  std::set<std::string> names;
  while (!file.atEnd()) {
    const int32_t dimensions = file.within(1, 4);
    const int32_t nameLength = file.within(1, 256);
    const int32_t type = file.int32();
    if (type != GGML_TYPE_F32 && type != GGML_TYPE_F16) throw Damaged{};
    int64_t elements = 1;
    for (int32_t d = 0; d < dimensions; ++d) {
      elements *= file.within(1, 1 << 20);
      if (elements > std::numeric_limits<int32_t>::max()) throw Damaged{};
    }
    if (!names.insert(file.text(nameLength)).second) throw Damaged{};
    file.skip(elements * static_cast<int64_t>(ggml_type_size(static_cast<ggml_type>(type))));
  }
  if (static_cast<int>(names.size()) != kTensors) throw Damaged{};
}

}  // namespace

void SpeechDetector::checkFile(const std::filesystem::path& model) {
  ModelFileReader::check(model, checkLayout);
}

}  // namespace kelv::core
