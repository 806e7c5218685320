// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/media_layer.h"

#include <QCoreApplication>
#include <QPointer>
#include <cmath>
#include <map>

#include "media/player.h"

namespace orbel::media {

namespace {

using media::TAudioMixer;
using media::TMediaPlayer;

// The texts of the codes this layer returns; others have none.
const std::map<uint32_t, std::string>& ErrorTexts() {
  static const std::map<uint32_t, std::string> texts = {
      {MCIERR_INVALID_DEVICE_ID, "ﾃﾞﾊﾞｲｽ ID が正しくありません。ﾃﾞﾊﾞｲｽが開かれていません"},
      {MCIERR_UNRECOGNIZED_COMMAND, "このﾃﾞﾊﾞｲｽが受け付けないｺﾏﾝﾄﾞです"},
      {MCIERR_INVALID_DEVICE_NAME, "指定された種類の MCI ﾃﾞﾊﾞｲｽはありません"},
      {MCIERR_OUT_OF_MEMORY, "ﾒﾓﾘが足りません"},
      {MCIERR_CANNOT_LOAD_DRIVER, "このﾌｧｲﾙを再生できる MCI ﾃﾞﾊﾞｲｽがありません"},
      {MCIERR_MISSING_PARAMETER, "ｺﾏﾝﾄﾞに必要なﾊﾟﾗﾒｰﾀがありません"},
      {MCIERR_UNSUPPORTED_FUNCTION, "このﾃﾞﾊﾞｲｽはその機能をｻﾎﾟｰﾄしていません"},
      {MCIERR_FILE_NOT_FOUND, "ﾌｧｲﾙが見つかりません"},
      {MCIERR_INTERNAL, "MCI ﾃﾞﾊﾞｲｽの内部ｴﾗｰです"},
      {MCIERR_OUTOFRANGE, "指定された値が範囲外です"},
      {MCIERR_FLAGS_NOT_COMPATIBLE, "同時に指定できないﾌﾗｸﾞが指定されました"},
      {MCIERR_DEVICE_TYPE_REQUIRED, "ﾃﾞﾊﾞｲｽの種類が分かりません。種類を指定してください"},
      {MCIERR_BAD_TIME_FORMAT, "このﾃﾞﾊﾞｲｽでは使えない時間形式です"},
      {MCIERR_INVALID_FILE, "ﾌｧｲﾙが壊れているか、再生できない形式です"},
      {MCIERR_NULL_PARAMETER_BLOCK, "ﾊﾟﾗﾒｰﾀ ﾌﾞﾛｯｸがありません"},
      {MCIERR_NONAPPLICABLE_FUNCTION, "ﾌｧｲﾙが開かれていないため、この操作はできません"},
      {MCIERR_FILE_READ, "ﾌｧｲﾙを読み込めません"},
  };
  return texts;
}

enum class TDeviceKind { dkVideo, dkWave };

// One sound output for the whole process, shared by every real layer alive at the same time.
std::shared_ptr<TAudioMixer> SharedMixer() {
  static std::weak_ptr<TAudioMixer> shared;
  std::shared_ptr<TAudioMixer> mixer = shared.lock();
  if (!mixer) {
    mixer = std::make_shared<TAudioMixer>();
    shared = mixer;
  }
  return mixer;
}

void PostNotice(QObject* callback, uint32_t code, uint16_t deviceId) {
  if (callback) QCoreApplication::postEvent(callback, new TMciNotifyEvent(code, deviceId));
}

// The command semantics over open devices; Real decides whether elements can be played at all.
class TMciLayer : public TMediaLayer {
 public:
  explicit TMciLayer(bool real) : Real(real) {
    if (Real) Mixer = SharedMixer();
  }
  ~TMciLayer() override {
    // Players first: their workers must end before the mixer can go.
    Devices.clear();
  }

  uint32_t SendCommand(uint16_t deviceId, uint32_t command, uint32_t flags, TMciParms& parms) override {
    if (command == MCI_OPEN) return Open(flags, parms);
    auto it = Devices.find(deviceId);
    if (it == Devices.end()) return MCIERR_INVALID_DEVICE_ID;
    TDevice& device = *it->second;
    uint32_t result = 0;
    switch (command) {
      case MCI_CLOSE:
        Abort(device, MCI_NOTIFY_ABORTED);
        Devices.erase(it);
        break;
      case MCI_PLAY:
        return Play(deviceId, device, flags, parms);
      case MCI_SEEK:
        result = Seek(device, flags, parms);
        break;
      case MCI_STOP:
        if (device.Player) device.Player->Stop();
        Abort(device, MCI_NOTIFY_ABORTED);
        break;
      case MCI_STATUS:
        result = Status(device, flags, parms);
        break;
      case MCI_GETDEVCAPS:
        result = Capabilities(device, flags, parms);
        break;
      case MCI_SET:
        result = Set(device, flags, parms);
        break;
      case MCI_WINDOW:
        result = Window(device, flags, parms);
        break;
      default:
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
    if (result == 0 && (flags & MCI_NOTIFY)) PostNotice(parms.Callback, MCI_NOTIFY_SUCCESSFUL, deviceId);
    return result;
  }

  bool GetErrorString(uint32_t error, std::string& text) const override {
    auto it = ErrorTexts().find(error);
    if (it == ErrorTexts().end()) return false;
    text = it->second;
    return true;
  }

 private:
  struct TDevice {
    TDeviceKind Kind = TDeviceKind::dkVideo;
    uint32_t TimeFormat = MCI_FORMAT_MILLISECONDS;
    std::unique_ptr<TMediaPlayer> Player;  // none when opened by type alone
    QPointer<QWidget> Window;
    QPointer<QObject> PlayCallback;  // the play that still owes a notice
    bool PlayNoticePending = false;
    uint64_t PlayGeneration = 0;
  };

  // The device an open names: by its type, else by the content of its element.
  uint32_t ChooseKind(uint32_t flags, const TMciParms& parms, TDeviceKind& kind) const {
    if (flags & MCI_OPEN_TYPE) {
      if (parms.DeviceType == "AVIVideo")
        kind = TDeviceKind::dkVideo;
      else if (parms.DeviceType == "WaveAudio")
        kind = TDeviceKind::dkWave;
      else
        return MCIERR_INVALID_DEVICE_NAME;
      return 0;
    }
    if (!(flags & MCI_OPEN_ELEMENT)) return MCIERR_DEVICE_TYPE_REQUIRED;
    // Chosen by content: a file with pictures goes to the movie device, anything else to the wave device.
    if (!Real) return MCIERR_CANNOT_LOAD_DRIVER;
    media::TMediaDecoder probe;
    kind = probe.Open(parms.ElementName, true) == 0 ? TDeviceKind::dkVideo : TDeviceKind::dkWave;
    return 0;
  }

  uint32_t Open(uint32_t flags, TMciParms& parms) {
    if (flags & (MCI_OPEN_TYPE_ID)) return MCIERR_UNSUPPORTED_FUNCTION;
    bool hasElement = (flags & MCI_OPEN_ELEMENT) != 0;
    TDeviceKind kind;
    if (uint32_t error = ChooseKind(flags, parms, kind)) return error;
    auto device = std::make_unique<TDevice>();
    device->Kind = kind;
    device->TimeFormat = kind == TDeviceKind::dkVideo ? MCI_FORMAT_FRAMES : MCI_FORMAT_MILLISECONDS;
    if (hasElement) {
      if (!Real) return MCIERR_CANNOT_LOAD_DRIVER;
      if (parms.ElementName.empty()) return MCIERR_FILE_NOT_FOUND;
      uint32_t error = 0;
      device->Player = TMediaPlayer::Open(parms.ElementName, kind == TDeviceKind::dkVideo, Mixer, error);
      if (!device->Player) return error ? error : MCIERR_INVALID_FILE;
    }
    uint16_t id = 1;
    while (Devices.count(id)) ++id;
    if (id == 0) return MCIERR_OUT_OF_MEMORY;
    if (device->Player) WatchEnd(id, device.get());
    Devices[id] = std::move(device);
    parms.DeviceID = id;
    if (flags & MCI_NOTIFY) PostNotice(parms.Callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
  }

  // A play that ends by itself owes its notice, if it still does.
  void WatchEnd(uint16_t id, TDevice* raw) {
    raw->Player->OnEnded = [this, id, raw](uint64_t generation, bool failed) {
      // The device may have been closed and its ID reused; only the same play's notice is due.
      auto it = Devices.find(id);
      if (it == Devices.end() || it->second.get() != raw) return;
      if (!raw->PlayNoticePending || raw->PlayGeneration != generation) return;
      raw->PlayNoticePending = false;
      PostNotice(raw->PlayCallback, failed ? MCI_NOTIFY_FAILURE : MCI_NOTIFY_SUCCESSFUL, id);
    };
  }

  uint32_t Window(TDevice& device, uint32_t flags, const TMciParms& parms) {
    if (device.Kind != TDeviceKind::dkVideo) return MCIERR_UNRECOGNIZED_COMMAND;
    if (!(flags & MCI_ANIM_WINDOW_HWND)) return MCIERR_UNSUPPORTED_FUNCTION;
    device.Window = parms.Window;
    if (device.Player) device.Player->SetWindow(parms.Window);
    return 0;
  }

  // A play still waiting for its end loses its notice with this code.
  void Abort(TDevice& device, uint32_t code) {
    if (!device.PlayNoticePending) return;
    device.PlayNoticePending = false;
    uint16_t id = 0;
    for (auto& [key, value] : Devices)
      if (value.get() == &device) id = key;
    PostNotice(device.PlayCallback, code, id);
  }

  uint32_t Play(uint16_t id, TDevice& device, uint32_t flags, TMciParms& parms) {
    if (!device.Player) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (flags & (MCI_FROM | MCI_TO)) return MCIERR_UNSUPPORTED_FUNCTION;
    Abort(device, MCI_NOTIFY_SUPERSEDED);
    uint64_t generation = ++NextGeneration;
    bool notify = (flags & MCI_NOTIFY) != 0;
    if (!(flags & MCI_WAIT)) {
      device.PlayNoticePending = notify;
      device.PlayCallback = parms.Callback;
      device.PlayGeneration = generation;
      device.Player->Play(generation);
      return 0;
    }
    device.Player->Play(generation);
    device.Player->WaitWhilePlaying();
    if (notify) PostNotice(parms.Callback, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
  }

  uint32_t Seek(TDevice& device, uint32_t flags, TMciParms& parms) {
    uint32_t how = flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END | MCI_TO);
    if (how != MCI_SEEK_TO_START && how != MCI_SEEK_TO_END && how != MCI_TO)
      return MCIERR_FLAGS_NOT_COMPATIBLE;
    if (!device.Player) return MCIERR_NONAPPLICABLE_FUNCTION;
    double length = device.Player->Info().LengthSeconds;
    double target = how == MCI_SEEK_TO_START ? 0
                    : how == MCI_SEEK_TO_END ? length
                                             : ToSeconds(device, parms.To);
    if (how == MCI_TO && (parms.To > Length(device))) return MCIERR_OUTOFRANGE;
    device.Player->Stop();
    Abort(device, MCI_NOTIFY_ABORTED);
    device.Player->Seek(target);
    return 0;
  }

  // Positions and lengths in the device's current time format.
  uint32_t FromSeconds(const TDevice& device, double seconds) const {
    const media::TMediaInfo& info = device.Player->Info();
    double value = 0;
    switch (device.TimeFormat) {
      case MCI_FORMAT_FRAMES:
        value = seconds * info.FrameRate;
        break;
      case MCI_FORMAT_SAMPLES:
        value = seconds * info.SampleRate;
        break;
      case MCI_FORMAT_BYTES:
        value = seconds * info.BytesPerSecond;
        break;
      default:
        value = seconds * 1000;
        break;
    }
    return uint32_t(std::clamp(std::floor(value + 1e-6), 0.0, 2147483647.0));
  }
  double ToSeconds(const TDevice& device, uint32_t value) const {
    const media::TMediaInfo& info = device.Player->Info();
    switch (device.TimeFormat) {
      case MCI_FORMAT_FRAMES:
        return value / info.FrameRate;
      case MCI_FORMAT_SAMPLES:
        return info.SampleRate ? double(value) / info.SampleRate : 0;
      case MCI_FORMAT_BYTES:
        return info.BytesPerSecond > 0 ? value / info.BytesPerSecond : 0;
      default:
        return value / 1000.0;
    }
  }
  uint32_t Length(const TDevice& device) const {
    if (!device.Player) return 0;
    const media::TMediaInfo& info = device.Player->Info();
    // Frames are counted, not computed, so the end position matches the length exactly.
    if (device.TimeFormat == MCI_FORMAT_FRAMES)
      return uint32_t(std::min<int64_t>(info.FrameCount, INT32_MAX));
    if (device.TimeFormat == MCI_FORMAT_MILLISECONDS)
      return uint32_t(std::min<int64_t>(std::llround(info.LengthSeconds * 1000), INT32_MAX));
    return FromSeconds(device, info.LengthSeconds);
  }

  uint32_t Status(TDevice& device, uint32_t flags, TMciParms& parms) {
    if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
    switch (parms.Item) {
      case MCI_STATUS_LENGTH:
        parms.Return = Length(device);
        return 0;
      case MCI_STATUS_POSITION: {
        if (!device.Player) {
          parms.Return = 0;
          return 0;
        }
        double seconds = device.Player->PositionSeconds();
        uint32_t length = Length(device);
        parms.Return = seconds >= device.Player->Info().LengthSeconds
                           ? length
                           : std::min(FromSeconds(device, seconds), length);
        return 0;
      }
      case MCI_STATUS_MODE:
        parms.Return = !device.Player               ? MCI_MODE_NOT_READY
                       : device.Player->IsPlaying() ? MCI_MODE_PLAY
                                                    : MCI_MODE_STOP;
        return 0;
      case MCI_STATUS_MEDIA_PRESENT:
        parms.Return = device.Player ? 1 : 0;
        return 0;
      case MCI_STATUS_TIME_FORMAT:
        parms.Return = device.TimeFormat;
        return 0;
      case MCI_STATUS_READY:
        parms.Return = 1;
        return 0;
      default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

  uint32_t Capabilities(const TDevice& device, uint32_t flags, TMciParms& parms) const {
    if (!(flags & MCI_GETDEVCAPS_ITEM)) return MCIERR_MISSING_PARAMETER;
    bool video = device.Kind == TDeviceKind::dkVideo;
    switch (parms.Item) {
      case MCI_GETDEVCAPS_HAS_VIDEO:
        parms.Return = video ? 1 : 0;
        return 0;
      case MCI_GETDEVCAPS_HAS_AUDIO:
      case MCI_GETDEVCAPS_USES_FILES:
      case MCI_GETDEVCAPS_COMPOUND_DEVICE:
      case MCI_GETDEVCAPS_CAN_PLAY:
        parms.Return = 1;
        return 0;
      case MCI_GETDEVCAPS_CAN_RECORD:
      case MCI_GETDEVCAPS_CAN_EJECT:
      case MCI_GETDEVCAPS_CAN_SAVE:
        parms.Return = 0;
        return 0;
      case MCI_GETDEVCAPS_DEVICE_TYPE:
        parms.Return = video ? MCI_DEVTYPE_DIGITAL_VIDEO : MCI_DEVTYPE_WAVEFORM_AUDIO;
        return 0;
      default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

  uint32_t Set(TDevice& device, uint32_t flags, TMciParms& parms) {
    if (!(flags & MCI_SET_TIME_FORMAT)) return MCIERR_UNSUPPORTED_FUNCTION;
    uint32_t format = parms.TimeFormat;
    bool ok = device.Kind == TDeviceKind::dkVideo
                  ? (format == MCI_FORMAT_MILLISECONDS || format == MCI_FORMAT_FRAMES)
                  : (format == MCI_FORMAT_MILLISECONDS || format == MCI_FORMAT_SAMPLES ||
                     format == MCI_FORMAT_BYTES);
    if (!ok) return MCIERR_BAD_TIME_FORMAT;
    device.TimeFormat = format;
    return 0;
  }

  const bool Real;
  std::shared_ptr<TAudioMixer> Mixer;
  std::map<uint16_t, std::unique_ptr<TDevice>> Devices;
  uint64_t NextGeneration = 0;
};

TMediaLayer* DefaultLayer = nullptr;

}  // namespace

std::unique_ptr<TMediaLayer> CreateNullMediaLayer() {
  return std::make_unique<TMciLayer>(false);
}
std::unique_ptr<TMediaLayer> CreateMediaLayer() {
  return std::make_unique<TMciLayer>(true);
}

TMediaLayer& DefaultMediaLayer() {
  static TMciLayer nullLayer(false);
  return DefaultLayer ? *DefaultLayer : nullLayer;
}

void SetDefaultMediaLayer(TMediaLayer* layer) {
  DefaultLayer = layer;
}

TMediaSession::TMediaSession() : LayerValue(CreateMediaLayer()) {
  SetDefaultMediaLayer(LayerValue.get());
}

TMediaSession::~TMediaSession() {
  if (&DefaultMediaLayer() == LayerValue.get()) SetDefaultMediaLayer(nullptr);
}

}  // namespace orbel::media
