// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/picture_cache.h"

#include <filesystem>
#include <system_error>

#include "screen/bitmap_file.h"

namespace orbel::screen {

QImage TPictureCache::Load(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const uintmax_t bytes = fs::file_size(fs::path(path), error);
  const int64_t modified = error ? 0 : fs::last_write_time(fs::path(path), error).time_since_epoch().count();
  // A file whose state cannot be read is simply read, and not kept.
  if (error) return LoadBitmapFile(path);
  for (auto entry = Entries.begin(); entry != Entries.end(); ++entry) {
    if (entry->Path != path) continue;
    if (entry->FileBytes == bytes && entry->Modified == modified) {
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
  Entries.push_front({path, bytes, modified, picture});
  HeldBytes += size;
  return picture;
}

}  // namespace orbel::screen
