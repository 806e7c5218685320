#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TMovie: a frameless child control that plays one media file through the media-control layer inside its
// own area. The wave channel shares its command conventions (TMciDevice, below; wave_channel.h).

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/media.h"

namespace orbel::controls {

enum TMPDeviceTypes : uint8_t {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio,
};

// The device type string sent for a type; empty for dtAutoSelect (no type is sent).
const char* DeviceTypeString(TMPDeviceTypes type);

// One device as a control sees it: the wait rule, the open/close bookkeeping, the queries and the error
// texts. Every command goes to the layer given at construction; notices go to the callback object.
class TMciDevice {
 public:
  TMciDevice(platform::TMediaLayer& layer, QObject* callback, TMPDeviceTypes type);
  ~TMciDevice();  // closes an open device with MCI_WAIT, result ignored
  TMciDevice(const TMciDevice&) = delete;
  TMciDevice& operator=(const TMciDevice&) = delete;

  void Open();
  void Close();
  void Play();
  void Stop();
  uint8_t Mode();
  int32_t Position();
  void WaitOnce(bool wait);
  void SelectTimeFormat(uint8_t format);

  void RequireOpen() const;
  void SeekToStart();
  int32_t MediaLength();
  std::string ErrorText() const;

  platform::TMediaLayer& Layer;
  QObject* const Callback;
  TMPDeviceTypes DeviceType;
  std::string FileName;
  bool AutoRewind = true;
  bool Shareable = false;
  bool IsOpen = false;
  bool HasVideo = false;
  uint16_t DeviceID = 0;
  uint32_t LastError = 0;
  // Hooks of the owning control: after a successful open, and right before MCI_PLAY is sent.
  std::function<void()> AfterOpen;
  std::function<void()> BeforePlay;

 private:
  enum TPendingWait { pwUnset, pwWait, pwNoWait };
  // The one-shot choice of WaitOnce, consumed by the next Open, Close, Play or Stop.
  TPendingWait TakePendingWait();
  uint32_t WaitFlags();
  uint32_t Query(uint32_t item, bool& ok);

  TPendingWait PendingWait = pwUnset;
};

class TMovie : public QWidget {
  Q_OBJECT
 public:
  // Uses the process-wide default media layer (platform::DefaultMediaLayer()).
  explicit TMovie(QWidget* parent = nullptr);
  TMovie(platform::TMediaLayer& layer, QWidget* parent = nullptr);
  ~TMovie() override;

  TMPDeviceTypes DeviceType() const { return Device.DeviceType; }
  void SetDeviceType(TMPDeviceTypes type) { Device.DeviceType = type; }
  const std::string& FileName() const { return Device.FileName; }
  void SetFileName(const std::string& name) { Device.FileName = name; }
  bool AutoOpen() const { return AutoOpenValue; }
  void SetAutoOpen(bool value) { AutoOpenValue = value; }
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
  bool HasVideo() const { return Device.HasVideo; }
  // The window the device draws into: the control itself, or none when attaching failed.
  QWidget* DisplayWindow() const { return DisplayWindowValue; }
  // The after-loading hook of a control built from stored properties: opens when AutoOpen is set.
  void Loaded();

  std::function<void(TMovie*)> OnNotify;

 protected:
  bool event(QEvent* event) override;
  // The device draws the picture; the control itself paints nothing.
  void paintEvent(QPaintEvent*) override {}
  // Raises OnNotify for every notice, whatever its code.
  virtual void Notify();

 private:
  void AttachDisplay();

  TMciDevice Device;
  bool AutoOpenValue = false;
  QPointer<QWidget> DisplayWindowValue;
};

}  // namespace orbel::controls
