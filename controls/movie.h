#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TMovie: a frameless child control that plays one media file through the media-control layer inside its
// own area. Its commands are those it shares with the wave channel (TMciDevice, mci_device.h).

#include <QPointer>
#include <QWidget>
#include <functional>

#include "controls/mci_device.h"

namespace orbel::controls {

class TMovie : public QWidget, public TMciDevice {
  Q_OBJECT
 public:
  // Uses the process-wide default media layer (media::DefaultMediaLayer()).
  explicit TMovie(QWidget* parent = nullptr);
  TMovie(media::TMediaLayer& layer, QWidget* parent = nullptr);
  ~TMovie() override;

  // The window the device draws into: the control itself, or none when attaching failed.
  QWidget* DisplayWindow() const { return DisplayWindowValue; }

  std::function<void(TMovie*)> OnNotify;

 protected:
  bool event(QEvent* event) override;
  // The device draws the picture; the control itself paints nothing.
  void paintEvent(QPaintEvent*) override {}
  // Raises OnNotify for every notice, whatever its code.
  virtual void Notify();
  void AfterOpen() override;
  void BeforePlay() override;

 private:
  void AttachDisplay();

  QPointer<QWidget> DisplayWindowValue;
};

}  // namespace orbel::controls
