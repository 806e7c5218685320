#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What a run holds on the disk while it works, so that another run, or the next one after a crash, knows what
// it may remove: advisory locks (flock) on files and folders, and the temporaries a run writes beside what it
// makes, named after the run's process. The system lets a lock go when its process ends however it ends, so
// a temporary nobody holds and whose process is gone is a leftover.

#include <string>

namespace orbel::platform {

// An advisory lock on a file or folder, held as long as the object lives (and moved with it).
class TFileLock {
 public:
  TFileLock() = default;
  ~TFileLock();
  TFileLock(TFileLock&& other) noexcept;
  TFileLock& operator=(TFileLock&& other) noexcept;
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  // Opens `path` (a file or a folder; a last symbolic link is not followed) and locks it: shared or
  // exclusive, waiting for others to let go when `wait` is set, else giving up at once. Held() tells.
  static TFileLock Take(const std::string& path, bool exclusive, bool wait);

  bool Held() const { return Descriptor >= 0; }
  // An exclusive lock made shared; the object keeps the same file.
  void Share();
  // Whether `path` still names the file this lock is on: it may have been removed or replaced meanwhile by
  // someone who held it before.
  bool StillAt(const std::string& path) const;

 private:
  explicit TFileLock(int descriptor) : Descriptor(descriptor) {}
  int Descriptor = -1;
};

// A template for mkstemp/mkdtemp beside `finalPath`: "<finalPath>.<process id>.XXXXXX".
std::string TemporaryTemplate(const std::string& finalPath);

// Whether `path`, a temporary made from TemporaryTemplate(finalPath) (or, by an older run,
// "<finalPath>.XXXXXX"), is left over from a run that is over: nobody holds a lock on it, and the process its
// name gives has ended or it is older than an hour (a name without a process: older than an hour). A run's
// own temporaries are never leftovers while it holds them locked.
bool IsLeftoverTemporary(const std::string& path, const std::string& finalPath);

}  // namespace orbel::platform
