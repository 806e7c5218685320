// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/script_text.h"

#include <limits>

#include "platform/script_encoding.h"
#include "platform/shift_jis.h"

namespace orbel::script {

namespace {

bool IsBlank(unsigned char c) {
  return c >= 1 && c <= 32;
}

// How the script's characters are stepped over: in code page 932 a lead byte takes the next byte with it,
// whatever that byte is (a comma, a blank, a quote), so both step as one character. UTF-8 needs nothing of
// the kind: no byte of a multi-byte character is below 0x80, so a comma or quote byte is always one, and
// stepping byte by byte there keeps a malformed character from swallowing the separator after it.
struct TStepping {
  bool DoubleByte = platform::ScriptEncoding() == platform::seCp932;

  // The byte position after the character that starts at `pos` (a double-byte character counts whole, but
  // never past the end).
  size_t Next(std::string_view text, size_t pos) const {
    if (DoubleByte && platform::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size())
      return pos + 2;
    return pos + 1;
  }
};

size_t SkipBlanks(std::string_view text, size_t pos, const TStepping& step) {
  while (pos < text.size() && IsBlank(static_cast<unsigned char>(text[pos]))) pos = step.Next(text, pos);
  return pos;
}

// Reads the quoted field that starts at `pos` (on the opening quote); returns the position after it.
// A quote that is never closed takes the rest of the line.
size_t ReadQuoted(std::string_view text, size_t pos, std::string& field, const TStepping& step) {
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        field.push_back('"');
        pos += 2;
        continue;
      }
      return pos + 1;
    }
    const size_t next = step.Next(text, pos);
    field.append(text.substr(pos, next - pos));
    pos = next;
  }
  return pos;
}

// Folds one code page 932 character (given as its bytes) to a case-blind form: the small letters of every
// alphabet the code page writes in both cases go to their capitals.
void AppendFolded(std::string& out, std::string_view ch) {
  if (ch.size() == 1) {
    const char c = ch[0];
    out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    return;
  }
  const auto lead = static_cast<unsigned char>(ch[0]);
  const auto trail = static_cast<unsigned char>(ch[1]);
  int capital = -1;
  if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) capital = trail - 0x21;  // full-width a..z
  if (lead == 0x83 && trail >= 0xBF && trail <= 0xD6) capital = trail - 0x20;  // Greek
  // Cyrillic: the small letters' run skips the trail byte 7F, the capitals' does not.
  if (lead == 0x84 && trail >= 0x70 && trail <= 0x7E) capital = trail - 0x30;
  if (lead == 0x84 && trail >= 0x80 && trail <= 0x91) capital = trail - 0x31;
  out.push_back(ch[0]);
  out.push_back(capital >= 0 ? static_cast<char>(capital) : ch[1]);
}

// The capital of a small letter that code page 932 also writes in both cases (ASCII, Greek, Cyrillic and
// full-width Latin), so that a UTF-8 translation's labels compare as the original's would; 0 for anything
// else.
char32_t Utf8Capital(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // α..ω, without the final sigma
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // а..я
  if (c == 0x451) return 0x401;                                 // ё
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;              // full-width a..z
  return 0;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The same for UTF-8 text. Only whole, well-formed two- and three-byte characters are decoded; every other
// byte is copied as it stands, so malformed text never folds into something else.
std::string FoldUtf8CaseBlind(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    const auto continuation = [&](size_t at) {
      return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    char32_t c = b0;
    size_t length = 1;
    if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && continuation(pos + 1)) {
      c = (char32_t(b0 & 0x1F) << 6) | (static_cast<unsigned char>(text[pos + 1]) & 0x3F);
      length = 2;
    } else if ((b0 & 0xF0) == 0xE0 && continuation(pos + 1) && continuation(pos + 2)) {
      c = (char32_t(b0 & 0x0F) << 12) | (char32_t(static_cast<unsigned char>(text[pos + 1]) & 0x3F) << 6) |
          (static_cast<unsigned char>(text[pos + 2]) & 0x3F);
      length = 3;
    }
    if (const char32_t capital = Utf8Capital(c); capital != 0)
      AppendUtf8(out, capital);
    else
      out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

}  // namespace

std::string FoldCaseBlind(std::string_view text) {
  const TStepping step;
  if (!step.DoubleByte) return FoldUtf8CaseBlind(text);
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const size_t next = step.Next(text, pos);
    AppendFolded(out, text.substr(pos, next - pos));
    pos = next;
  }
  return out;
}

TStringList SplitScriptText(std::string_view text) {
  if (platform::StartsWithUtf8Bom(text)) text.remove_prefix(platform::kUtf8Bom.size());
  TStringList lines;
  const size_t end = std::min(text.find('\0'), text.size());
  size_t pos = 0;
  while (pos < end) {
    const size_t start = pos;
    while (pos < end && text[pos] != '\r' && text[pos] != '\n') ++pos;
    lines.emplace_back(text.substr(start, pos - start));
    if (pos < end && text[pos] == '\r') ++pos;
    if (pos < end && text[pos] == '\n') ++pos;
  }
  return lines;
}

namespace {

// Walks the fields of `line` by the comma-text rule; `take(field, afterBlank)` gets each field, and whether
// blanks alone (no comma) parted it from the field before.
template <typename TTake>
void WalkFields(std::string_view line, TTake&& take) {
  const TStepping step;
  size_t pos = SkipBlanks(line, 0, step);
  bool afterBlank = false;
  while (pos < line.size()) {
    std::string field;
    if (line[pos] == '"') {
      pos = ReadQuoted(line, pos, field, step);
    } else {
      const size_t start = pos;
      while (pos < line.size() && !IsBlank(static_cast<unsigned char>(line[pos])) && line[pos] != ',')
        pos = step.Next(line, pos);
      field.assign(line.substr(start, pos - start));
    }
    take(std::move(field), afterBlank);
    const size_t end = pos;
    pos = SkipBlanks(line, pos, step);
    afterBlank = pos > end;
    if (pos < line.size() && line[pos] == ',') {
      pos = SkipBlanks(line, pos + 1, step);
      afterBlank = false;
    }
  }
}

}  // namespace

TStringList SplitCommaText(std::string_view line) {
  TStringList fields;
  WalkFields(line, [&fields](std::string&& field, bool) { fields.push_back(std::move(field)); });
  return fields;
}

std::vector<size_t> FieldsAfterBlank(std::string_view line) {
  std::vector<size_t> found;
  size_t index = 0;
  WalkFields(line, [&found, &index](std::string&&, bool afterBlank) {
    if (afterBlank) found.push_back(index);
    ++index;
  });
  return found;
}

std::optional<int32_t> ParseNumber(std::string_view field) {
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
  if (field.empty()) return std::nullopt;
  int64_t value = 0;
  if (field[0] == '$') {
    if (field.size() == 1) return std::nullopt;
    for (const char c : field.substr(1)) {
      int digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      else
        return std::nullopt;
      value = value * 16 + digit;
      if (value > kLimit) return std::nullopt;
    }
    return static_cast<int32_t>(value);
  }
  bool negative = false;
  size_t pos = 0;
  if (field[0] == '+' || field[0] == '-') {
    negative = field[0] == '-';
    pos = 1;
  }
  if (pos == field.size()) return std::nullopt;
  for (const char c : field.substr(pos)) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kLimit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

bool SameTextCaseBlind(std::string_view a, std::string_view b) {
  return FoldCaseBlind(a) == FoldCaseBlind(b);
}

int IndexOfCaseBlind(const TStringList& list, std::string_view word) {
  const std::string folded = FoldCaseBlind(word);
  for (size_t i = 0; i < list.size(); ++i)
    if (FoldCaseBlind(list[i]) == folded) return static_cast<int>(i);
  return -1;
}

int KeywordCode(std::string_view word) {
  // Built once: every step and every checked line looks its words up here.
  static const std::unordered_map<std::string, int> codes = [] {
    std::unordered_map<std::string, int> table;
    const TStringList keywords = SplitCommaText(kKeywordCommaText);
    for (size_t i = 0; i < keywords.size(); ++i) table.try_emplace(FoldCaseBlind(keywords[i]), int(i));
    return table;
  }();
  const auto code = codes.find(FoldCaseBlind(word));
  return code != codes.end() ? code->second : -1;
}

std::unordered_map<std::string, int32_t> FirstLineByFoldedText(const TStringList& lines) {
  std::unordered_map<std::string, int32_t> table;
  for (size_t i = 0; i < lines.size(); ++i)
    table.try_emplace(FoldCaseBlind(lines[i]), static_cast<int32_t>(i));
  return table;
}

}  // namespace orbel::script
