// What the application is called by the services it uses, and how its programs end.
#pragma once

namespace kelv::core::Application {

// The reverse-domain identifier: preferences domain, keyring service, the sound server's
// application id and the desktop entry. Test runs add ".<suite>" where the name is a store.
inline constexpr const char* kIdentifier = "com.tizara.app";

}  // namespace kelv::core::Application

namespace kelv::core::ExitStatus {

// Shared by the application and every `kelv` command, so a parent reads a child's status the
// same way whichever program it started.
inline constexpr int success = 0;
inline constexpr int failure = 1;
inline constexpr int usage = 2;
// The meeting folder is busy with another run, or its status can't be read.
inline constexpr int busy = 3;

}  // namespace kelv::core::ExitStatus
