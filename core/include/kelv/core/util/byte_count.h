// Byte counts as people read them in file dialogs: decimal units, "812 MB", "1.5 GB".
#pragma once

#include <cstdint>
#include <string>

namespace kelv::core {

// File style with decimal units: "Zero KB", "1 byte", "999 bytes", "12 KB", "1.2 MB",
// "812 MB", "1 GB", "1.25 GB". KB without decimals, MB with one, GB and above with two; zeros
// after the point are dropped.
std::string formatByteCount(int64_t bytes);

}  // namespace kelv::core
