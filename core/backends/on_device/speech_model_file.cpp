// The layout check of a speech model file (SpeechEngine::checkFile). The file is the engine's
// own format: magic, eleven 32-bit dimensions, the mel filter bank, the vocabulary, then each
// tensor as a small header followed by its data, with nothing after the last one.
#include <ggml.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <limits>

#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/platform_error.h"
#include "speech_engine.h"

namespace kelv::core {
namespace {

struct Damaged {};

class Reader {
 public:
  static constexpr int64_t kBuffered = 1 << 16;

  explicit Reader(std::ifstream& in, int64_t size) : in_(in), size_(size) {}

  int32_t int32() {
    int32_t value = 0;
    take(sizeof value, &value);
    return value;
  }
  int32_t within(int32_t low, int32_t high) {
    const int32_t value = int32();
    if (value < low || value > high) throw Damaged{};
    return value;
  }
  void skip(int64_t bytes) {
    if (bytes < 0 || bytes > size_ - position_) throw Damaged{};
    position_ += bytes;
    // Short skips (vocabulary words) stay within the stream's buffer; a seek would refill it.
    if (bytes < kBuffered)
      in_.ignore(bytes);
    else
      in_.seekg(position_);
  }
  bool atEnd() const { return position_ == size_; }

 private:
  void take(int64_t bytes, void* into) {
    if (bytes > size_ - position_) throw Damaged{};
    in_.read(static_cast<char*>(into), bytes);
    if (!in_) throw Damaged{};
    position_ += bytes;
  }

  std::ifstream& in_;
  int64_t size_;
  int64_t position_ = 0;
};

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

void checkLayout(Reader& file) {
  if (static_cast<uint32_t>(file.int32()) != GGML_FILE_MAGIC) throw Damaged{};
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
  if (audioState != textState || audioState % audioHeads || textState % textHeads) throw Damaged{};
  if (!knownFileType(file.within(0, std::numeric_limits<int32_t>::max()))) throw Damaged{};

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
    if (!knownTensorType(type)) throw Damaged{};
    int64_t elements = 1;
    int64_t rowLength = 0;
    for (int32_t d = 0; d < dimensions; ++d) {
      const int32_t extent = file.within(1, std::numeric_limits<int32_t>::max());
      if (d == 0) rowLength = extent;
      elements *= extent;
      // The engine counts elements in 32 bits.
      if (elements > std::numeric_limits<int32_t>::max()) throw Damaged{};
    }
    const auto ggmlType = static_cast<ggml_type>(type);
    const int64_t block = ggml_blck_size(ggmlType);
    if (block <= 0 || rowLength % block) throw Damaged{};
    file.skip(nameLength);
    file.skip(elements / block * static_cast<int64_t>(ggml_type_size(ggmlType)));
    ++tensors;
  }
  if (tensors == 0) throw Damaged{};
}

}  // namespace

void SpeechEngine::checkFile(const std::filesystem::path& model) {
  std::ifstream in(model, std::ios::binary);
  if (!in) throw PlatformError::fromErrno(errno ? errno : ENOENT, "open", model);
  in.seekg(0, std::ios::end);
  const int64_t size = in.tellg();
  in.seekg(0);
  if (size < 0) throw PlatformError::fromErrno(EIO, "read", model);
  try {
    Reader reader(in, size);
    checkLayout(reader);
  } catch (const Damaged&) {
    throw OnDeviceError::damagedModel(model);
  }
}

}  // namespace kelv::core
