// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/movie.h"

#include "platform/errors.h"
#include "platform/text_codec.h"

namespace orbel::controls {

using namespace orbel::platform;

const char* DeviceTypeString(TMPDeviceTypes type) {
  static const char* const names[] = {"",        "AVIVideo",  "CDAudio",  "DAT",     "DigitalVideo",
                                      "MMMovie", "Other",     "Overlay",  "Scanner", "Sequencer",
                                      "VCR",     "Videodisc", "WaveAudio"};
  return type <= dtWaveAudio ? names[type] : "";
}

// ---- TMciDevice ----

TMciDevice::TMciDevice(TMediaLayer& layer, QObject* callback, TMPDeviceTypes type)
    : Layer(layer), Callback(callback), DeviceType(type) {}

TMciDevice::~TMciDevice() {
  if (DeviceID) {
    TMciParms parms;
    Layer.SendCommand(DeviceID, MCI_CLOSE, MCI_WAIT, parms);
  }
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

void TMciDevice::Open() {
  if (IsOpen) Close();
  uint32_t flags = WaitFlags();
  if (!FileName.empty()) flags |= MCI_OPEN_ELEMENT;
  if (DeviceType != dtAutoSelect) flags |= MCI_OPEN_TYPE;
  if (Shareable) flags |= MCI_OPEN_SHAREABLE;
  TMciParms parms;
  parms.Callback = Callback;
  parms.DeviceType = DeviceTypeString(DeviceType);
  parms.ElementName = FileName;
  LastError = Layer.SendCommand(0, MCI_OPEN, flags, parms);
  // With several movies and sounds, the text alone would not tell which file is broken.
  if (LastError)
    throw EMCIDeviceError(FileName.empty() ? ErrorText()
                                           : platform::FileNameToUtf8(FileName) + ": " + ErrorText());
  IsOpen = true;
  DeviceID = parms.DeviceID;

  TMciParms caps;
  caps.Item = MCI_GETDEVCAPS_HAS_VIDEO;
  HasVideo =
      Layer.SendCommand(DeviceID, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, caps) == 0 && caps.Return;
  if (AfterOpen) AfterOpen();
  if (DeviceType == dtCDAudio || DeviceType == dtVideodisc) SelectTimeFormat(MCI_FORMAT_TMSF);
}

void TMciDevice::Close() {
  if (!DeviceID) return;
  TMciParms parms;
  parms.Callback = Callback;
  LastError = Layer.SendCommand(DeviceID, MCI_CLOSE, WaitFlags(), parms);
  if (LastError) return;
  IsOpen = false;
  DeviceID = 0;
}

void TMciDevice::Play() {
  RequireOpen();
  if (AutoRewind && Position() == MediaLength()) SeekToStart();
  uint32_t flags = MCI_NOTIFY;
  if (TakePendingWait() == pwWait) flags |= MCI_WAIT;
  if (BeforePlay) BeforePlay();
  TMciParms parms;
  parms.Callback = Callback;
  LastError = Layer.SendCommand(DeviceID, MCI_PLAY, flags, parms);
}

void TMciDevice::Stop() {
  RequireOpen();
  TMciParms parms;
  parms.Callback = Callback;
  LastError = Layer.SendCommand(DeviceID, MCI_STOP, WaitFlags(), parms);
}

uint32_t TMciDevice::Query(uint32_t item, bool& ok) {
  TMciParms parms;
  parms.Item = item;
  LastError = Layer.SendCommand(DeviceID, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, parms);
  ok = LastError == 0;
  return parms.Return;
}

uint8_t TMciDevice::Mode() {
  bool ok = false;
  uint32_t mode = Query(MCI_STATUS_MODE, ok);
  // A rejected query (nothing open) reads as "not ready", never as playing, so every wait loop ends.
  if (!ok) return 0;
  return uint8_t((mode & 0xFF) - 12);
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
  Layer.SendCommand(DeviceID, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, parms);
}

void TMciDevice::SelectTimeFormat(uint8_t format) {
  // No window is named for this notice: nothing waits for it.
  TMciParms parms;
  parms.TimeFormat = format;
  LastError = Layer.SendCommand(DeviceID, MCI_SET, MCI_SET_TIME_FORMAT | MCI_NOTIFY, parms);
}

void TMciDevice::RequireOpen() const {
  if (!IsOpen) throw EMCIDeviceError("MCI ﾃﾞﾊﾞｲｽがありません");
}

std::string TMciDevice::ErrorText() const {
  std::string text;
  if (!Layer.GetErrorString(LastError, text)) return "原因不明のｴﾗｰ";
  return text;
}

// ---- TMovie ----

TMovie::TMovie(QWidget* parent) : TMovie(DefaultMediaLayer(), parent) {}

TMovie::TMovie(TMediaLayer& layer, QWidget* parent) : QWidget(parent), Device(layer, this, dtAVIVideo) {
  // Nothing is erased and nothing of the control's own is painted. The control is not marked opaque, though:
  // where the device's picture does not reach, the window's picture beneath shows, as it did on the old
  // system, rather than whatever a backing store held. The device's picture is a window of its own, so its
  // frames never repaint the window beneath.
  resize(320, 240);
  DisplayWindowValue = this;
  Device.AfterOpen = [this] {
    if (Device.HasVideo) AttachDisplay();
  };
  Device.BeforePlay = [this] {
    if (isHidden()) show();
  };
}

// The device member closes with MCI_WAIT on destruction, while the control is still a whole widget.
TMovie::~TMovie() = default;

void TMovie::AttachDisplay() {
  TMciParms parms;
  parms.Window = this;
  Device.LastError =
      Device.Layer.SendCommand(Device.DeviceID, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, parms);
  DisplayWindowValue = Device.LastError ? nullptr : this;
}

void TMovie::Open() {
  Device.Open();
}
void TMovie::Close() {
  Device.Close();
}
void TMovie::Play() {
  Device.Play();
}
void TMovie::Stop() {
  Device.Stop();
}
uint8_t TMovie::Mode() {
  return Device.Mode();
}
int32_t TMovie::Position() {
  return Device.Position();
}
void TMovie::WaitOnce(bool wait) {
  Device.WaitOnce(wait);
}
void TMovie::SelectTimeFormat(uint8_t format) {
  Device.SelectTimeFormat(format);
}

void TMovie::Loaded() {
  if (AutoOpenValue) Open();
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
