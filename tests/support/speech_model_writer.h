// Writes speech models with random weights in the on-device engine's own file format, so the
// real engine can be run end to end without a downloaded model. The vocabulary is made-up
// syllables; the dimensions are chosen by the caller (a few MB for tests, the real "base"
// dimensions for benchmarks). Multilingual: the vocabulary has the size of the multilingual
// models, so language tokens exist.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kelv::test {

struct SpeechModelShape {
  int32_t vocabulary = 51865;  // multilingual
  int32_t audioContext = 1500;
  int32_t width = 64;  // the state size of both encoder and decoder
  int32_t heads = 2;
  int32_t audioLayers = 1;
  int32_t textContext = 24;  // at most 8 tokens per window keeps random decoding short
  int32_t textLayers = 1;
  int32_t mels = 80;

  // About 7 MB: quick enough for tests of a sanitizer build.
  static SpeechModelShape tiny() { return {}; }
  // The dimensions of the published "base" model (about 150 MB).
  static SpeechModelShape base() { return {51865, 1500, 512, 8, 6, 448, 6, 80}; }
};

// The IEEE half-precision bits of `value` (rounded to nearest; tiny values flush to zero), as
// the engine's files store weights.
uint16_t halfPrecision(float value);

// Writes the model file (half-precision weights); the same seed gives the same bytes.
void writeSpeechModel(const std::filesystem::path& file, const SpeechModelShape& shape,
                      uint32_t seed = 1);

}  // namespace kelv::test
