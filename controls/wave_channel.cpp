// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/wave_channel.h"

namespace orbel::controls {

using namespace orbel::platform;

TWaveChannel::TWaveChannel(QObject* parent) : TWaveChannel(DefaultMediaLayer(), parent) {}

// The channel object itself only receives the notices; a wave device has no picture to attach.
TWaveChannel::TWaveChannel(TMediaLayer& layer, QObject* parent)
    : QObject(parent), Device(layer, this, dtWaveAudio) {}

TWaveChannel::~TWaveChannel() = default;

void TWaveChannel::Open() {
  Device.Open();
}
void TWaveChannel::Close() {
  Device.Close();
}
void TWaveChannel::Play() {
  Device.Play();
}
void TWaveChannel::Stop() {
  Device.Stop();
}
uint8_t TWaveChannel::Mode() {
  return Device.Mode();
}
int32_t TWaveChannel::Position() {
  return Device.Position();
}
void TWaveChannel::WaitOnce(bool wait) {
  Device.WaitOnce(wait);
}
void TWaveChannel::SelectTimeFormat(uint8_t format) {
  Device.SelectTimeFormat(format);
}

void TWaveChannel::customEvent(QEvent* event) {
  if (event->type() == TMciNotifyEvent::EventType && OnNotify) OnNotify(this);
}

}  // namespace orbel::controls
