// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/movie.h"

namespace orbel::controls {

using namespace orbel::media;

TMovie::TMovie(QWidget* parent) : TMovie(DefaultMediaLayer(), parent) {}

TMovie::TMovie(TMediaLayer& layer, QWidget* parent) : QWidget(parent), TMciDevice(layer, this, dtAVIVideo) {
  // Nothing is erased and nothing of the control's own is painted. The control is not marked opaque, though:
  // where the device's picture does not reach, the window's picture beneath shows, as it did on the old
  // system, rather than whatever a backing store held. The device's picture is a window of its own, so its
  // frames never repaint the window beneath.
  resize(320, 240);
  DisplayWindowValue = this;
}

// The device base closes with MCI_WAIT on destruction; QWidget is the first base, so the control is still a
// whole widget then.
TMovie::~TMovie() = default;

void TMovie::AfterOpen() {
  if (HasVideo()) AttachDisplay();
}

void TMovie::BeforePlay() {
  if (isHidden()) show();
}

void TMovie::AttachDisplay() {
  TMciParms parms;
  parms.Window = this;
  DisplayWindowValue = Send(MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, parms) ? nullptr : this;
}

bool TMovie::event(QEvent* event) {
  if (event->type() == TMciNotifyEvent::EventType) {
    Notify();
    return true;
  }
  return QWidget::event(event);
}

void TMovie::Notify() {
  if (OnNotify) OnNotify(this);
}

}  // namespace orbel::controls
