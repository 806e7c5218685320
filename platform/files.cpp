// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orbel::platform {

std::optional<TFileStamp> FileStampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const auto ns = [](const timespec& time) { return int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec; };
  return TFileStamp{uint64_t(status.st_dev), uint64_t(status.st_ino), int64_t(status.st_size),
                    ns(status.st_mtim), ns(status.st_ctim)};
}

bool OpenFile(QFile& file, const std::string& path, QIODevice::OpenMode mode) {
  const bool write = mode & QIODevice::WriteOnly;
  const int descriptor =
      ::open(path.c_str(), write ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) return false;
  if (file.open(descriptor, write ? QIODevice::WriteOnly : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    return true;
  ::close(descriptor);
  return false;
}

}  // namespace orbel::platform
