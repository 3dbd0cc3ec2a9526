// What a folder slot of the play list stands for: the video files of the folder and its
// subfolders in natural name order, folder by folder, within bounds that a hostile or
// looping tree cannot pass; and the order of a shuffled round. Portable; the listing runs on
// a video try's thread (the platform reads the folders), the shuffle on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Names and paths as UTF-16, as the NT family keeps them.
using NameText = std::u16string;

// Subfolders deeper than this below the slot's folder are not read.
constexpr int kFolderLevels = 8;
// A folder slot stands for this many files at most.
constexpr size_t kFolderFiles = 10000;

// Whether the name ends in one of the extensions the saver plays (.avi, .mpg, .mpeg, .mp4,
// .m4v, .mov, .mkv, .wmv, .webm), in any case.
bool IsVideoFileName(const NameText& name);

// Natural order: runs of digits compare by their value ("2" before "10"), everything else
// by character with ASCII letters in either case alike; names that still tie compare by
// their code units, so the order is total. Negative, 0 or positive.
int CompareNamesNaturally(const NameText& a, const NameText& b);

// One entry of a folder as the platform reads it.
struct FolderEntry {
  NameText name;
  bool folder = false;
  bool link = false;  // a symbolic link or junction: never followed, never played
};

// Reads one folder; the platform's side.
class FolderReader {
 public:
  virtual ~FolderReader() = default;
  // The entries of the folder at `path` (no "." or ".."); false when it cannot be read.
  virtual bool Read(const NameText& path, std::vector<FolderEntry>* entries) = 0;
};

struct FolderListing {
  std::vector<NameText> files;  // full paths, in play order
  bool readable = false;        // the slot's folder itself could be read
};

// The video files under `root` (no trailing separator): its own in natural order, then each
// subfolder's the same way, subfolders in natural order, at most kFolderLevels below it and
// kFolderFiles in all; links are left out. Paths join with a backslash.
FolderListing ListVideoFolder(FolderReader& reader, const NameText& root);

// The order of one shuffled round of `count` files: each once, drawn from `random` (0 to
// 32767 a draw, as rand()), and never `previousLast` first when there are two or more.
template <typename Random>
std::vector<int> ShuffledRound(int count, int previousLast, Random& random);

// The shuffle with a random source given as a function, for the template above.
std::vector<int> ShuffleRound(int count, int previousLast, int32_t (*next)(void*), void* source);

template <typename Random>
std::vector<int> ShuffledRound(int count, int previousLast, Random& random) {
  return ShuffleRound(count, previousLast, [](void* r) { return static_cast<Random*>(r)->Next(); }, &random);
}
