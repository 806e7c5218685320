#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The cache folder's housekeeping, for game_archive.cpp: what may be removed, and when.
//
// - A copy a run plays from is held by it under a shared lock on the copy's folder for as long as the run
//   lasts; a copy is removed only by whoever takes an exclusive lock on it without waiting, so never one
//   somebody plays, and a run that finds a copy waits for a clean-up that has it to finish, then looks again.
// - A copy being unpacked lives under "<cache>/.<name>.<process>.XXXXXX", under an exclusive lock from the
//   moment it is made; it is removed on every way out of the unpack, and one left by a killed run (nobody
//   holds it, and its process has ended or it is older than an hour) by the next unpack into that cache.

#include <string>

#include "platform/file_locks.h"

namespace orbel::game {

// A folder being unpacked, beside the copy named `name` it becomes; removed with everything in it when the
// object goes, unless it became the copy.
class TUnpackFolder {
 public:
  // Throws EArchiveError naming `archiveShown` when the cache cannot be written.
  TUnpackFolder(const std::string& cacheRoot, const std::string& name, const std::string& archiveShown);
  ~TUnpackFolder();
  TUnpackFolder(const TUnpackFolder&) = delete;
  TUnpackFolder& operator=(const TUnpackFolder&) = delete;

  const std::string& Path() const { return Folder; }
  // Flushes everything in it to the disk at once, then gives it its final name `copy`, and holds it. When
  // another run made that copy meanwhile, theirs is held and this one removed. Throws EArchiveError when
  // the files cannot be flushed or the copy cannot be made.
  platform::TFileLock Commit(const std::string& copy);

 private:
  std::string CacheRoot;
  std::string Folder;
  std::string ArchiveShown;
  platform::TFileLock Lock;
  bool Committed = false;
};

// The copy at `folder` held for playing, or a lock not held when there is none.
platform::TFileLock HoldCopy(const std::string& folder);

// Removes what killed runs left in the cache: folders being unpacked that nobody holds any more.
void RemoveLeftovers(const std::string& cacheRoot);

// Removes the copies whose names start with `pathKey` + "-" but not with `current` (an archive's copies from
// before it changed), each unless somebody plays it.
void RemoveOtherCopies(const std::string& cacheRoot, const std::string& pathKey, const std::string& current);

}  // namespace orbel::game
