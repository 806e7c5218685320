#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The wave sound channel: one sound at a time, with the movie control's commands (TMciDevice) and no window.

#include <QObject>
#include <functional>

#include "controls/mci_device.h"

namespace orbel::controls {

class TWaveChannel : public QObject, public TMciDevice {
  Q_OBJECT
 public:
  // Uses the process-wide default media layer (media::DefaultMediaLayer()).
  explicit TWaveChannel(QObject* parent = nullptr);
  TWaveChannel(media::TMediaLayer& layer, QObject* parent = nullptr);
  ~TWaveChannel() override;

  std::function<void(TWaveChannel*)> OnNotify;

 protected:
  void customEvent(QEvent* event) override;
};

}  // namespace orbel::controls
