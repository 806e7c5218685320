// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/board_fit.h"

#include <QStringEncoder>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text_codec.h"

namespace orbel::translation {

namespace {

// Wide characters of the scripts code page 932 does not write: CJK ideographs and punctuation, kana
// extensions, Hangul, full-width forms, emoji.
bool IsWideOutsideCp932(char32_t c) {
  static constexpr std::pair<char32_t, char32_t> kWide[] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF}, {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
      {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
      {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
      {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
  };
  for (const auto& [low, high] : kWide)
    if (c >= low && c <= high) return true;
  return false;
}

// The columns of one character that is not ASCII.
int CharacterColumns(QStringView character, char32_t code) {
  if (QChar::category(code) == QChar::Mark_NonSpacing || QChar::category(code) == QChar::Mark_Enclosing)
    return 0;
  // Asking the code page is slow and a text repeats its characters: each thread remembers the answers.
  thread_local std::unordered_map<char32_t, int> known;
  if (const auto found = known.find(code); found != known.end()) return found->second;
  thread_local QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
  const QByteArray bytes = encoder.encode(character);
  // An unmapped character comes out as a substitute, which reads back as something else.
  const bool mapped = platform::DecodeSjis(std::string_view(bytes.constData(),
                                                            static_cast<size_t>(bytes.size()))) == character;
  const int columns = (mapped ? bytes.size() == 2 : IsWideOutsideCp932(code)) ? 2 : 1;
  known.emplace(code, columns);
  return columns;
}

// The columns of each UTF-16 unit of `text`: a character's count on its first unit, 0 on the rest.
std::vector<int> UnitColumns(QStringView text) {
  std::vector<int> columns(static_cast<size_t>(text.size()), 0);
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QStringView character = text.mid(i, length);
    const char32_t code = character.toUcs4().value(0);
    columns[static_cast<size_t>(i)] = code < 0x80 ? 1 : CharacterColumns(character, code);
    i += length;
  }
  return columns;
}

// Breaks one line of a translation at blanks into lines that fit the board's width where that can be done.
void BreakLine(const QString& line, QStringList& out) {
  const std::vector<int> width = UnitColumns(line);
  const qsizetype n = line.size();
  qsizetype start = 0;
  while (true) {
    int columns = 0;
    qsizetype fits = -1;  // the last blank run, after some text, whose text before it fits
    bool text = false;
    qsizetype i = start;
    for (; i < n; ++i) {
      if (line[i] == u' ' && text && line[i - 1] != u' ') {
        if (columns > kBoardColumns) break;
        fits = i;
      }
      text = text || line[i] != u' ';
      columns += width[static_cast<size_t>(i)];
    }
    if (i == n && columns <= kBoardColumns) {
      out << line.mid(start);
      return;
    }
    // Too wide: at the last blank where the text before fits, or, when its first word alone is too wide,
    // after that word.
    const qsizetype at = fits >= 0 ? fits : i < n ? i : -1;
    if (at < 0) {
      out << line.mid(start);
      return;
    }
    out << line.mid(start, at - start);
    start = at;
    while (start < n && line[start] == u' ') ++start;
    if (start == n) return;
  }
}

}  // namespace

int BoardColumns(QStringView text) {
  int sum = 0;
  for (const int columns : UnitColumns(text)) sum += columns;
  return sum;
}

QStringList BoardLinesOf(const QString& translation, bool breakAtBlanks) {
  QStringList lines;
  for (const QString& line : translation.split(u'\n')) {
    if (breakAtBlanks)
      BreakLine(line, lines);
    else
      lines << line;
  }
  return lines;
}

bool BreaksAtBlanks(std::string_view language) {
  for (const std::string_view unbroken : {"ja", "zh"})
    if (language.substr(0, 2) == unbroken && (language.size() == 2 || language.find_first_of("_-@.", 2) == 2))
      return false;
  return true;
}

}  // namespace orbel::translation
