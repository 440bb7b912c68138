#include "passage_reader.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kelv::core {

namespace {

std::optional<std::string> contentOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(bytes).str();
}

}  // namespace

PassageReader::PassageReader(std::vector<File> files, size_t ahead)
    : files_(std::move(files)),
      ahead_(std::max<size_t>(1, ahead)),
      thread_([this](std::stop_token stop) { run(stop); }) {}

PassageReader::~PassageReader() {
  thread_.request_stop();
  changed_.notify_all();
}

void PassageReader::run(std::stop_token stop) {
  for (const File& file : files_) {
    Passages passages;
    try {
      if (const std::optional<std::string> text = contentOf(file.path))
        passages = MeetingPassages::of(*text, file.title);
    } catch (...) {
      std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      changed_.notify_all();
      return;
    }
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [this] { return ready_.size() < ahead_; })) return;
    ready_.push_back(std::move(passages));
    changed_.notify_all();
  }
}

std::optional<std::vector<MeetingPassage>> PassageReader::next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || failure_; });
  if (ready_.empty()) std::rethrow_exception(failure_);
  Passages passages = std::move(ready_.front());
  ready_.pop_front();
  changed_.notify_all();
  return passages;
}

}  // namespace kelv::core
