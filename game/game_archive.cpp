// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/game_archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "game/disc_image.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace fs = std::filesystem;

namespace {

[[noreturn]] void CannotUnpack(const std::string& archiveName, const std::string& entry, int code) {
  throw EArchiveError(Tr("Archive", "%1: %2 cannot be unpacked: %3")
                          .Arg(archiveName)
                          .Arg(entry)
                          .Arg(platform::SystemErrorText(code)));
}

constexpr size_t kBlockBytes = 64 * 1024;
// A cue sheet is a few lines; a large file of that name is something else.
constexpr size_t kMaxCueSheetBytes = 64 * 1024;

std::string Shown(std::string_view path) {
  return platform::FileNameToUtf8(path);
}

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

// The name's parts without empty and "." ones; nothing when the name is absolute or climbs with "..".
std::optional<std::vector<std::string>> SafeParts(std::string_view name) {
  if (name.empty() || name.front() == '/') return std::nullopt;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count && i < parts.size(); ++i) joined += (i ? "/" : "") + parts[i];
  return joined;
}

// One open archive: libarchive's reader and whatever it reads from.
class TReader {
 public:
  explicit TReader(std::string name) : Name(std::move(name)), Archive(archive_read_new()) {
    if (!Archive) throw EArchiveError(Tr("Archive", "%1: out of memory").Arg(Shown(Name)));
  }
  ~TReader() {
    archive_read_free(Archive);
    if (Descriptor >= 0) ::close(Descriptor);
  }
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Sources of the archive's identity beyond its index: the track file of a disc image.
  std::vector<std::string> Sources;

  void OpenFile(const std::string& path) {
    if (Extension(path) == "CUE") {
      OpenCueSheet(path);
      return;
    }
    SupportArchives();
    Check(archive_read_open_filename(Archive, path.c_str(), kBlockBytes));
  }

  void OpenBytes(std::string_view bytes) {
    SupportArchives();
    Check(archive_read_open_memory(Archive, bytes.data(), bytes.size()));
  }

  void OpenTrack(std::unique_ptr<TTrackData> track) {
    Track = std::move(track);
    archive_read_support_format_iso9660(Archive);
    archive_read_set_callback_data(Archive, this);
    archive_read_set_read_callback(Archive, &TReader::ReadTrack);
    archive_read_set_skip_callback(Archive, &TReader::SkipTrack);
    archive_read_set_seek_callback(Archive, &TReader::SeekTrack);
    Check(archive_read_open1(Archive));
  }

  // The next entry, or nothing at the end.
  archive_entry* Next() {
    archive_entry* entry = nullptr;
    const int result = archive_read_next_header(Archive, &entry);
    if (result == ARCHIVE_EOF) return nullptr;
    // A warning (a name the locale cannot show, say) leaves the entry usable.
    if (result < ARCHIVE_WARN) Fail();
    if (archive_entry_is_encrypted(entry))
      throw EArchiveError(
          Tr("Archive", "%1 is encrypted; it cannot be played without its password").Arg(Shown(Name)));
    return entry;
  }

  // The current entry's next block of data: its size, 0 at the entry's end.
  size_t ReadData(char* out, size_t bytes) {
    const la_ssize_t read = archive_read_data(Archive, out, bytes);
    if (read < 0) Fail();
    return static_cast<size_t>(read);
  }

  [[noreturn]] void Fail() const {
    const char* why = archive_error_string(Archive);
    throw EArchiveError(
        Tr("Archive", "%1 cannot be read: %2")
            .Arg(Shown(Name))
            .Arg(why ? std::string(why) : Tr("Archive", "it is damaged or of an unknown kind").Str()));
  }

  const std::string& FileName() const { return Name; }

 private:
  void SupportArchives() {
    archive_read_support_format_zip(Archive);
    archive_read_support_format_lha(Archive);
    archive_read_support_format_7zip(Archive);
    archive_read_support_format_iso9660(Archive);
    archive_read_support_format_cab(Archive);
  }

  void Check(int result) const {
    if (result < ARCHIVE_WARN) Fail();
  }

  void OpenCueSheet(const std::string& path) {
    std::ifstream sheet(path, std::ios::binary);
    std::string text(kMaxCueSheetBytes + 1, '\0');
    if (!sheet) throw EArchiveError(Tr("Archive", "%1 cannot be opened").Arg(Shown(path)));
    sheet.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (sheet.bad()) throw EArchiveError(Tr("Archive", "%1 cannot be read").Arg(Shown(path)));
    text.resize(static_cast<size_t>(sheet.gcount()));
    if (text.size() > kMaxCueSheetBytes)
      throw EArchiveError(Tr("Archive", "%1 is too large for a cue sheet").Arg(Shown(path)));
    const TCueTrack track = ParseCueSheet(text, Shown(path));
    const std::string trackPath = TrackFilePath(path, track.File);
    Descriptor = ::open(trackPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (Descriptor < 0 || ::fstat(Descriptor, &status) != 0 || !S_ISREG(status.st_mode))
      throw EArchiveError(errno == ENOENT
                              ? Tr("Archive", "%1 names the track file %2, which is missing")
                                    .Arg(Shown(path))
                                    .Arg(Shown(track.File))
                              : Tr("Archive", "%1 names the track file %2, which cannot be opened")
                                    .Arg(Shown(path))
                                    .Arg(Shown(track.File)));
    Sources.push_back(trackPath);
    Name = trackPath;
    const int descriptor = Descriptor;
    auto readAt = [descriptor](uint64_t offset, char* out, size_t bytes) {
      while (bytes > 0) {
        const ssize_t read = ::pread(descriptor, out, bytes, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return false;
        out += read;
        bytes -= static_cast<size_t>(read);
        offset += static_cast<uint64_t>(read);
      }
      return true;
    };
    OpenTrack(std::make_unique<TTrackData>(readAt, static_cast<uint64_t>(status.st_size), track));
  }

  // The track file beside the sheet; sheets written on Windows may give its name in another letter case.
  static std::string TrackFilePath(const std::string& sheetPath, const std::string& file) {
    const fs::path folder = fs::path(sheetPath).parent_path();
    std::string name = file;
    std::replace(name.begin(), name.end(), '\\', '/');
    const fs::path exact = folder / fs::path(name);
    std::error_code error;
    if (fs::exists(exact, error)) return exact.native();
    const std::string wanted = Upper(fs::path(name).filename().native());
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error))
      if (Upper(it->path().filename().native()) == wanted) return it->path().native();
    return exact.native();
  }

  static la_ssize_t ReadTrack(archive* archive, void* data, const void** buffer) {
    auto* self = static_cast<TReader*>(data);
    self->Buffer.resize(kBlockBytes);
    const int64_t read = self->Track->Read(self->Position, self->Buffer.data(), self->Buffer.size());
    if (read < 0) {
      archive_set_error(archive, EIO, "the track file cannot be read at byte %llu of its data",
                        static_cast<unsigned long long>(self->Position));
      return -1;
    }
    self->Position += static_cast<uint64_t>(read);
    *buffer = self->Buffer.data();
    return static_cast<la_ssize_t>(read);
  }

  static la_int64_t SkipTrack(archive*, void* data, la_int64_t request) {
    auto* self = static_cast<TReader*>(data);
    if (request <= 0) return 0;
    const uint64_t left = self->Position < self->Track->Size() ? self->Track->Size() - self->Position : 0;
    const uint64_t skipped = std::min<uint64_t>(left, static_cast<uint64_t>(request));
    self->Position += skipped;
    return static_cast<la_int64_t>(skipped);
  }

  static la_int64_t SeekTrack(archive*, void* data, la_int64_t offset, int whence) {
    auto* self = static_cast<TReader*>(data);
    const auto size = static_cast<la_int64_t>(self->Track->Size());
    const la_int64_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(self->Position)
                                                 : size;
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return ARCHIVE_FATAL;
    self->Position = static_cast<uint64_t>(base + offset);
    return base + offset;
  }

  std::string Name;
  archive* Archive;
  int Descriptor = -1;
  std::unique_ptr<TTrackData> Track;
  uint64_t Position = 0;
  std::vector<char> Buffer;
};

TArchiveEntry Describe(archive_entry* entry) {
  TArchiveEntry described;
  const char* name = archive_entry_pathname(entry);
  if (!name) name = archive_entry_pathname_utf8(entry);
  described.Name = name ? name : "";
  described.Size = archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0
                       ? static_cast<uint64_t>(archive_entry_size(entry))
                       : 0;
  described.Time = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
  const auto type = archive_entry_filetype(entry);
  const bool link = archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr;
  described.Folder = type == AE_IFDIR;
  described.File = type == AE_IFREG && !link;
  const auto parts = SafeParts(described.Name);
  described.Unsafe = !parts || parts->empty() || !name;
  if (parts) described.Name = Join(*parts, parts->size());
  return described;
}

std::vector<TArchiveEntry> ListAll(TReader& reader, const TArchiveLimits& limits) {
  std::vector<TArchiveEntry> entries;
  while (archive_entry* entry = reader.Next()) {
    if (entries.size() >= limits.Entries)
      throw EArchiveError(Tr("Archive", "%1 holds more than %2 entries; it is refused")
                              .Arg(Shown(reader.FileName()))
                              .Arg(limits.Entries));
    entries.push_back(Describe(entry));
  }
  return entries;
}

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

bool WriteAll(int descriptor, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

// Unpacks the entries under `root` (a game folder inside the archive) into `target`.
void Extract(TReader& reader, const std::string& root, const std::string& target,
             const TArchiveLimits& limits) {
  const std::string prefix = root.empty() ? std::string() : root + "/";
  std::set<std::string> folders{target};
  uint64_t total = 0;
  std::vector<char> block(kBlockBytes);
  const std::string archiveName = Shown(reader.FileName());
  while (archive_entry* raw = reader.Next()) {
    const TArchiveEntry entry = Describe(raw);
    if (entry.Unsafe || (!entry.File && !entry.Folder)) continue;
    if (entry.Name.compare(0, prefix.size(), prefix) != 0 || entry.Name.size() == prefix.size()) continue;
    const std::string relative = entry.Name.substr(prefix.size());
    const fs::path path = fs::path(target) / relative;
    const fs::path folder = entry.Folder ? path : path.parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
      throw EArchiveError(Tr("Archive", "%1: the folder for %2 cannot be made: %3")
                              .Arg(archiveName)
                              .Arg(Shown(entry.Name))
                              .Arg(platform::SystemErrorText(error.value())));
    for (fs::path at = folder; at.native().size() > target.size(); at = at.parent_path()) folders.insert(at);
    if (entry.Folder) continue;
    const std::string shownEntry = Shown(entry.Name);
    if (entry.Size > limits.EntryBytes)
      throw EArchiveError(
          Tr("Archive", "%1: %2 is larger than the engine takes (%3 MB); the archive is refused")
              .Arg(archiveName)
              .Arg(shownEntry)
              .Arg(limits.EntryBytes >> 20));
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0) CannotUnpack(archiveName, shownEntry, errno);
    struct TClose {
      int Descriptor;
      ~TClose() { ::close(Descriptor); }
    } closer{descriptor};
    uint64_t written = 0;
    const bool sizeKnown = archive_entry_size_is_set(raw) != 0;
    for (;;) {
      const size_t read = reader.ReadData(block.data(), block.size());
      if (read == 0) break;
      written += read;
      total += read;
      // The header may understate what the data inflates to: the data itself is held to both bounds.
      if (written > limits.EntryBytes || (sizeKnown && written > entry.Size))
        throw EArchiveError(Tr("Archive",
                               "%1: %2 inflates past the size its header gives or the engine takes; the "
                               "archive is refused")
                                .Arg(archiveName)
                                .Arg(shownEntry));
      if (total > limits.TotalBytes)
        throw EArchiveError(Tr("Archive", "%1: the game inflates past %2 MB; the archive is refused")
                                .Arg(archiveName)
                                .Arg(limits.TotalBytes >> 20));
      if (!WriteAll(descriptor, block.data(), read)) CannotUnpack(archiveName, shownEntry, errno);
    }
    if (::fsync(descriptor) != 0) CannotUnpack(archiveName, shownEntry, errno);
  }
  for (const std::string& folder : folders) SyncFolder(folder);
}

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
  TReader reader(path);
  reader.OpenFile(path);
  return ListAll(reader, limits);
}

std::vector<TArchiveEntry> ListArchiveBytes(std::string_view bytes, const std::string& name,
                                            const TArchiveLimits& limits) {
  TReader reader(name);
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
  TReader reader(name);
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
                         const TArchiveLimits& limits, const TChooseGame& choose) {
  const std::string shown = Shown(path);
  std::vector<TArchiveEntry> entries;
  std::vector<std::string> sources;
  {
    TReader reader(path);
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
  for (const TArchiveEntry& entry : entries) {
    if (!entry.File || entry.Unsafe || entry.Name.compare(0, prefix.size(), prefix) != 0) continue;
    if (entry.Size > limits.EntryBytes)
      throw EArchiveError(
          Tr("Archive", "%1: %2 is larger than the engine takes (%3 MB); the archive is refused")
              .Arg(shown)
              .Arg(Shown(entry.Name))
              .Arg(limits.EntryBytes >> 20));
    declared += entry.Size;
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
    name += "-" + rootKey.Hex();
  }
  game.Folder = cacheRoot + "/" + name;
  std::error_code error;
  if (fs::is_directory(fs::path(game.Folder), error)) return game;
  fs::create_directories(fs::path(cacheRoot), error);
  std::string temporary = cacheRoot + "/." + name + ".XXXXXX";
  if (error || !::mkdtemp(temporary.data()))
    throw EArchiveError(Tr("Archive", "the cache folder %1 cannot be written, so %2 cannot be unpacked")
                            .Arg(Shown(cacheRoot))
                            .Arg(shown));
  try {
    TReader reader(path);
    reader.OpenFile(path);
    Extract(reader, root, temporary, limits);
  } catch (...) {
    fs::remove_all(fs::path(temporary), error);
    throw;
  }
  if (::rename(temporary.c_str(), game.Folder.c_str()) != 0) {
    const int why = errno;
    fs::remove_all(fs::path(temporary), error);
    // Another run unpacked the same archive at the same time: its folder is as good as ours.
    if (!fs::is_directory(fs::path(game.Folder), error))
      throw EArchiveError(Tr("Archive", "the cache folder %1 cannot be made: %2")
                              .Arg(Shown(game.Folder))
                              .Arg(platform::SystemErrorText(why)));
  }
  SyncFolder(cacheRoot);
  // The same archive path unpacked before it changed: those copies are never used again. Its other games'
  // folders stay.
  const std::string current = pathKey + "-" + identity;
  for (fs::directory_iterator it(fs::path(cacheRoot), error), end; !error && it != end; it.increment(error)) {
    const std::string other = it->path().filename().native();
    if (other.compare(0, pathKey.size() + 1, pathKey + "-") == 0 &&
        other.compare(0, current.size(), current) != 0) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
  return game;
}

}  // namespace orbel::game
