// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/picture_cache.h"

#include "platform/files.h"
#include "screen/bitmap_file.h"

namespace orbel::screen {

QImage TPictureCache::Load(const std::string& path) {
  const std::optional<platform::TFileStamp> stamp = platform::FileStampOf(path);
  // A file whose state cannot be read is simply read, and not kept.
  if (!stamp) return LoadBitmapFile(path);
  for (auto entry = Entries.begin(); entry != Entries.end(); ++entry) {
    if (entry->Path != path) continue;
    if (entry->Stamp == *stamp) {
      Entries.splice(Entries.begin(), Entries, entry);
      return entry->Picture;
    }
    HeldBytes -= size_t(entry->Picture.sizeInBytes());
    Entries.erase(entry);
    break;
  }
  QImage picture = LoadBitmapFile(path);
  const size_t size = size_t(picture.sizeInBytes());
  if (size > CapacityBytes) return picture;
  while (!Entries.empty() && HeldBytes + size > CapacityBytes) {
    HeldBytes -= size_t(Entries.back().Picture.sizeInBytes());
    Entries.pop_back();
  }
  Entries.push_front({path, *stamp, picture});
  HeldBytes += size;
  return picture;
}

}  // namespace orbel::screen
