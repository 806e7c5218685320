#include "platform/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace orbel::platform {

QString DecodeSjis(std::string_view bytes) {
  QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
  QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  // The decoder holds back a lead byte at the very end instead of reporting it; show it as a replacement.
  if (!bytes.empty()) {
    size_t i = 0;
    while (i < bytes.size()) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
      if (lead && i + 1 == bytes.size()) {
        if (!text.endsWith(QChar(QChar::ReplacementCharacter))) text.append(QChar(QChar::ReplacementCharacter));
        break;
      }
      i += lead ? 2 : 1;
    }
  }
  return text;
}

std::string SjisToUtf8(std::string_view bytes) { return DecodeSjis(bytes).toStdString(); }

std::string EncodeSjis(const QString& text) {
  QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace orbel::platform
