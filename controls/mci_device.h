#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TMciDevice: the command conventions that the movie control and the wave channel share (the wait rule, the
// open/close bookkeeping, the queries and the error texts), as a base of both controls.

#include <QObject>
#include <cstdint>
#include <string>

#include "media/media_layer.h"

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

// What Mode() reports: the layer's MCI_MODE_ answers in the same order, counted from "not ready".
enum TMPModes : uint8_t {
  mpNotReady = 0,
  mpStopped = 1,
  mpPlaying = 2,
  mpRecording = 3,
  mpSeeking = 4,
  mpPaused = 5,
  mpOpen = 6,
};

// One device as a control sees it. Every command goes to the layer given at construction; notices go to the
// callback object, which is the control itself.
class TMciDevice {
 public:
  TMciDevice(const TMciDevice&) = delete;
  TMciDevice& operator=(const TMciDevice&) = delete;

  TMPDeviceTypes DeviceType() const { return DeviceTypeValue; }
  void SetDeviceType(TMPDeviceTypes type) { DeviceTypeValue = type; }
  const std::string& FileName() const { return FileNameValue; }
  void SetFileName(const std::string& name) { FileNameValue = name; }
  bool AutoRewind() const { return AutoRewindValue; }
  void SetAutoRewind(bool value) { AutoRewindValue = value; }
  bool Shareable() const { return ShareableValue; }
  void SetShareable(bool value) { ShareableValue = value; }

  void Open();
  void Close();
  void Play();
  void Stop();
  TMPModes Mode();
  int32_t Position();
  void WaitOnce(bool wait);
  void SelectTimeFormat(uint8_t format);
  uint16_t DeviceID() const { return DeviceIDValue; }
  uint32_t LastError() const { return LastErrorValue; }
  bool HasVideo() const { return HasVideoValue; }

 protected:
  TMciDevice(media::TMediaLayer& layer, QObject* callback, TMPDeviceTypes type);
  virtual ~TMciDevice();  // closes an open device with MCI_WAIT, result ignored

  // Sends one command to the open device and keeps its result as LastError.
  uint32_t Send(uint32_t command, uint32_t flags, media::TMciParms& parms);
  // Hooks of the owning control: after a successful open, and right before MCI_PLAY is sent.
  virtual void AfterOpen() {}
  virtual void BeforePlay() {}

 private:
  enum TPendingWait { pwUnset, pwWait, pwNoWait };
  // The one-shot choice of WaitOnce, consumed by the next Open, Close, Play or Stop.
  TPendingWait TakePendingWait();
  uint32_t WaitFlags();
  uint32_t OpenFlags();
  uint32_t Query(uint32_t item, bool& ok);
  void RequireOpen() const;
  void SeekToStart();
  int32_t MediaLength();
  std::string ErrorText() const;

  media::TMediaLayer& Layer;
  QObject* const Callback;
  TMPDeviceTypes DeviceTypeValue;
  std::string FileNameValue;
  bool AutoRewindValue = true;
  bool ShareableValue = false;
  bool HasVideoValue = false;
  uint16_t DeviceIDValue = 0;  // 0 while nothing is open: the layer counts IDs from 1
  uint32_t LastErrorValue = 0;
  TPendingWait PendingWait = pwUnset;
};

}  // namespace orbel::controls
