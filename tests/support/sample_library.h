// Builds a realistic meeting library for tests, snapshots and benchmarks: meeting folders in
// every state, made through the real store, with Meeting files written by the real writer into
// a notes folder, and Meeting files without any folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/library/meeting_entry.h"
#include "kelv/core/library/meeting_store.h"

namespace kelv::test {

struct SampleMeeting {
  std::string title;
  core::Date startedAt;
  double duration = 3000;  // seconds
  core::MeetingEntry::State state = core::MeetingEntry::State::done;
  bool file = true;    // a Meeting file in the notes folder
  bool audio = false;  // mic and system tracks in the folder
  std::string error = "Transcription failed: the service answered 500.";  // needsAttention
};

class SampleLibrary {
 public:
  SampleLibrary(core::MeetingStore store, std::filesystem::path notesFolder);

  // A meeting folder in the sample's state, with its Meeting file and tracks as asked.
  core::MeetingFolder add(const SampleMeeting& meeting);
  // A Meeting file in the notes folder that no meeting folder points to.
  std::filesystem::path addFileOnly(const std::string& title, core::Date startedAt,
                                    double duration = 1800);

  // The Meeting file of a sample, as the writer makes it.
  static std::string markdown(const std::string& meetingID, const SampleMeeting& meeting);

  // A dozen meetings over the two months before `now`, one in each state besides the
  // finished ones.
  void addTypicalTerm(core::Date now);

  const core::MeetingStore& store() const { return store_; }
  const std::filesystem::path& notesFolder() const { return notesFolder_; }

 private:
  core::MeetingStore store_;
  std::filesystem::path notesFolder_;
};

}  // namespace kelv::test
