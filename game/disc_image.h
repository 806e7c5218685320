#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// CD images kept as a cue sheet and its raw track file (BIN/CUE). Ripping tools copy each 2352-byte sector
// whole, sync pattern, header and error correction included; the file system of a data disc lies in the
// 2048 user bytes of each sector. This reader serves those user bytes of the first data track as one
// continuous stream, which is what an ISO 9660 reader expects of a plain .iso file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orbel::game {

// The data track a cue sheet describes.
struct TCueTrack {
  std::string File;          // the track file's name as the sheet gives it (bytes; relative to the sheet)
  int SectorBytes = 2048;    // 2048 for MODE1/2048, 2352 for the raw modes
  int DataOffset = 0;        // where the user data lies in each sector: 16 for MODE1/2352, 24 for MODE2/2352
  uint64_t StartSector = 0;  // INDEX 01 of the track, in sectors from the start of its file
};

// Reads a cue sheet's text: the first track of mode MODE1/2048, MODE1/2352 or MODE2/2352 (form 1), with the
// FILE line before it. Audio tracks before it are passed over. Throws EArchiveError naming `sheetName` when
// the sheet names no such track, or names its file in a form other than BINARY.
TCueTrack ParseCueSheet(std::string_view text, const std::string& sheetName);

// Reads `bytes` at `offset` of the track file into `out`; false when the file cannot be read there.
using TReadAt = std::function<bool(uint64_t offset, char* out, size_t bytes)>;

// The user data of one track file, read sector by sector on demand.
class TTrackData {
 public:
  // `fileBytes`: the size of the whole track file. A sector cut short at its end is left out.
  TTrackData(TReadAt readAt, uint64_t fileBytes, const TCueTrack& track);

  // Bytes of user data in the track.
  uint64_t Size() const { return Sectors * kUserBytes; }

  // Copies up to `bytes` of user data from `at` into `out`: how many (0 at the end), or -1 when the track
  // file cannot be read.
  int64_t Read(uint64_t at, char* out, size_t bytes) const;

  static constexpr uint64_t kUserBytes = 2048;

 private:
  TReadAt ReadAt;
  TCueTrack Track;
  uint64_t Sectors = 0;
};

}  // namespace orbel::game
