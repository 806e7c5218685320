// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/translation.h"

namespace orbel::app {

QString TFormSaves::SlotCaption(const TSlot& slot) {
  const QString number = slot.Kind == TSlot::skAutomatic
                             ? platform::Tr("Window", "Auto %1").Arg(slot.Number).QStr()
                             : QStringLiteral("%1").arg(slot.Number, 2, 10, QLatin1Char('0'));
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
  ConfirmOverwrite = [this](const TSlot& slot) {
    return QMessageBox::question(this, windowTitle(),
                                 platform::Tr("Window", "Save over slot %1?").Arg(slot.Number).QStr()) ==
           QMessageBox::Yes;
  };
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
  using platform::Tr;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Orbel"),
                  Tr("Window", "%1.\n\nStart at its line %2 without what led there, or start the game again?")
                      .Arg(text)
                      .Arg(line)
                      .QStr(),
                  QMessageBox::NoButton, parent);
  QPushButton* atLine =
      box.addButton(Tr("Window", "Start at line %1").Arg(line).QStr(), QMessageBox::AcceptRole);
  QPushButton* again = box.addButton(Tr("Window", "Start again").QStr(), QMessageBox::RejectRole);
  box.setDefaultButton(again);
  box.setEscapeButton(again);
  box.exec();
  return box.clickedButton() == atLine ? ccStartAtLine : ccStartAgain;
}

}  // namespace orbel::app
