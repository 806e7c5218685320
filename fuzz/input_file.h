#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The readers take files by name, so each input is written to a file of this process's own, in memory-backed
// storage where there is some; the file goes when the process ends normally (a crash leaves it behind).

#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orbel::fuzz {

class TInputFile {
 public:
  // `extension` with its dot, e.g. ".bmp": some readers go by it.
  explicit TInputFile(const std::string& extension)
      : Path((QFile::exists("/dev/shm") ? std::string("/dev/shm") : std::string("/tmp")) + "/orbel_fuzz_" +
             std::to_string(getpid()) + extension) {}
  ~TInputFile() { std::remove(Path.c_str()); }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  // Replaces the file's content with the input; false when it could not all be written.
  bool Write(const uint8_t* data, size_t size) const {
    QFile file(QString::fromStdString(Path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
           static_cast<qint64>(size);
  }

  const std::string Path;
};

}  // namespace orbel::fuzz
