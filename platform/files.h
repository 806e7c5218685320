#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Files opened by the bytes of their path. Qt takes paths as text and encodes them as UTF-8, which cannot
// name a file whose name is in another encoding (names copied byte for byte from a Japanese disc); the
// engine's lookup gives the exact bytes the directory holds, and this opens them unchanged.

#include <QFile>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbel::platform {

// What a path names, for the one opened to be read: only a regular file is read. A named pipe would block the
// program until someone writes into it, and a device or a folder is no file of a game.
enum TFileKind : int { fkMissing, fkFile, fkFolder, fkPipe, fkDevice, fkSocket, fkOther };

struct TReadOpen {
  int Descriptor = -1;  // open for reading (blocking reads, closed on exec) when Kind is fkFile; else -1
  TFileKind Kind = fkMissing;
  int Error = 0;  // errno when the path could not be opened at all (Kind fkMissing)
};

// Opens `path` for reading without waiting on it: the open itself never blocks (O_NONBLOCK, so a named pipe
// without a writer returns at once), and anything but a regular file is closed again and reported by its
// kind. The caller owns Descriptor.
TReadOpen OpenForReading(const std::string& path);

// Why a path of that kind is not read, in the user's language, said of `subject` (a file's name as shown, or
// a phrase naming it): "%1 is a folder, not a file", "%1 is a named pipe, not a file", ...; for fkMissing the
// system's reason for `error`.
std::string NotReadableText(const std::string& subject, TFileKind kind, int error);

// Opens `path` for reading (QIODevice::ReadOnly, as OpenForReading does: a regular file only) or for writing
// from the start (QIODevice::WriteOnly, created or truncated) into `file`, which owns the descriptor from
// then on. False when the system refuses or the path names no regular file to read; `file` stays closed then.
bool OpenFile(QFile& file, const std::string& path, QIODevice::OpenMode mode);

// Which file a path names now, for what is kept from reading it: another file put in its place, or the same
// one rewritten, differs in at least one field.
struct TFileStamp {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t ModifiedNs = 0;
  int64_t ChangedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};
// The stamp of the regular file at `path`; nothing when there is none or it cannot be read.
std::optional<TFileStamp> FileStampOf(const std::string& path);

// Writes `bytes` to `path` whole or not at all: a temporary file in the same folder, flushed to the disk,
// then renamed over it; the earlier file stays untouched when anything fails. 0 on success, else the system's
// error number (ENOSPC), for the caller to name in the user's language (SystemErrorText).
int WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orbel::platform
