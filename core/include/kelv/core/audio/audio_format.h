// The one format of every track: recorded, decoded and cut at 16000 frames a second, one
// channel. Live capture asks the sound server for it, files on disk hold it as 16-bit PCM, and
// the decoders hand it out as 32-bit float.
#pragma once

namespace kelv::core::AudioFormat {

inline constexpr int kSampleRate = 16000;
inline constexpr int kChannels = 1;

}  // namespace kelv::core::AudioFormat
