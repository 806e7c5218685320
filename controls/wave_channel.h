#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The wave sound channel: one sound at a time, with the movie control's command conventions and no window.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

#include "controls/movie.h"

namespace orbel::controls {

class TWaveChannel : public QObject {
  Q_OBJECT
 public:
  // Uses the process-wide default media layer (platform::DefaultMediaLayer()).
  explicit TWaveChannel(QObject* parent = nullptr);
  TWaveChannel(platform::TMediaLayer& layer, QObject* parent = nullptr);
  ~TWaveChannel() override;

  const std::string& FileName() const { return Device.FileName; }
  void SetFileName(const std::string& name) { Device.FileName = name; }
  bool AutoRewind() const { return Device.AutoRewind; }
  void SetAutoRewind(bool value) { Device.AutoRewind = value; }
  bool Shareable() const { return Device.Shareable; }
  void SetShareable(bool value) { Device.Shareable = value; }

  void Open();
  void Close();
  void Play();
  void Stop();
  uint8_t Mode();
  int32_t Position();
  void WaitOnce(bool wait);
  void SelectTimeFormat(uint8_t format);
  uint16_t DeviceID() const { return Device.DeviceID; }
  uint32_t LastError() const { return Device.LastError; }

  std::function<void(TWaveChannel*)> OnNotify;

 protected:
  void customEvent(QEvent* event) override;

 private:
  TMciDevice Device;
};

}  // namespace orbel::controls
