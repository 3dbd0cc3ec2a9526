// Cost on the main thread of the play schedule with the largest play list: ten folders of
// 10,000 files each. One step while a video plays (what every frame pays), and a whole round
// of a folder of 10,000 files (its listing taken in and a turn for each), listed and
// shuffled.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "shell/play_order.h"

namespace {

constexpr int kSlots = 10;
constexpr int kFiles = 10000;

// Every slot is a folder of kFiles files that all play at once; listings answer at once.
class InstantPort : public PlayPort {
 public:
  bool StartTry(int) override { return true; }
  TryAnswer Answer(int entry) override { return entry < kSlots ? TryAnswer::Listed : TryAnswer::Playing; }
  void DropTry(int) override {}
  void Show(int) override {}
  void Rewind(int) override {}
  long FramesDelivered(int) override { return ++frames_; }
  bool CanStart(int) override { return true; }
  bool TakeListing(int entry, std::vector<NameText>* files) override {
    files->clear();
    for (int i = 0; i < kFiles; ++i) files->push_back(u"F" + NameText(1, char16_t(u'0' + entry)) + u"\\" + Number(i));
    return true;
  }

 private:
  static NameText Number(int i) {
    const std::string digits = std::to_string(i) + ".avi";
    return NameText(digits.begin(), digits.end());
  }
  long frames_ = 0;
};

// A schedule that has listed every folder and shows a file (made once: it takes 100,000
// turns).
const PlaySchedule& Filled(bool shuffled) {
  static PlaySchedule* made[2] = {};
  PlaySchedule*& schedule = made[shuffled ? 1 : 0];
  if (schedule != nullptr) return *schedule;
  schedule = new PlaySchedule(kSlots, 2, 1000);
  if (shuffled) schedule->Shuffle(5);
  InstantPort port;
  uint32_t now = 0;
  while (schedule->EntryCount() < kSlots * (kFiles + 1) + 2) {
    schedule->Advance(port, now += 10);
    schedule->VideoEnded(true);
  }
  schedule->Advance(port, now += 10);
  return *schedule;
}

void StepWhilePlaying(benchmark::State& state, bool shuffled) {
  InstantPort port;
  PlaySchedule schedule = Filled(shuffled);
  uint32_t now = 1u << 30;
  for (auto _ : state) {
    schedule.Advance(port, now += 10);
    benchmark::DoNotOptimize(schedule.PlayListChanges());  // what the run loop asks every frame
  }
  state.counters["entries"] = schedule.EntryCount();
}

void BM_ScheduleStepListed(benchmark::State& state) { StepWhilePlaying(state, false); }
void BM_ScheduleStepShuffled(benchmark::State& state) { StepWhilePlaying(state, true); }

// One whole round of one folder of kFiles files: its listing taken in again (every file
// known) and a turn for each file.
void FolderRound(benchmark::State& state, bool shuffled) {
  InstantPort port;
  PlaySchedule schedule(1, 0, 1000);
  if (shuffled) schedule.Shuffle(5);
  uint32_t now = 0;
  for (int turn = 0; turn <= kFiles; ++turn) {
    schedule.Advance(port, now += 10);
    schedule.VideoEnded(true);
  }
  for (auto _ : state) {
    for (int turn = 0; turn <= kFiles; ++turn) {
      schedule.Advance(port, now += 10);
      schedule.VideoEnded(true);
    }
  }
  state.counters["turns"] = kFiles + 1;
}

void BM_ScheduleRoundListed(benchmark::State& state) { FolderRound(state, false); }
void BM_ScheduleRoundShuffled(benchmark::State& state) { FolderRound(state, true); }

}  // namespace

BENCHMARK(BM_ScheduleStepListed);
BENCHMARK(BM_ScheduleStepShuffled);
BENCHMARK(BM_ScheduleRoundListed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScheduleRoundShuffled)->Unit(benchmark::kMillisecond);
