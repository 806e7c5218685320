#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One open archive or disc image, read entry by entry through libarchive; for game_archive.cpp and the
// unpacker only (libarchive's own types stay in the .cpp). Entry names come out as the archive stores them:
// code page 932 bytes stay those bytes (zip and LZH alike), names an archive keeps in Unicode (7z, Joliet, a
// zip's UTF-8 flag) come out as UTF-8, whatever the user's locale.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/disc_image.h"
#include "game/game_archive.h"

struct archive;

namespace orbel::game {

class TArchiveReader {
 public:
  // `name`: the file the messages name.
  explicit TArchiveReader(std::string name);
  ~TArchiveReader();
  TArchiveReader(const TArchiveReader&) = delete;
  TArchiveReader& operator=(const TArchiveReader&) = delete;

  // Opens the archive or disc image at `path` (a cue sheet by its extension) without waiting on it: a
  // named pipe, a device or a folder is refused at once, naming what it is.
  void OpenFile(const std::string& path);
  void OpenBytes(std::string_view bytes);
  void OpenTrack(std::unique_ptr<TTrackData> track);

  // The next entry, or nothing at the end. Throws EArchiveError naming the file when the archive is damaged,
  // encrypted or cut short.
  std::optional<TArchiveEntry> Next();
  // Whether the current entry's header gives its size (some formats leave it to the data).
  bool SizeGiven() const { return EntrySizeGiven; }
  // The current entry's next block of data: its size, 0 at the entry's end.
  size_t ReadData(char* out, size_t bytes);

  [[noreturn]] void Fail() const;
  // The archive ends inside `entryName` (its data is shorter than its header says).
  [[noreturn]] void FailCutInside(const std::string& entryName) const;
  const std::string& FileName() const { return Name; }

  // Sources of the archive's identity beyond its index: the track file of a disc image.
  std::vector<std::string> Sources;

 private:
  void SupportArchives();
  void Check(int result) const;
  void OpenCueSheet(const std::string& path);
  bool LooksCutShort() const;
  friend struct TTrackCallbacks;

  std::string Name;
  archive* Archive;
  int Descriptor = -1;
  // The archive's size in bytes where it is known (a file or bytes), and its first bytes.
  int64_t SourceBytes = -1;
  std::string Start;
  bool EntrySizeGiven = false;
  std::unique_ptr<TTrackData> Track;
  uint64_t Position = 0;
  std::vector<char> Buffer;
};

// Every entry of the archive, with second names of a file (hard links) resolved to what they name: such an
// entry counts as a file of its target's size. Throws EArchiveError past the limits.
std::vector<TArchiveEntry> ListAll(TArchiveReader& reader, const TArchiveLimits& limits);

// The name's parts without empty and "." ones; nothing when the name is absolute or climbs with "..".
std::optional<std::vector<std::string>> SafeParts(std::string_view name);

// The file name as the messages show it (decoded for reading).
std::string Shown(std::string_view path);

}  // namespace orbel::game
