// The play schedule against a scripted platform: turns, skipping, looping, slow tries
// passed over and used when they answer, the fallback, and the once-a-second retries.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "shell/play_order.h"

namespace {

constexpr uint32_t kLimit = 5000;

// How an entry's tries go: each answers `answer` `afterMs` after it started; from the try
// numbered `failsFrom` on (1-based, 0: never) it fails instead (a file gone since).
struct Script {
  TryAnswer answer = TryAnswer::Failed;
  uint32_t afterMs = 10;
  int failsFrom = 0;
};

class ScriptedPort : public PlayPort {
 public:
  explicit ScriptedPort(std::map<int, Script> scripts) : scripts_(std::move(scripts)) {}
  uint32_t now = 0;
  std::vector<int> shown;    // every Show, in order
  std::vector<int> rewound;  // every Rewind
  std::map<int, int> starts;
  std::map<int, uint32_t> startedAt;
  std::map<int, bool> running;

  bool StartTry(int e) override {
    ++starts[e];
    startedAt[e] = now;
    running[e] = true;
    return true;
  }
  TryAnswer Answer(int e) override {
    EXPECT_TRUE(running[e]) << "asked about entry " << e << " without a try";
    const Script& s = scripts_[e];
    if (now - startedAt[e] < s.afterMs) return TryAnswer::Trying;
    if (s.failsFrom != 0 && starts[e] >= s.failsFrom) return TryAnswer::Failed;
    return s.answer;
  }
  void DropTry(int e) override {
    EXPECT_TRUE(running[e]) << "dropped entry " << e << " twice";
    running[e] = false;
  }
  void Show(int e) override { shown.push_back(e); }
  void Rewind(int e) override { rewound.push_back(e); }

 private:
  std::map<int, Script> scripts_;
};

const Script kPlays{TryAnswer::Playing, 10, 0};
const Script kFails{TryAnswer::Failed, 10, 0};

// Runs the schedule in 10 ms steps for `ms`; the shown video ends every `videoMs` after it
// was shown, when given: at the end of its stream, or by an error when not `completed`.
void Step(PlaySchedule& schedule, ScriptedPort& port, uint32_t ms, uint32_t videoMs = 0, bool completed = true) {
  uint32_t shownAt = 0;
  size_t shownCount = port.shown.size() + port.rewound.size();
  for (uint32_t t = 0; t < ms; t += 10, port.now += 10) {
    schedule.Advance(port, port.now);
    if (port.shown.size() + port.rewound.size() != shownCount) {
      shownCount = port.shown.size() + port.rewound.size();
      shownAt = port.now;
    }
    if (videoMs != 0 && schedule.Current() >= 0 && port.now - shownAt >= videoMs) {
      schedule.VideoEnded(completed);
      shownAt = port.now;
    }
  }
}

TEST(PlaySchedule, PlayableSlotsPlayInTurnSkippingTheBrokenOne) {
  ScriptedPort port({{2, kPlays}, {4, kFails}, {6, kPlays}});
  PlaySchedule schedule(10, 2, kLimit);
  for (int e : {0, 1, 3, 5, 7, 8, 9}) schedule.SetFailed(e);
  Step(schedule, port, 3000, 500);
  ASSERT_GE(port.shown.size(), 4u);
  EXPECT_EQ(std::vector<int>(port.shown.begin(), port.shown.begin() + 4), (std::vector<int>{2, 6, 2, 6}));
  EXPECT_EQ(port.starts[4], 1) << "a file that failed its first try is not tried again";
  EXPECT_EQ(schedule.PlayList(), (std::vector<int>{2, 6}));
  EXPECT_EQ(port.starts.count(10), 0u) << "the fallback is not tried while a slot plays";
}

TEST(PlaySchedule, TheOnlyPlayableFileIsRewoundNotBuiltAgain) {
  ScriptedPort port({{3, kPlays}});
  PlaySchedule schedule(10, 2, kLimit);
  Step(schedule, port, 2000, 300);
  EXPECT_EQ(port.shown, std::vector<int>{3});
  EXPECT_GE(port.rewound.size(), 3u);
  EXPECT_EQ(port.starts[3], 1);
}

TEST(PlaySchedule, ASlowFileIsPassedOverAndUsedWhenItAnswers) {
  // Slot 1 takes 20 s to answer, slot 2 plays at once.
  ScriptedPort port({{0, {TryAnswer::Playing, 20000, 0}}, {1, kPlays}});
  PlaySchedule schedule(2, 2, kLimit);
  Step(schedule, port, kLimit - 100);
  EXPECT_TRUE(port.shown.empty()) << "slot 1 has its time";
  Step(schedule, port, 200);
  EXPECT_EQ(port.shown, std::vector<int>{1}) << "passed over after the limit";
  EXPECT_TRUE(port.running[0]) << "its try goes on";
  Step(schedule, port, 20000);
  EXPECT_EQ(schedule.StatusOf(0), PlaySchedule::Status::Playable);
  EXPECT_TRUE(port.running[0]) << "kept, hidden, for its turn";
  EXPECT_EQ(port.shown, std::vector<int>{1});
  schedule.VideoEnded(true);
  Step(schedule, port, 100);
  EXPECT_EQ(port.shown, (std::vector<int>{1, 0}));
  EXPECT_EQ(port.starts[0], 1) << "the late answer itself is used";
  EXPECT_EQ(port.rewound, std::vector<int>{0}) << "from its start";
}

TEST(PlaySchedule, NothingPlaysOnlyOnceEveryEntryHasFailedOutright) {
  ScriptedPort port({{0, {TryAnswer::Failed, 8000, 0}}});
  PlaySchedule schedule(3, 2, kLimit);
  Step(schedule, port, 6000);
  EXPECT_FALSE(schedule.NothingPlays()) << "slot 1 is still trying";
  EXPECT_EQ(port.starts[3], 1) << "the fallbacks were tried meanwhile";
  Step(schedule, port, 3000);
  EXPECT_TRUE(schedule.NothingPlays());
  EXPECT_TRUE(port.shown.empty());
}

TEST(PlaySchedule, TheFallbackPlaysUntilASlotHasPlayed) {
  ScriptedPort port({{0, {TryAnswer::Playing, 7000, 0}}, {3, kPlays}});
  PlaySchedule schedule(3, 2, kLimit);
  Step(schedule, port, 6000);
  EXPECT_EQ(port.shown, std::vector<int>{3});
  EXPECT_EQ(schedule.PlayList(), std::vector<int>{3});
  Step(schedule, port, 2000);  // slot 1 answers while the fallback plays
  EXPECT_EQ(schedule.PlayList(), std::vector<int>{0});
  schedule.VideoEnded(true);
  Step(schedule, port, 100);
  schedule.VideoEnded(true);
  Step(schedule, port, 100);
  EXPECT_EQ(port.shown, (std::vector<int>{3, 0})) << "the fallback is out of the list";
}

TEST(PlaySchedule, RetriesComeNoMoreThanOnceASecond) {
  struct Case {
    const char* name;
    std::map<int, Script> scripts;
  };
  const Case cases[] = {
      // Both files played once, then are gone and an error stops the shown one: the list is
      // tried again once a second.
      {"GoneFiles", {{0, {TryAnswer::Playing, 10, 2}}, {1, {TryAnswer::Playing, 10, 2}}}},
      // A single file that an error stops at once each time is started afresh once a second.
      {"BrokenSingleFile", {{0, kPlays}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPort port(c.scripts);
    port.now = 0xFFFFFC00u;  // the tick count wraps on the way
    PlaySchedule schedule(2, 2, kLimit);
    Step(schedule, port, 1000);
    const int startsBefore = port.starts[0];
    Step(schedule, port, 5000, 10, false);
    const int retries = port.starts[0] - startsBefore;
    EXPECT_GE(retries, 3);
    EXPECT_LE(retries, 6);
    EXPECT_FALSE(schedule.NothingPlays()) << "files that played once never end the run";
  }
}

}  // namespace
