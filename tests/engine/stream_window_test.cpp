// The streaming window's schedule: a window in which nothing is decided is
// looked at a logarithmic number of times as it grows, so that one very
// long line costs linear time; a window that is consumed is looked at
// again after every window size of new text.
#include "engine/stream_window.h"

#include <gtest/gtest.h>

#include <string>

namespace strovel {
namespace {

TEST(StreamWindow, LooksAgainOnlyWhenGrownOrConsumed) {
  const std::string piece(1000, 'x');
  StreamWindow undecided(4000);
  int looks = 0;
  for (int n = 0; n < 10000; ++n) looks += undecided.append(piece);  // 10 MB, nothing consumed
  EXPECT_GE(looks, 10);
  EXPECT_LE(looks, 13);  // 4 KB, 8 KB, ... 8 MB: log2(10 MB / 4 KB) + 1

  StreamWindow decided(4000);
  looks = 0;
  for (int n = 0; n < 100; ++n) {
    if (decided.append(piece)) {
      ++looks;
      decided.consume(decided.text().size() - 10);  // all but a short tail decided
    }
  }
  EXPECT_EQ(looks, 25);  // every 4 pieces
  EXPECT_EQ(decided.text().size(), 10u);
}

}  // namespace
}  // namespace strovel
