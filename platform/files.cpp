// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file_locks.h"
#include "platform/translation.h"

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

std::string NotReadableText(const std::string& subject, TFileKind kind, int error) {
  switch (kind) {
    case fkFolder:
      return Tr("Files", "%1 is a folder, not a file").Arg(subject);
    case fkPipe:
      return Tr("Files", "%1 is a named pipe, not a file").Arg(subject);
    case fkDevice:
      return Tr("Files", "%1 is a device, not a file").Arg(subject);
    case fkSocket:
      return Tr("Files", "%1 is a socket, not a file").Arg(subject);
    case fkOther:
      return Tr("Files", "%1 is not a regular file").Arg(subject);
    case fkFile:
      return Tr("Files", "%1 cannot be read").Arg(subject);
    case fkMissing:
      break;
  }
  if (error == ENOENT || error == ENOTDIR) return Tr("Files", "%1 is missing").Arg(subject);
  return Tr("Files", "%1 cannot be opened: %2").Arg(subject).Arg(SystemErrorText(error));
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

int WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  // Temporaries of this file that a killed run left go first; those of a run still writing are held.
  const std::string name = target.filename().native();
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string other = it->path().filename().native();
    if (other.size() > name.size() + 1 && other.compare(0, name.size() + 1, name + ".") == 0 &&
        IsLeftoverTemporary(it->path().native(), (folder / name).native()))
      ::unlink(it->path().c_str());
  }
  std::string temporary = TemporaryTemplate((folder / name).native());
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return errno;
  // Held while it is written, so that no other run's clean-up takes it for a leftover.
  const TFileLock writing = TFileLock::Take(temporary, true, false);
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
