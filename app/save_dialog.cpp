// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/translation.h"

namespace orbel::app {

QString TFormSaves::SlotCaption(const TSlot& slot) {
  const QString number = QStringLiteral("%1").arg(slot.Number, 2, 10, QLatin1Char('0'));
  if (!slot.Save) return number + QStringLiteral("  ") + platform::Tr("Window", "(free)").QStr();
  const QDateTime date = QDateTime::fromString(QString::fromStdString(slot.Save->Date), Qt::ISODate);
  const QString shownDate = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                           : QString::fromStdString(slot.Save->Date);
  return number + QStringLiteral("  ") + shownDate + QStringLiteral("  ") +
         platform::Tr("Window", "line %1").Arg(slot.Save->Line).QStr() + QStringLiteral("\n") +
         QString::fromStdString(slot.Save->Text);
}

TFormSaves::TFormSaves(TMode mode, const std::vector<TSlot>& saves, QWidget* parent)
    : QDialog(parent), Mode(mode), Slots(saves) {
  const QString action =
      mode == smSave ? platform::Tr("Window", "Save").QStr() : platform::Tr("Window", "Load").QStr();
  setWindowTitle(action);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(mode == smSave ? platform::Tr("Window", "Choose the slot to save to").QStr()
                                              : platform::Tr("Window", "Choose the save to load").QStr(),
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
  buttons->button(QDialogButtonBox::Ok)->setText(action);
  buttons->button(QDialogButtonBox::Cancel)->setText(platform::Tr("Window", "Cancel").QStr());
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

void TFormSaves::Take(int row) {
  if (row < 0 || row >= static_cast<int>(Slots.size())) return;
  if (Mode == smLoad && !Slots[static_cast<size_t>(row)].Save) return;
  Chosen = Slots[static_cast<size_t>(row)].Number;
  accept();
}

}  // namespace orbel::app
