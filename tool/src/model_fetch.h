// How `kelv download` and `kelv process` fetch the on-device transcription model, with the
// progress on standard error.
#pragma once

#include <optional>
#include <string>

#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/util/environment.h"

namespace kelv::tool {

// The model the settings choose when their transcription kind is on-device (the default
// model otherwise). nullptr for a name this build doesn't know.
const core::OnDeviceModel* configuredModel(const core::Environment& environment);

// Makes sure the speech detector and the model are in the models folder. `verify` also checks
// a file already there against its published digest and fetches it again when it differs.
// Returns the first failure's text, or nothing when both are ready. `command` prefixes the
// progress lines.
std::optional<std::string> readyModel(const core::OnDeviceModel& model, bool verify,
                                      const std::string& command);

// Whether the speech detector and the model are both in the models folder (unchecked).
bool modelsPresent(const core::OnDeviceModel& model);

}  // namespace kelv::tool
