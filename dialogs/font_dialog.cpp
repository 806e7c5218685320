// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs/font_dialog.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

namespace orbel::dialogs {

namespace {

// Modal results: Ok ends the dialog with 1, Cancel with 2 (Escape and the close box give 0).
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

// Entries are shown at a size of 20 points, so each face can be judged at a glance.
constexpr int kEntryPoints = 20;

// Hands the list's measuring and drawing to the dialog, which owns the rules for both.
class TFontListDelegate : public QStyledItemDelegate {
 public:
  TFontListDelegate(const TFormFont* form, QObject* parent) : QStyledItemDelegate(parent), Form(form) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {option.rect.width(), Form->FontListMeasureItem(index.row())};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QColor brush = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    Form->FontListDrawItem(*painter, index.row(), option.rect, brush, text);
    painter->restore();
    if (option.state & QStyle::State_HasFocus) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.backgroundColor = brush;
      const QWidget* widget = option.widget;
      QStyle* style = widget ? widget->style() : nullptr;
      if (style) style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
  }

 private:
  const TFormFont* Form;
};

}  // namespace

QStringList FixedPitchJapaneseFaces(const std::vector<platform::TFaceInfo>& faces) {
  QStringList kept;
  for (const platform::TFaceInfo& face : faces) {
    if (platform::IsOutlineFace(face) && platform::IsFixedPitch(face) && face.Japanese &&
        !face.Family.startsWith(QLatin1Char('@')))
      kept.append(face.Family);
  }
  return kept;
}

void TFontListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

TFormFont::TFormFont(QWidget* parent) : TFormFont(platform::EnumerateFaces(), parent) {}

TFormFont::TFormFont(const std::vector<platform::TFaceInfo>& faces, QWidget* parent) : QDialog(parent) {
  BuildForm();
  FormCreate(faces);
}

void TFormFont::BuildForm() {
  setWindowTitle(QStringLiteral("フォントの選択"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(440, 348);
  QFont dialogFont(QStringLiteral("ＭＳ Ｐゴシック"));
  dialogFont.setPixelSize(12);
  setFont(dialogFont);

  // The band above the list stays empty.
  FontList = new TFontListBox(this);
  FontList->setGeometry(10, 30, 417, 269);
  FontList->setSelectionMode(QAbstractItemView::SingleSelection);
  FontList->setSortingEnabled(false);
  FontList->setUniformItemSizes(false);
  FontList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FontList->setItemDelegate(new TFontListDelegate(this, FontList));
  connect(FontList, &TFontListBox::DoubleClicked, this, &TFormFont::BtnOkClick);

  BtnOk = new QPushButton(QStringLiteral("Ok"), this);
  BtnOk->setGeometry(268, 314, 75, 25);
  BtnOk->setDefault(true);
  connect(BtnOk, &QPushButton::clicked, this, &TFormFont::BtnOkClick);

  BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  BtnCancel->setGeometry(352, 314, 75, 25);
  BtnCancel->setAutoDefault(false);
  connect(BtnCancel, &QPushButton::clicked, this, &TFormFont::BtnCancelClick);

  setTabOrder(FontList, BtnOk);
  setTabOrder(BtnOk, BtnCancel);
  FontList->setFocus();
}

void TFormFont::FormCreate(const std::vector<platform::TFaceInfo>& faces) {
  FontList->addItems(FixedPitchJapaneseFaces(faces));
}

QString TFormFont::SelectFont(const QString& current) {
  if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
  FontList->setFocus();
  const int result = exec();
  if (result != kResultOk) return current;
  const QList<QListWidgetItem*> selected = FontList->selectedItems();
  // Ok with nothing selected (an empty list included) has no face to give: the caller's stays.
  if (selected.isEmpty()) return current;
  return selected.first()->text();
}

QFont TFormFont::EntryFont(int row) const {
  const QListWidgetItem* item = FontList->item(row);
  QFont font(item ? item->text() : QString());
  return platform::FontAtCellHeight(font,
                                    platform::CellHeightForPointSize(kEntryPoints, FontList->logicalDpiY()));
}

int TFormFont::FontListMeasureItem(int row) const {
  return QFontMetrics(EntryFont(row)).size(Qt::TextSingleLine, QStringLiteral("Wg")).height() + 2;
}

void TFormFont::FontListDrawItem(QPainter& painter, int row, const QRect& rect, const QColor& brush,
                                 const QColor& textColour) const {
  const QListWidgetItem* item = FontList->item(row);
  painter.fillRect(rect, brush);
  if (!item) return;
  const QFont font = EntryFont(row);
  const QFontMetrics metrics(font);
  painter.setFont(font);
  painter.setPen(textColour);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(brush);
  painter.drawText(rect.left() + 1, rect.top() + 1 + metrics.ascent(), item->text());
}

void TFormFont::BtnOkClick() {
  done(kResultOk);
}

void TFormFont::BtnCancelClick() {
  done(kResultCancel);
}

}  // namespace orbel::dialogs
