// Whether the sound server lets this program record a microphone. Outside a sandbox nobody
// asks the user; the answer is what the server does with a short record stream.
//
// Blocks for as long as the probe runs (well under a second on a live server); call it off the
// user-interface thread.
#pragma once

namespace kelv::capture {

enum class MicAccess {
  // Not probed yet.
  notDetermined,
  // No microphone source exists (or no sound server answers).
  restricted,
  // The server refused the connection or the record stream.
  denied,
  authorized,
};

// Opens a record stream from the microphone a recording would use, then closes it.
MicAccess probeMicAccess();

}  // namespace kelv::capture
