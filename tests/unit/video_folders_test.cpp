// Tests of what a folder slot stands for: which names are videos, natural order, the bounds
// of a listing over a tree that a fake reader serves, and shuffled rounds with a fixed seed.
#include "shell/video_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "scenes/scene_random.h"

namespace {

TEST(VideoFolders, VideoFileNamesByExtension) {
  // clang-format off
  const struct { const char16_t* name; bool video; } cases[] = {
    {u"red.avi", true}, {u"GREEN.MPG", true}, {u"clip.mpeg", true}, {u"a.mp4", true}, {u"a.M4v", true},
    {u"a.mov", true}, {u"a.mkv", true}, {u"white.wmv", true}, {u"a.webm", true},
    {u"notes.txt", false}, {u"movie.avi.txt", false}, {u"avi", false}, {u"a.mp3", false}, {u"a.av", false},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(IsVideoFileName(c.name), c.video);
}

TEST(VideoFolders, NaturalOrderPutsTwoBeforeTen) {
  std::vector<NameText> names = {u"10.avi", u"b.avi", u"2.avi", u"A.avi", u"1.avi", u"002.avi", u"clip9.avi",
                                 u"clip10.avi"};
  std::sort(names.begin(), names.end(),
            [](const NameText& a, const NameText& b) { return CompareNamesNaturally(a, b) < 0; });
  const std::vector<NameText> expected = {u"1.avi", u"002.avi", u"2.avi",     u"10.avi",
                                          u"A.avi", u"b.avi",   u"clip9.avi", u"clip10.avi"};
  EXPECT_EQ(names, expected);
}

// A tree held in memory: folder path -> its entries.
class TreeReader : public FolderReader {
 public:
  std::map<NameText, std::vector<FolderEntry>> folders;
  bool Read(const NameText& path, std::vector<FolderEntry>* entries) override {
    const auto found = folders.find(path);
    if (found == folders.end()) return false;
    *entries = found->second;
    return true;
  }
};

TEST(VideoFolders, ListingIsFolderByFolderInNaturalOrderWithoutLinks) {
  TreeReader tree;
  tree.folders[u"C:\\v"] = {{u"10.avi"}, {u"sub", true}, {u"notes.txt"}, {u"2.avi"}, {u"loop", true, true},
                            {u"shortcut.avi", false, true}};
  tree.folders[u"C:\\v\\sub"] = {{u"white.wmv"}, {u"green.mpg"}};
  tree.folders[u"C:\\v\\loop"] = {{u"never.avi"}};
  const FolderListing listing = ListVideoFolder(tree, u"C:\\v");
  EXPECT_TRUE(listing.readable);
  const std::vector<NameText> expected = {u"C:\\v\\2.avi", u"C:\\v\\10.avi", u"C:\\v\\sub\\green.mpg",
                                          u"C:\\v\\sub\\white.wmv"};
  EXPECT_EQ(listing.files, expected);
  EXPECT_FALSE(ListVideoFolder(tree, u"C:\\gone").readable);
}

TEST(VideoFolders, DepthAndCountAreBounded) {
  TreeReader deep;
  NameText path = u"D:";
  for (int level = 0; level <= kFolderLevels + 2; ++level) {
    deep.folders[path] = {{u"clip.avi"}, {u"next", true}};
    path += u"\\next";
  }
  EXPECT_EQ(ListVideoFolder(deep, u"D:").files.size(), size_t(kFolderLevels + 1)) << "levels 0 to 8";

  TreeReader wide;
  std::vector<FolderEntry>& many = wide.folders[u"E:"];
  for (size_t i = 0; i <= kFolderFiles; ++i) many.push_back({u"f" + NameText(1, char16_t(u'a' + i % 26)) + u".avi"});
  EXPECT_EQ(ListVideoFolder(wide, u"E:").files.size(), kFolderFiles);
}

TEST(VideoFolders, ShuffledRoundsPlayEachFileOnceAndNeverRepeatAcrossRounds) {
  for (const int count : {1, 2, 3, 7}) {
    SceneRandom random(12345);
    int last = -1;
    std::set<std::vector<int>> orders;
    for (int round = 0; round < 50; ++round) {
      const std::vector<int> order = ShuffledRound(count, last, random);
      std::vector<int> sorted = order;
      std::sort(sorted.begin(), sorted.end());
      for (int i = 0; i < count; ++i) ASSERT_EQ(sorted[size_t(i)], i) << count << " files, round " << round;
      if (count >= 2) {
        ASSERT_NE(order.front(), last) << count << " files, round " << round;
      }
      last = order.back();
      orders.insert(order);
    }
    if (count >= 3) {
      EXPECT_GE(orders.size(), size_t(3)) << "the rounds are not shuffled";
    }
  }
}

}  // namespace
