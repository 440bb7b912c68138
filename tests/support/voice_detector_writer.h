// Writes speech detector models (Silero, as the on-device engine's voice activity detection
// reads it) with random weights of the real dimensions, so the detection runs for real in tests
// and benchmarks without a downloaded model.
//
// Random weights alone would hear speech anywhere or nowhere; these are random in size but
// arranged so that the detector follows loudness: its spectrum front end is a true windowed
// Fourier transform, its encoder averages the magnitudes, and its recurrent decoder says
// "speech" where the average spectral magnitude is above `threshold`. A tone of amplitude A
// has an average magnitude of about A; white noise of RMS σ about 8.7 σ. With the default, a
// tone above -26 dBFS is speech and noise below -45 dBFS RMS is not.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kelv::test {

void writeVoiceDetector(const std::filesystem::path& file, float threshold = 0.05f,
                        uint32_t seed = 1);

}  // namespace kelv::test
