// Fetching an on-device speech model into the models folder.
//
// The file comes from OnDeviceModel::sourceURL() + "/" + its file name. It is written to
// "<file>.partial" beside its final place; an interrupted transfer is taken up again with an
// HTTP range, both within one fetch (a few tries) and by a later fetch. Only a file whose
// SHA-256 matches the known digest is renamed into place; a file that doesn't match is
// deleted. Before any byte is fetched the volume must have room for what is still missing.
//
// The digests of the official files are built in. Another base address (KELV_MODEL_BASE_URL:
// a mirror, or a test server) must serve a checksum list "SHA256SUMS" beside the files, with
// lines "<hex digest>  <file name>" as sha256sum writes them.
//
// Blocking. Fetches into one folder take turns, also across processes (a lock file there);
// one that finds the model in place after waiting is done.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "kelv/core/backends/on_device/on_device_model.h"

namespace kelv::core::ModelDownload {

// Bytes of the file received so far, and its whole size (0 while unknown).
using Progress = std::function<void(int64_t received, int64_t total)>;

// Puts `model` into `folder` (created when missing). Throws OnDeviceError: downloadFailed
// (network, HTTP status, file trouble), notEnoughSpace, checksumMismatch.
void fetch(const OnDeviceModel& model, const std::filesystem::path& folder,
           const Progress& progress = {});

// Whether `folder` holds `model` with its published digest. Reads the whole file; for
// another base address the checksum list is fetched. Throws like fetch() for that list.
bool isIntact(const OnDeviceModel& model, const std::filesystem::path& folder);

// The lower-case hex SHA-256 of a file. Throws PlatformError.
std::string sha256(const std::filesystem::path& file);

}  // namespace kelv::core::ModelDownload
