#include "kelv/capture/call_watcher.h"

#include <gtest/gtest.h>

namespace kelv::capture {
namespace {

using Stream = CallWatcher::Stream;
using core::AudioClient;

TEST(CallWatcher, SnapshotGroupsStreamsByProcess) {
  struct Case {
    const char* name;
    std::vector<Stream> streams;
    std::vector<AudioClient> expected;
  };
  const long own = 100;
  const std::vector<Case> cases = {
      {"nothing", {}, {}},
      {"record and playback of one process",
       {{true, false, 7, 1, "zoom"}, {false, false, 7, 2, "zoom"}},
       {{"zoom", true, true}}},
      {"corked streams don't count",
       {{true, true, 7, 1, "zoom"}, {false, false, 7, 1, "zoom"}},
       {{"zoom", false, true}}},
      {"only corked: left out", {{true, true, 7, 1, "zoom"}}, {}},
      {"our own process is left out",
       {{true, false, own, 1, "kelv"}, {true, false, 8, 2, "firefox"}},
       {{"firefox", true, false}}},
      {"without a process id, grouped by client",
       {{true, false, std::nullopt, 4, "x"},
        {false, false, std::nullopt, 4, "x"},
        {false, false, std::nullopt, 5, "y"}},
       {{"x", true, true}, {"y", false, true}}},
      {"unknown identifier still counts as input", {{true, false, 9, 1, ""}}, {{"", true, false}}},
      {"first known identifier of a process wins over an empty one",
       {{false, false, 9, 1, ""}, {true, false, 9, 2, "chrome"}},
       {{"chrome", true, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CallWatcher::audioClients(c.streams, own), c.expected);
  }
}

}  // namespace
}  // namespace kelv::capture
