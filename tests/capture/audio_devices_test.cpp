#include "audio_devices.h"

#include <gtest/gtest.h>

namespace kelv::capture {
namespace {

TEST(AudioDevices, PreferenceByBusAndFormFactor) {
  struct Case {
    bool monitor;
    const char* bus;
    const char* formFactor;
    std::optional<int> expected;
  };
  const std::vector<Case> cases = {
      {false, "pci", "", 0},
      {false, "pci", "internal", 0},
      {false, "", "internal", 0},
      {false, "usb", "internal", 0},
      {false, "usb", "microphone", 1},
      {false, "usb", "", 1},
      {false, "firewire", "", 1},
      {false, "thunderbolt", "", 1},
      {false, "bluetooth", "headset", 2},
      {false, "isa", "", 2},
      {false, "", "", std::nullopt},  // null, virtual, filter, remapped
      {false, "", "webcam", std::nullopt},
      {true, "pci", "internal", std::nullopt},
      {true, "usb", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.monitor ? "monitor " : "") + c.bus + "/" + c.formFactor);
    EXPECT_EQ(AudioDevices::preference(c.monitor, c.bus, c.formFactor), c.expected);
  }
}

InputDevice device(uint32_t id, const std::string& name, std::optional<int> preference) {
  return {id, name, name, false, preference};
}

TEST(AudioDevices, ChoosesTheDefaultWhenItIsACandidateElseTheBestListedFirst) {
  const auto builtIn = device(3, "builtin", 0);
  const auto usb = device(5, "usb", 1);
  const auto usb2 = device(6, "usb2", 1);
  const auto bluetooth = device(7, "bt", 2);
  const auto virtualSource = device(8, "virtual", std::nullopt);
  struct Case {
    const char* name;
    std::vector<InputDevice> devices;
    std::string defaultName;
    std::set<uint32_t> excluding;
    std::optional<uint32_t> expected;
  };
  const std::vector<Case> cases = {
      {"default is a virtual device: built-in wins",
       {usb, builtIn, virtualSource},
       "virtual",
       {},
       3},
      {"default USB is chosen over built-in", {builtIn, usb}, "usb", {}, 5},
      {"default Bluetooth is chosen too", {builtIn, bluetooth}, "bt", {}, 7},
      {"excluded default falls back to the best", {builtIn, usb}, "usb", {5}, 3},
      {"tie goes to the one listed first", {bluetooth, usb2, usb}, "", {}, 6},
      {"everything excluded", {builtIn, usb}, "", {3, 5}, std::nullopt},
      {"only virtual devices", {virtualSource}, "virtual", {}, std::nullopt},
      {"no devices", {}, "builtin", {}, std::nullopt},
      {"unknown default", {bluetooth, usb}, "gone", {}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto chosen = AudioDevices::choose(c.devices, c.defaultName, c.excluding);
    ASSERT_EQ(chosen.has_value(), c.expected.has_value());
    if (chosen) {
      EXPECT_EQ(chosen->id, *c.expected);
    }
  }
}

TEST(AudioDevices, MonitorsAreNeverChosenEvenAsDefault) {
  InputDevice monitor{1, "fakespk.monitor", "Monitor", true,
                      AudioDevices::preference(true, "pci", "internal")};
  EXPECT_FALSE(AudioDevices::choose({monitor}, "fakespk.monitor", {}));
}

}  // namespace
}  // namespace kelv::capture
