#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Games as people keep them: a zip, LZH, 7z or cabinet archive, an ISO 9660 disc image, or a CD image as
// BIN/CUE. The engine's readers all work on a folder, so the game's part of the archive is unpacked once
// into a private cache folder and played from there:
//
//   $XDG_CACHE_HOME/orbel/<path key>-<identity>/    (default ~/.cache/orbel)
//
// The path key comes from the archive's absolute path, the identity from its size, modification time and
// its index (every entry's name, size and time), so an archive that changes gets a new folder beside the old
// one, and the old one goes once nobody plays it (game/unpack_cache.h). A folder is unpacked under a
// temporary name beside its final one, flushed to the disk once and renamed when every file is there: a
// cache folder is always whole, and a temporary one is removed on every way out, or by the next start when
// the run was killed.
//
// Entry names are kept as their bytes, as the archive holds them: the data-file lookup matches code page
// 932 bytes and UTF-8 alike. A file stored once under two names (a hard link, or a disc that gives one file
// two names) is unpacked under both. An entry whose name would leave the game (a `..` part, an absolute
// path) is never unpacked, nor symbolic links or devices; an entry larger than the engine takes, or the game
// as a whole, is refused before it fills the disk.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/game_errors.h"
#include "platform/file_locks.h"

namespace orbel::game {

// Whether the path names an archive or image by its extension (.zip .lzh .lha .7z .iso .cue .cab, any case).
bool IsArchiveName(std::string_view path);

struct TArchiveEntry {
  std::string Name;  // the path inside the archive, its bytes as stored, folders separated by '/'
  uint64_t Size = 0;
  int64_t Time = 0;  // modification time, seconds
  bool Folder = false;
  // A regular file, or a second name of one (SameAs); anything else (symbolic links, devices) is never
  // unpacked.
  bool File = false;
  bool Unsafe = false;  // the name would leave the game (`..`, an absolute path)
  // A second name of a file (a hard link, or a disc that stores one file under two names): the name of the
  // entry that holds the data. Unpacked as a file of its own.
  std::string SameAs;
  // Why an entry that is neither a file nor a folder is not unpacked ("a symbolic link", "a device"), for
  // the note that leaves it out.
  std::string Unsupported;
};

// Bounds against damaged and hostile archives. The engine reads no script over 8 MB and no bitmap over
// 128 MB; movies and sounds of the era are a few hundred MB at most.
struct TArchiveLimits {
  uint64_t EntryBytes = 1ULL << 30;
  uint64_t TotalBytes = 4ULL << 30;
  size_t Entries = 200000;
};

// The entries of the archive or image at `path`. Throws EArchiveError naming the file when it cannot be
// read, is damaged or encrypted, or holds more entries than the limits allow.
std::vector<TArchiveEntry> ListArchive(const std::string& path, const TArchiveLimits& limits = {});

// The same for an archive held in memory (`name` for the messages), and for a disc image given as its cue
// sheet and track file in memory.
std::vector<TArchiveEntry> ListArchiveBytes(std::string_view bytes, const std::string& name,
                                            const TArchiveLimits& limits = {});
std::vector<TArchiveEntry> ListDiscImageBytes(std::string_view cueSheet, std::string_view trackFile,
                                              const std::string& name, const TArchiveLimits& limits = {});

// The folders inside the archive that hold a game, as start-up looks for one: the folder with
// Data/SCRIPT.TXT or SCRIPT.TXT (letter case aside). "" is the archive's top; sorted, each once.
std::vector<std::string> GameFoldersIn(const std::vector<TArchiveEntry>& entries);

// The cache folder: $XDG_CACHE_HOME/orbel, else ~/.cache/orbel.
std::string DefaultCacheRoot();

// An entry of the game that its unpacked copy lacks, and why: its name is too long for the file system, or it
// is of a kind that is not unpacked (a symbolic link, a device). A game plays without it unless its script
// names it, which refuses the archive.
struct TLeftOut {
  std::string Name;  // the path under the game folder, as stored
  std::string Why;
};

struct TUnpackedGame {
  std::string Folder;  // the game folder to enter: a cache folder holding the game's part of the archive
  std::vector<std::string> Games;  // every game folder inside the archive (GameFoldersIn)
  std::string Game;                // the one of them Folder holds
  std::vector<TLeftOut> LeftOut;   // when this call unpacked it
  // Keeps Folder from being removed (by this or another run's clean-up) for as long as it is held: the run
  // that plays from it holds it until it ends.
  platform::TFileLock Hold;
};

// How an unpack goes, told while it runs: files and bytes written so far of the game's whole.
struct TUnpackProgress {
  std::string Archive;  // the archive's path, as given
  uint64_t Bytes = 0, TotalBytes = 0;
  size_t Files = 0, TotalFiles = 0;
  bool Ended = false;  // the last report: the unpack ended, failed or was stopped
};

// Called on the unpacking thread when an unpack starts, after every block and file it writes, and once with
// Ended set on every way out; none of it when the game is unpacked already. Returning false stops the
// unpack: nothing of it is left behind, and UnpackGame throws EUnpackCancelled.
using TReportProgress = std::function<bool(const TUnpackProgress& progress)>;

// Picks the game to play among the game folders of an archive that holds several; nothing when the player
// declines.
using TChooseGame = std::function<std::optional<std::string>(const std::vector<std::string>& games)>;

// Unpacks the game inside the archive at `path` into `cacheRoot`, or finds it unpacked there already, and
// holds the copy. Of several games, `choose` picks one (without it, the first is taken); each game of an
// archive has a cache folder of its own. Throws EArchiveError naming the file when the archive cannot be
// read, is truncated, holds no game, holds several and `oneGameOnly` is set, an entry breaks the limits, or
// an entry the script names cannot be unpacked; EGameNotChosen when `choose` picks none, EUnpackCancelled
// when `progress` stops it.
TUnpackedGame UnpackGame(const std::string& path, const std::string& cacheRoot, bool oneGameOnly,
                         const TArchiveLimits& limits = {}, const TChooseGame& choose = nullptr,
                         const TReportProgress& progress = nullptr);

}  // namespace orbel::game
