// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/near_match.h"

#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <filesystem>
#include <system_error>

#include "platform/text_codec.h"

namespace orbel::app {

namespace fs = std::filesystem;

namespace {

// A game folder is small; a folder tree larger than this is not a game and not worth walking to the end.
constexpr int kMaxEntries = 20000;

// A name on disk: UTF-8 when it is valid UTF-8, else the Shift-JIS bytes an archive left unconverted.
QString DecodeEntry(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(QByteArray::fromStdString(bytes));
  return utf8.hasError() ? platform::DecodeSjis(bytes) : text;
}

QString LooseKey(const QString& name) {
  return name.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString WithoutExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? name.left(dot) : name;
}

}  // namespace

std::string NearDataFile(const std::string& directory, const std::string& name) {
  QString wanted = platform::DecodeSjis(name);
  wanted = wanted.mid(wanted.lastIndexOf(QRegularExpression(QStringLiteral("[/\\\\]"))) + 1);
  if (wanted.isEmpty()) return {};
  const QString key = LooseKey(wanted);
  const QString stem = WithoutExtension(key);
  std::string sameStem;
  std::error_code error;
  int entries = 0;
  for (fs::recursive_directory_iterator
           it(fs::path(directory), fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end && ++entries <= kMaxEntries; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const QString entry = LooseKey(DecodeEntry(it->path().filename().string()));
    const QString relative = DecodeEntry(it->path().lexically_relative(directory).generic_string());
    if (entry == key) return relative.toStdString();
    if (sameStem.empty() && WithoutExtension(entry) == stem) sameStem = relative.toStdString();
  }
  return sameStem;
}

}  // namespace orbel::app
