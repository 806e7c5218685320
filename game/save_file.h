#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A saved game: where a run was, not what it held. The interpreter keeps the state of a running wait nested
// in its handlers, which no file can hold, so a save names the instant (engine time and steps run) and the
// game, and loading it replays the script on the virtual clock up to that instant. The file is a small JSON
// object; docs/saves.md describes every field.

#include <QByteArray>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace orbel::game {

// A save file that cannot be used: missing, unreadable, a folder, truncated, not a save, another game's. The
// text names the file.
class ESaveError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

inline constexpr int kSaveVersion = 1;
// Far more than a save with its thumbnail and a full history of texts needs; a larger file is not one of ours.
inline constexpr size_t kMaxSaveBytes = 4 * 1024 * 1024;
// The history of the board's texts keeps this many, each cut to this many characters.
inline constexpr size_t kMaxSavedTexts = 1000;
inline constexpr qsizetype kMaxSavedTextChars = 1000;
inline constexpr int kThumbnailWidth = 160, kThumbnailHeight = 120;
// A tick's phase is below the tick's interval; this bounds what a file may claim.
inline constexpr int64_t kMaxTickPhaseMs = 999;

// A text the board showed, as the history of texts keeps it: the lines as shown, joined by '\n' (UTF-8),
// and the instant it was shown at (as TSave names one).
struct TSavedText {
  std::string Text;
  int64_t TimeMs = 0;
  int64_t Steps = 0;
  bool operator==(const TSavedText&) const = default;
};

struct TSave {
  // The game: SHA-256 of the script's bytes (64 lower-case hex digits), its folder as UTF-8 text and its name
  // (the saves folder's, UTF-8; empty in saves written before it was kept).
  std::string ScriptSha256;
  std::string GameFolder;
  std::string GameName;
  // The instant: engine milliseconds since the game's start, and the steps run by then.
  int64_t TimeMs = 0;
  int64_t Steps = 0;
  // Where the game's first step fell between two of the window's 50 ms ticks, in milliseconds after the
  // earlier one: a replay starts on the same place of the tick's grid, so the ticks fall on the same moments
  // of the game. Saves without it started on a tick.
  int64_t TickPhaseMs = 0;
  // The script line of the latest step, counting from 1.
  int32_t Line = 1;
  QByteArray Thumbnail;  // PNG, 160x120; may be empty
  std::string Text;      // the board's first line, UTF-8
  std::string Date;      // wall-clock time of the save, ISO 8601 with offset
  // The board's texts up to the instant, oldest first (at most kMaxSavedTexts); a replay shows them again,
  // so only a run that cannot replay (the script changed since) reads them.
  std::vector<TSavedText> History;
};

// The script's identity: SHA-256 of its bytes, lower-case hex.
std::string ScriptSha256(std::string_view scriptBytes);

QByteArray SaveToJson(const TSave& save);
// Reads a save from the bytes of the file `fileName` (for the error texts). Anything but a complete save of
// this format's version raises ESaveError; no field is trusted before it is checked.
TSave ParseSave(const QByteArray& bytes, const std::string& fileName);
// Reads the file at `path` (its bytes); ESaveError when it cannot.
TSave ReadSaveFile(const std::string& path);
// Writes the save to `path` whole or not at all: a temporary file in the same folder, flushed to the disk,
// then renamed over it. ESaveError naming the file when that fails; the earlier file is then untouched. The
// temporary ("<path>.<process>.XXXXXX") is locked while it is written; those of `path` that killed runs left
// are removed first.
void WriteSaveFile(const TSave& save, const std::string& path);
// Makes the folder the save `path` goes in, with the folders above it; ESaveError naming the save, the
// folder and the system's reason when it cannot.
void MakeSaveFolder(const std::string& path);
// Whether `path` can take a save, before anything runs: its folder exists and may be written, and it is not
// a folder itself. ESaveError naming the file and the reason when not.
void CheckSaveTarget(const std::string& path);

// Removes the temporaries of saves ("<name>.json.<process>.XXXXXX") that runs killed while writing them left
// in `folder`: those nobody holds whose process has ended, or older than an hour.
void RemoveSaveLeftovers(const std::string& folder);

}  // namespace orbel::game
