// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/archive_unpack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlockBytes = 64 * 1024;

// Errors that concern one entry's name, not the disk: the entry is left out and the rest unpacked.
bool NameRefused(int error) {
  return error == ENAMETOOLONG || error == EILSEQ;
}

std::string ParentOf(const std::string& relative) {
  const size_t slash = relative.rfind('/');
  return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

class TUnpacker {
 public:
  TUnpacker(TArchiveReader& reader, const std::string& root, const std::string& target,
            const TArchiveLimits& limits, const TUnpackStep& step)
      : Reader(reader),
        Prefix(root.empty() ? std::string() : root + "/"),
        Target(target),
        Limits(limits),
        Step(step),
        ArchiveName(Shown(reader.FileName())) {}

  std::vector<TLeftOut> Run(const std::vector<TArchiveEntry>& entries) {
    // Which names of the game receive each stored file's data: its own, and its second names.
    for (const TArchiveEntry& entry : entries) {
      const std::optional<std::string> relative = Relative(entry);
      if (!relative || entry.Folder) continue;
      if (!entry.File) {
        LeftOut.push_back({*relative, entry.Unsupported});
        continue;
      }
      // A name the archive holds twice gets the data of each in turn; the later stays.
      std::vector<std::string>& names = Destinations[entry.SameAs.empty() ? entry.Name : entry.SameAs];
      if (std::find(names.begin(), names.end(), *relative) == names.end()) names.push_back(*relative);
    }
    std::vector<char> block(kBlockBytes);
    while (const std::optional<TArchiveEntry> entry = Reader.Next()) {
      if (entry->Unsafe) continue;
      if (entry->Folder) {
        if (const std::optional<std::string> relative = Relative(*entry))
          if (const int error = MakeFolders(*relative); error != 0) Refuse(*relative, error);
        continue;
      }
      if (!entry->File || !entry->SameAs.empty()) continue;
      const auto found = Destinations.find(entry->Name);
      if (found != Destinations.end()) Unpack(*entry, found->second, block);
    }
    return std::move(LeftOut);
  }

 private:
  // The entry's path under the game folder, or nothing when it lies outside it (or is the folder itself).
  std::optional<std::string> Relative(const TArchiveEntry& entry) const {
    if (entry.Unsafe || entry.Name.size() <= Prefix.size() ||
        entry.Name.compare(0, Prefix.size(), Prefix) != 0)
      return std::nullopt;
    return entry.Name.substr(Prefix.size());
  }

  // Makes the folder (relative to the target) and those above it; errno, or 0.
  int MakeFolders(const std::string& relative) {
    if (relative.empty() || Made.count(relative)) return 0;
    if (const int error = MakeFolders(ParentOf(relative)); error != 0) return error;
    const std::string path = Target + "/" + relative;
    if (::mkdir(path.c_str(), 0755) != 0) {
      const int error = errno;
      struct stat status {};
      if (error != EEXIST || ::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return error == EEXIST ? ENOTDIR : error;
    }
    Made.insert(relative);
    return 0;
  }

  // A name the file system refuses is left out; any other failure refuses the archive.
  void Refuse(const std::string& relative, int error) {
    if (!NameRefused(error))
      throw EArchiveError(Tr("Archive", "%1: %2 cannot be unpacked: %3")
                              .Arg(ArchiveName)
                              .Arg(Shown(Prefix + relative))
                              .Arg(platform::SystemErrorText(error)));
    LeftOut.push_back({relative, platform::SystemErrorText(error)});
  }

  // A new file at `relative`, or -1 with its name left out.
  int Create(const std::string& relative) {
    int error = MakeFolders(ParentOf(relative));
    if (error == 0) {
      const std::string path = Target + "/" + relative;
      const int descriptor =
          ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
      if (descriptor >= 0) return descriptor;
      error = errno;
    }
    Refuse(relative, error);
    return -1;
  }

  // A second name for the file at `home`: a hard link inside the target, or a copy where there can be none.
  void Link(const std::string& home, const std::string& relative) {
    if (const int error = MakeFolders(ParentOf(relative)); error != 0) return Refuse(relative, error);
    const std::string from = Target + "/" + home, to = Target + "/" + relative;
    ::unlink(to.c_str());
    if (::link(from.c_str(), to.c_str()) == 0) return;
    const int error = errno;
    if (NameRefused(error)) return Refuse(relative, error);
    std::error_code copyError;
    fs::copy_file(fs::path(from), fs::path(to), copyError);
    if (copyError) Refuse(relative, copyError.value());
  }

  void Unpack(const TArchiveEntry& entry, const std::vector<std::string>& destinations,
              std::vector<char>& block) {
    const std::string shownEntry = Shown(entry.Name);
    if (entry.Size > Limits.EntryBytes)
      throw EArchiveError(
          Tr("Archive", "%1: %2 is larger than the engine takes (%3 MB); the archive is refused")
              .Arg(ArchiveName)
              .Arg(shownEntry)
              .Arg(Limits.EntryBytes >> 20));
    size_t home = 0;
    int descriptor = -1;
    for (; home < destinations.size() && descriptor < 0; ++home) descriptor = Create(destinations[home]);
    if (descriptor < 0) return;  // every name of it left out
    --home;
    struct TClose {
      int Descriptor;
      ~TClose() { ::close(Descriptor); }
    } closer{descriptor};
    uint64_t written = 0;
    for (;;) {
      const size_t read = Reader.ReadData(block.data(), block.size());
      if (read == 0) break;
      written += read;
      Total += read;
      // The header may understate what the data inflates to: the data itself is held to both bounds.
      if (written > Limits.EntryBytes || (Reader.SizeGiven() && written > entry.Size))
        throw EArchiveError(Tr("Archive",
                               "%1: %2 inflates past the size its header gives or the engine takes; the "
                               "archive is refused")
                                .Arg(ArchiveName)
                                .Arg(shownEntry));
      if (Total > Limits.TotalBytes)
        throw EArchiveError(Tr("Archive", "%1: the game inflates past %2 MB; the archive is refused")
                                .Arg(ArchiveName)
                                .Arg(Limits.TotalBytes >> 20));
      for (const char* at = block.data(); at < block.data() + read;) {
        const ssize_t done = ::write(descriptor, at, static_cast<size_t>(block.data() + read - at));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0)
          throw EArchiveError(Tr("Archive", "%1: %2 cannot be unpacked: %3")
                                  .Arg(ArchiveName)
                                  .Arg(shownEntry)
                                  .Arg(platform::SystemErrorText(done < 0 ? errno : EIO)));
        at += done;
      }
      Going();
    }
    if (Reader.SizeGiven() && written < entry.Size) Reader.FailCutInside(entry.Name);
    for (size_t other = home + 1; other < destinations.size(); ++other)
      Link(destinations[home], destinations[other]);
    Files += destinations.size();
    // The progress counts every name's bytes, as the totals do.
    Linked += written * (destinations.size() - home - 1);
    Going();
  }

  void Going() {
    if (Step && !Step(Total + Linked, Files))
      throw EUnpackCancelled(Tr("Archive", "%1: the unpack was stopped").Arg(ArchiveName));
  }

  TArchiveReader& Reader;
  const std::string Prefix;
  const std::string Target;
  const TArchiveLimits& Limits;
  const TUnpackStep& Step;
  const std::string ArchiveName;
  std::unordered_map<std::string, std::vector<std::string>> Destinations;
  std::unordered_set<std::string> Made;
  std::vector<TLeftOut> LeftOut;
  uint64_t Total = 0;   // bytes written
  uint64_t Linked = 0;  // bytes that second names stand for
  size_t Files = 0;
};

}  // namespace

std::vector<TLeftOut> UnpackEntries(TArchiveReader& reader, const std::vector<TArchiveEntry>& entries,
                                    const std::string& root, const std::string& target,
                                    const TArchiveLimits& limits, const TUnpackStep& step) {
  return TUnpacker(reader, root, target, limits, step).Run(entries);
}

}  // namespace orbel::game
