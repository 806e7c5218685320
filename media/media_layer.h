#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The media-control layer: devices opened by type and element, driven by numbered commands with flags and a
// parameter record, answering with a result code (0 = success) that has a text of its own. Completion notices
// reach the record's callback object as TMciNotifyEvent, posted on the GUI thread.
//
// Every command is sent from the GUI thread. The layer must outlive every device opened through it.

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/events.h"

namespace orbel::media {

// Commands.
constexpr uint32_t MCI_OPEN = 0x0803;
constexpr uint32_t MCI_CLOSE = 0x0804;
constexpr uint32_t MCI_PLAY = 0x0806;
constexpr uint32_t MCI_SEEK = 0x0807;
constexpr uint32_t MCI_STOP = 0x0808;
constexpr uint32_t MCI_GETDEVCAPS = 0x080B;
constexpr uint32_t MCI_SET = 0x080D;
constexpr uint32_t MCI_STATUS = 0x0814;
constexpr uint32_t MCI_WINDOW = 0x0841;

// Flags shared by every command.
constexpr uint32_t MCI_NOTIFY = 0x1;
constexpr uint32_t MCI_WAIT = 0x2;
constexpr uint32_t MCI_FROM = 0x4;
constexpr uint32_t MCI_TO = 0x8;
// Command-specific flags.
constexpr uint32_t MCI_OPEN_SHAREABLE = 0x100;
constexpr uint32_t MCI_OPEN_ELEMENT = 0x200;
constexpr uint32_t MCI_OPEN_ALIAS = 0x400;
constexpr uint32_t MCI_OPEN_TYPE_ID = 0x1000;
constexpr uint32_t MCI_OPEN_TYPE = 0x2000;
constexpr uint32_t MCI_SEEK_TO_START = 0x100;
constexpr uint32_t MCI_SEEK_TO_END = 0x200;
constexpr uint32_t MCI_STATUS_ITEM = 0x100;
constexpr uint32_t MCI_GETDEVCAPS_ITEM = 0x100;
constexpr uint32_t MCI_SET_TIME_FORMAT = 0x400;
constexpr uint32_t MCI_ANIM_WINDOW_HWND = 0x10000;

// Status items.
constexpr uint32_t MCI_STATUS_LENGTH = 1;
constexpr uint32_t MCI_STATUS_POSITION = 2;
constexpr uint32_t MCI_STATUS_MODE = 4;
constexpr uint32_t MCI_STATUS_MEDIA_PRESENT = 5;
constexpr uint32_t MCI_STATUS_TIME_FORMAT = 6;
constexpr uint32_t MCI_STATUS_READY = 7;
// Capability items.
constexpr uint32_t MCI_GETDEVCAPS_CAN_RECORD = 1;
constexpr uint32_t MCI_GETDEVCAPS_HAS_AUDIO = 2;
constexpr uint32_t MCI_GETDEVCAPS_HAS_VIDEO = 3;
constexpr uint32_t MCI_GETDEVCAPS_DEVICE_TYPE = 4;
constexpr uint32_t MCI_GETDEVCAPS_USES_FILES = 5;
constexpr uint32_t MCI_GETDEVCAPS_COMPOUND_DEVICE = 6;
constexpr uint32_t MCI_GETDEVCAPS_CAN_EJECT = 7;
constexpr uint32_t MCI_GETDEVCAPS_CAN_PLAY = 8;
constexpr uint32_t MCI_GETDEVCAPS_CAN_SAVE = 9;
constexpr uint32_t MCI_DEVTYPE_DIGITAL_VIDEO = 520;
constexpr uint32_t MCI_DEVTYPE_WAVEFORM_AUDIO = 522;

// Modes answered to MCI_STATUS_MODE.
constexpr uint32_t MCI_MODE_NOT_READY = 524;
constexpr uint32_t MCI_MODE_STOP = 525;
constexpr uint32_t MCI_MODE_PLAY = 526;
constexpr uint32_t MCI_MODE_RECORD = 527;
constexpr uint32_t MCI_MODE_SEEK = 528;
constexpr uint32_t MCI_MODE_PAUSE = 529;
constexpr uint32_t MCI_MODE_OPEN = 530;

// Time formats.
constexpr uint32_t MCI_FORMAT_MILLISECONDS = 0;
constexpr uint32_t MCI_FORMAT_FRAMES = 3;
constexpr uint32_t MCI_FORMAT_SAMPLES = 8;
constexpr uint32_t MCI_FORMAT_BYTES = 9;
constexpr uint32_t MCI_FORMAT_TMSF = 10;

// Notice codes.
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 1;
constexpr uint32_t MCI_NOTIFY_SUPERSEDED = 2;
constexpr uint32_t MCI_NOTIFY_ABORTED = 4;
constexpr uint32_t MCI_NOTIFY_FAILURE = 8;

// Result codes.
constexpr uint32_t MCIERR_BASE = 256;
constexpr uint32_t MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr uint32_t MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr uint32_t MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr uint32_t MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
constexpr uint32_t MCIERR_CANNOT_LOAD_DRIVER = MCIERR_BASE + 10;
constexpr uint32_t MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr uint32_t MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr uint32_t MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr uint32_t MCIERR_INTERNAL = MCIERR_BASE + 21;
constexpr uint32_t MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr uint32_t MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
constexpr uint32_t MCIERR_DEVICE_TYPE_REQUIRED = MCIERR_BASE + 31;
constexpr uint32_t MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;
constexpr uint32_t MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr uint32_t MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
constexpr uint32_t MCIERR_NONAPPLICABLE_FUNCTION = MCIERR_BASE + 46;
constexpr uint32_t MCIERR_FILE_READ = MCIERR_BASE + 92;

// The one parameter record of every command; each command reads and writes only its own fields.
struct TMciParms {
  QObject* Callback = nullptr;  // receives the notice of a command sent with MCI_NOTIFY; not owned
  uint16_t DeviceID = 0;        // MCI_OPEN: written with the new device's ID
  std::string DeviceType;       // MCI_OPEN with MCI_OPEN_TYPE: "AVIVideo", "WaveAudio", ...
  std::string ElementName;      // MCI_OPEN with MCI_OPEN_ELEMENT: path of the file, UTF-8
  uint32_t Item = 0;            // MCI_STATUS, MCI_GETDEVCAPS: what is asked
  uint32_t Return = 0;          // MCI_STATUS, MCI_GETDEVCAPS: the answer
  uint32_t TimeFormat = 0;      // MCI_SET with MCI_SET_TIME_FORMAT
  uint32_t From = 0, To = 0;    // MCI_PLAY with MCI_FROM / MCI_TO, MCI_SEEK with MCI_TO
  QWidget* Window = nullptr;    // MCI_WINDOW with MCI_ANIM_WINDOW_HWND: the display window, nullptr = none
};

// The completion notice; its receiver gets it through the ordinary event loop.
class TMciNotifyEvent : public QEvent {
 public:
  static constexpr QEvent::Type EventType = platform::kMciNotifyEvent;
  TMciNotifyEvent(uint32_t code, uint16_t deviceId) : QEvent(EventType), Code(code), DeviceID(deviceId) {}
  const uint32_t Code;
  const uint16_t DeviceID;
};

class TMediaLayer {
 public:
  virtual ~TMediaLayer() = default;
  // Runs one command on a device (0 only for MCI_OPEN). Returns 0 or an MCIERR_ code. With MCI_WAIT the call
  // returns when the command has completed (for MCI_PLAY: when playback has ended), without dispatching
  // events.
  virtual uint32_t SendCommand(uint16_t deviceId, uint32_t command, uint32_t flags, TMciParms& parms) = 0;
  // The text for a result code (UTF-8); false when the layer has none.
  virtual bool GetErrorString(uint32_t error, std::string& text) const = 0;
};

// A layer without decoding or sound: a device type alone opens (nothing to play), every element is refused.
std::unique_ptr<TMediaLayer> CreateNullMediaLayer();
// The real layer: FFmpeg decoding on a worker thread per device, sound mixed into one SDL2 output. Never
// fails for want of sound: without a usable sound device it falls back to the silent driver.
std::unique_ptr<TMediaLayer> CreateMediaLayer();

// The layer that controls constructed without an explicit one use. Until SetDefaultMediaLayer is called (and
// after it is called with nullptr) that is a process-wide null layer. Not owned; set it before any control
// exists and reset it only after every control is gone.
TMediaLayer& DefaultMediaLayer();
void SetDefaultMediaLayer(TMediaLayer* layer);

// A play made to wait (WaitOnce) shows its frames with QWidget::repaint(), without the event loop. Where the
// window's picture reaches the screen through another widget (an enlarged presentation), the program sets
// this hook; it is called on the GUI thread after each such frame, to present it. Empty: nothing is called.
void SetSynchronousFrameHook(std::function<void()> hook);

// On the virtual engine clock (platform/engine_clock.h, chosen before the layer is created) devices play in
// engine time with no thread and no sound device: a play decodes on the GUI thread at each of its due
// moments (a picture's time, a refill of its sound, its end), shows the picture due then through the same
// picture widget and frame events as in real time, and ends, with its notice, at its decoded length (the
// longer of its pictures and its sound). A play made to wait advances the clock through its own moments only.
// What the one sound output plays goes to this sink as the clock moves: interleaved signed 16-bit stereo at
// 48000 frames a second, silence included, starting at the engine's time 0 (or at the layer's creation, or at
// a switch into virtual time). Empty: the sound is mixed and dropped.
//
// The devices follow the clock when the host switches it (SwitchToReal, SwitchToVirtual) or pauses it: a
// play goes on from its position in the other mode, with or without its worker and the sound device, and a
// pause holds it, silent, still in play mode. Nothing in the layer needs to be told.
void SetVirtualSoundSink(std::function<void(const int16_t* data, size_t frames)> sink);

// A replay (the game run again on the virtual clock up to a saved instant) shows and sounds nothing. For as
// long as a TReplayScope lives, the devices skip what nobody sees or hears: a play on the virtual clock makes
// no picture and mixes no sound, yet keeps the moments, the position, the mode and the end (with its notice)
// it would have had, from its file's timeline: what the file gives when decoded, learnt by decoding it
// through once while it stays the same file. Files already known are not even read when they are opened.
// When the scope goes, every device catches up: it shows the picture its position has reached, and a play
// goes on from there with the sound it would have had waiting. Make and end it on the GUI thread while the
// clock is virtual; a switch to real time meanwhile catches the devices up too. Scopes do not nest.
class TReplayScope {
 public:
  TReplayScope();
  ~TReplayScope();
  TReplayScope(const TReplayScope&) = delete;
  TReplayScope& operator=(const TReplayScope&) = delete;
};

// Scoped start-up helper: creates the real layer and makes it the default; the destructor resets the default
// and closes whatever is still open. Declare it before the main window so the window dies first.
class TMediaSession {
 public:
  TMediaSession();
  ~TMediaSession();
  TMediaSession(const TMediaSession&) = delete;
  TMediaSession& operator=(const TMediaSession&) = delete;
  TMediaLayer& Layer() { return *LayerValue; }

 private:
  std::unique_ptr<TMediaLayer> LayerValue;
};

}  // namespace orbel::media
