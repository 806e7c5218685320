#include "screen/bitmap_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include "platform/errors.h"

namespace orbel::screen {

QImage LoadBitmapFile(const std::string& path) {
  QImageReader reader(QString::fromStdString(path), "bmp");
  reader.setDecideFormatFromContent(false);
  QImage picture = reader.read();
  if (picture.isNull())
    throw EOrbelError("ﾌｧｲﾙ " + path + " はビットマップとして読めません (" + reader.errorString().toStdString() + ")");
  return picture;
}

bool SaveBitmapFile(const QImage& picture, const std::string& path) {
  QImageWriter writer(QString::fromStdString(path), "bmp");
  return writer.write(picture.convertToFormat(QImage::Format_RGB888));
}

}  // namespace orbel::screen
