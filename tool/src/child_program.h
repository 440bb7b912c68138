// A helper program that ships with kelv, run to its end with standard output and error passed
// through: found beside the running kelv (as installed, or in the build tree), unless an
// environment variable names it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelv::tool {

// The program `name` beside this executable, or the path in the variable `override` when it
// is set and not empty.
std::filesystem::path besideKelv(const std::string& name, const char* override);

// Runs the program with the arguments and waits for it: its exit status, or -1 when it was
// ended by a signal. Throws PlatformError when it can't be started.
int runToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments);

}  // namespace kelv::tool
