#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures the script has shown, kept decoded: a game shows the same few backgrounds and faces again and
// again, and a replay or a fast run would otherwise read and decode each of them at every line that names
// it. An entry is used only while its path names the same file, unchanged (platform::TFileStamp), so a
// picture an author replaces during the run is read afresh.

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "platform/files.h"

namespace orbel::screen {

class TPictureCache {
 public:
  explicit TPictureCache(size_t capacityBytes = size_t(128) << 20) : CapacityBytes(capacityBytes) {}

  // The picture at `path`, as LoadBitmapFile reads it (and raising its errors, which are never kept).
  QImage Load(const std::string& path);

 private:
  struct TEntry {
    std::string Path;
    platform::TFileStamp Stamp;
    QImage Picture;
  };
  std::list<TEntry> Entries;  // the most recently used first
  size_t CapacityBytes;
  size_t HeldBytes = 0;
};

}  // namespace orbel::screen
