// Folder listing and shuffled rounds. Threads as in the header.
#include "shell/video_folders.h"

#include <algorithm>
#include <utility>

namespace {

char16_t Folded(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Compares the digit runs starting at a[i] and b[j] by value and moves past them; 0 when
// equal.
int CompareNumbers(const NameText& a, size_t& i, const NameText& b, size_t& j) {
  while (i < a.size() && a[i] == u'0') ++i;  // leading zeros do not count
  while (j < b.size() && b[j] == u'0') ++j;
  const size_t startA = i, startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const size_t lengthA = i - startA, lengthB = j - startB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  for (size_t k = 0; k < lengthA; ++k)
    if (a[startA + k] != b[startB + k]) return a[startA + k] < b[startB + k] ? -1 : 1;
  return 0;
}

void ListInto(FolderReader& reader, const NameText& path, int level, FolderListing& listing) {
  std::vector<FolderEntry> entries;
  if (!reader.Read(path, &entries)) return;
  if (level == 0) listing.readable = true;
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return CompareNamesNaturally(a.name, b.name) < 0; });
  for (const FolderEntry& entry : entries) {
    if (listing.files.size() >= kFolderFiles) return;
    if (!entry.folder && !entry.link && IsVideoFileName(entry.name)) listing.files.push_back(path + u"\\" + entry.name);
  }
  if (level >= kFolderLevels) return;
  for (const FolderEntry& entry : entries) {
    if (listing.files.size() >= kFolderFiles) return;
    if (entry.folder && !entry.link) ListInto(reader, path + u"\\" + entry.name, level + 1, listing);
  }
}

}  // namespace

bool IsVideoFileName(const NameText& name) {
  static const char* const kExtensions[] = {".avi", ".mpg", ".mpeg", ".mp4", ".m4v", ".mov", ".mkv", ".wmv", ".webm"};
  for (const char* extension : kExtensions) {
    const size_t length = std::char_traits<char>::length(extension);
    if (name.size() <= length) continue;
    bool same = true;
    for (size_t k = 0; k < length && same; ++k)
      same = Folded(name[name.size() - length + k]) == char16_t(extension[k]);
    if (same) return true;
  }
  return false;
}

int CompareNamesNaturally(const NameText& a, const NameText& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const int numbers = CompareNumbers(a, i, b, j);
      if (numbers != 0) return numbers;
      continue;
    }
    const char16_t x = Folded(a[i]), y = Folded(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i, ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return a == b ? 0 : (a < b ? -1 : 1);
}

FolderListing ListVideoFolder(FolderReader& reader, const NameText& root) {
  FolderListing listing;
  ListInto(reader, root, 0, listing);
  return listing;
}

std::vector<int> ShuffleRound(int count, int previousLast, int32_t (*next)(void*), void* source) {
  std::vector<int> order;
  for (int i = 0; i < count; ++i) order.push_back(i);
  // Fisher-Yates from the back, each draw reduced to the remaining range (the bias of a
  // 15-bit draw over a few thousand files does not show in a play list).
  for (int i = count - 1; i > 0; --i) {
    const int64_t draw = int64_t(next(source)) << 15 | next(source);
    std::swap(order[size_t(i)], order[size_t(draw % (i + 1))]);
  }
  // The file that ended the last round does not start this one: it changes places with
  // another, drawn as well.
  if (count >= 2 && order[0] == previousLast) {
    const int other = 1 + int(next(source) % (count - 1));
    std::swap(order[0], order[size_t(other)]);
  }
  return order;
}
