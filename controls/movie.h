#pragma once
// TMovie: a frameless child control that plays one media file through the media-control layer inside its
// own area. The wave channel shares its command conventions (wave_channel.h).

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

namespace orbel::controls {

enum TMPDeviceTypes : uint8_t {
  dtAutoSelect, dtAVIVideo, dtCDAudio, dtDAT, dtDigitalVideo, dtMMMovie, dtOther,
  dtOverlay, dtScanner, dtSequencer, dtVCR, dtVideodisc, dtWaveAudio,
};

class TMovie : public QWidget {
  Q_OBJECT
 public:
  explicit TMovie(QWidget* parent = nullptr);
  ~TMovie() override;

  TMPDeviceTypes DeviceType() const { return DeviceTypeValue; }
  void SetDeviceType(TMPDeviceTypes type) { DeviceTypeValue = type; }
  const std::string& FileName() const { return FileNameValue; }
  void SetFileName(const std::string& name) { FileNameValue = name; }

  void Open();
  void Close();
  void Play();
  void Stop();
  uint8_t Mode();
  int32_t Position();
  void WaitOnce(bool wait);
  void SelectTimeFormat(uint8_t format);
  uint16_t DeviceID() const { return DeviceIdValue; }

  std::function<void(TMovie*)> OnNotify;

 protected:
  void paintEvent(QPaintEvent*) override {}

 private:
  void RequireOpen() const;

  TMPDeviceTypes DeviceTypeValue = dtAVIVideo;
  std::string FileNameValue;
  uint16_t DeviceIdValue = 0;
};

}  // namespace orbel::controls
