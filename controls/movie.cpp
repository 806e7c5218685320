#include "controls/movie.h"

#include "platform/errors.h"

namespace orbel::controls {

// Without a media layer a device opens by type alone and plays nothing; any file is refused.
TMovie::TMovie(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(320, 240);
}

TMovie::~TMovie() { Close(); }

void TMovie::Open() {
  Close();
  if (!FileNameValue.empty()) throw EMCIDeviceError("ﾌｧｲﾙ " + FileNameValue + " を再生できる MCI ﾃﾞﾊﾞｲｽがありません");
  DeviceIdValue = 1;
}

void TMovie::Close() { DeviceIdValue = 0; }

void TMovie::Play() {
  RequireOpen();
  if (isHidden()) show();
}

void TMovie::Stop() { RequireOpen(); }
uint8_t TMovie::Mode() { return DeviceIdValue ? 1 : 0; }
int32_t TMovie::Position() { return 0; }
void TMovie::WaitOnce(bool) {}
void TMovie::SelectTimeFormat(uint8_t) {}

void TMovie::RequireOpen() const {
  if (!DeviceIdValue) throw EMCIDeviceError("MCI ﾃﾞﾊﾞｲｽがありません");
}

}  // namespace orbel::controls
