#pragma once
// The wave sound channel: one sound at a time, with the movie control's command conventions and no window.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

namespace orbel::controls {

class TWaveChannel : public QObject {
  Q_OBJECT
 public:
  explicit TWaveChannel(QObject* parent = nullptr);
  ~TWaveChannel() override;

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

  std::function<void(TWaveChannel*)> OnNotify;

 private:
  void RequireOpen() const;

  std::string FileNameValue;
  uint16_t DeviceIdValue = 0;
};

}  // namespace orbel::controls
