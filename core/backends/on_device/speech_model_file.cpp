// The layout check of a speech model file (SpeechEngine::checkFile). The file is the engine's
// own format: magic, eleven 32-bit dimensions, the mel filter bank, the vocabulary, then each
// tensor as a small header followed by its data, with nothing after the last one.
#include <ggml.h>

#include <cstdint>
#include <limits>

#include "model_file_reader.h"
#include "speech_engine.h"

namespace kelv::core {
namespace {

// Weight types the engine reads, by the file's ftype (modulo the quantisation version).
bool knownFileType(int32_t ftype) {
  switch (ftype % GGML_QNT_VERSION_FACTOR) {
    case GGML_FTYPE_ALL_F32:
    case GGML_FTYPE_MOSTLY_F16:
    case GGML_FTYPE_MOSTLY_Q4_0:
    case GGML_FTYPE_MOSTLY_Q4_1:
    case GGML_FTYPE_MOSTLY_Q8_0:
    case GGML_FTYPE_MOSTLY_Q5_0:
    case GGML_FTYPE_MOSTLY_Q5_1:
      return true;
    default:
      return false;
  }
}

bool knownTensorType(int32_t type) {
  switch (type) {
    case GGML_TYPE_F32:
    case GGML_TYPE_F16:
    case GGML_TYPE_Q4_0:
    case GGML_TYPE_Q4_1:
    case GGML_TYPE_Q5_0:
    case GGML_TYPE_Q5_1:
    case GGML_TYPE_Q8_0:
      return true;
    default:
      return false;
  }
}

void checkLayout(ModelFileReader& file) {
  if (static_cast<uint32_t>(file.int32()) != GGML_FILE_MAGIC) throw ModelFileReader::Damaged{};
  constexpr int32_t kMany = 1 << 20;
  file.within(1, kMany);    // vocabulary size
  file.within(1, 1 << 16);  // audio context
  const int32_t audioState = file.within(1, 1 << 14);
  const int32_t audioHeads = file.within(1, 1 << 10);
  file.within(1, 1 << 10);  // audio layers
  file.within(1, 1 << 16);  // text context
  const int32_t textState = file.within(1, 1 << 14);
  const int32_t textHeads = file.within(1, 1 << 10);
  file.within(1, 1 << 10);  // text layers
  file.within(1, 1 << 10);  // mel bands
  if (audioState != textState || audioState % audioHeads || textState % textHeads)
    throw ModelFileReader::Damaged{};
  if (!knownFileType(file.within(0, std::numeric_limits<int32_t>::max())))
    throw ModelFileReader::Damaged{};

  const int32_t mels = file.within(1, 1 << 10);
  const int32_t fftBins = file.within(1, 1 << 16);
  file.skip(int64_t{mels} * fftBins * 4);

  const int32_t words = file.within(0, kMany);
  for (int32_t i = 0; i < words; ++i) file.skip(file.within(0, 1 << 16));

  int tensors = 0;
  while (!file.atEnd()) {
    const int32_t dimensions = file.within(1, 4);
    const int32_t nameLength = file.within(1, 1024);
    const int32_t type = file.int32();
    if (!knownTensorType(type)) throw ModelFileReader::Damaged{};
    int64_t elements = 1;
    int64_t rowLength = 0;
    for (int32_t d = 0; d < dimensions; ++d) {
      const int32_t extent = file.within(1, std::numeric_limits<int32_t>::max());
      if (d == 0) rowLength = extent;
      elements *= extent;
      // The engine counts elements in 32 bits.
      if (elements > std::numeric_limits<int32_t>::max()) throw ModelFileReader::Damaged{};
    }
    const auto ggmlType = static_cast<ggml_type>(type);
    const int64_t block = ggml_blck_size(ggmlType);
    if (block <= 0 || rowLength % block) throw ModelFileReader::Damaged{};
    file.skip(nameLength);
    file.skip(elements / block * static_cast<int64_t>(ggml_type_size(ggmlType)));
    ++tensors;
  }
  if (tensors == 0) throw ModelFileReader::Damaged{};
}

}  // namespace

void SpeechEngine::checkFile(const std::filesystem::path& model) {
  ModelFileReader::check(model, checkLayout);
}

}  // namespace kelv::core
