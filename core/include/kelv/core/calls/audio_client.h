// One process seen using audio in a snapshot of the sound server: the input of call detection.
#pragma once

#include <string>

namespace kelv::core {

struct AudioClient {
  // The process's identifier (sandbox application id or executable name); may be empty.
  std::string bundleID;
  // The process is recording (an uncorked record stream).
  bool input = false;
  // The process is playing (an uncorked playback stream).
  bool output = false;

  friend bool operator==(const AudioClient&, const AudioClient&) = default;
};

}  // namespace kelv::core
