// How the on-device engine decodes a chunk's speech: the search it uses, and a fixed workload
// for benchmarks. A plain value.
#pragma once

namespace kelv::core {

struct OnDeviceDecoding {
  // Greedy decoding keeps a class within the speed goal on a two-core machine: with base, a
  // real-time factor of 0.055 against 0.101 for a beam of 5, whose every token costs almost
  // four times as much (bench/on_device_bench). Windows the engine finds doubtful are decoded
  // again at higher temperatures with five candidates anyway.
  static constexpr int kDefaultBeam = 1;

  int beamSize = kDefaultBeam;  // 1: greedy
  // Benchmarks only: every 30-second window decodes exactly this many tokens, whatever the
  // model would say, with no retries at higher temperatures. 0 in real use.
  int fixedTokensPerWindow = 0;

  bool operator==(const OnDeviceDecoding&) const = default;
};

}  // namespace kelv::core
