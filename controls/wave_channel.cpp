#include "controls/wave_channel.h"

#include "platform/errors.h"

namespace orbel::controls {

// Without a media layer the channel refuses every file.
TWaveChannel::TWaveChannel(QObject* parent) : QObject(parent) {}
TWaveChannel::~TWaveChannel() { Close(); }

void TWaveChannel::Open() {
  Close();
  if (!FileNameValue.empty()) throw EMCIDeviceError("ﾌｧｲﾙ " + FileNameValue + " を再生できる MCI ﾃﾞﾊﾞｲｽがありません");
  DeviceIdValue = 1;
}

void TWaveChannel::Close() { DeviceIdValue = 0; }
void TWaveChannel::Play() { RequireOpen(); }
void TWaveChannel::Stop() { RequireOpen(); }
uint8_t TWaveChannel::Mode() { return DeviceIdValue ? 1 : 0; }
int32_t TWaveChannel::Position() { return 0; }
void TWaveChannel::WaitOnce(bool) {}
void TWaveChannel::SelectTimeFormat(uint8_t) {}

void TWaveChannel::RequireOpen() const {
  if (!DeviceIdValue) throw EMCIDeviceError("MCI ﾃﾞﾊﾞｲｽがありません");
}

}  // namespace orbel::controls
