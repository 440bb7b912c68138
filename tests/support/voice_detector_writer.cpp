#include "voice_detector_writer.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "speech_model_writer.h"

namespace kelv::test {
namespace {

constexpr uint32_t kMagic = 0x67676d6c;  // "ggml"
constexpr int32_t kFloat32 = 0, kFloat16 = 1;
constexpr int kFft = 256, kBins = kFft / 2 + 1;
constexpr int kHidden = 128;

class DetectorFile {
 public:
  DetectorFile(const std::filesystem::path& path, uint32_t seed)
      : out_(path, std::ios::binary), random_(seed) {
    if (!out_) throw std::runtime_error("can't write " + path.string());
  }

  void int32(int32_t value) { out_.write(reinterpret_cast<const char*>(&value), sizeof value); }
  void text(const std::string& value) {
    int32(static_cast<int32_t>(value.size()));
    out_.write(value.data(), static_cast<std::streamsize>(value.size()));
  }

  // `dims` innermost first; `fill` gives element i.
  void tensor(const std::string& name, const std::vector<int32_t>& dims, bool half,
              const std::function<float(int64_t)>& fill) {
    int64_t count = 1;
    for (int32_t d : dims) count *= d;
    int32(static_cast<int32_t>(dims.size()));
    int32(static_cast<int32_t>(name.size()));
    int32(half ? kFloat16 : kFloat32);
    for (int32_t d : dims) int32(d);
    out_.write(name.data(), static_cast<std::streamsize>(name.size()));
    for (int64_t i = 0; i < count; ++i) {
      if (half) {
        const uint16_t bits = halfPrecision(fill(i));
        out_.write(reinterpret_cast<const char*>(&bits), sizeof bits);
      } else {
        const float value = fill(i);
        out_.write(reinterpret_cast<const char*>(&value), sizeof value);
      }
    }
  }

  // Near 1, so that every weight differs a little while the sums stay as designed.
  float jitter() { return std::uniform_real_distribution<float>(0.8f, 1.2f)(random_); }

  void close() {
    out_.close();
    if (!out_) throw std::runtime_error("writing the detector failed");
  }

 private:
  std::ofstream out_;
  std::mt19937 random_;
};

// An encoder layer of kernel 3 whose output channels average the input channels over the taps
// given (weight 1 / (taps × inputs) each, jittered).
void encoderLayer(DetectorFile& file, int layer, int32_t inputs, int32_t outputs,
                  std::vector<int> taps) {
  const std::string prefix = "_model.encoder." + std::to_string(layer) + ".reparam_conv.";
  const float share = 1.0f / static_cast<float>(taps.size() * static_cast<size_t>(inputs));
  file.tensor(prefix + "weight", {3, inputs, outputs}, true, [&](int64_t i) {
    const int tap = static_cast<int>(i % 3);
    for (int used : taps)
      if (used == tap) return share * file.jitter();
    return 0.0f;
  });
  file.tensor(prefix + "bias", {outputs}, false, [](int64_t) { return 0.0f; });
}

}  // namespace

void writeVoiceDetector(const std::filesystem::path& path, float threshold, uint32_t seed) {
  DetectorFile file(path, seed);
  file.int32(static_cast<int32_t>(kMagic));
  file.text("silero-16k");
  for (int32_t part : {6, 2, 0}) file.int32(part);  // version
  file.int32(512);                                  // samples per probability
  file.int32(64);                                   // context samples
  file.int32(4);                                    // encoder layers: in, out, kernel
  for (int32_t value : {129, 128, 3, 128, 64, 3, 64, 64, 3, 64, 128, 3}) file.int32(value);
  for (int32_t value : {kHidden, kHidden, kHidden, 1}) file.int32(value);

  // A Hann-windowed Fourier transform: 129 real parts, then 129 imaginary parts.
  file.tensor("_model.stft.forward_basis_buffer", {kFft, 1, 2 * kBins}, true, [](int64_t i) {
    const int n = static_cast<int>(i % kFft), row = static_cast<int>(i / kFft);
    const int bin = row % kBins;
    const double window = 0.5 - 0.5 * std::cos(2 * M_PI * n / kFft);
    const double angle = 2 * M_PI * bin * n / kFft;
    return static_cast<float>(window * (row < kBins ? std::cos(angle) : -std::sin(angle)));
  });
  // Four frames of magnitudes in, their average over bins and frames out: the first layer
  // takes each frame as it is, the strided ones pair frames up, the last passes through.
  encoderLayer(file, 0, kBins, 128, {1});
  encoderLayer(file, 1, 128, 64, {1, 2});
  encoderLayer(file, 2, 64, 64, {1, 2});
  encoderLayer(file, 3, 64, 128, {1});

  // The decoder's gates: input and output open, forget shut, so its state is the candidate
  // tanh(gain × (average − threshold)) of this window alone.
  const float gain = 4.0f / threshold;
  file.tensor("_model.decoder.rnn.weight_ih", {kHidden, 4 * kHidden}, false, [&](int64_t i) {
    const int64_t gate = i / kHidden / kHidden;
    return gate == 2 ? gain / kHidden * file.jitter() : 0.0f;
  });
  file.tensor("_model.decoder.rnn.bias_ih", {4 * kHidden}, false, [&](int64_t i) {
    switch (i / kHidden) {
      case 0:
      case 3:
        return 8.0f;
      case 1:
        return -8.0f;
      default:
        return -gain * threshold;
    }
  });
  file.tensor("_model.decoder.rnn.weight_hh", {kHidden, 4 * kHidden}, false,
              [](int64_t) { return 0.0f; });
  file.tensor("_model.decoder.rnn.bias_hh", {4 * kHidden}, false, [](int64_t) { return 0.0f; });
  // Speech (probability over one half) once the state is clearly positive.
  file.tensor("_model.decoder.decoder.2.weight", {kHidden, 1}, true,
              [&](int64_t) { return 12.0f / kHidden * file.jitter(); });
  file.tensor("_model.decoder.decoder.2.bias", {1}, false, [](int64_t) { return -2.0f; });
  file.close();
}

}  // namespace kelv::test
