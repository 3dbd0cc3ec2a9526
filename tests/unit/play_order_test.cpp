// The play-list order: the entry after the one that ended plays, broken entries are skipped,
// and a list with nothing playable left is retried no more than once a second.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "shell/play_order.h"

namespace {

struct NextCase {
  const char* name;
  uint32_t current;
  uint32_t count;
  std::set<uint32_t> playable;
  uint32_t next;                // 0: none
  std::vector<uint32_t> tried;  // in order
};

class NextPlayable : public ::testing::TestWithParam<NextCase> {};

TEST_P(NextPlayable, TriesTheFollowingEntriesOnceEach) {
  const NextCase& c = GetParam();
  std::vector<uint32_t> tried;
  const uint32_t next = NextPlayableEntry(c.current, c.count, [&](uint32_t entry) {
    tried.push_back(entry);
    return c.playable.count(entry) != 0;
  });
  EXPECT_EQ(next, c.next);
  EXPECT_EQ(tried, c.tried);
}

INSTANTIATE_TEST_SUITE_P(Cases, NextPlayable,
                         ::testing::Values(NextCase{"NextOneBuilds", 1, 3, {1, 2, 3}, 2, {2}},
                                           NextCase{"LastWrapsToFirst", 3, 3, {1, 2, 3}, 1, {1}},
                                           NextCase{"BrokenOneIsSkipped", 1, 3, {1, 3}, 3, {2, 3}},
                                           NextCase{"OnlyTheCurrentOneLeft", 2, 3, {2}, 2, {3, 1, 2}},
                                           NextCase{"NothingBuilds", 2, 4, {}, 0, {3, 4, 1, 2}},
                                           NextCase{"StartOfTheRun", 0, 2, {1, 2}, 1, {1}},
                                           NextCase{"StartWhenTheFirstIsGone", 0, 3, {3}, 3, {1, 2, 3}},
                                           NextCase{"EmptyList", 1, 0, {}, 0, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StalledRetry, AtMostOnceASecondAcrossTheTickWrap) {
  // clang-format off
  struct Case {
    uint32_t now, last;
    bool due;
  } cases[] = {
      {5000, 5000, false}, {5999, 5000, false}, {6000, 5000, true},
      {200, 0xFFFFFF00u, false},  // 456 ms after the tick count wrapped
      {800, 0xFFFFFF00u, true},   // 1056 ms after
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(StalledRetryDue(c.now, c.last), c.due) << c.now << " after " << c.last;
}

}  // namespace
