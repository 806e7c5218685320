// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/file_locks.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

namespace orbel::platform {

namespace {

// A temporary whose maker cannot be told, or whose process number may have been given to another since, goes
// after this long.
constexpr time_t kLeftoverSeconds = 60 * 60;

int FlockRetrying(int descriptor, int operation) {
  int result;
  do result = ::flock(descriptor, operation);
  while (result != 0 && errno == EINTR);
  return result;
}

bool ProcessRuns(long process) {
  if (process <= 0) return false;
  return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

}  // namespace

TFileLock::~TFileLock() {
  if (Descriptor >= 0) ::close(Descriptor);
}

TFileLock::TFileLock(TFileLock&& other) noexcept : Descriptor(std::exchange(other.Descriptor, -1)) {}

TFileLock& TFileLock::operator=(TFileLock&& other) noexcept {
  if (this != &other) {
    if (Descriptor >= 0) ::close(Descriptor);
    Descriptor = std::exchange(other.Descriptor, -1);
  }
  return *this;
}

TFileLock TFileLock::Take(const std::string& path, bool exclusive, bool wait) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return {};
  if (FlockRetrying(descriptor, (exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB)) != 0) {
    ::close(descriptor);
    return {};
  }
  return TFileLock(descriptor);
}

void TFileLock::Share() {
  if (Descriptor >= 0) FlockRetrying(Descriptor, LOCK_SH);
}

bool TFileLock::StillAt(const std::string& path) const {
  struct stat held {
  }, named{};
  return Descriptor >= 0 && ::fstat(Descriptor, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::string TemporaryTemplate(const std::string& finalPath) {
  return finalPath + "." + std::to_string(::getpid()) + ".XXXXXX";
}

bool IsLeftoverTemporary(const std::string& path, const std::string& finalPath) {
  constexpr size_t kRandom = 6;  // mkstemp's XXXXXX
  if (path.size() < finalPath.size() + 1 + kRandom || path.compare(0, finalPath.size(), finalPath) != 0 ||
      path[finalPath.size()] != '.')
    return false;
  const std::string middle = path.substr(finalPath.size() + 1, path.size() - finalPath.size() - 1 - kRandom);
  const std::string random = path.substr(path.size() - kRandom);
  int upper = 0, lower = 0, digits = 0;
  for (const char c : random) {
    upper += c >= 'A' && c <= 'Z';
    lower += c >= 'a' && c <= 'z';
    digits += c >= '0' && c <= '9';
  }
  if (upper + lower + digits != static_cast<int>(kRandom)) return false;
  // Without a process in the name, a word of one kind of letters is more likely a name someone gave a file
  // ("save.json.backup") than one mkstemp made.
  if (middle.empty() && (upper > 0) + (lower > 0) + (digits > 0) < 2) return false;
  long process = 0;
  if (!middle.empty()) {
    // "<process>." before the random part.
    if (middle.size() < 2 || middle.back() != '.') return false;
    for (size_t i = 0; i + 1 < middle.size(); ++i) {
      if (middle[i] < '0' || middle[i] > '9' || i > 9) return false;
      process = process * 10 + (middle[i] - '0');
    }
  }
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || S_ISLNK(status.st_mode)) return false;
  if (!TFileLock::Take(path, true, false).Held()) return false;
  const bool old = std::time(nullptr) - status.st_mtim.tv_sec > kLeftoverSeconds;
  if (middle.empty()) return old;
  return old || !ProcessRuns(process);
}

}  // namespace orbel::platform
