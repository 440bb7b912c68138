#include "speech_model_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelv::test {
namespace {

constexpr uint32_t kMagic = 0x67676d6c;  // "ggml"
constexpr int32_t kFloat32 = 0, kFloat16 = 1;
constexpr int32_t kTextTokens = 50257;  // words written; the engine adds the special tokens
constexpr int32_t kFftBins = 201;       // 400-point transform

}  // namespace

uint16_t halfPrecision(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const uint32_t sign = (bits >> 16) & 0x8000;
  int32_t exponent = static_cast<int32_t>((bits >> 23) & 0xff) - 127 + 15;
  uint32_t mantissa = bits & 0x7fffff;
  if (exponent <= 0) return static_cast<uint16_t>(sign);  // tiny values flush to zero
  if (exponent >= 31) return static_cast<uint16_t>(sign | 0x7c00);
  mantissa += 0x1000;  // round to nearest
  if (mantissa & 0x800000) {
    mantissa = 0;
    if (++exponent >= 31) return static_cast<uint16_t>(sign | 0x7c00);
  }
  return static_cast<uint16_t>(sign | (exponent << 10) | (mantissa >> 13));
}

namespace {

class ModelFile {
 public:
  ModelFile(const std::filesystem::path& path, uint32_t seed)
      : out_(path, std::ios::binary), random_(seed) {
    if (!out_) throw std::runtime_error("can't write " + path.string());
  }

  void int32(int32_t value) { out_.write(reinterpret_cast<const char*>(&value), sizeof value); }
  void float32(float value) { out_.write(reinterpret_cast<const char*>(&value), sizeof value); }
  void bytes(const std::string& text) {
    int32(static_cast<int32_t>(text.size()));
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  }

  // `dims` innermost first, as the engine counts them. `fill` gives element i.
  template <typename Fill>
  void tensor(const std::string& name, std::vector<int32_t> dims, bool half, Fill fill) {
    int64_t count = 1;
    for (int32_t d : dims) count *= d;
    int32(static_cast<int32_t>(dims.size()));
    int32(static_cast<int32_t>(name.size()));
    int32(half ? kFloat16 : kFloat32);
    for (int32_t d : dims) int32(d);
    out_.write(name.data(), static_cast<std::streamsize>(name.size()));
    if (half) {
      std::vector<uint16_t> data(static_cast<size_t>(count));
      for (int64_t i = 0; i < count; ++i) data[static_cast<size_t>(i)] = halfPrecision(fill(i));
      out_.write(reinterpret_cast<const char*>(data.data()),
                 static_cast<std::streamsize>(data.size() * 2));
    } else {
      std::vector<float> data(static_cast<size_t>(count));
      for (int64_t i = 0; i < count; ++i) data[static_cast<size_t>(i)] = fill(i);
      out_.write(reinterpret_cast<const char*>(data.data()),
                 static_cast<std::streamsize>(data.size() * 4));
    }
  }

  // A weight matrix scaled to keep activations in range: uniform in ±1/sqrt(fan-in).
  void weights(const std::string& name, std::vector<int32_t> dims, bool half = true) {
    const float scale =
        1.0f / std::sqrt(static_cast<float>(dims[0] * (dims.size() > 2 ? dims[1] : 1)));
    std::uniform_real_distribution<float> uniform(-scale, scale);
    tensor(name, std::move(dims), half, [&](int64_t) { return uniform(random_); });
  }
  void constant(const std::string& name, std::vector<int32_t> dims, float value) {
    tensor(name, std::move(dims), false, [&](int64_t) { return value; });
  }
  void small(const std::string& name, std::vector<int32_t> dims) {
    std::normal_distribution<float> normal(0.0f, 0.02f);
    tensor(name, std::move(dims), false, [&](int64_t) { return normal(random_); });
  }

  std::mt19937& random() { return random_; }
  void close() {
    out_.close();
    if (!out_) throw std::runtime_error("writing the model failed");
  }

 private:
  std::ofstream out_;
  std::mt19937 random_;
};

double hzToMel(double hz) { return 2595.0 * std::log10(1.0 + hz / 700.0); }
double melToHz(double mel) { return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0); }

// Triangular filters spread evenly on the mel scale from 0 to 8 kHz, area-normalised.
void melFilters(ModelFile& file, int32_t mels) {
  file.int32(mels);
  file.int32(kFftBins);
  const double top = hzToMel(8000.0);
  for (int32_t m = 0; m < mels; ++m) {
    const double low = melToHz(top * m / (mels + 1));
    const double centre = melToHz(top * (m + 1) / (mels + 1));
    const double high = melToHz(top * (m + 2) / (mels + 1));
    for (int32_t bin = 0; bin < kFftBins; ++bin) {
      const double hz = bin * 8000.0 / (kFftBins - 1);
      double weight = 0;
      if (hz > low && hz <= centre)
        weight = (hz - low) / (centre - low);
      else if (hz > centre && hz < high)
        weight = (high - hz) / (high - centre);
      file.float32(static_cast<float>(weight * 2.0 / (high - low)));
    }
  }
}

void vocabulary(ModelFile& file) {
  static const char* syllables[] = {"la", "de", "que", "en", "el", "los", "se", "con", "por", "una",
                                    "ma", "ti", "ca",  "ro", "sa", "ne",  "mi", "tu",  "vo",  "ri"};
  std::uniform_int_distribution<int> pick(0, 19), length(1, 3), space(0, 2);
  file.int32(kTextTokens);
  for (int32_t id = 0; id < kTextTokens; ++id) {
    std::string word;
    if (id == 220) {
      word = " ";  // the engine looks the blank up by its text, as in the real vocabulary
    } else if (id == 256 || id == 257) {
      word = id == 256 ? " -" : " '";
    } else if (id < 256) {
      word = std::string(1, static_cast<char>('!' + id % 94));
    } else {
      if (space(file.random()) != 0) word = " ";
      for (int n = length(file.random()); n > 0; --n) word += syllables[pick(file.random())];
    }
    file.bytes(word);
  }
}

void block(ModelFile& file, const std::string& prefix, int32_t width, bool cross) {
  const auto attention = [&](const std::string& name) {
    file.constant(prefix + name + "_ln.weight", {width}, 1.0f);
    file.constant(prefix + name + "_ln.bias", {width}, 0.0f);
    file.weights(prefix + name + ".query.weight", {width, width});
    file.small(prefix + name + ".query.bias", {width});
    file.weights(prefix + name + ".key.weight", {width, width});
    file.weights(prefix + name + ".value.weight", {width, width});
    file.small(prefix + name + ".value.bias", {width});
    file.weights(prefix + name + ".out.weight", {width, width});
    file.small(prefix + name + ".out.bias", {width});
  };
  attention("attn");
  if (cross) attention("cross_attn");
  file.constant(prefix + "mlp_ln.weight", {width}, 1.0f);
  file.constant(prefix + "mlp_ln.bias", {width}, 0.0f);
  file.weights(prefix + "mlp.0.weight", {width, 4 * width});
  file.small(prefix + "mlp.0.bias", {4 * width});
  file.weights(prefix + "mlp.2.weight", {4 * width, width});
  file.small(prefix + "mlp.2.bias", {width});
}

}  // namespace

void writeSpeechModel(const std::filesystem::path& file, const SpeechModelShape& shape,
                      uint32_t seed) {
  ModelFile model(file, seed);
  model.int32(static_cast<int32_t>(kMagic));
  for (int32_t value :
       {shape.vocabulary, shape.audioContext, shape.width, shape.heads, shape.audioLayers,
        shape.textContext, shape.width, shape.heads, shape.textLayers, shape.mels, kFloat16})
    model.int32(value);
  melFilters(model, shape.mels);
  vocabulary(model);

  const int32_t width = shape.width;
  // Sinusoids, as the encoder was trained with.
  model.tensor("encoder.positional_embedding", {width, shape.audioContext}, false, [&](int64_t i) {
    const int64_t position = i / width, channel = i % width, half = width / 2;
    const double rate =
        std::exp(-std::log(10000.0) * static_cast<double>(channel % half) / (half - 1));
    const double angle = static_cast<double>(position) * rate;
    return static_cast<float>(channel < half ? std::sin(angle) : std::cos(angle));
  });
  model.weights("encoder.conv1.weight", {3, shape.mels, width});
  model.small("encoder.conv1.bias", {1, width});
  model.weights("encoder.conv2.weight", {3, width, width});
  model.small("encoder.conv2.bias", {1, width});
  for (int32_t layer = 0; layer < shape.audioLayers; ++layer)
    block(model, "encoder.blocks." + std::to_string(layer) + ".", width, false);
  model.constant("encoder.ln_post.weight", {width}, 1.0f);
  model.constant("encoder.ln_post.bias", {width}, 0.0f);

  model.small("decoder.positional_embedding", {width, shape.textContext});
  model.weights("decoder.token_embedding.weight", {width, shape.vocabulary});
  for (int32_t layer = 0; layer < shape.textLayers; ++layer)
    block(model, "decoder.blocks." + std::to_string(layer) + ".", width, true);
  model.constant("decoder.ln.weight", {width}, 1.0f);
  model.constant("decoder.ln.bias", {width}, 0.0f);
  model.close();
}

}  // namespace kelv::test
