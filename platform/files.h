#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Files opened by the bytes of their path. Qt takes paths as text and encodes them as UTF-8, which cannot
// name a file whose name is in another encoding (names copied byte for byte from a Japanese disc); the
// engine's lookup gives the exact bytes the directory holds, and this opens them unchanged.

#include <QFile>
#include <string>

namespace orbel::platform {

// Opens `path` for reading (QIODevice::ReadOnly) or for writing from the start (QIODevice::WriteOnly, created
// or truncated) into `file`, which owns the descriptor from then on. False when the system refuses; `file`
// stays closed then.
bool OpenFile(QFile& file, const std::string& path, QIODevice::OpenMode mode);

}  // namespace orbel::platform
