// Reads and splits Meeting files on a thread of its own while the caller indexes the ones
// already read: a first build then tokenizes while the next files are read and parsed. Hands
// the files back in the order asked, at most a few ahead, so memory stays bounded.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "meeting_passages.h"

namespace kelv::core {

class PassageReader {
 public:
  struct File {
    std::filesystem::path path;
    std::string title;
  };

  PassageReader(std::vector<File> files, size_t ahead);
  ~PassageReader();
  PassageReader(const PassageReader&) = delete;
  PassageReader& operator=(const PassageReader&) = delete;

  // The next file's passages, or nothing when it can't be read. Rethrows what failed while
  // splitting it. Called at most once per file.
  std::optional<std::vector<MeetingPassage>> next();

 private:
  using Passages = std::optional<std::vector<MeetingPassage>>;
  void run(std::stop_token stop);

  const std::vector<File> files_;
  const size_t ahead_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<Passages> ready_;
  std::exception_ptr failure_;
  std::jthread thread_;  // last, so that it starts once the rest exists
};

}  // namespace kelv::core
