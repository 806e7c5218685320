// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/wave_channel.h"

namespace orbel::controls {

using namespace orbel::media;

TWaveChannel::TWaveChannel(QObject* parent) : TWaveChannel(DefaultMediaLayer(), parent) {}

// The channel object itself only receives the notices; a wave device has no picture to attach.
TWaveChannel::TWaveChannel(TMediaLayer& layer, QObject* parent)
    : QObject(parent), TMciDevice(layer, this, dtWaveAudio) {}

TWaveChannel::~TWaveChannel() = default;

void TWaveChannel::customEvent(QEvent* event) {
  if (event->type() == TMciNotifyEvent::EventType && OnNotify) OnNotify(this);
}

}  // namespace orbel::controls
