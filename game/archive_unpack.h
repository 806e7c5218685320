#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Writing one game folder of an archive into a folder on the disk, entry by entry; for game_archive.cpp.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/archive_reader.h"
#include "game/game_archive.h"

namespace orbel::game {

// Called after every block and every file written, with the bytes and files so far; false stops the unpack.
using TUnpackStep = std::function<bool(uint64_t bytes, size_t files)>;

// Unpacks the entries under `root` (a game folder inside the archive; "" for its top) that `entries` (the
// archive's listing, from ListAll) describes, read again through `reader`, into the empty folder `target`.
// A file's second names become hard links to it inside `target` (copies where the file system takes no
// links), even when the name that holds the data lies outside the game. An entry whose name the file system
// refuses as too long, or of a kind that is not unpacked, is left out and returned. Nothing is flushed to
// the disk here. Throws EArchiveError naming the archive when it is damaged or cut short, when the data
// breaks `limits` or the header's size, or when a file cannot be written; EUnpackCancelled when `step` stops
// it. What was written stays for the caller to remove.
std::vector<TLeftOut> UnpackEntries(TArchiveReader& reader, const std::vector<TArchiveEntry>& entries,
                                    const std::string& root, const std::string& target,
                                    const TArchiveLimits& limits, const TUnpackStep& step);

}  // namespace orbel::game
