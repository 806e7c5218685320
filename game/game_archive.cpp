// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/game_archive.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

#include "game/archive_reader.h"
#include "game/archive_unpack.h"
#include "game/data_files.h"
#include "game/disc_image.h"
#include "game/unpack_cache.h"
#include "platform/script_encoding.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "script/script_check.h"
#include "script/script_text.h"

namespace orbel::game {

using platform::Tr;

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Extension(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return Upper(path.substr(dot + 1));
}

std::string Join(const std::vector<std::string>& parts, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count && i < parts.size(); ++i) joined += (i ? "/" : "") + parts[i];
  return joined;
}

// 64-bit FNV-1a: the cache folder's name, not a defence against anyone (the cache is the user's own).
class THash {
 public:
  void Add(std::string_view bytes) {
    for (const char c : bytes) {
      Value ^= static_cast<unsigned char>(c);
      Value *= 0x100000001B3ULL;
    }
    // A separator, so that ("ab", "c") and ("a", "bc") differ.
    Value ^= 0xFF;
    Value *= 0x100000001B3ULL;
  }
  void Add(uint64_t number) { Add(std::to_string(number)); }
  std::string Hex() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(Value));
    return text;
  }

 private:
  uint64_t Value = 0xCBF29CE484222325ULL;
};

// The path key and the identity of an archive: which cache folder is its.
std::pair<std::string, std::string> CacheKeys(const std::string& path,
                                              const std::vector<std::string>& sources,
                                              const std::vector<TArchiveEntry>& entries) {
  std::error_code error;
  const fs::path absolute = fs::absolute(fs::path(path), error);
  THash pathKey;
  pathKey.Add(error ? path : absolute.lexically_normal().native());
  THash identity;
  std::vector<std::string> files = sources;
  files.insert(files.begin(), path);
  for (const std::string& file : files) {
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0) {
      identity.Add(static_cast<uint64_t>(status.st_size));
      identity.Add(static_cast<uint64_t>(status.st_mtim.tv_sec));
      identity.Add(static_cast<uint64_t>(status.st_mtim.tv_nsec));
    }
  }
  for (const TArchiveEntry& entry : entries) {
    identity.Add(entry.Name);
    identity.Add(entry.Size);
    identity.Add(static_cast<uint64_t>(entry.Time));
    identity.Add(static_cast<uint64_t>(entry.Folder) | (static_cast<uint64_t>(entry.File) << 1));
  }
  return {pathKey.Hex(), identity.Hex()};
}

// The data-file names a script gives, as the checker finds them.
class TNamesInScript : public script::IScriptCheckFiles {
 public:
  std::string DataFileProblem(const std::string& name, script::TDataKind) override {
    Names.push_back(name);
    return {};
  }
  std::string DecodeText(std::string_view bytes) override { return platform::ScriptTextToUtf8(bytes); }
  std::vector<std::string> Names;
};

// An entry left out that the game's script names would leave the game without a file it plays: the archive
// is refused instead, naming the entry.
void RefuseWhatTheScriptNeeds(const std::string& folder, const std::vector<TLeftOut>& leftOut,
                              const std::string& shown) {
  if (leftOut.empty()) return;
  const std::string scriptPath = FindDataFileIn(folder, "SCRIPT.TXT");
  if (scriptPath.empty()) return;
  const TFileText script = ReadWholeFile(scriptPath, script::kMaxScriptBytes);
  if (script.Result != frRead) return;
  // The script is read in its own encoding; the run settles the encoding only once it has the game.
  struct TEncodingFor {
    const platform::TScriptEncoding Before = platform::ScriptEncoding();
    explicit TEncodingFor(const std::string& game) {
      platform::SetScriptEncoding(GameScriptEncoding(game, Before));
    }
    ~TEncodingFor() { platform::SetScriptEncoding(Before); }
  };
  TNamesInScript names;
  {
    const TEncodingFor encoding(folder);
    script::CheckScript(script.Text, names);
  }
  for (const TLeftOut& entry : leftOut)
    for (const std::string& name : names.Names)
      if (DataFileNameMatches(name, entry.Name))
        throw EArchiveError(Tr("Archive",
                               "%1: %2, which the game's script names, cannot be unpacked (%3); the archive "
                               "is refused")
                                .Arg(shown)
                                .Arg(Shown(entry.Name))
                                .Arg(entry.Why));
}

// Tells the caller's progress report how the unpack goes, and that it ended when it goes out of scope.
class TProgressReport {
 public:
  TProgressReport(const std::string& archive, const TReportProgress& report) : Report(report) {
    Progress.Archive = archive;
  }
  ~TProgressReport() {
    if (!Report || !Started) return;
    Progress.Ended = true;
    Report(Progress);
  }
  TProgressReport(const TProgressReport&) = delete;
  TProgressReport& operator=(const TProgressReport&) = delete;

  bool Start(uint64_t totalBytes, size_t totalFiles) {
    Started = true;
    Progress.TotalBytes = totalBytes;
    Progress.TotalFiles = totalFiles;
    return Step(0, 0);
  }
  bool Step(uint64_t bytes, size_t files) {
    Progress.Bytes = bytes;
    Progress.Files = files;
    return !Report || Report(Progress);
  }

 private:
  const TReportProgress& Report;
  TUnpackProgress Progress;
  bool Started = false;
};

std::string Describe(const std::vector<std::string>& games) {
  std::string text;
  for (const std::string& game : games)
    text += (text.empty() ? "" : ", ") + (game.empty() ? "/" : Shown(game));
  return text;
}

}  // namespace

bool IsArchiveName(std::string_view path) {
  static const char* const kExtensions[] = {"ZIP", "LZH", "LHA", "7Z", "ISO", "CUE", "CAB"};
  const std::string extension = Extension(path);
  return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                     [&](const char* known) { return extension == known; });
}

std::vector<TArchiveEntry> ListArchive(const std::string& path, const TArchiveLimits& limits) {
  TArchiveReader reader(path);
  reader.OpenFile(path);
  return ListAll(reader, limits);
}

std::vector<TArchiveEntry> ListArchiveBytes(std::string_view bytes, const std::string& name,
                                            const TArchiveLimits& limits) {
  TArchiveReader reader(name);
  reader.OpenBytes(bytes);
  return ListAll(reader, limits);
}

std::vector<TArchiveEntry> ListDiscImageBytes(std::string_view cueSheet, std::string_view trackFile,
                                              const std::string& name, const TArchiveLimits& limits) {
  const TCueTrack track = ParseCueSheet(cueSheet, name);
  auto readAt = [trackFile](uint64_t offset, char* out, size_t bytes) {
    if (offset > trackFile.size() || bytes > trackFile.size() - offset) return false;
    std::memcpy(out, trackFile.data() + offset, bytes);
    return true;
  };
  TArchiveReader reader(name);
  reader.OpenTrack(std::make_unique<TTrackData>(readAt, trackFile.size(), track));
  return ListAll(reader, limits);
}

std::vector<std::string> GameFoldersIn(const std::vector<TArchiveEntry>& entries) {
  std::set<std::string> games;
  for (const TArchiveEntry& entry : entries) {
    if (entry.Unsafe || !entry.File) continue;
    const auto parts = SafeParts(entry.Name);
    if (!parts || parts->empty() || Upper(parts->back()) != "SCRIPT.TXT") continue;
    size_t depth = parts->size() - 1;
    if (depth > 0 && Upper((*parts)[depth - 1]) == "DATA") --depth;
    games.insert(Join(*parts, depth));
  }
  return {games.begin(), games.end()};
}

std::string DefaultCacheRoot() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/orbel";
  const char* home = std::getenv("HOME");
  if (!home || !home[0]) {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : "/tmp";
  }
  return std::string(home) + "/.cache/orbel";
}

TUnpackedGame UnpackGame(const std::string& path, const std::string& cacheRoot, bool oneGameOnly,
                         const TArchiveLimits& limits, const TChooseGame& choose,
                         const TReportProgress& progress) {
  const std::string shown = Shown(path);
  std::vector<TArchiveEntry> entries;
  std::vector<std::string> sources;
  {
    TArchiveReader reader(path);
    reader.OpenFile(path);
    entries = ListAll(reader, limits);
    sources = reader.Sources;
  }
  TUnpackedGame game;
  game.Games = GameFoldersIn(entries);
  if (game.Games.empty())
    throw EArchiveError(
        Tr("Archive", "%1 holds no game: no Data/SCRIPT.TXT or SCRIPT.TXT inside").Arg(shown));
  if (game.Games.size() > 1 && oneGameOnly)
    throw EArchiveError(Tr("Archive", "%1 holds several games: %2; unpack it and name the one to play")
                            .Arg(shown)
                            .Arg(Describe(game.Games)));
  game.Game = game.Games.front();
  if (game.Games.size() > 1 && choose) {
    const std::optional<std::string> chosen = choose(game.Games);
    if (!chosen || std::find(game.Games.begin(), game.Games.end(), *chosen) == game.Games.end())
      throw EGameNotChosen(Tr("Archive", "%1: no game was chosen").Arg(shown));
    game.Game = *chosen;
  }
  const std::string& root = game.Game;
  // What the headers declare is refused before anything is written; the data is held to it while unpacking.
  const std::string prefix = root.empty() ? std::string() : root + "/";
  uint64_t declared = 0;
  size_t files = 0;
  for (const TArchiveEntry& entry : entries) {
    if (!entry.File || entry.Unsafe || entry.Name.compare(0, prefix.size(), prefix) != 0) continue;
    if (entry.Size > limits.EntryBytes)
      throw EArchiveError(
          Tr("Archive", "%1: %2 is larger than the engine takes (%3 MB); the archive is refused")
              .Arg(shown)
              .Arg(Shown(entry.Name))
              .Arg(limits.EntryBytes >> 20));
    declared += entry.Size;
    ++files;
    if (declared > limits.TotalBytes)
      throw EArchiveError(Tr("Archive", "%1: the game is larger than %2 MB unpacked; the archive is refused")
                              .Arg(shown)
                              .Arg(limits.TotalBytes >> 20));
  }

  const auto [pathKey, identity] = CacheKeys(path, sources, entries);
  // The games of one archive each have their own folder; one alone keeps the plain name.
  std::string name = pathKey + "-" + identity;
  if (game.Games.size() > 1) {
    THash rootKey;
    rootKey.Add(root);
    name += '-';
    name += rootKey.Hex();
  }
  game.Folder = cacheRoot + "/" + name;
  RemoveLeftovers(cacheRoot);
  game.Hold = HoldCopy(game.Folder);
  if (!game.Hold.Held()) {
    // Started before the folder is made, and ended once it is gone: the report may take the signals that
    // would end the program for as long as there is something to remove.
    TProgressReport report(path, progress);
    if (!report.Start(declared, files))
      throw EUnpackCancelled(Tr("Archive", "%1: the unpack was stopped").Arg(shown));
    TUnpackFolder unpacking(cacheRoot, name, shown);
    TArchiveReader reader(path);
    reader.OpenFile(path);
    game.LeftOut = UnpackEntries(reader, entries, root, unpacking.Path(), limits,
                                 [&report](uint64_t bytes, size_t done) { return report.Step(bytes, done); });
    RefuseWhatTheScriptNeeds(unpacking.Path(), game.LeftOut, shown);
    game.Hold = unpacking.Commit(game.Folder);
  }
  // The same archive path unpacked before it changed: those copies are never used again once nobody plays
  // them. Its other games' folders stay.
  RemoveOtherCopies(cacheRoot, pathKey, pathKey + "-" + identity);
  return game;
}

}  // namespace orbel::game
