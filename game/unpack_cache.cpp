// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/unpack_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "game/game_errors.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace fs = std::filesystem;

namespace {

// The folder's entries flushed to the disk; for the folder itself, what names it (a rename) too.
int SyncFolder(const std::string& folder, bool wholeFileSystem) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return errno;
  const int result = wholeFileSystem ? ::syncfs(descriptor) : ::fsync(descriptor);
  const int error = result == 0 ? 0 : errno;
  ::close(descriptor);
  return error;
}

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(fs::path(path), ignored);
}

}  // namespace

TUnpackFolder::TUnpackFolder(const std::string& cacheRoot, const std::string& name,
                             const std::string& archiveShown)
    : CacheRoot(cacheRoot), ArchiveShown(archiveShown) {
  std::error_code error;
  fs::create_directories(fs::path(cacheRoot), error);
  std::string temporary = platform::TemporaryTemplate(cacheRoot + "/." + name);
  if (error || !::mkdtemp(temporary.data()))
    throw EArchiveError(Tr("Archive", "the cache folder %1 cannot be written, so %2 cannot be unpacked")
                            .Arg(platform::FileNameToUtf8(cacheRoot))
                            .Arg(archiveShown));
  Folder = temporary;
  Lock = platform::TFileLock::Take(Folder, true, false);
}

TUnpackFolder::~TUnpackFolder() {
  if (!Committed) RemoveAll(Folder);
}

platform::TFileLock TUnpackFolder::Commit(const std::string& copy) {
  // One flush for the whole copy: every file's data and every folder reach the disk before the name does.
  if (const int error = SyncFolder(Folder, true); error != 0)
    throw EArchiveError(Tr("Archive", "%1 cannot be unpacked: the cache's disk reports %2")
                            .Arg(ArchiveShown)
                            .Arg(platform::SystemErrorText(error)));
  if (::rename(Folder.c_str(), copy.c_str()) != 0) {
    const int why = errno;
    // Another run unpacked the same archive at the same time: its folder is as good as ours.
    platform::TFileLock theirs = HoldCopy(copy);
    if (!theirs.Held())
      throw EArchiveError(Tr("Archive", "the cache folder %1 cannot be made: %2")
                              .Arg(platform::FileNameToUtf8(copy))
                              .Arg(platform::SystemErrorText(why)));
    return theirs;
  }
  Committed = true;
  SyncFolder(CacheRoot, false);
  Lock.Share();
  return std::move(Lock);
}

platform::TFileLock HoldCopy(const std::string& folder) {
  platform::TFileLock hold = platform::TFileLock::Take(folder, false, true);
  // A clean-up that held it before us may have removed it meanwhile.
  if (hold.Held() && !hold.StillAt(folder)) return {};
  return hold;
}

void RemoveLeftovers(const std::string& cacheRoot) {
  std::error_code error;
  for (fs::directory_iterator it(fs::path(cacheRoot), error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().native();
    const size_t dot = name.find('.', 1);
    if (name.size() < 2 || name[0] != '.' || dot == std::string::npos) continue;
    const std::string copy = cacheRoot + "/" + name.substr(0, dot);
    if (platform::IsLeftoverTemporary(it->path().native(), copy)) RemoveAll(it->path().native());
  }
}

void RemoveOtherCopies(const std::string& cacheRoot, const std::string& pathKey, const std::string& current) {
  std::error_code error;
  for (fs::directory_iterator it(fs::path(cacheRoot), error), end; !error && it != end; it.increment(error)) {
    const std::string other = it->path().filename().native();
    if (other.compare(0, pathKey.size() + 1, pathKey + "-") != 0 ||
        other.compare(0, current.size(), current) == 0)
      continue;
    const platform::TFileLock unused = platform::TFileLock::Take(it->path().native(), true, false);
    if (unused.Held()) RemoveAll(it->path().native());
  }
}

}  // namespace orbel::game
