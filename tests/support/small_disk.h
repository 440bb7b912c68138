// A tiny file system for disk-full tests: a tmpfs of a few hundred kilobytes mounted on a
// folder in a mount namespace private to the test process (and the children it starts), so
// nothing outside the test ever sees it. Needs root (CI runs as root); without it, the test
// is skipped.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kelv::test {

class SmallDisk {
 public:
  // Creates `folder` and mounts a tmpfs of `bytes` on it. Check available() first.
  SmallDisk(const std::filesystem::path& folder, std::size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool available() const { return mounted_; }
  // Why it could not be mounted (for GTEST_SKIP).
  const std::string& problem() const { return problem_; }
  // Writes filler until the disk is full, leaving nothing free.
  void fill() const;
  // Shrinks the file system to what it holds now, so that nothing is free, without writing
  // anything (a big disk that a running program then finds full).
  void shrinkToUsed() const;

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  std::string problem_;
};

}  // namespace kelv::test
