// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/mci_device.h"

#include "platform/errors.h"
#include "platform/text_codec.h"

namespace orbel::controls {

using namespace orbel::media;

// The layer's mode answers are consecutive from MCI_MODE_NOT_READY (0x20C) in the order of TMPModes.
static_assert(((MCI_MODE_NOT_READY & 0xFF) - 12) == mpNotReady);
static_assert(((MCI_MODE_STOP & 0xFF) - 12) == mpStopped);
static_assert(((MCI_MODE_PLAY & 0xFF) - 12) == mpPlaying);
static_assert(((MCI_MODE_RECORD & 0xFF) - 12) == mpRecording);
static_assert(((MCI_MODE_SEEK & 0xFF) - 12) == mpSeeking);
static_assert(((MCI_MODE_PAUSE & 0xFF) - 12) == mpPaused);
static_assert(((MCI_MODE_OPEN & 0xFF) - 12) == mpOpen);

const char* DeviceTypeString(TMPDeviceTypes type) {
  static const char* const names[] = {"",        "AVIVideo",  "CDAudio",  "DAT",     "DigitalVideo",
                                      "MMMovie", "Other",     "Overlay",  "Scanner", "Sequencer",
                                      "VCR",     "Videodisc", "WaveAudio"};
  return type <= dtWaveAudio ? names[type] : "";
}

TMciDevice::TMciDevice(TMediaLayer& layer, QObject* callback, TMPDeviceTypes type)
    : Layer(layer), Callback(callback), DeviceTypeValue(type) {}

TMciDevice::~TMciDevice() {
  if (DeviceIDValue) {
    TMciParms parms;
    Layer.SendCommand(DeviceIDValue, MCI_CLOSE, MCI_WAIT, parms);
  }
}

uint32_t TMciDevice::Send(uint32_t command, uint32_t flags, TMciParms& parms) {
  LastErrorValue = Layer.SendCommand(DeviceIDValue, command, flags, parms);
  return LastErrorValue;
}

TMciDevice::TPendingWait TMciDevice::TakePendingWait() {
  TPendingWait wait = PendingWait;
  PendingWait = pwUnset;
  return wait;
}

uint32_t TMciDevice::WaitFlags() {
  return TakePendingWait() == pwNoWait ? 0 : MCI_WAIT;
}

void TMciDevice::WaitOnce(bool wait) {
  PendingWait = wait ? pwWait : pwNoWait;
}

uint32_t TMciDevice::OpenFlags() {
  uint32_t flags = WaitFlags();
  if (!FileNameValue.empty()) flags |= MCI_OPEN_ELEMENT;
  if (DeviceTypeValue != dtAutoSelect) flags |= MCI_OPEN_TYPE;
  if (ShareableValue) flags |= MCI_OPEN_SHAREABLE;
  return flags;
}

void TMciDevice::Open() {
  if (DeviceIDValue) Close();  // takes the pending wait choice before the open does
  TMciParms parms;
  parms.Callback = Callback;
  parms.DeviceType = DeviceTypeString(DeviceTypeValue);
  parms.ElementName = FileNameValue;
  LastErrorValue = Layer.SendCommand(0, MCI_OPEN, OpenFlags(), parms);
  // With several movies and sounds, the text alone would not tell which file is broken.
  if (LastErrorValue)
    throw EMCIDeviceError(
        FileNameValue.empty() ? ErrorText() : platform::FileNameToUtf8(FileNameValue) + ": " + ErrorText());
  DeviceIDValue = parms.DeviceID;

  TMciParms caps;
  caps.Item = MCI_GETDEVCAPS_HAS_VIDEO;
  HasVideoValue =
      Layer.SendCommand(DeviceIDValue, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, caps) == 0 &&
      caps.Return;
  AfterOpen();
  // Track devices count in tracks, minutes, seconds and frames.
  if (DeviceTypeValue == dtCDAudio || DeviceTypeValue == dtVideodisc) SelectTimeFormat(MCI_FORMAT_TMSF);
}

void TMciDevice::Close() {
  if (!DeviceIDValue) return;
  TMciParms parms;
  parms.Callback = Callback;
  if (Send(MCI_CLOSE, WaitFlags(), parms)) return;
  DeviceIDValue = 0;
}

void TMciDevice::Play() {
  RequireOpen();
  if (AutoRewindValue && Position() == MediaLength()) SeekToStart();
  uint32_t flags = MCI_NOTIFY;
  if (TakePendingWait() == pwWait) flags |= MCI_WAIT;
  BeforePlay();
  TMciParms parms;
  parms.Callback = Callback;
  Send(MCI_PLAY, flags, parms);
}

void TMciDevice::Stop() {
  RequireOpen();
  TMciParms parms;
  parms.Callback = Callback;
  Send(MCI_STOP, WaitFlags(), parms);
}

uint32_t TMciDevice::Query(uint32_t item, bool& ok) {
  TMciParms parms;
  parms.Item = item;
  ok = Send(MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, parms) == 0;
  return parms.Return;
}

TMPModes TMciDevice::Mode() {
  bool ok = false;
  uint32_t mode = Query(MCI_STATUS_MODE, ok);
  // A rejected query (nothing open) reads as "not ready", never as playing, so every wait loop ends.
  if (!ok) return mpNotReady;
  // MCI_MODE_NOT_READY is 0x20C: the low byte less 12 counts the modes from "not ready".
  return TMPModes(uint8_t((mode & 0xFF) - 12));
}

int32_t TMciDevice::Position() {
  bool ok = false;
  uint32_t position = Query(MCI_STATUS_POSITION, ok);
  return ok ? int32_t(position) : 0;
}

int32_t TMciDevice::MediaLength() {
  RequireOpen();
  bool ok = false;
  return int32_t(Query(MCI_STATUS_LENGTH, ok));
}

void TMciDevice::SeekToStart() {
  TMciParms parms;
  Layer.SendCommand(DeviceIDValue, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, parms);
}

void TMciDevice::SelectTimeFormat(uint8_t format) {
  // No window is named for this notice: nothing waits for it.
  TMciParms parms;
  parms.TimeFormat = format;
  Send(MCI_SET, MCI_SET_TIME_FORMAT | MCI_NOTIFY, parms);
}

void TMciDevice::RequireOpen() const {
  if (!DeviceIDValue) throw EMCIDeviceError("MCI ﾃﾞﾊﾞｲｽがありません");
}

std::string TMciDevice::ErrorText() const {
  std::string text;
  if (!Layer.GetErrorString(LastErrorValue, text)) return "原因不明のｴﾗｰ";
  return text;
}

}  // namespace orbel::controls
