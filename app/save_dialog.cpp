// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_dialog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace orbel::app {

QString TFormSaves::SlotCaption(const TSlot& slot) {
  // "自動 %1"
  const QString number = slot.Kind == TSlot::skAutomatic
                             ? QCoreApplication::translate("TFormSaves", "Auto %1").arg(slot.Number)
                             : QStringLiteral("%1").arg(slot.Number, 2, 10, QLatin1Char('0'));
  if (!slot.Save) return number + QStringLiteral("  (空き)");
  const QDateTime date = QDateTime::fromString(QString::fromStdString(slot.Save->Date), Qt::ISODate);
  const QString shownDate = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                           : QString::fromStdString(slot.Save->Date);
  return number + QStringLiteral("  ") + shownDate + QStringLiteral("  %1 行目").arg(slot.Save->Line) +
         QStringLiteral("\n") + QString::fromStdString(slot.Save->Text);
}

TFormSaves::TFormSaves(TMode mode, const std::vector<TSlot>& saves, QWidget* parent)
    : QDialog(parent), Mode(mode), Slots(saves) {
  ConfirmOverwrite = [this](const TSlot& slot) {
    // "%1 番のセーブを上書きしますか?"
    return QMessageBox::question(
               this, windowTitle(),
               QCoreApplication::translate("TFormSaves", "Save over slot %1?").arg(slot.Number)) ==
           QMessageBox::Yes;
  };
  setWindowTitle(mode == smSave ? QStringLiteral("セーブ") : QStringLiteral("ロード"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(mode == smSave ? QStringLiteral("セーブする場所を選んでください")
                                              : QStringLiteral("ロードするデータを選んでください"),
                               this));
  ListValue = new QListWidget(this);
  ListValue->setIconSize(QSize(game::kThumbnailWidth, game::kThumbnailHeight));
  ListValue->setSelectionMode(QAbstractItemView::SingleSelection);
  ListValue->setUniformItemSizes(true);
  for (const TSlot& slot : Slots) {
    auto* item = new QListWidgetItem(SlotCaption(slot), ListValue);
    QPixmap picture(game::kThumbnailWidth, game::kThumbnailHeight);
    picture.fill(Qt::black);
    if (slot.Save && !slot.Save->Thumbnail.isEmpty()) {
      const QImage thumbnail = QImage::fromData(slot.Save->Thumbnail, "PNG");
      if (!thumbnail.isNull()) picture = QPixmap::fromImage(thumbnail);
    }
    item->setIcon(QIcon(picture));
    // A free slot has nothing to load: it can be neither chosen nor taken.
    if (Mode == smLoad && !slot.Save) item->setFlags(Qt::NoItemFlags);
  }
  layout->addWidget(ListValue);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)
      ->setText(mode == smSave ? QStringLiteral("セーブ") : QStringLiteral("ロード"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { Take(ListValue->currentRow()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(ListValue, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Take(ListValue->row(item)); });
  // The list has the keys from the start, on the first slot that can be taken.
  for (int row = 0; row < ListValue->count(); ++row)
    if (ListValue->item(row)->flags() & Qt::ItemIsEnabled) {
      ListValue->setCurrentRow(row);
      break;
    }
  buttons->button(QDialogButtonBox::Ok)->setEnabled(ListValue->currentRow() >= 0);
  ListValue->setFocus();
  resize(520, 600);
}

std::optional<int> TFormSaves::ChosenSlot() const {
  if (!Chosen() || Chosen()->Kind != TSlot::skNumbered) return std::nullopt;
  return Chosen()->Number;
}

void TFormSaves::Take(int row) {
  if (row < 0 || row >= static_cast<int>(Slots.size())) return;
  const TSlot& slot = Slots[static_cast<size_t>(row)];
  if (Mode == smLoad && !slot.Save) return;
  if (Mode == smSave && slot.Save && ConfirmOverwrite && !ConfirmOverwrite(slot)) return;
  ChosenRow = row;
  accept();
}

TChangedScriptChoice AskAboutChangedScript(QWidget* parent, const std::string& text, int32_t line) {
  QMessageBox box(
      QMessageBox::Question, QStringLiteral("Orbel"),
      QString::fromUtf8(text) + QStringLiteral(".\n\nStart at its line %1 without what led there, or "
                                               "start the game again?")
                                    .arg(line),
      QMessageBox::NoButton, parent);
  QPushButton* atLine = box.addButton(QStringLiteral("Start at line %1").arg(line), QMessageBox::AcceptRole);
  QPushButton* again = box.addButton(QStringLiteral("Start again"), QMessageBox::RejectRole);
  box.setDefaultButton(again);
  box.setEscapeButton(again);
  box.exec();
  return box.clickedButton() == atLine ? ccStartAtLine : ccStartAgain;
}

}  // namespace orbel::app
