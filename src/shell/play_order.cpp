// The play schedule of the run loop. Main thread only.
#include "shell/play_order.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

PlaySchedule::PlaySchedule(int slots, int fallbacks, uint32_t limitMs)
    : slots_(slots), fallbacks_(fallbacks), limitMs_(limitMs), entries_(slots + fallbacks) {
  for (int e = 0; e < Count(); ++e) order_.push_back(e);
}

void PlaySchedule::SetFailed(int entry) { entries_[entry].status = Status::Failed; }

void PlaySchedule::Shuffle(uint32_t seed) {
  shuffled_ = true;
  random_.Seed(seed);
}

int PlaySchedule::PositionOf(int entry) const {
  for (int p = 0; p < Count(); ++p)
    if (order_[p] == entry) return p;
  return -1;
}

// The folders first (their listings are the round's first turns), then the entries that take
// part now in a new random order, the others after them (their turns pass at once); the shown
// one does not come first again.
void PlaySchedule::NewRound() {
  if (!shuffled_) return;
  std::vector<int> folders, taking, others;
  for (int e = 0; e < Count(); ++e) {
    if (!Counts(e)) {
      others.push_back(e);
    } else {
      (entries_[e].folder ? folders : taking).push_back(e);
    }
  }
  int previous = -1;
  for (size_t i = 0; i < taking.size(); ++i)
    if (taking[i] == current_) previous = int(i);
  order_ = folders;
  for (const int i : ShuffledRound(int(taking.size()), previous, random_)) order_.push_back(taking[size_t(i)]);
  order_.insert(order_.end(), others.begin(), others.end());
}

// A folder's files take no turns while a listing of it has hung for kInFlightMs: on a share
// that does not answer they would hang too, each in turn. A slow listing leaves them their
// turns, as the last listing had them.
bool PlaySchedule::Counts(int entry) const {
  const Entry& e = entries_[size_t(entry)];
  if (e.status == Status::Failed) return false;
  if (e.listedBy >= 0) {
    const Entry& folder = entries_[size_t(e.listedBy)];
    return e.listed && !(folder.trying && nowMs_ - folder.startedMs >= kInFlightMs);
  }
  return !IsFallback(entry) || !SlotHasPlayed();
}

// A folder counts through its files, or while it is being listed.
bool PlaySchedule::NothingPlays() const {
  for (const Entry& entry : entries_) {
    if (entry.trying) return false;
    if (entry.folder || !entry.listed) continue;
    if (entry.status != Status::Failed) return false;
  }
  return true;
}

std::vector<int> PlaySchedule::PlayList() const {
  std::vector<int> list;
  const bool slotHasPlayed = SlotHasPlayed();
  for (int e = 0; e < Count(); ++e) {
    if (entries_[e].status == Status::Playable && entries_[e].listed && !IsFallback(e) == slotHasPlayed)
      list.push_back(e);
  }
  return list;
}

int PlaySchedule::InFlight() const {
  int count = 0;
  for (const int e : trying_) {
    const Entry& entry = entries_[size_t(e)];
    if (!entry.ready && nowMs_ - entry.startedMs < kInFlightMs) ++count;
  }
  return count;
}

void PlaySchedule::Advance(PlayPort& port, uint32_t nowMs) {
  nowMs_ = nowMs;
  TakeAnswers(port);
  if (!seeking_) WatchShown(port, nowMs);
  if (seeking_) Seek(port, nowMs);
}

void PlaySchedule::NoteFrames(PlayPort& port, uint32_t nowMs) {
  shownFrames_ = port.FramesDelivered(current_);
  shownFramesMs_ = nowMs;
}

// A video whose reads stalled, or whose decoder hangs without a word, stops delivering
// frames and never ends: it is let go of at once (its thread ends by itself, whenever its
// read comes back) and the next video is wanted, as after an error.
void PlaySchedule::WatchShown(PlayPort& port, uint32_t nowMs) {
  if (current_ < 0 || !entries_[current_].trying) return;
  const long frames = port.FramesDelivered(current_);
  if (frames != shownFrames_) {
    shownFrames_ = frames;
    shownFramesMs_ = nowMs;
    return;
  }
  if (nowMs - shownFramesMs_ < kStalledVideoMs) return;
  Drop(port, current_);
  VideoEnded(false);
}

void PlaySchedule::VideoEnded(bool completed) {
  if (current_ < 0 || seeking_) return;  // already looking for the next one
  seeking_ = true;
  currentBroken_ = !completed;
  cursor_ = PositionOf(current_);
  waitingFor_ = -1;
  visited_ = 0;
}

// Only the entries with a try are asked: a play list of folders may hold many thousands.
void PlaySchedule::TakeAnswers(PlayPort& port) {
  const std::vector<int> asked = trying_;  // answers drop tries
  for (const int e : asked) {
    Entry& entry = entries_[e];
    if (!entry.trying || entry.ready || e == current_) continue;
    const TryAnswer answer = port.Answer(e);
    if (answer == TryAnswer::Trying) continue;
    if (answer == TryAnswer::Listed) {
      TakeListing(port, e);
      continue;
    }
    if (answer == TryAnswer::Failed) {
      Drop(port, e);
      // A folder that cannot be read now keeps its files until it can.
      if (entry.status == Status::Unknown && !entry.folder) entry.status = Status::Failed;
      continue;
    }
    if (entry.status != Status::Playable) ++playListChanges_;
    entry.status = Status::Playable;
    if (!IsFallback(e)) slotPlayed_ = true;
    entry.ready = true;
    if (seeking_) ShowEntry(port, e);
  }
}

// The folder's files as listed now: the ones listed before keep their entries (and what is
// known of them), new ones get entries, and the ones gone take no more turns (a gone one
// that waits hidden is let go of; the shown one plays to its end).
void PlaySchedule::TakeListing(PlayPort& port, int folder) {
  std::vector<NameText> paths;
  const bool taken = port.TakeListing(folder, &paths);
  Drop(port, folder);
  if (!taken) {
    if (!entries_[folder].folder) entries_[folder].status = Status::Failed;
    return;
  }
  entries_[folder].folder = true;
  std::unordered_map<NameText, int> known;
  for (const int f : entries_[folder].files) {
    known.emplace(entries_[f].path, f);
    entries_[f].listed = false;
  }
  std::vector<int> files, added;
  for (NameText& path : paths) {
    const auto found = known.find(path);
    int f = -1;
    if (found != known.end()) {
      f = found->second;
      known.erase(found);
    } else {
      f = Count();
      entries_.emplace_back();
      entries_.back().listedBy = folder;
      entries_.back().path = std::move(path);
      added.push_back(f);
    }
    entries_[f].listed = true;
    files.push_back(f);
  }
  for (const int f : entries_[folder].files) {
    if (entries_[f].listed) continue;
    files.push_back(f);
    if (entries_[f].trying && f != current_) Drop(port, f);
  }
  entries_[folder].files = std::move(files);
  ++playListChanges_;
  PlaceFiles(added);
}

// In list order the files take their folder's place in the round. A shuffled round gets the
// new ones at random among its turns still to come (those turns shuffled again with them).
void PlaySchedule::PlaceFiles(const std::vector<int>& added) {
  if (shuffled_) {
    if (added.empty()) return;
    order_.insert(order_.end(), added.begin(), added.end());
    const int from = cursor_ + 1;
    for (int i = int(order_.size()) - 1; i > from; --i) {
      const int draw = (random_.Next() << 15) | random_.Next();
      std::swap(order_[size_t(i)], order_[size_t(from + draw % (i - from + 1))]);
    }
    return;
  }
  const int atCursor = cursor_ >= 0 ? order_[size_t(cursor_)] : -1;
  order_.clear();
  for (int e = 0; e < slots_ + fallbacks_; ++e) {
    order_.push_back(e);
    order_.insert(order_.end(), entries_[e].files.begin(), entries_[e].files.end());
  }
  cursor_ = atCursor >= 0 ? PositionOf(atCursor) : -1;
}

void PlaySchedule::Drop(PlayPort& port, int entry) {
  port.DropTry(entry);
  if (entries_[entry].trying) trying_.erase(std::find(trying_.begin(), trying_.end(), entry));
  entries_[entry].trying = false;
  entries_[entry].ready = false;
}

void PlaySchedule::ShowEntry(PlayPort& port, int entry) {
  // The new picture is shown before the old video goes, so that no black frame comes between.
  port.Show(entry);
  if (current_ >= 0 && current_ != entry && entries_[current_].trying) Drop(port, current_);
  current_ = entry;
  NoteFrames(port, nowMs_);
  seeking_ = false;
  currentBroken_ = false;
  cursor_ = PositionOf(entry);
  waitingFor_ = -1;
  visited_ = 0;
  stalled_ = false;
}

void PlaySchedule::Start(PlayPort& port, int entry, uint32_t nowMs) {
  Entry& e = entries_[entry];
  if (!port.StartTry(entry)) {
    if (e.status == Status::Unknown) e.status = Status::Failed;
    return;
  }
  if (!e.trying) trying_.push_back(entry);
  e.trying = true;
  e.ready = false;
  e.startedMs = nowMs;
  waitingFor_ = entry;
}

void PlaySchedule::Seek(PlayPort& port, uint32_t nowMs) {
  if (waitingFor_ >= 0) {
    const Entry& waited = entries_[waitingFor_];
    if (waited.trying && nowMs - waited.startedMs < limitMs_) return;
    waitingFor_ = -1;  // answered, or passed over for now (its try goes on)
  }
  if (stalled_) {
    if (nowMs - stalledMs_ < kStalledRetryMs) return;
    stalled_ = false;
    visited_ = 0;
  }
  while (visited_ < Count()) {
    cursor_ = (cursor_ + 1) % Count();
    // A turn held back comes again at the same place of the same round.
    if (cursor_ == 0 && !heldTurn_) NewRound();
    heldTurn_ = false;
    ++visited_;
    const int e = order_[size_t(cursor_)];
    if (!Counts(e)) continue;
    if (e == current_) {
      // Round again to the shown video: the only one that plays.
      if (!currentBroken_) {
        port.Rewind(e);
        seeking_ = false;
        visited_ = 0;
        NoteFrames(port, nowMs);
        return;
      }
      // An error stopped it: it is started afresh, no sooner than a second after its last
      // start, and not while the thread of its last try is still stuck.
      if (nowMs - entries_[e].startedMs < kStalledRetryMs || !port.CanStart(e)) {
        cursor_ = (cursor_ + Count() - 1) % Count();
        --visited_;
        heldTurn_ = true;
        return;
      }
      if (entries_[e].trying) Drop(port, e);
      current_ = -1;
      Start(port, e, nowMs);
      if (waitingFor_ == e) return;
      continue;
    }
    if (entries_[e].ready) {
      // It answered while another video played: shown now, from its start.
      ShowEntry(port, e);
      port.Rewind(e);
      return;
    }
    if (entries_[e].trying) continue;  // passed over before and still trying
    if (!port.CanStart(e)) continue;   // its last try's thread is still stuck: a later turn
    if (InFlight() >= kTriesInFlight) {
      // Its turn waits until one of the tries under way answers.
      cursor_ = (cursor_ + Count() - 1) % Count();
      --visited_;
      heldTurn_ = true;
      return;
    }
    Start(port, e, nowMs);
    if (waitingFor_ == e) return;
  }
  // A round without a video to show.
  if (NothingPlays()) return;
  stalled_ = true;
  stalledMs_ = nowMs;
}
