// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/shift_jis.h"

namespace orbel::platform {

QString DecodeSjis(std::string_view bytes) {
  // The decoder turns malformed input into U+001A, which draws as nothing and cannot be told from a real 0x1A
  // byte. So the byte structure is walked here: single bytes map directly, each well-formed pair goes through
  // the decoder, and anything else (a stray byte, a lead byte without a valid trail byte or at the very end)
  // becomes U+FFFD. A bad trail byte is looked at again on its own, as Windows does.
  QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      text.append(QChar(c));  // 0x5C stays a backslash, 0x7E a tilde
      ++i;
    } else if (c >= 0xA1 && c <= 0xDF) {
      text.append(QChar(0xFF61 + (c - 0xA1)));  // half-width katakana
      ++i;
    } else if (IsLeadByte(c) && i + 1 < bytes.size() &&
               IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      const QString pair = decoder.decode(QByteArrayView(bytes.data() + i, 2));
      const bool mapped = !pair.isEmpty() && pair != QString(QChar(0x1A)) &&
                          pair != QString(QChar(QChar::ReplacementCharacter));
      text.append(mapped ? pair : QString(QChar(QChar::ReplacementCharacter)));
      i += 2;
    } else {
      text.append(QChar(QChar::ReplacementCharacter));
      ++i;
    }
  }
  return text;
}

std::string SjisToUtf8(std::string_view bytes) {
  return DecodeSjis(bytes).toStdString();
}

std::string EncodeSjis(const QString& text) {
  QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool IsUtf8(std::string_view bytes) {
  return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

namespace {

QString DecodeFileName(std::string_view path) {
  QString text;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    text +=
        IsUtf8(part) ? QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size())) : DecodeSjis(part);
    if (end < path.size()) text += QLatin1Char('/');
    start = end + 1;
  }
  return text;
}

}  // namespace

std::string FileNameToUtf8(std::string_view path) {
  return DecodeFileName(path).toStdString();
}

}  // namespace orbel::platform
