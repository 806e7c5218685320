#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormFont: the modal list of fixed-pitch Japanese faces, each drawn in its own face.

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/fonts.h"

namespace orbel::dialogs {

// The faces the dialog offers, in the order given: outline (TrueType or OpenType) faces covering Japanese
// whose pitch is fixed in the Windows sense (dual width counts), without the vertical-writing faces named
// "@...". Nothing is sorted and duplicates stay.
QStringList FixedPitchJapaneseFaces(const std::vector<platform::TFaceInfo>& faces);

// The list box; a double-click anywhere on it, an empty part included, counts like the Ok button.
class TFontListBox : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;

 signals:
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class TFormFont : public QDialog {
  Q_OBJECT
 public:
  // Fills the list from the installed faces, once; the dialog then lives hidden between uses.
  explicit TFormFont(QWidget* parent = nullptr);
  // Fills the list from the given faces instead of the installed ones.
  explicit TFormFont(const std::vector<platform::TFaceInfo>& faces, QWidget* parent = nullptr);

  // Shows the dialog modally, with the selection it had when it last closed. Returns the selected face on Ok;
  // `current` unchanged on Cancel, Escape or the close box, and also on Ok with nothing selected, so a caller
  // can always set its face to the result.
  QString SelectFont(const QString& current);

  // The height of entry `row`: the text height of "Wg" in the entry's own face at the list's entry size,
  // plus 2.
  int FontListMeasureItem(int row) const;
  // Draws entry `row` in `rect` with the prepared brush and text colour, in its own face.
  void FontListDrawItem(QPainter& painter, int row, const QRect& rect, const QColor& brush,
                        const QColor& textColour) const;
  // The font an entry is measured and drawn in: its face at the cell height a size of 20 points asks for.
  QFont EntryFont(int row) const;

  void BtnOkClick();
  void BtnCancelClick();

  TFontListBox* FontList = nullptr;
  QPushButton* BtnOk = nullptr;
  QPushButton* BtnCancel = nullptr;

 private:
  void BuildForm();
  void FormCreate(const std::vector<platform::TFaceInfo>& faces);
};

}  // namespace orbel::dialogs
