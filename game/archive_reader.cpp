// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <utility>

#include "platform/files.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlockBytes = 64 * 1024;
// A cue sheet is a few lines; a large file of that name is something else.
constexpr size_t kMaxCueSheetBytes = 64 * 1024;
// How far a chain of second names is followed before it counts as broken.
constexpr int kMaxLinkHops = 8;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? "/" : "") + parts[i];
  return joined;
}

// libarchive converts names between the archive's code page and the locale's. It runs in a UTF-8 locale
// whatever the user's is: names kept in Unicode come out as UTF-8, and none fails to convert in the C locale.
class TUtf8Locale {
 public:
  TUtf8Locale() : Before(Utf8() ? ::uselocale(Utf8()) : nullptr) {}
  ~TUtf8Locale() {
    if (Before) ::uselocale(Before);
  }
  TUtf8Locale(const TUtf8Locale&) = delete;
  TUtf8Locale& operator=(const TUtf8Locale&) = delete;

 private:
  static locale_t Utf8() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(nullptr));
    return locale;
  }
  locale_t Before;
};

// An LZH header's name as its bytes: the reader is told the names are Latin-1, whose characters are the bytes
// themselves, so code page 932 bytes come back unchanged. A header that names its own code page, or holds
// the name in UTF-16, gives characters beyond Latin-1, which are kept as UTF-8.
std::string LhaName(const wchar_t* wide) {
  std::string bytes;
  for (const wchar_t* c = wide; *c; ++c) {
    if (static_cast<unsigned long>(*c) > 0xFF) return QString::fromWCharArray(wide).toUtf8().toStdString();
    bytes += static_cast<char>(static_cast<unsigned char>(*c));
  }
  return bytes;
}

std::optional<std::string> EntryName(archive* reader, archive_entry* entry) {
  if ((archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA)
    if (const wchar_t* wide = archive_entry_pathname_w(entry)) return LhaName(wide);
  const char* name = archive_entry_pathname(entry);
  if (!name) name = archive_entry_pathname_utf8(entry);
  if (!name) return std::nullopt;
  return std::string(name);
}

// The track file beside the sheet; sheets written on Windows may give its name in another letter case.
std::string TrackFilePath(const std::string& sheetPath, const std::string& file) {
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

const char* UnsupportedKind(unsigned type) {
  switch (type) {
    case AE_IFCHR:
    case AE_IFBLK:
      return "a device";
    case AE_IFIFO:
      return "a named pipe";
    case AE_IFSOCK:
      return "a socket";
    default:
      return "of a kind that is not unpacked";
  }
}

TArchiveEntry Describe(archive* reader, archive_entry* entry) {
  TArchiveEntry described;
  const std::optional<std::string> name = EntryName(reader, entry);
  described.Size = archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0
                       ? static_cast<uint64_t>(archive_entry_size(entry))
                       : 0;
  described.Time = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
  const auto type = archive_entry_filetype(entry);
  const auto parts = SafeParts(name.value_or(std::string()));
  described.Unsafe = !name || !parts || parts->empty();
  described.Name = parts ? Join(*parts) : name.value_or(std::string());
  if (const char* target = archive_entry_hardlink(entry)) {
    const auto targetParts = SafeParts(target);
    if (targetParts && !targetParts->empty())
      described.SameAs = Join(*targetParts);
    else
      described.Unsupported = "a second name of a file outside the game";
  } else if (archive_entry_symlink(entry)) {
    described.Unsupported = "a symbolic link";
  } else if (type == AE_IFREG) {
    described.File = true;
  } else if (type == AE_IFDIR) {
    described.Folder = true;
  } else {
    described.Unsupported = UnsupportedKind(type);
  }
  return described;
}

}  // namespace

std::string Shown(std::string_view path) {
  return platform::FileNameToUtf8(path);
}

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

// The track file of a disc image, served to libarchive as the stream of its user data.
struct TTrackCallbacks {
  static la_ssize_t Read(archive* archive, void* data, const void** buffer) {
    auto* self = static_cast<TArchiveReader*>(data);
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

  static la_int64_t Skip(archive*, void* data, la_int64_t request) {
    auto* self = static_cast<TArchiveReader*>(data);
    if (request <= 0) return 0;
    const uint64_t left = self->Position < self->Track->Size() ? self->Track->Size() - self->Position : 0;
    const uint64_t skipped = std::min<uint64_t>(left, static_cast<uint64_t>(request));
    self->Position += skipped;
    return static_cast<la_int64_t>(skipped);
  }

  static la_int64_t Seek(archive*, void* data, la_int64_t offset, int whence) {
    auto* self = static_cast<TArchiveReader*>(data);
    const auto size = static_cast<la_int64_t>(self->Track->Size());
    const la_int64_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(self->Position)
                                                 : size;
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return ARCHIVE_FATAL;
    self->Position = static_cast<uint64_t>(base + offset);
    return base + offset;
  }
};

TArchiveReader::TArchiveReader(std::string name) : Name(std::move(name)), Archive(archive_read_new()) {
  if (!Archive) throw EArchiveError(Tr("Archive", "%1: out of memory").Arg(Shown(Name)));
}

TArchiveReader::~TArchiveReader() {
  const TUtf8Locale locale;
  archive_read_free(Archive);
  if (Descriptor >= 0) ::close(Descriptor);
}

void TArchiveReader::OpenFile(const std::string& path) {
  if (Upper(fs::path(path).extension().native()) == ".CUE") {
    OpenCueSheet(path);
    return;
  }
  const platform::TReadOpen opened = platform::OpenForReading(path);
  if (opened.Kind != platform::fkFile)
    throw EArchiveError(platform::NotReadableText(Shown(path), opened.Kind, opened.Error));
  Descriptor = opened.Descriptor;
  struct stat status {};
  if (::fstat(Descriptor, &status) == 0) SourceBytes = status.st_size;
  Start.resize(32);
  Start.resize(static_cast<size_t>(std::max<ssize_t>(0, ::pread(Descriptor, Start.data(), Start.size(), 0))));
  const TUtf8Locale locale;
  SupportArchives();
  Check(archive_read_open_fd(Archive, Descriptor, kBlockBytes));
}

void TArchiveReader::OpenBytes(std::string_view bytes) {
  SourceBytes = static_cast<int64_t>(bytes.size());
  Start = std::string(bytes.substr(0, 32));
  const TUtf8Locale locale;
  SupportArchives();
  Check(archive_read_open_memory(Archive, bytes.data(), bytes.size()));
}

void TArchiveReader::OpenTrack(std::unique_ptr<TTrackData> track) {
  const TUtf8Locale locale;
  Track = std::move(track);
  archive_read_support_format_iso9660(Archive);
  archive_read_set_callback_data(Archive, this);
  archive_read_set_read_callback(Archive, &TTrackCallbacks::Read);
  archive_read_set_skip_callback(Archive, &TTrackCallbacks::Skip);
  archive_read_set_seek_callback(Archive, &TTrackCallbacks::Seek);
  Check(archive_read_open1(Archive));
}

std::optional<TArchiveEntry> TArchiveReader::Next() {
  const TUtf8Locale locale;
  archive_entry* entry = nullptr;
  const int result = archive_read_next_header(Archive, &entry);
  if (result == ARCHIVE_EOF) {
    // An LZH archive ends with a zero byte after its last entry; without it, the file was cut exactly
    // where an entry ends, and entries are missing.
    if ((archive_format(Archive) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA && SourceBytes >= 0 &&
        archive_filter_bytes(Archive, 0) >= SourceBytes)
      throw EArchiveError(Tr("Archive",
                             "%1 is truncated: it ends after an entry, where its end mark or further entries "
                             "belong")
                              .Arg(Shown(Name)));
    return std::nullopt;
  }
  // A warning (a name the locale cannot show, say) leaves the entry usable.
  if (result < ARCHIVE_WARN) Fail();
  if (archive_entry_is_encrypted(entry))
    throw EArchiveError(
        Tr("Archive", "%1 is encrypted; it cannot be played without its password").Arg(Shown(Name)));
  EntrySizeGiven = archive_entry_size_is_set(entry) != 0;
  return Describe(Archive, entry);
}

size_t TArchiveReader::ReadData(char* out, size_t bytes) {
  const TUtf8Locale locale;
  const la_ssize_t read = archive_read_data(Archive, out, bytes);
  if (read < 0) Fail();
  return static_cast<size_t>(read);
}

void TArchiveReader::Fail() const {
  const char* why = archive_error_string(Archive);
  const std::string text = why ? why : "";
  if (text.find("runcated") != std::string::npos || (text.empty() && LooksCutShort()))
    throw EArchiveError(text.empty() ? Tr("Archive", "%1 is truncated").Arg(Shown(Name)).Str()
                                     : Tr("Archive", "%1 is truncated: %2").Arg(Shown(Name)).Arg(text).Str());
  throw EArchiveError(
      Tr("Archive", "%1 cannot be read: %2")
          .Arg(Shown(Name))
          .Arg(why ? std::string(why) : Tr("Archive", "it is damaged or of an unknown kind").Str()));
}

void TArchiveReader::FailCutInside(const std::string& entryName) const {
  throw EArchiveError(
      Tr("Archive", "%1 is truncated: it ends inside %2").Arg(Shown(Name)).Arg(Shown(entryName)));
}

// A 7z archive keeps its index at its end, at an offset its first bytes give: a file that ends before it was
// cut short, which libarchive reports without a word.
bool TArchiveReader::LooksCutShort() const {
  static const std::string_view kSevenZip("7z\xBC\xAF\x27\x1C", 6);
  if (SourceBytes < 0 || Start.size() < 32 || std::string_view(Start).substr(0, 6) != kSevenZip) return false;
  const auto number = [this](size_t at) {
    uint64_t value = 0;
    for (size_t i = 8; i-- > 0;) value = value << 8 | static_cast<unsigned char>(Start[at + i]);
    return value;
  };
  const uint64_t offset = number(12), size = number(20);
  return offset > UINT64_MAX - 32 - size || 32 + offset + size > static_cast<uint64_t>(SourceBytes);
}

void TArchiveReader::SupportArchives() {
  archive_read_support_format_zip(Archive);
  archive_read_support_format_lha(Archive);
  archive_read_support_format_7zip(Archive);
  archive_read_support_format_iso9660(Archive);
  archive_read_support_format_cab(Archive);
  archive_read_set_format_option(Archive, "lha", "hdrcharset", "ISO-8859-1");
}

void TArchiveReader::Check(int result) const {
  if (result < ARCHIVE_WARN) Fail();
}

void TArchiveReader::OpenCueSheet(const std::string& path) {
  const platform::TReadOpen sheet = platform::OpenForReading(path);
  if (sheet.Kind != platform::fkFile)
    throw EArchiveError(platform::NotReadableText(Shown(path), sheet.Kind, sheet.Error));
  std::string text(kMaxCueSheetBytes + 1, '\0');
  size_t size = 0;
  for (ssize_t read = 1; read != 0 && size < text.size();) {
    read = ::read(sheet.Descriptor, text.data() + size, text.size() - size);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) {
      ::close(sheet.Descriptor);
      throw EArchiveError(
          Tr("Archive", "%1 cannot be read: %2").Arg(Shown(path)).Arg(platform::SystemErrorText(errno)));
    }
    size += static_cast<size_t>(read);
  }
  ::close(sheet.Descriptor);
  text.resize(size);
  if (text.size() > kMaxCueSheetBytes)
    throw EArchiveError(Tr("Archive", "%1 is too large for a cue sheet").Arg(Shown(path)));
  const TCueTrack track = ParseCueSheet(text, Shown(path));
  const std::string trackPath = TrackFilePath(path, track.File);
  const platform::TReadOpen opened = platform::OpenForReading(trackPath);
  if (opened.Kind != platform::fkFile)
    throw EArchiveError(platform::Tr("Archive", "%1 names a track file that cannot be used: %2")
                            .Arg(Shown(path))
                            .Arg(platform::NotReadableText(Shown(track.File), opened.Kind, opened.Error)));
  Descriptor = opened.Descriptor;
  struct stat status {};
  if (::fstat(Descriptor, &status) != 0)
    throw EArchiveError(
        Tr("Archive", "%1 cannot be read: %2").Arg(Shown(trackPath)).Arg(platform::SystemErrorText(errno)));
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

std::vector<TArchiveEntry> ListAll(TArchiveReader& reader, const TArchiveLimits& limits) {
  std::vector<TArchiveEntry> entries;
  while (std::optional<TArchiveEntry> entry = reader.Next()) {
    if (entries.size() >= limits.Entries)
      throw EArchiveError(Tr("Archive", "%1 holds more than %2 entries; it is refused")
                              .Arg(Shown(reader.FileName()))
                              .Arg(limits.Entries));
    entries.push_back(std::move(*entry));
  }
  // A second name stands for the file it names, which the archive holds once, by another name.
  std::unordered_map<std::string, size_t> byName;
  for (size_t i = 0; i < entries.size(); ++i) byName.emplace(entries[i].Name, i);
  for (TArchiveEntry& entry : entries) {
    if (entry.SameAs.empty()) continue;
    const TArchiveEntry* target = nullptr;
    std::string name = entry.SameAs;
    for (int hop = 0; hop < kMaxLinkHops && !target; ++hop) {
      const auto found = byName.find(name);
      if (found == byName.end()) break;
      const TArchiveEntry& candidate = entries[found->second];
      if (candidate.SameAs.empty())
        target = &candidate;
      else
        name = candidate.SameAs;
    }
    if (target && target->File && !target->Unsafe && &entry != target) {
      entry.File = true;
      entry.Size = target->Size;
      entry.SameAs = target->Name;
    } else {
      entry.Unsupported = "a second name of a file the archive does not hold";
      entry.SameAs.clear();
    }
  }
  return entries;
}

}  // namespace orbel::game
