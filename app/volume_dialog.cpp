// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/volume_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/translation.h"

namespace orbel::app {

TFormVolume::TFormVolume(const media::TVolumes& volumes, QWidget* parent) : QDialog(parent) {
  setWindowTitle(platform::Tr("Window", "Volume").QStr());
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  const QString names[3] = {platform::Tr("Window", "Master").QStr(), platform::Tr("Window", "Sound").QStr(),
                            platform::Tr("Window", "Movies").QStr()};
  const int values[3] = {volumes.Master, volumes.Sound, volumes.Movie};
  for (int i = 0; i < 3; ++i) {
    auto* row = new QHBoxLayout;
    Sliders[i] = new QSlider(Qt::Horizontal, this);
    Sliders[i]->setRange(0, 100);
    Sliders[i]->setPageStep(10);
    Sliders[i]->setValue(values[i]);
    Sliders[i]->setMinimumWidth(240);
    auto* shown = new QLabel(QString::number(values[i]), this);
    shown->setMinimumWidth(QFontMetrics(shown->font()).horizontalAdvance(QStringLiteral("100")));
    row->addWidget(Sliders[i]);
    row->addWidget(shown);
    form->addRow(names[i], row);
    connect(Sliders[i], &QSlider::valueChanged, this, [this, shown](int value) {
      shown->setNum(value);
      Changed();
    });
  }
  MuteBox = new QCheckBox(platform::Tr("Window", "Mute").QStr(), this);
  MuteBox->setChecked(volumes.Mute);
  connect(MuteBox, &QCheckBox::toggled, this, [this] { Changed(); });
  form->addRow(QString(), MuteBox);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(platform::Tr("Window", "Close").QStr());
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
  layout->addWidget(buttons);
}

media::TVolumes TFormVolume::Volumes() const {
  return {Sliders[0]->value(), Sliders[1]->value(), Sliders[2]->value(), MuteBox->isChecked()};
}

void TFormVolume::Changed() {
  if (OnChanged) OnChanged(Volumes());
}

}  // namespace orbel::app
