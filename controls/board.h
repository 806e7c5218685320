#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TBoard: the message board, a few lines of text over a framed picture, new text coming in with a short
// vertical reveal. It holds the text as shown: the script's text decoded, or its translation
// (translation/board_translation.*).
//
// The board keeps its own surface image, which is "the board's window": the paint operation and the reveal
// frames draw into it, paintEvent only shows it. The paint operation runs when the board is shown, resized,
// given a new font, picture or margin, when new text is assigned (to show the bare background), and where
// the system repaints it (SystemRepaint); so a finished reveal stays on screen until one of those happens.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "platform/engine_clock.h"

namespace orbel::controls {

class TBoard : public QWidget {
  Q_OBJECT
 public:
  explicit TBoard(QWidget* parent = nullptr);

  // The owned list of lines. Changing it directly does not redraw the board.
  QStringList& Text() { return TextLines; }
  const QStringList& Text() const { return TextLines; }
  // Replaces the text: shows the bare background at once, renders the new lines into TextImage and starts the
  // reveal, or lets a running one go on from its current step.
  void SetText(const QStringList& lines);

  const QImage& Bitmap() const { return BitmapImage; }
  // Copies the picture in, takes its size and repaints at once. A null image leaves the plain window look.
  void SetBitmap(const QImage& picture);

  int Margin() const { return MarginValue; }
  // Stored as given (no range check) and repainted at once.
  void SetMargin(int margin);

  // The colour the lines are drawn in (the colour of the board's font).
  QColor FontColour() const { return FontColourValue; }
  void SetFontColour(const QColor& colour);

  // Called when a reveal has brought the whole text onto the board.
  std::function<void()> OnRevealed;

  // A reveal is still running: the board's picture will change on its own.
  bool RevealRunning() const { return RevealTimer.IsActive(); }
  int RevealStep() const { return RevealStepValue; }
  // One tick of the reveal. The board's 50 ms timer (on the engine clock) calls it; tests call it directly to
  // step frame by frame.
  void RevealTick();

  // The message as last rendered (what the reveal brings onto the board); null when the margin leaves no
  // area.
  const QImage& TextImage() const { return TextImageValue; }
  // The board's picture as its window holds it.
  const QImage& Surface() {
    Settle();
    return SurfaceImage;
  }

  // For pictures nobody sees (a replay): while unseen, the paint operation and the reveal's frames only note
  // what they would draw, and the board's picture takes it in one pass when anything reads or shows it, or
  // when it is seen again; the picture is then exactly the one drawing each would have left.
  void SetUnseen(bool unseen);
  // Draws what was noted while unseen; whoever reads the board's picture in another way (a grab of the window)
  // calls it first.
  void Settle();

  // Runs the paint operation over the whole board and shows the result before returning.
  void RepaintNow();
  // The system repaints `area` (board coordinates), for instance where a control that lay over the board
  // went away: the paint operation runs there, and the result is shown.
  void SystemRepaint(const QRect& area);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The paint operation, drawing only inside `clip` when one is given.
  void PaintBoard(const QRect& clip = QRect());
  void RenderTextImage();
  void ShowSurface(const QRect& area);
  // Draws the lines over the background or picture, with what the canvas had when the paint was asked for.
  struct TPaint {
    QStringList Lines;
    QImage Bitmap;
    QFont Font;
    QColor Colour, Brush;
    int Margin = 0;
  };
  void Paint(const TPaint& paint, const QRect& clip);
  TPaint CurrentPaint() const;

  QStringList TextLines;
  QImage BitmapImage;
  QImage TextImageValue;
  QImage SurfaceImage;
  int MarginValue = 1;
  int RevealStepValue = 0;
  platform::TEngineTimer RevealTimer;
  QColor FontColourValue;
  // The canvas keeps its font and brush between paints: the font is copied from the board's font at each
  // paint (the reveal measures with it), the brush turns to the window colour once a paint has had no
  // picture.
  QFont CanvasFont;
  QColor CanvasBrush;
  // While unseen: the whole-board paint owed (the latest, which covers every earlier one), and the reveal's
  // frames after it, each a stretch of TextImage into its area or, for the last, TextImage itself.
  bool Unseen = false;
  std::optional<TPaint> OwedPaint;
  struct TOwedFrame {
    QRect Area;
    bool Whole = false;
  };
  std::vector<TOwedFrame> OwedFrames;
};

// The board picture stored with the program (560x65, 16 colours); raises EOrbelError when it cannot be read.
QImage LoadBoardPicture();

// Gives `board` the main window's form values for MsgBoard: the picture, Margin 6, "ＭＳ ゴシック" at a
// character height of 18 pixels with fixed pitch, hidden, and the three initial lines. Those are stored
// values, not an assignment: they stay in Text, no reveal runs, and showing the board paints them.
void ConfigureMsgBoard(TBoard& board);
void ConfigureMsgBoard(TBoard& board, const QImage& picture);

}  // namespace orbel::controls
