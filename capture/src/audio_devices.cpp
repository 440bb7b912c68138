#include "audio_devices.h"

#include "pulse_client.h"

namespace kelv::capture {

std::optional<int> AudioDevices::preference(bool isMonitor, const std::string& bus,
                                            const std::string& formFactor) {
  if (isMonitor) return std::nullopt;
  if (formFactor == "internal" || bus == "pci") return 0;
  if (bus.empty()) return std::nullopt;
  if (bus == "usb" || bus == "firewire" || bus == "thunderbolt") return 1;
  return 2;
}

std::optional<InputDevice> AudioDevices::choose(const std::vector<InputDevice>& devices,
                                                const std::string& defaultName,
                                                const std::set<uint32_t>& excluding) {
  const InputDevice* best = nullptr;
  for (const auto& device : devices) {
    if (!device.preference || excluding.contains(device.id)) continue;
    if (device.name == defaultName) return device;
    if (!best || *device.preference < *best->preference) best = &device;
  }
  if (!best) return std::nullopt;
  return *best;
}

std::vector<InputDevice> AudioDevices::inputDevices() {
  std::vector<InputDevice> devices;
  client_.query<pa_source_info>(
      [&](auto callback, void* userdata) {
        return pa_context_get_source_info_list(client_.context(), callback, userdata);
      },
      [&](const pa_source_info& info) {
        InputDevice device;
        device.id = info.index;
        device.name = info.name ? info.name : "";
        device.description = info.description ? info.description : "";
        device.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX;
        device.preference = preference(
            device.isMonitor, PulseClient::property(info.proplist, "device.bus").value_or(""),
            PulseClient::property(info.proplist, "device.form_factor").value_or(""));
        devices.push_back(std::move(device));
      });
  return devices;
}

std::optional<InputDevice> AudioDevices::defaultInput() {
  const std::string name = client_.defaults().source;
  if (name.empty()) return std::nullopt;
  for (auto& device : inputDevices())
    if (device.name == name) return device;
  return std::nullopt;
}

std::optional<InputDevice> AudioDevices::fallbackMic(const std::set<uint32_t>& excluding) {
  return choose(inputDevices(), client_.defaults().source, excluding);
}

}  // namespace kelv::capture
