#include "controls/board.h"

#include <QPainter>

namespace orbel::controls {

// Until text drawing comes in, the board keeps its lines and shows its picture only.
TBoard::TBoard(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(320, 72);
}

void TBoard::SetText(const std::vector<std::string>& lines) { TextLines = lines; }

void TBoard::SetBitmap(const QImage& picture) {
  Bitmap = picture;
  resize(picture.size());
  repaint();
}

void TBoard::SetMargin(int margin) {
  MarginValue = margin;
  repaint();
}

void TBoard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (Bitmap.isNull()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(0, 0, width() - 1, height() - 1);
  } else {
    painter.drawImage(0, 0, Bitmap);
  }
}

}  // namespace orbel::controls
