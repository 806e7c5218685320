// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orbel::platform {

std::optional<TFileStamp> FileStampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const auto ns = [](const timespec& time) { return int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec; };
  return TFileStamp{uint64_t(status.st_dev), uint64_t(status.st_ino), int64_t(status.st_size),
                    ns(status.st_mtim), ns(status.st_ctim)};
}

TReadOpen OpenForReading(const std::string& path) {
  TReadOpen opened;
  // O_NOCTTY: a terminal named by mistake must not become the program's own.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    opened.Error = errno;
    // A folder may refuse to be opened for reading at all; what it is still counts.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) opened.Kind = fkFolder;
    return opened;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    opened.Error = errno;
    ::close(descriptor);
    return opened;
  }
  const mode_t type = status.st_mode & S_IFMT;
  opened.Kind = type == S_IFREG    ? fkFile
                : type == S_IFDIR  ? fkFolder
                : type == S_IFIFO  ? fkPipe
                : type == S_IFCHR  ? fkDevice
                : type == S_IFBLK  ? fkDevice
                : type == S_IFSOCK ? fkSocket
                                   : fkOther;
  if (opened.Kind != fkFile) {
    ::close(descriptor);
    return opened;
  }
  // Reads of a regular file never wait on anyone; the flag goes for the readers that would mind it.
  ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  opened.Descriptor = descriptor;
  return opened;
}

std::string NotReadableReason(TFileKind kind, int error) {
  switch (kind) {
    case fkFolder:
      return "is a folder, not a file";
    case fkPipe:
      return "is a named pipe, not a file";
    case fkDevice:
      return "is a device, not a file";
    case fkSocket:
      return "is a socket, not a file";
    case fkOther:
      return "is not a regular file";
    case fkFile:
      return "cannot be read";
    case fkMissing:
      break;
  }
  if (error == ENOENT || error == ENOTDIR) return "is missing";
  return std::string("cannot be opened: ") + std::strerror(error);
}

bool OpenFile(QFile& file, const std::string& path, QIODevice::OpenMode mode) {
  const bool write = mode & QIODevice::WriteOnly;
  const int descriptor = write ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                               : OpenForReading(path).Descriptor;
  if (descriptor < 0) return false;
  if (file.open(descriptor, write ? QIODevice::WriteOnly : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    return true;
  ::close(descriptor);
  return false;
}

}  // namespace orbel::platform
