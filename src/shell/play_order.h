// Which file plays, and when the next one is tried: the play list of a run as a schedule of
// tries. Portable; main thread only (the run loop).
//
// The entries are the ten video slots in slot order, then the fallback sample (by its bare
// name, then as found on the search path), which count only while no slot has played. Each
// entry is tried at its turn by the platform (PlayPort), away from the main thread; a try
// answers "playing" once its first frame has arrived, or "failed". A try that has not
// answered within the time limit is passed over for now and left running; whenever a try
// answers "playing" while a video is wanted, that video is shown, late or not; one that
// answers while another plays is kept, hidden, and shown from its start at its turn. A file that
// fails its first try is left out for the rest of the run; one that has played before is
// skipped when it fails at a later turn, and a play list with nothing playable left is tried
// again no more than once a second while the last picture stays. At most three tries are in
// flight (started, not answered) at once. The shown video that delivers no new frame for
// kStalledVideoMs is taken for one an error stopped, and its try is dropped at once; a file
// is tried again only once the thread of its earlier try has ended, so that a file stuck in
// a read never has two.
//
// A slot may name a folder: its try then answers with the folder's listing instead of a
// picture, and the files listed become entries of their own, played in the listing's order
// at the folder's place (or shuffled with all the others). The folder is listed again at
// each of its turns, once a round, so that new files join and deleted ones go; a listing
// that has not answered within the time limit is passed over like a slow file, and the
// folder's files wait for their turns until it answers.
#pragma once

#include <cstdint>
#include <vector>

#include "scenes/scene_random.h"
#include "shell/video_folders.h"

// Listed: the entry named a folder and its listing is ready (PlayPort::TakeListing).
enum class TryAnswer { Trying, Playing, Failed, Listed };

// What the schedule asks of the platform, by entry number (0-based).
class PlayPort {
 public:
  virtual ~PlayPort() = default;
  // Starts a try of the entry; false when none could be started (it counts as failed).
  virtual bool StartTry(int entry) = 0;
  virtual TryAnswer Answer(int entry) = 0;
  // Lets go of the entry's try (never waits).
  virtual void DropTry(int entry) = 0;
  // Makes the entry's try, which answered "playing", the video on screen.
  virtual void Show(int entry) = 0;
  // Starts the shown video again from its beginning.
  virtual void Rewind(int entry) = 0;
  // Frames the entry's try has delivered so far (any count that grows while it plays).
  virtual long FramesDelivered(int entry) = 0;
  // False while the thread of an earlier try of the entry is still running.
  virtual bool CanStart(int entry) = 0;
  // The listing of the entry's try that answered "listed": full paths in play order.
  virtual bool TakeListing(int entry, std::vector<NameText>* files) {
    (void)entry;
    (void)files;
    return false;
  }
};

// While no entry plays, the play list is tried again at most this often; a single file that
// an error stopped is started again no sooner either.
constexpr uint32_t kStalledRetryMs = 1000;

// The shown video that delivers no new frame for this long is taken for a stalled one.
constexpr uint32_t kStalledVideoMs = 3000;

// Tries started and not yet answered, at most; one that has not answered within
// kInFlightMs no longer counts (it may still answer), so that files stuck for good do not keep
// the others from being tried.
constexpr int kTriesInFlight = 3;
constexpr uint32_t kInFlightMs = 15000;

class PlaySchedule {
 public:
  enum class Status { Unknown, Playable, Failed };

  // `slots` entries, then `fallbacks` entries, then the files of folders as they are listed;
  // tries get `limitMs` before they are passed over.
  PlaySchedule(int slots, int fallbacks, uint32_t limitMs);

  // An entry known not to play without trying it (an empty path).
  void SetFailed(int entry);

  // Every round from now on takes the entries that take part in it in a new random order
  // drawn from `seed`, never starting with the video shown last (when two or more take
  // part); without this call, rounds go in entry order.
  void Shuffle(uint32_t seed);

  // One step, at `nowMs` (millisecond ticks that wrap): takes the answers of the running
  // tries, drops the shown video when it has stalled, shows a video that is wanted and
  // playing, and starts the next try when one is due. Never waits.
  void Advance(PlayPort& port, uint32_t nowMs);

  // The shown video has ended: `completed` for the end of its stream, false for an error or
  // abort that stopped it. The next entry is wanted (or the same one again, when it is the
  // only one that plays).
  void VideoEnded(bool completed);

  // True once every entry has failed its first try and no try is left running: nothing to
  // play in this run.
  bool NothingPlays() const;

  int Current() const { return current_; }  // the shown entry, -1 for none
  // The path of an entry that a folder's listing gave; empty for the slots and fallbacks.
  const NameText& ListedPath(int entry) const { return entries_[entry].path; }
  int EntryCount() const { return Count(); }
  Status StatusOf(int entry) const { return entries_[entry].status; }
  bool Trying(int entry) const { return entries_[entry].trying; }
  // The entries that have played, in play-list order: the slots, or the fallbacks while no
  // slot has played.
  std::vector<int> PlayList() const;
  // Counts the changes that PlayList() may show.
  int PlayListChanges() const { return playListChanges_; }

 private:
  struct Entry {
    Status status = Status::Unknown;
    bool trying = false;
    bool ready = false;  // its try answered "playing" and waits, hidden, for its turn
    uint32_t startedMs = 0;
    bool folder = false;     // its try listed a folder
    int listedBy = -1;       // the folder entry whose listing gave it
    bool listed = true;      // in that folder's latest listing
    NameText path;           // as listed
    std::vector<int> files;  // of a folder: every file it listed, the latest listing's first
  };

  int Count() const { return int(entries_.size()); }
  bool SlotHasPlayed() const { return slotPlayed_; }
  bool IsFallback(int entry) const { return entry >= slots_ && entry < slots_ + fallbacks_; }
  void TakeListing(PlayPort& port, int folder);
  void PlaceFiles(const std::vector<int>& added);
  bool Counts(int entry) const;  // takes part in the rounds now
  int InFlight() const;
  void TakeAnswers(PlayPort& port);
  void WatchShown(PlayPort& port, uint32_t nowMs);
  void NoteFrames(PlayPort& port, uint32_t nowMs);
  void ShowEntry(PlayPort& port, int entry);
  void Drop(PlayPort& port, int entry);
  void Seek(PlayPort& port, uint32_t nowMs);
  void Start(PlayPort& port, int entry, uint32_t nowMs);

  int PositionOf(int entry) const;
  void NewRound();

  const int slots_;
  const int fallbacks_;
  bool slotPlayed_ = false;
  const uint32_t limitMs_;
  std::vector<Entry> entries_;
  std::vector<int> order_;   // the entry at each turn of the round
  std::vector<int> trying_;  // the entries with a try, in the order they were started
  int playListChanges_ = 0;
  bool shuffled_ = false;
  bool heldTurn_ = false;  // the last turn was held back, to come again
  SceneRandom random_;
  int current_ = -1;
  bool seeking_ = true;         // a video is wanted
  bool currentBroken_ = false;  // the shown video was stopped by an error
  int cursor_ = -1;             // the turn (a place in order_) that came last
  int waitingFor_ = -1;         // the entry whose try has its turn now
  int visited_ = 0;             // turns in this round
  bool stalled_ = false;
  uint32_t stalledMs_ = 0;
  uint32_t nowMs_ = 0;          // of the step under way
  long shownFrames_ = 0;        // the shown video's frame count when it last grew
  uint32_t shownFramesMs_ = 0;  // and when that was
};
