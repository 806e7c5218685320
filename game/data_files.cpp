// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/shift_jis.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

namespace fs = std::filesystem;

namespace {

// How closely a directory entry matches a name; lower is closer.
enum TTier : int {
  tBytes = 0,   // the same bytes
  tText = 1,    // the same characters (another encoding, or decomposed)
  tFolded = 2,  // the same after folding case, converter variants and separators
  tLoose = 3,   // the same after folding width and every letter's case too: near matches only
  tNone = 99,
};

// Parts of a checker's walk: how far to look when nothing matches.
constexpr int kElsewhereDepth = 4;
constexpr int kElsewhereEntries = 20000;

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(path), error);
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(fs::path(path), error);
}

// The characters that code page 932 and JIS-based converters map to different code points, each taken to the
// one code page 932 gives; also the half-width tilde a JIS converter turns into an overline.
QChar FoldVariant(QChar c) {
  static constexpr std::pair<char16_t, char16_t> kVariants[] = {
      {0x301C, 0xFF5E},  // WAVE DASH -> FULLWIDTH TILDE
      {0x2212, 0xFF0D},  // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
      {0x2016, 0x2225},  // DOUBLE VERTICAL LINE -> PARALLEL TO
      {0x2014, 0x2015},  // EM DASH -> HORIZONTAL BAR
      {0x00A2, 0xFFE0},  // CENT SIGN
      {0x00A3, 0xFFE1},  // POUND SIGN
      {0x00AC, 0xFFE2},  // NOT SIGN
      {0x00A6, 0xFFE4},  // BROKEN BAR
      {0x203E, 0x007E},  // OVERLINE -> TILDE
  };
  for (const auto& [from, to] : kVariants)
    if (c.unicode() == from) return QChar(to);
  return c;
}

QString FoldVariants(QString text) {
  for (QChar& c : text) c = FoldVariant(c);
  return text;
}

// The script's own case rule: ASCII and full-width Latin letters.
QString FoldLetterCase(QString text) {
  for (QChar& c : text) {
    const char16_t u = c.unicode();
    if ((u >= u'a' && u <= u'z') || (u >= 0xFF41 && u <= 0xFF5A)) c = QChar(u - 0x20);
  }
  return text;
}

QString StrictKey(const QString& text) {
  return FoldLetterCase(FoldVariants(text));
}

QString LooseKey(const QString& text) {
  return FoldVariants(FoldVariants(text).normalized(QString::NormalizationForm_KC)).toCaseFolded();
}

// One way of reading a name's bytes as characters.
struct TReading {
  QString Text;  // composed (NFC)
  QString Key;   // StrictKey(Text)
};

TReading Read(const QString& decoded) {
  TReading reading;
  reading.Text = decoded.normalized(QString::NormalizationForm_C);
  reading.Key = StrictKey(reading.Text);
  return reading;
}

bool IsAscii(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One folder or file name of a name from the script.
struct TPart {
  std::string Bytes;  // as the script gives it, in the script's encoding
  TReading Reading;
  bool Clean = true;  // decodes without a replacement character; otherwise only its bytes can match
  // Its length in code page 932 bytes, which is what an entry stored in those bytes, or mangled from them by
  // an unpacker, has; the walk reads entries those two ways only when they have that length. A character
  // code page 932 lacks counts as one byte: no entry read that way can hold it, so none matches either way.
  size_t SjisSize = 0;
};

// A UTF-8 script's names are read as UTF-8. They are compared by their text like any other, so a name finds
// a file stored in UTF-8 (by its very bytes, or folded), and, where the name can be written in code page
// 932, a file stored in code page 932 bytes or mangled from them.
TPart MakePart(std::string bytes) {
  TPart part;
  const bool utf8 = platform::ScriptEncoding() == platform::seUtf8;
  const QString decoded = utf8 ? platform::DecodeUtf8(bytes) : platform::DecodeSjis(bytes);
  part.Clean = !decoded.contains(QChar(QChar::ReplacementCharacter));
  part.Reading = Read(decoded);
  part.SjisSize = utf8 ? platform::EncodeSjis(decoded).size() : bytes.size();
  part.Bytes = std::move(bytes);
  return part;
}

// One entry of a directory, with every reading its bytes allow.
struct TEntry {
  std::string Bytes;
  std::vector<TReading> Readings;
};

// Code page 437's characters for the bytes 0x80-0xFF: what unpackers that ignore a name's code page take
// code page 932 bytes for.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Windows-1252's characters for 0x80-0x9F, where Latin-1 has control codes; converters that say Latin-1
// often mean this one.
constexpr char16_t kCp1252Controls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The bytes a name had before an unpacker read them in code page 437 (`cp437`) or Latin-1 and stored the
// characters as UTF-8; nothing when a character has no byte there.
std::optional<std::string> UnmangledBytes(const QString& text, bool cp437) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
      bytes += static_cast<char>(u);
      continue;
    }
    if (!cp437 && u <= 0xFF) {
      bytes += static_cast<char>(u);
      continue;
    }
    const char16_t* table = cp437 ? kCp437High : kCp1252Controls;
    const size_t size = cp437 ? 128 : 32;
    const auto* found = std::find(table, table + size, u);
    if (found == table + size) return std::nullopt;
    bytes += static_cast<char>(0x80 + (found - table));
  }
  return bytes;
}

// `withSjis`: also read the bytes as code page 932, where they are not plain ASCII. `unmangledBytes`: also
// read a UTF-8 name of that many characters as one mangled by an unpacker (UnmangledBytes), then as code
// page 932; 0 for any number of characters.
TEntry MakeEntry(std::string bytes, bool withSjis, size_t unmangledBytes = 0) {
  TEntry entry;
  const bool ascii = IsAscii(bytes);
  if (platform::IsUtf8(bytes)) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    entry.Readings.push_back(Read(text));
    if (!ascii && (unmangledBytes == 0 || static_cast<size_t>(text.size()) == unmangledBytes))
      for (const bool cp437 : {true, false})
        if (const auto raw = UnmangledBytes(text, cp437)) {
          const QString sjis = platform::DecodeSjis(*raw);
          if (!sjis.contains(QChar(QChar::ReplacementCharacter))) entry.Readings.push_back(Read(sjis));
        }
  }
  if (withSjis && !ascii) {
    const QString sjis = platform::DecodeSjis(bytes);
    if (!sjis.contains(QChar(QChar::ReplacementCharacter))) entry.Readings.push_back(Read(sjis));
  }
  entry.Bytes = std::move(bytes);
  return entry;
}

int TierOf(const TEntry& entry, const TPart& part, bool loose) {
  if (entry.Bytes == part.Bytes) return tBytes;
  if (!part.Clean) return tNone;
  for (const TReading& reading : entry.Readings)
    if (reading.Text == part.Reading.Text) return tText;
  for (const TReading& reading : entry.Readings)
    if (reading.Key == part.Reading.Key) return tFolded;
  if (loose) {
    const QString wanted = LooseKey(part.Reading.Text);
    for (const TReading& reading : entry.Readings)
      if (LooseKey(reading.Text) == wanted) return tLoose;
  }
  return tNone;
}

// The name without its last extension, for the near match that differs only there.
QString Stem(const QString& key) {
  const qsizetype dot = key.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? key.left(dot) : key;
}

int StemTierOf(const TEntry& entry, const TPart& part) {
  if (!part.Clean) return tNone;
  const QString wanted = LooseKey(part.Reading.Text);
  for (const TReading& reading : entry.Readings) {
    const QString key = LooseKey(reading.Text);
    if (key != wanted && Stem(key) == Stem(wanted) && !Stem(wanted).isEmpty()) return tLoose;
  }
  return tNone;
}

// An entry whose own name holds backslashes, as unpackers that do not know them as separators leave a folder
// and its files: how many parts from `index` on it stands for, and how closely; {tNone, 0} when it does not.
std::pair<int, size_t> SpanTierOf(const TEntry& entry, const std::vector<TPart>& parts, size_t index) {
  for (const TReading& reading : entry.Readings) {
    if (!reading.Text.contains(QLatin1Char('\\'))) continue;
    const QStringList pieces = reading.Text.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (pieces.isEmpty() || index + static_cast<size_t>(pieces.size()) > parts.size()) continue;
    int tier = tText;
    for (qsizetype k = 0; k < pieces.size() && tier != tNone; ++k) {
      const TPart& part = parts[index + static_cast<size_t>(k)];
      if (!part.Clean || pieces[k] == QLatin1String(".."))
        tier = tNone;
      else if (pieces[k] != part.Reading.Text)
        tier = StrictKey(pieces[k]) == part.Reading.Key ? tFolded : tNone;
    }
    if (tier != tNone) return {tier, static_cast<size_t>(pieces.size())};
  }
  return {tNone, 0};
}

// Splits a name at '/' and at backslashes that are not the trail byte of a code page 932 double-byte
// character (in UTF-8 no byte of a multi-byte character is either); drops empty and "." parts. Nothing for a
// name that climbs out with "..", or holds a zero byte.
std::optional<std::vector<TPart>> SplitName(const std::string& name) {
  if (name.find('\0') != std::string::npos) return std::nullopt;
  const bool doubleByte = platform::ScriptEncoding() == platform::seCp932;
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (doubleByte && platform::IsLeadByte(c) && platform::IsTrailByte(next)) {
      pieces.back() += name.substr(i, 2);
      ++i;
    } else if (c == '/' || c == '\\') {
      pieces.emplace_back();
    } else {
      pieces.back() += static_cast<char>(c);
    }
  }
  std::vector<TPart> parts;
  for (std::string& piece : pieces) {
    if (piece == "..") return std::nullopt;
    if (!piece.empty() && piece != ".") parts.push_back(MakePart(std::move(piece)));
  }
  return parts;
}

struct TWalk {
  int MaxTier = tFolded;
  bool WantFolder = false;     // the last part names a folder (near matches)
  bool ExtensionOnly = false;  // the last part matches by its stem alone (near matches)
};

struct TFound {
  std::string Path;
  int Tier = tBytes;  // the loosest tier of any part on the way
};

bool HasWantedType(const std::string& path, bool last, const TWalk& how) {
  return last && !how.WantFolder ? IsFile(path) : IsFolder(path);
}

// Finds parts[index...] under `base`, trying the entry with the very bytes first, then the others from the
// closest match; backs out of a folder that does not lead to the name.
std::optional<TFound> Walk(const std::string& base, const std::vector<TPart>& parts, size_t index,
                           const TWalk& how, int tierSoFar) {
  if (index == parts.size()) return std::nullopt;
  const TPart& part = parts[index];
  // `span`: how many parts the entry stands for (more than one for a name that holds backslashes).
  const auto descend = [&](const std::string& path, int tier, size_t span) -> std::optional<TFound> {
    const bool last = index + span == parts.size();
    if (!HasWantedType(path, last, how)) return std::nullopt;
    const int reached = std::max(tierSoFar, tier);
    if (last) return TFound{path, reached};
    return Walk(path, parts, index + span, how, reached);
  };
  const bool stemOnly = how.ExtensionOnly && index + 1 == parts.size();
  if (!stemOnly)
    if (auto found = descend(base + "/" + part.Bytes, tBytes, 1)) return found;

  struct TCandidate {
    int Tier;
    std::string Bytes;
    size_t Span;
    bool operator<(const TCandidate& other) const {
      return std::tie(Tier, Bytes, Span) < std::tie(other.Tier, other.Bytes, other.Span);
    }
  };
  std::vector<TCandidate> candidates;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(base), error), end; !error && it != end; it.increment(error)) {
    std::string bytes = it->path().filename().native();
    if (bytes == part.Bytes) continue;  // tried above
    // Every character of code page 932 and each one it folds to take as many bytes, so an entry of another
    // length (and without a backslash) can only match as UTF-8; not decoding it the other way keeps large
    // folders quick.
    const bool loose = how.MaxTier >= tLoose;
    const bool withSjis = loose || bytes.size() == part.SjisSize || bytes.find('\\') != std::string::npos;
    // A name mangled by an unpacker has one character for each byte it had; only such names are unmangled.
    const TEntry entry = MakeEntry(std::move(bytes), withSjis, loose ? 0 : part.SjisSize);
    const int tier = stemOnly ? StemTierOf(entry, part) : TierOf(entry, part, loose);
    if (tier <= how.MaxTier) candidates.push_back({tier, entry.Bytes, 1});
    if (stemOnly) continue;
    if (const auto [spanTier, span] = SpanTierOf(entry, parts, index); spanTier <= how.MaxTier)
      candidates.push_back({spanTier, entry.Bytes, span});
  }
  std::sort(candidates.begin(), candidates.end());
  for (const TCandidate& candidate : candidates)
    if (auto found = descend(base + "/" + candidate.Bytes, candidate.Tier, candidate.Span)) return found;
  return std::nullopt;
}

TPart DataFolderPart() {
  return MakePart("Data");
}

// The run's translated files (SetTranslatedDataFolder).
std::string& TranslatedDataFolder() {
  static std::string folder;
  return folder;
}

// The script is the game's own: a translation never replaces it.
bool IsScriptName(const std::vector<TPart>& parts) {
  return parts.size() == 1 && parts[0].Reading.Key == StrictKey(QStringLiteral("SCRIPT.TXT"));
}

// The lookup order, with `how` for the walks: the translated files, the Data folder, then the game folder
// itself; the exact join first in the last two.
std::optional<TFound> Lookup(const std::string& directory, const std::string& name,
                             const std::vector<TPart>& parts, const TWalk& how) {
  const bool exactJoin = how.MaxTier <= tFolded && !how.WantFolder && !how.ExtensionOnly;
  if (parts.empty()) return std::nullopt;
  if (!TranslatedDataFolder().empty() && !IsScriptName(parts))
    if (auto translated = SplitName(TranslatedDataFolder())) {
      translated->insert(translated->end(), parts.begin(), parts.end());
      // A translation's link to somewhere else is not followed out of the game.
      auto found = Walk(directory, *translated, 0, how, tBytes);
      if (found && IsInsideFolder(directory, found->Path)) return found;
    }
  if (exactJoin && IsFile(directory + "/Data/" + name)) return TFound{directory + "/Data/" + name, tBytes};
  std::vector<TPart> inData = parts;
  inData.insert(inData.begin(), DataFolderPart());
  if (auto found = Walk(directory, inData, 0, how, tBytes)) return found;
  if (exactJoin && IsFile(directory + "/" + name)) return TFound{directory + "/" + name, tBytes};
  return Walk(directory, parts, 0, how, tBytes);
}

// A file anywhere in the game folder (a few levels deep) whose name is the last part's, loosely compared.
std::string FindElsewhere(const std::string& directory, const TPart& part) {
  if (!part.Clean) return {};
  const QString wanted = LooseKey(part.Reading.Text);
  std::string best;
  std::error_code error;
  int seen = 0;
  for (fs::recursive_directory_iterator it(fs::path(directory), error), end; !error && it != end;
       it.increment(error)) {
    if (++seen > kElsewhereEntries) break;
    if (it.depth() >= kElsewhereDepth) it.disable_recursion_pending();
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const TEntry entry = MakeEntry(it->path().filename().native(), true);
    const bool same = std::any_of(entry.Readings.begin(), entry.Readings.end(),
                                  [&](const TReading& reading) { return LooseKey(reading.Text) == wanted; });
    if ((same || entry.Bytes == part.Bytes) && (best.empty() || it->path().native() < best))
      best = it->path().native();
  }
  return best;
}

std::string Relative(const std::string& directory, const std::string& path) {
  std::string relative = path;
  if (relative.compare(0, directory.size() + 1, directory + "/") == 0)
    relative.erase(0, directory.size() + 1);
  return platform::FileNameToUtf8(relative);
}

}  // namespace

std::string FindDataFileIn(const std::string& directory, const std::string& name) {
  const auto parts = SplitName(name);
  if (!parts) return {};
  const auto found = Lookup(directory, name, *parts, TWalk{});
  return found ? found->Path : std::string();
}

bool IsInsideFolder(const std::string& directory, const std::string& path) {
  std::error_code error;
  const fs::path root = fs::canonical(fs::path(directory), error);
  if (error) return false;
  const fs::path real = fs::canonical(fs::path(path), error);
  if (error) return false;
  return std::mismatch(root.begin(), root.end(), real.begin(), real.end()).first == root.end();
}

void SetTranslatedDataFolder(const std::string& folder) {
  TranslatedDataFolder() = folder;
}

bool DataFileNameMatches(const std::string& name, const std::string& stored) {
  const auto parts = SplitName(name);
  if (!parts || parts->empty()) return false;
  std::vector<std::string> pieces;
  for (size_t start = 0; start <= stored.size();) {
    const size_t end = std::min(stored.find('/', start), stored.size());
    if (end > start) pieces.push_back(stored.substr(start, end - start));
    start = end + 1;
  }
  const auto same = [](const std::string& piece, const TPart& part) {
    return TierOf(MakeEntry(piece, true), part, false) <= tFolded;
  };
  // The name as it stands under the game folder, or under its Data folder.
  const auto matchesFrom = [&](size_t first) {
    if (pieces.size() != first + parts->size()) return false;
    for (size_t i = 0; i < parts->size(); ++i)
      if (!same(pieces[first + i], (*parts)[i])) return false;
    return true;
  };
  return matchesFrom(0) || (!pieces.empty() && same(pieces[0], DataFolderPart()) && matchesFrom(1));
}

std::string FindDataFile(const std::string& name) {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  if (error) return {};
  return FindDataFileIn(current.native(), name);
}

TFileText ReadWholeFile(const std::string& path, size_t maxBytes) {
  TFileText result;
  const platform::TReadOpen opened = platform::OpenForReading(path);
  result.Kind = opened.Kind;
  result.Error = opened.Error;
  if (opened.Kind != platform::fkFile) return result;
  struct TClose {
    int Descriptor;
    ~TClose() { ::close(Descriptor); }
  } closer{opened.Descriptor};
  struct stat status {};
  if (::fstat(opened.Descriptor, &status) != 0) {
    result.Error = errno;
    return result;
  }
  if (static_cast<uint64_t>(status.st_size) > maxBytes) {
    result.Result = frTooLarge;
    return result;
  }
  result.Text.resize(static_cast<size_t>(status.st_size));
  size_t done = 0;
  while (done < result.Text.size()) {
    const ssize_t read = ::read(opened.Descriptor, result.Text.data() + done, result.Text.size() - done);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) {
      // A file that shrank or failed while being read is not read.
      result.Error = read < 0 ? errno : EIO;
      result.Text.clear();
      return result;
    }
    done += static_cast<size_t>(read);
  }
  result.Result = frRead;
  return result;
}

platform::TScriptEncoding GameScriptEncoding(const std::string& directory, platform::TScriptEncoding given) {
  const std::string path = FindDataFileIn(directory, "SCRIPT.TXT");
  if (path.empty()) return given;
  const platform::TReadOpen opened = platform::OpenForReading(path);
  if (opened.Kind != platform::fkFile) return given;
  std::string start(platform::kUtf8Bom.size(), '\0');
  const ssize_t read = ::pread(opened.Descriptor, start.data(), start.size(), 0);
  ::close(opened.Descriptor);
  return read == static_cast<ssize_t>(start.size()) && platform::StartsWithUtf8Bom(start) ? platform::seUtf8
                                                                                          : given;
}

TDataFileCheck CheckDataFileIn(const std::string& directory, const std::string& name) {
  TDataFileCheck check;
  const auto parts = SplitName(name);
  if (!parts) {
    check.Near = nmRefused;
    return check;
  }
  if (const auto found = Lookup(directory, name, *parts, TWalk{})) {
    check.Path = found->Path;
    check.Match = found->Tier == tBytes ? dmExact : found->Tier == tText ? dmSameText : dmFolded;
    return check;
  }
  if (parts->empty()) return check;
  const std::pair<TNearMatch, TWalk> nearWalks[] = {
      {nmFolder, TWalk{tFolded, true, false}},
      {nmWidth, TWalk{tLoose, false, false}},
      {nmExtension, TWalk{tLoose, false, true}},
  };
  for (const auto& [near, how] : nearWalks) {
    if (const auto found = Lookup(directory, name, *parts, how)) {
      check.Near = near;
      check.NearPath = found->Path;
      return check;
    }
  }
  check.NearPath = FindElsewhere(directory, parts->back());
  if (!check.NearPath.empty()) check.Near = nmElsewhere;
  return check;
}

std::string DescribeDataFileCheck(const std::string& directory, const std::string& name,
                                  const TDataFileCheck& check) {
  const std::string shown = platform::ScriptTextToUtf8(name);
  const std::string foundAs = Relative(directory, check.Path);
  switch (check.Match) {
    case dmExact:
      return {};
    case dmSameText:
      return platform::Tr("DataFiles", "%1 is found as %2, stored in another encoding or normal form")
          .Arg(shown)
          .Arg(foundAs);
    case dmFolded:
      return platform::Tr(
                 "DataFiles",
                 "%1 is found as %2, which differs in letter case, separators or converted characters")
          .Arg(shown)
          .Arg(foundAs);
    case dmNotFound:
      break;
  }
  const std::string nearPath = Relative(directory, check.NearPath);
  switch (check.Near) {
    case nmRefused:
      return platform::Tr("DataFiles", "file name %1 leaves the game folder; it is never looked up")
          .Arg(shown);
    case nmFolder:
      return platform::Tr("DataFiles", "file %1 not found; %2 is a folder").Arg(shown).Arg(nearPath);
    case nmWidth:
      return platform::Tr("DataFiles",
                          "file %1 not found; near match %2 differs in character width or letter case")
          .Arg(shown)
          .Arg(nearPath);
    case nmExtension:
      return platform::Tr("DataFiles", "file %1 not found; near match %2 differs in its extension")
          .Arg(shown)
          .Arg(nearPath);
    case nmElsewhere:
      return platform::Tr("DataFiles", "file %1 not found; near match %2 is in another folder")
          .Arg(shown)
          .Arg(nearPath);
    case nmNone:
      break;
  }
  return platform::Tr("DataFiles", "file %1 not found").Arg(shown);
}

}  // namespace orbel::game
