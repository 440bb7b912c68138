#include "kelv/core/backends/unavailable_backend.h"

#include "kelv/core/backends/backend_unavailable_error.h"

namespace kelv::core {

std::vector<TimedSegment> UnavailableBackend::transcribe(const std::filesystem::path&,
                                                         const std::optional<std::string>&) const {
  throw BackendUnavailableError(name_);
}

std::string UnavailableBackend::complete(const std::string&, const std::string&) const {
  throw BackendUnavailableError(name_);
}

}  // namespace kelv::core
