// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

int WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temporary = (folder / (target.filename().string() + ".XXXXXX")).string();
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return errno;
  const auto fail = [&](int code, bool open) {
    if (open) ::close(descriptor);
    ::unlink(temporary.c_str());
    return code;
  };
  // mkstemp makes it readable by its owner only; what is written here is an ordinary file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(descriptor, 0666 & ~mask) != 0) return fail(errno, true);
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(n < 0 ? errno : EIO, true);
    written += static_cast<size_t>(n);
  }
  if (::fsync(descriptor) != 0) return fail(errno, true);
  if (::close(descriptor) != 0) return fail(errno, false);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno, false);
  // The rename itself reaches the disk with the folder.
  const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderDescriptor >= 0) {
    ::fsync(folderDescriptor);
    ::close(folderDescriptor);
  }
  return 0;
}

}  // namespace orbel::platform
