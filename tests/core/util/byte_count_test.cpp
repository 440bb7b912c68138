#include "kelv/core/util/byte_count.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

TEST(ByteCount, FileStyleDecimalUnits) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "Zero KB"},
      {1, "1 byte"},
      {999, "999 bytes"},
      {1000, "1 KB"},
      {12'345, "12 KB"},
      {999'499, "999 KB"},
      {999'500, "1 MB"},
      {1'234'567, "1.2 MB"},
      {812'000'000, "812 MB"},
      {199'999'999, "200 MB"},
      {999'999'999, "1 GB"},
      {1'000'000'000, "1 GB"},
      {1'250'000'000, "1.25 GB"},
      {3'000'000'000'000, "3 TB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(formatByteCount(bytes), text) << bytes;
}

}  // namespace
}  // namespace kelv::core
