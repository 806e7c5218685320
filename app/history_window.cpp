// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/history_window.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "platform/translation.h"

namespace orbel::app {

QString THistoryWindow::GameTime(int64_t ms) {
  const int64_t seconds = std::max<int64_t>(0, ms) / 1000;
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

THistoryWindow::THistoryWindow(const TTextHistory& history, int fontPx, QWidget* parent) : QDialog(parent) {
  setWindowTitle(platform::Tr("Window", "History").QStr());
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ListValue = new QListWidget(this);
  ListValue->setSelectionMode(QAbstractItemView::SingleSelection);
  ListValue->setWordWrap(true);
  ListValue->setSpacing(3);
  ListValue->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  for (const TTextHistory::TEntry& entry : history.Entries()) {
    // A text of the script as it was before it changed has no time of this game.
    const QString time = entry.Reachable ? GameTime(entry.Instant.TimeMs) : QStringLiteral("-:--:--");
    auto* item = new QListWidgetItem(time + QStringLiteral("  ") + entry.Text, ListValue);
    if (!entry.Reachable) item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
  }
  layout->addWidget(ListValue);
  connect(ListValue, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { Take(ListValue->row(item)); });
  ListValue->installEventFilter(this);
  ListValue->viewport()->installEventFilter(this);
  SetFontPx(fontPx);
  ListValue->setCurrentRow(ListValue->count() - 1);
  ListValue->scrollToBottom();
  ListValue->setFocus();
  // Over the game's picture, as large as it.
  resize(600, 440);
  if (parent) move(parent->geometry().center() - rect().center());
}

void THistoryWindow::Take(int row) {
  if (row < 0 || row >= ListValue->count()) return;
  ChosenValue = static_cast<size_t>(row);
  accept();
}

void THistoryWindow::Down() {
  const int row = ListValue->currentRow();
  if (row >= ListValue->count() - 1)
    reject();
  else
    ListValue->setCurrentRow(row + 1);
}

void THistoryWindow::SetFontPx(int px) {
  FontPxValue = std::clamp(px, kMinFontPx, kMaxFontPx);
  QFont font = ListValue->font();
  font.setPixelSize(FontPxValue);
  ListValue->setFont(font);
  // Rows are laid out again for the new size.
  ListValue->doItemsLayout();
  ListValue->scrollToItem(ListValue->currentItem());
}

bool THistoryWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && watched == ListValue->viewport()) {
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta > 0)
      ListValue->setCurrentRow(std::max(0, ListValue->currentRow() - 1));
    else if (delta < 0)
      Down();
    return true;
  }
  if (event->type() != QEvent::KeyPress || watched != ListValue) return QDialog::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool control = key->modifiers() & Qt::ControlModifier;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Take(ListValue->currentRow());
      return true;
    case Qt::Key_Escape:
      reject();
      return true;
    case Qt::Key_PageDown:
      if (ListValue->currentRow() < ListValue->count() - 1) return false;
      reject();
      return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
      if (!control) return false;
      SetFontPx(FontPxValue + (key->key() == Qt::Key_Minus ? -2 : 2));
      if (OnFontChanged) OnFontChanged(FontPxValue);
      return true;
    default:
      return false;
  }
}

}  // namespace orbel::app
