// The sound server's input devices (sources) and the choice of microphone.
//
// Preference: built-in (form factor "internal" or bus "pci") 0; USB, FireWire, Thunderbolt 1;
// anything else with a bus (Bluetooth) 2; monitors of outputs and sources without a bus (null,
// virtual, filter and remapped sources) are never chosen. The default input wins when it is a
// candidate; otherwise the lowest preference, the earliest listed on a tie.
//
// The queries need a connection and its lock (see PulseClient); the choice itself is pure.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelv::capture {

class PulseClient;

struct InputDevice {
  // The source's index: stable for the source's life, never reused by the server.
  uint32_t id = 0;
  std::string name;
  std::string description;
  bool isMonitor = false;
  // Lower is better; none means never chosen.
  std::optional<int> preference;
};

class AudioDevices {
 public:
  explicit AudioDevices(PulseClient& client) : client_(client) {}

  // REQUIRES: lock held. Every source, monitors included, in the server's order.
  std::vector<InputDevice> inputDevices();
  // REQUIRES: lock held. The default source, when there is one.
  std::optional<InputDevice> defaultInput();
  // REQUIRES: lock held.
  std::optional<InputDevice> fallbackMic(const std::set<uint32_t>& excluding);

  static std::optional<int> preference(bool isMonitor, const std::string& bus,
                                       const std::string& formFactor);
  static std::optional<InputDevice> choose(const std::vector<InputDevice>& devices,
                                           const std::string& defaultName,
                                           const std::set<uint32_t>& excluding);

 private:
  PulseClient& client_;
};

}  // namespace kelv::capture
