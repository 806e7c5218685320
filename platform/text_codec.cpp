// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

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

namespace {

// How many malformed bytes at `pos` one U+FFFD stands for: the longest start of a well-formed character
// there, at least one byte (Unicode's "maximal subpart"), so that a character cut short shows as one
// replacement character and a stray byte as one of its own.
size_t MalformedLength(std::string_view bytes, size_t pos) {
  for (size_t length = std::min<size_t>(3, bytes.size() - pos); length > 1; --length) {
    // Only the second byte's range depends on the first; any later byte may be 0x80.
    std::string whole(bytes.substr(pos, length));
    whole.append(4 - length, '\x80');
    const size_t needed = Utf8CharLength(whole, 0);
    if (needed > length) return length;
  }
  return 1;
}

}  // namespace

QString DecodeUtf8(std::string_view bytes) {
  // Walked here rather than left to the toolkit's decoder, so that what counts as malformed is exactly what
  // the checker reports as not UTF-8 (surrogates and overlong forms included).
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  size_t run = 0;  // the start of the well-formed run not yet appended
  size_t i = 0;
  const auto flush = [&] {
    text.append(QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(i - run)));
  };
  while (i < bytes.size()) {
    const size_t length = Utf8CharLength(bytes, i);
    if (length != 0) {
      i += length;
      continue;
    }
    flush();
    text.append(QChar(QChar::ReplacementCharacter));
    i += MalformedLength(bytes, i);
    run = i;
  }
  flush();
  return text;
}

QString DecodeScriptText(std::string_view bytes) {
  return ScriptEncoding() == seUtf8 ? DecodeUtf8(bytes) : DecodeSjis(bytes);
}

std::string ScriptTextToUtf8(std::string_view bytes) {
  return DecodeScriptText(bytes).toStdString();
}

std::string EncodeScriptText(const QString& text) {
  if (ScriptEncoding() == seUtf8) return text.toStdString();
  return EncodeSjis(text);
}

std::optional<TScriptEncoding> ScriptEncodingFromName(std::string_view name) {
  const QString folded = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toLower();
  if (folded == u"cp932" || folded == u"shift-jis" || folded == u"shift_jis" || folded == u"sjis")
    return seCp932;
  if (folded == u"utf-8" || folded == u"utf8") return seUtf8;
  return std::nullopt;
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
