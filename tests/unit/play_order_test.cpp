// The play schedule against a scripted platform: turns, skipping, looping, slow tries
// passed over and used when they answer, the fallback, and the once-a-second retries.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "shell/play_order.h"

namespace {

constexpr uint32_t kLimit = 1000;

// How an entry's tries go: each answers `answer` `afterMs` after it started; from the try
// numbered `failsFrom` on (1-based, 0: never) it fails instead (a file gone since). A playing
// try delivers a frame every step until `stallsAfterMs` after its start (0: never stalls);
// a dropped try's thread runs on for `lingersMs`.
struct Script {
  TryAnswer answer = TryAnswer::Failed;
  uint32_t afterMs = 10;
  int failsFrom = 0;
  uint32_t stallsAfterMs = 0;
  uint32_t lingersMs = 0;
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
  std::map<int, uint32_t> droppedAt;
  int mostInFlight = 0;

  // A folder's listings, one a try (the last one again for later tries).
  std::map<int, std::vector<std::vector<NameText>>> listings;

  bool StartTry(int e) override {
    EXPECT_TRUE(CanStart(e)) << "entry " << e << " started while its last thread runs";
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
    return listings.count(e) != 0 ? TryAnswer::Listed : s.answer;
  }
  bool TakeListing(int e, std::vector<NameText>* files) override {
    const auto& all = listings[e];
    *files = all[std::min(size_t(starts[e]), all.size()) - 1];
    return true;
  }
  void DropTry(int e) override {
    EXPECT_TRUE(running[e]) << "dropped entry " << e << " twice";
    running[e] = false;
    droppedAt[e] = now;
  }
  void Show(int e) override { shown.push_back(e); }
  void Rewind(int e) override { rewound.push_back(e); }
  long FramesDelivered(int e) override {
    const Script& s = scripts_[e];
    const uint32_t played = now - startedAt[e];
    return long(s.stallsAfterMs != 0 && played > s.stallsAfterMs ? s.stallsAfterMs : played) / 10;
  }
  bool CanStart(int e) override { return droppedAt.count(e) == 0 || now - droppedAt[e] >= scripts_[e].lingersMs; }

  // Tries started and not answered yet (a try that answered but waits counts as answered).
  void CountInFlight() {
    int inFlight = 0;
    for (const auto& [e, isRunning] : running)
      if (isRunning && now - startedAt[e] < scripts_[e].afterMs) ++inFlight;
    if (inFlight > mostInFlight) mostInFlight = inFlight;
  }

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
    port.CountInFlight();
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

TEST(PlaySchedule, AtMostThreeTriesAreInFlightAndAPlayableFileShowsWithinTwoSeconds) {
  // Slots 1 to 5 answer only after 10 s; slot 6 plays at once.
  std::map<int, Script> scripts;
  for (int e = 0; e < 5; ++e) scripts[e] = {TryAnswer::Playing, 10000, 0};
  scripts[5] = kPlays;
  ScriptedPort port(scripts);
  PlaySchedule schedule(6, 2, kLimit);
  Step(schedule, port, 2000);
  EXPECT_LE(port.mostInFlight, kTriesInFlight);
  EXPECT_TRUE(port.shown.empty()) << "slot 6 waits for a try in flight to answer";
  Step(schedule, port, 30000, 500);
  EXPECT_LE(port.mostInFlight, kTriesInFlight);
  EXPECT_NE(std::find(port.shown.begin(), port.shown.end(), 5), port.shown.end()) << "slot 6 had its turn";

  // Behind one slow first file, the playable one shows within two seconds.
  ScriptedPort oneSlow({{0, {TryAnswer::Playing, 60000, 0}}, {1, kPlays}});
  PlaySchedule second(2, 2, kLimit);
  Step(second, oneSlow, 2000);
  EXPECT_EQ(oneSlow.shown, std::vector<int>{1});
}

TEST(PlaySchedule, AStalledVideoIsDroppedAndTriedAgainOnlyOnceItsThreadHasEnded) {
  struct Case {
    const char* name;
    std::map<int, Script> scripts;
    std::vector<int> shownFirst;  // the first shows after the stall
  };
  // clang-format off
  const Case cases[] = {
      // Slot 1 stalls 2 s into its play and its thread is stuck for 20 s; slot 2 plays.
      {"TwoFiles", {{0, {TryAnswer::Playing, 10, 0, 2000, 20000}}, {1, {TryAnswer::Playing, 10, 0, 0, 0}}}, {0, 1}},
      // A single file: its picture stays until its stuck thread has ended.
      {"SingleFile", {{0, {TryAnswer::Playing, 10, 0, 2000, 20000}}}, {0}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPort port(c.scripts);
    PlaySchedule schedule(2, 2, kLimit);
    Step(schedule, port, 2000 + kStalledVideoMs - 100);
    EXPECT_TRUE(port.running[0]) << "not yet: it delivered a frame less than 3 s ago";
    Step(schedule, port, 200);
    EXPECT_FALSE(port.running[0]) << "dropped once no frame came for 3 s";
    Step(schedule, port, 1000);
    EXPECT_EQ(port.shown, c.shownFirst);
    EXPECT_EQ(port.starts[0], 1) << "not tried again while its thread is stuck";
    Step(schedule, port, 20000, c.scripts.size() > 1 ? 500 : 0);
    EXPECT_GE(port.starts[0], 2) << "tried afresh once its thread had ended";
    EXPECT_GE(std::count(port.shown.begin(), port.shown.end(), 0), 2) << "and shown again";
  }
}

// The entry on screen after each turn (a video shown or started again) for `ms`, each video
// ending 300 ms after its turn.
std::vector<int> Turns(PlaySchedule& schedule, ScriptedPort& port, uint32_t ms) {
  std::vector<int> turns;
  uint32_t turnAt = 0;
  for (const uint32_t end = port.now + ms; port.now != end; port.now += 10) {
    const size_t before = port.shown.size() + port.rewound.size();
    schedule.Advance(port, port.now);
    if (port.shown.size() + port.rewound.size() != before) {
      turns.push_back(schedule.Current());
      turnAt = port.now;
    }
    if (schedule.Current() >= 0 && port.now - turnAt >= 300) schedule.VideoEnded(true);
  }
  return turns;
}

}  // namespace

// Shuffled: every playable file once a round (so any hundred turns in a row hold each of
// five 19 to 21 times), never the same twice in a row, and not in list order.
TEST(PlaySchedule, ShuffledRoundsPlayEachFileOnceWithoutRepeats) {
  ScriptedPort port({{0, kPlays}, {2, kPlays}, {3, kPlays}, {5, kPlays}, {9, kPlays}});
  PlaySchedule schedule(10, 2, kLimit);
  for (int e : {1, 4, 6, 7, 8}) schedule.SetFailed(e);
  schedule.Shuffle(7);
  const std::vector<int> turns = Turns(schedule, port, 40000);
  ASSERT_GE(turns.size(), 110u);
  std::map<int, int> counts;
  for (size_t i = 10; i < 110; ++i) ++counts[turns[i]];
  for (int e : {0, 2, 3, 5, 9}) EXPECT_TRUE(counts[e] >= 19 && counts[e] <= 21) << "entry " << e << ": " << counts[e];
  for (size_t i = 1; i < turns.size(); ++i) ASSERT_NE(turns[i], turns[i - 1]) << "turn " << i;
  const std::vector<int> listed = {0, 2, 3, 5, 9, 0, 2, 3, 5, 9};
  EXPECT_NE(std::vector<int>(turns.begin() + 10, turns.begin() + 20), listed);
}

// A folder's files (entries 12 on, as first listed) play at its place in list order; each
// round lists it afresh, so a new file joins and a deleted one goes.
TEST(PlaySchedule, AFoldersFilesPlayInItsPlaceAndEachRoundListsItAfresh) {
  ScriptedPort port(
      {{0, kPlays}, {1, {TryAnswer::Playing, 10, 0}}, {2, kPlays}, {12, kPlays}, {13, kPlays}, {14, kPlays}});
  port.listings[1] = {{u"F\\a.avi", u"F\\b.avi"}, {u"F\\b.avi", u"F\\c.avi"}};
  PlaySchedule schedule(10, 2, kLimit);
  for (int e = 3; e < 10; ++e) schedule.SetFailed(e);
  const std::vector<int> turns = Turns(schedule, port, 3000);
  ASSERT_GE(turns.size(), 8u);
  EXPECT_EQ(std::vector<int>(turns.begin(), turns.begin() + 8), (std::vector<int>{0, 12, 13, 2, 0, 13, 14, 2}));
  EXPECT_EQ(schedule.ListedPath(14), u"F\\c.avi");
  EXPECT_EQ(schedule.EntryCount(), 15) << "a file listed again keeps its entry";
}

// A folder listed slowly is passed over like a slow file: the other slot shows first, the
// folder's file (entry 4, after two slots and two fallbacks) once listed; and a shuffled run
// takes the folder's files among the others.
TEST(PlaySchedule, ASlowListingIsPassedOverAndShuffleMixesAFoldersFiles) {
  ScriptedPort slow({{0, {TryAnswer::Playing, 5000, 0}}, {1, kPlays}, {4, kPlays}});
  slow.listings[0] = {{u"F\\a.avi"}};
  PlaySchedule first(2, 2, kLimit);
  const std::vector<int> turns = Turns(first, slow, 12000);
  ASSERT_FALSE(turns.empty());
  EXPECT_EQ(turns[0], 1);
  EXPECT_NE(std::find(turns.begin(), turns.end(), 4), turns.end()) << "the folder's file never played";

  ScriptedPort port({{0, {TryAnswer::Playing, 10, 0}}, {1, kPlays}, {4, kPlays}, {5, kPlays}, {6, kPlays}});
  port.listings[0] = {{u"F\\a.avi", u"F\\b.avi", u"F\\c.avi"}};
  PlaySchedule shuffled(2, 2, kLimit);
  shuffled.Shuffle(3);
  const std::vector<int> all = Turns(shuffled, port, 30000);
  ASSERT_GE(all.size(), 44u);
  std::map<int, int> counts;
  for (size_t i = 4; i < 44; ++i) ++counts[all[i]];
  for (int e : {1, 4, 5, 6}) EXPECT_TRUE(counts[e] >= 9 && counts[e] <= 11) << "entry " << e << ": " << counts[e];
  for (size_t i = 1; i < all.size(); ++i) ASSERT_NE(all[i], all[i - 1]) << "turn " << i;
}

// Nothing plays when the only folder holds no video or only broken ones.
TEST(PlaySchedule, AFolderWithNothingPlayableEndsTheRun) {
  for (const bool empty : {true, false}) {
    ScriptedPort port({{0, {TryAnswer::Playing, 10, 0}}, {1, kFails}});
    port.listings[0] = {empty ? std::vector<NameText>{} : std::vector<NameText>{u"F\\broken.avi"}};
    PlaySchedule schedule(1, 0, kLimit);
    Step(schedule, port, 100);
    EXPECT_TRUE(schedule.NothingPlays()) << empty;
  }
}
