#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormVolume: the volume settings of the 設定 menu. Sliders for the master volume, the sound (the wave
// channel) and the movies, each 0 to 100 on a scale that sounds even (media::VolumeGain), and a mute. The
// sound follows the sliders as they move.

#include <QDialog>
#include <functional>

#include "media/audio.h"

class QCheckBox;
class QSlider;

namespace orbel::app {

class TFormVolume : public QDialog {
  Q_OBJECT
 public:
  TFormVolume(const media::TVolumes& volumes, QWidget* parent = nullptr);

  media::TVolumes Volumes() const;
  // A slider moved or the mute changed.
  std::function<void(const media::TVolumes&)> OnChanged;

  QSlider* Master() const { return Sliders[0]; }
  QCheckBox* Mute() const { return MuteBox; }

 private:
  void Changed();

  QSlider* Sliders[3] = {};
  QCheckBox* MuteBox = nullptr;
};

}  // namespace orbel::app
