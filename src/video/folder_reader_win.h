// The folders of a folder slot as Windows keeps them: wide names on the NT family, so that
// any file name is listed as it is; ANSI names on the 9x family, which has no wide calls.
// Symbolic links and junctions (reparse points) are marked as links, never entered.
//
// Threads: whichever thread lists a folder (a video try's); no state.
#pragma once

#include "shell/video_folders.h"

class SystemFolderReader : public FolderReader {
 public:
  bool Read(const NameText& path, std::vector<FolderEntry>* entries) override;
};

// Whether this Windows is of the NT family (its file calls take wide names).
bool SystemTakesWideNames();
