#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The data-file lookup every command uses: the Data folder under the current directory first, then the
// current directory itself.
//
// The script names files in Shift-JIS (code page 932), or in UTF-8 for a UTF-8 script, for a file system that
// ignores letter case and separates folders with a backslash. On Linux the same files carry names in UTF-8,
// in the disc's own code page 932 bytes, or decomposed (NFD) when they passed through some systems, and
// converters disagree on a few characters. So a name that does not match exactly is compared by what it reads
// as: the script's name decoded from its encoding, each directory entry decoded as UTF-8 (and, where its
// bytes are valid code page 932, as that too; and, where an earlier unpack read code page 932 bytes as code
// page 437 or Latin-1 and stored those characters as UTF-8, as the code page 932 text they were), both in
// Unicode composed form (NFC); ASCII and full-width Latin letters compared without regard to case; `\` and
// `/` as separators (never a double-byte character's trail byte); and the characters that code page 932 and
// JIS-based converters map differently taken as equal: ～ 〜, － −, ∥ ‖, ― —, ￠ ¢, ￡ £, ￢ ¬, ￤ ¦, ~ ‾. An
// entry whose own name holds backslashes, as unpackers that do not know them as separators leave
// `Data\bg.bmp`, stands for the folders and the file they separate.
//
// A name never leaves the game folder: a `..` component refuses the name, and a leading separator or
// drive-like prefix only names a folder inside. The returned path is the bytes to open, exactly as the
// directory holds them.

#include <cstddef>
#include <string>

#include "platform/files.h"
#include "platform/script_encoding.h"

namespace orbel::game {

// Full path of the data file `name` (the bytes as written in the script), or empty when it exists in
// neither place. A folder never counts and no extension is added. Order: the exact name in the Data folder,
// the name compared as above in the Data folder (whose own name may differ in case), the exact name in the
// current directory, the name compared as above there. When several entries compare equal, the one whose
// bytes are equal wins, then one equal but for encoding or normal form, then the first by byte order.
std::string FindDataFile(const std::string& name);

// The same lookup under an explicit game folder.
std::string FindDataFileIn(const std::string& directory, const std::string& name);

// Whether the file or folder `path` really lies inside the folder `directory`, links followed (false when
// either does not exist).
bool IsInsideFolder(const std::string& directory, const std::string& path);

// The run's translated files: a folder under the game folder (`Translations/fr/Data`, compared like any
// name) whose files replace the game's files of the same names, looked up before the Data folder; empty for
// none. The script itself is never looked up there, and a file whose real place is outside the game folder (a
// link) is passed over. Set once at start-up, before anything looks a file up.
void SetTranslatedDataFolder(const std::string& folder);

// Whether the data-file name `name` (as the script gives it) would find a file stored at `stored` (its path
// under the game folder, bytes, '/' between folders) by the rules above, without a folder to look in: for a
// file that is not on the disk (an archive's entry that could not be unpacked).
bool DataFileNameMatches(const std::string& name, const std::string& stored);

// The encoding of the script of the game in `directory`: UTF-8 when its SCRIPT.TXT starts with a UTF-8
// byte-order mark, else `given` (the command line's choice). For start-up, which sets it for the whole run.
platform::TScriptEncoding GameScriptEncoding(const std::string& directory, platform::TScriptEncoding given);

// How reading a whole file went.
enum TFileRead : int {
  frRead,
  frUnreadable,  // it cannot be opened, or reading it failed
  frTooLarge,    // it is larger than the limit; nothing of it was read
};

struct TFileText {
  TFileRead Result = frUnreadable;
  std::string Text;  // the whole file, only for frRead
  // For frUnreadable: what the path names (platform::fkFile when reading it failed) and the system's error.
  platform::TFileKind Kind = platform::fkMissing;
  int Error = 0;
};

// Reads the file at `path` (bytes, as FindDataFile gives them) whole, opened without waiting on it: a named
// pipe, a device or a folder is not read (platform::OpenForReading). A file larger than `maxBytes` (a wrong
// one, or a damaged disc image) is refused before it is read. The caller words the failure.
TFileText ReadWholeFile(const std::string& path, size_t maxBytes);

// How the lookup found a name.
enum TDataFileMatch : int {
  dmNotFound,
  dmExact,     // every folder and the file by the very bytes the script gives
  dmSameText,  // the same characters stored differently: UTF-8 instead of code page 932, or decomposed
  dmFolded,    // only after letter case, separators or converter variants were folded
};

// When a name is not found: what there is instead that its author probably meant. The engine takes none of
// these; they are for telling the author.
enum TNearMatch : int {
  nmNone,
  nmRefused,  // the name would leave the game folder (`..`); nothing was looked up
  nmFolder,   // a folder, not a file, has that name
  nmWidth,  // a file whose name differs in character width or in the case of non-Latin letters (ｱ/ア, Ａ/A)
  nmExtension,  // a file whose name differs only in its extension, or has one where the script gives none
  nmElsewhere,  // a file of that name in another folder of the game
};

struct TDataFileCheck {
  std::string Path;  // what FindDataFile gives
  TDataFileMatch Match = dmNotFound;
  TNearMatch Near = nmNone;  // only when Path is empty
  std::string NearPath;  // the near match's path (bytes, under the game folder), for every kind but nmRefused
};

// The lookup with its reasons, for checking a game: Path is exactly what FindDataFile gives. The near-match
// search reads more of the game folder than a lookup does (up to a few levels of folders), so it is not for
// the running engine.
TDataFileCheck CheckDataFileIn(const std::string& directory, const std::string& name);

// One line for a checker, in the user's language: what was found and how, or why nothing was, naming paths
// relative to `directory` and decoded for reading. Empty for an exact match.
std::string DescribeDataFileCheck(const std::string& directory, const std::string& name,
                                  const TDataFileCheck& check);

}  // namespace orbel::game
