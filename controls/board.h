#pragma once
// TBoard: the message board, a few lines of Shift-JIS text over a framed picture, new text coming in with a
// short vertical reveal.

#include <QImage>
#include <QWidget>
#include <string>
#include <vector>

namespace orbel::controls {

class TBoard : public QWidget {
  Q_OBJECT
 public:
  explicit TBoard(QWidget* parent = nullptr);

  // The owned list of lines (Shift-JIS bytes). Changing it directly does not redraw the board.
  std::vector<std::string>& Text() { return TextLines; }
  // Replaces the text and starts (or continues) the reveal.
  void SetText(const std::vector<std::string>& lines);

  void SetBitmap(const QImage& picture);
  void SetMargin(int margin);
  int Margin() const { return MarginValue; }

  // A reveal is still running: the board's picture will change on its own.
  bool RevealRunning() const { return false; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::vector<std::string> TextLines;
  QImage Bitmap;
  int MarginValue = 1;
};

}  // namespace orbel::controls
