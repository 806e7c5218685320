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

// Opens `path` for reading (QIODevice::ReadOnly) or for writing from the start (QIODevice::WriteOnly, created
// or truncated) into `file`, which owns the descriptor from then on. False when the system refuses; `file`
// stays closed then.
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
