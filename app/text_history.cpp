// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/text_history.h"

namespace orbel::app {

namespace {

// Japanese and Chinese characters, their punctuation and the full-width forms: lines of such text run on
// without a space.
bool Wide(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
         (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFFEF) || c.isSurrogate();
}

QString WithoutTrailingBlanks(const QString& line) {
  qsizetype end = line.size();
  while (end > 0 && line.at(end - 1).isSpace()) --end;
  return line.left(end);
}

}  // namespace

QString OneLine(const QStringList& lines) {
  QString joined;
  for (const QString& line : lines) {
    const QString text = WithoutTrailingBlanks(line);
    if (text.trimmed().isEmpty()) continue;
    if (!joined.isEmpty() && !Wide(joined.back()) && !Wide(text.front())) joined += QLatin1Char(' ');
    joined += text;
  }
  return joined;
}

void TTextHistory::Add(const QStringList& lines, const TSaveInstant& instant) {
  QStringList kept;
  for (const QString& line : lines) kept.append(WithoutTrailingBlanks(line));
  while (!kept.isEmpty() && kept.back().isEmpty()) kept.removeLast();
  while (!kept.isEmpty() && kept.front().trimmed().isEmpty()) kept.removeFirst();
  if (kept.isEmpty()) return;
  Append({kept.join(QLatin1Char('\n')), instant, true});
}

void TTextHistory::KeepEarlier(const std::vector<game::TSavedText>& texts) {
  for (const game::TSavedText& text : texts) Append({QString::fromStdString(text.Text), {}, false});
}

void TTextHistory::Append(TEntry entry) {
  entry.Text.truncate(game::kMaxSavedTextChars);
  EntriesValue.push_back(std::move(entry));
  while (EntriesValue.size() > game::kMaxSavedTexts) EntriesValue.pop_front();
}

std::vector<game::TSavedText> TTextHistory::ToSave() const {
  std::vector<game::TSavedText> texts;
  texts.reserve(EntriesValue.size());
  for (const TEntry& entry : EntriesValue)
    texts.push_back({entry.Text.toStdString(), entry.Reachable ? entry.Instant.TimeMs : 0,
                     entry.Reachable ? entry.Instant.Steps : 0});
  return texts;
}

}  // namespace orbel::app
