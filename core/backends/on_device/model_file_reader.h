// Reading the engine's model files for their layout checks (SpeechEngine::checkFile,
// SpeechDetector::checkFile): bounded reads that fail, as Damaged, at anything past the end.
// Private to KelvCore.
#pragma once

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "kelv/core/backends/on_device/on_device_error.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::core {

class ModelFileReader {
 public:
  struct Damaged {};
  static constexpr int64_t kBuffered = 1 << 16;

  ModelFileReader(std::ifstream& in, int64_t size) : in_(in), size_(size) {}

  // Runs `layout` over the file. Throws OnDeviceError::damagedModel when it finds it damaged,
  // PlatformError when the file can't be read.
  template <typename Layout>
  static void check(const std::filesystem::path& model, Layout layout) {
    std::ifstream in(model, std::ios::binary);
    if (!in) throw PlatformError::fromErrno(errno ? errno : ENOENT, "open", model);
    in.seekg(0, std::ios::end);
    const int64_t size = in.tellg();
    in.seekg(0);
    if (size < 0) throw PlatformError::fromErrno(EIO, "read", model);
    try {
      ModelFileReader reader(in, size);
      layout(reader);
    } catch (const Damaged&) {
      throw OnDeviceError::damagedModel(model);
    }
  }

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
  void expect(int32_t wanted) {
    if (int32() != wanted) throw Damaged{};
  }
  std::string text(int32_t length) {
    if (length < 0) throw Damaged{};
    std::string value(static_cast<size_t>(length), '\0');
    take(length, value.data());
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

}  // namespace kelv::core
