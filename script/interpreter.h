#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The interpreter: one script line per posted step. Commands reach the window only through IScriptHost.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/errors.h"
#include "script/script_text.h"

namespace orbel::script {

// An error in a script line; the text is what the user sees (UTF-8).
class EScriptError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

// How the stage is filled before a picture goes on it. The values are the numbers the "disp" command takes;
// "trans" always starts from the picture shown.
enum TStageMode : int32_t { smWall = 0, smBlack = 1, smWhite = 2, smScreen = 3 };

// The effect that carries the stage to the window. The values are the numbers "disp" and "trans" take;
// tkNone is the resting state between effects, which no script number selects.
enum TTransitionKind : int32_t { tkNone = 0, tkBox = 1, tkDissolve = 2, tkSlide = 3, tkCut = 4 };

// A script's number as a stage mode; nothing for a number that names none (the stage is then left as it is).
constexpr std::optional<TStageMode> StageModeFromScript(int32_t number) {
  if (number < smWall || number > smScreen) return std::nullopt;
  return static_cast<TStageMode>(number);
}

// A script's number as an effect; nothing outside 1..4 (the effect already chosen then stays).
constexpr std::optional<TTransitionKind> TransitionKindFromScript(int32_t number) {
  if (number < tkBox || number > tkCut) return std::nullopt;
  return static_cast<TTransitionKind>(number);
}

// What a media device reports it is doing; the commands wait while it plays.
enum TMediaMode : uint8_t {
  mmNotReady = 0,
  mmStopped = 1,
  mmPlaying = 2,
  mmRecording = 3,
  mmSeeking = 4,
  mmPaused = 5,
  mmOpen = 6,
};

// A movie control or the wave channel, as the commands use it.
class IScriptMedia {
 public:
  virtual ~IScriptMedia() = default;
  virtual uint16_t DeviceID() = 0;
  virtual TMediaMode Mode() = 0;
  virtual int32_t Position() = 0;
  virtual void SetFileName(const std::string& path) = 0;
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual void WaitOnce(bool wait) = 0;
  virtual void SetVisible(bool visible) = 0;
};

// What the engine window offers the interpreter. Every call happens on the GUI thread.
class IScriptHost {
 public:
  virtual ~IScriptHost() = default;
  // Queues one step; never runs it at once.
  virtual void PostStep() = 0;
  // The status text of the line being run: "N:line", in the script's bytes.
  virtual void SetStatusLine(const std::string& text) = 0;
  virtual std::string FindDataFile(const std::string& name) = 0;
  // Script bytes as UTF-8, for error texts that quote the script.
  virtual std::string DecodeText(std::string_view bytes) = 0;

  virtual void PrepareStage(TStageMode mode) = 0;
  // `mode` and `kind` are the command's numbers as written; StageModeFromScript and TransitionKindFromScript
  // say what they select.
  virtual void DispPicture(const std::string& fileName, int32_t mode, int32_t kind) = 0;
  virtual void TransPicture(const std::string& fileName, int32_t kind) = 0;

  virtual void BoardClear() = 0;
  virtual void BoardSetVisible(bool visible) = 0;
  // `line` is the script line (from 0) of the command, which names the text where a translation replaces it.
  virtual void BoardSetText(int32_t line, const TStringList& lines) = 0;

  virtual IScriptMedia& LogoMovie() = 0;    // Movie0
  virtual IScriptMedia& ScriptMovie() = 0;  // Movie1
  virtual IScriptMedia& WaveChannel() = 0;  // PCM

  // Dispatches the pending events (steps, paints, timer ticks, input), including those posted while
  // dispatching, and goes on until no step is queued (or the window is closing), then returns; other events
  // may still be pending then. A step found queued runs its whole line in here.
  virtual void DispatchPending() = 0;
  // Sleeps in the event loop until something arrives (an event, a timer) or `ms` milliseconds have passed,
  // and dispatches what arrived. Never sleeps past `ms`; returns at once for 0 or less.
  virtual void WaitForEvents(int ms) = 0;
  // A millisecond counter that may wrap around.
  virtual uint32_t TickCount() = 0;
  // The window is closing: waits end early and steps do nothing.
  virtual bool Closing() = 0;
};

// Waits nest when a step queued during a wait runs inside it and waits in turn. Real scripts nest two or
// three deep; a script whose chains of steps multiply would nest without end and overflow the stack, so a
// wait that would go deeper than this returns at once.
inline constexpr int kMaxNestedWaits = 64;

class TInterpreter {
 public:
  explicit TInterpreter(IScriptHost& host);

  // Takes the whole script text; builds Keywords and ScriptLines.
  void LoadScript(std::string_view text);
  void LoadScriptLines(const TStringList& lines);
  // Frees the lists at close; later steps do nothing.
  void Release();

  // Handles one posted step: runs line NextLine, or nothing when the script has ended.
  void Step();
  // Waits `ms` milliseconds while dispatching events; returns at once for 0 or less.
  void Delay(int32_t ms);

  bool Ended() const { return NextLine >= static_cast<int64_t>(ScriptLines.size()); }
  // The step started latest left with an error, whether it ran on its own or inside another line's wait: the
  // script rests at that line, even when it was the last one.
  bool LastStepFailed() const { return LastStepFailedValue; }
  // A command is waiting inside its handler (a nested step may still be on top of it).
  bool Waiting() const { return WaitDepth > 0; }

  TStringList Keywords;
  TStringList ScriptLines;
  int32_t NextLine = 0;

 private:
  // The jump targets (FirstLineByFoldedText), built with ScriptLines.
  std::unordered_map<std::string, int32_t> Labels;

  class TWaitScope;

  const std::string& Field(const TStringList& fields, size_t index) const;
  int32_t NumberField(const TStringList& fields, size_t index) const;
  int Lookup(const TStringList& fields, size_t index) const;

  void DoDisp(const TStringList& fields);
  void DoTrans(const TStringList& fields);
  void DoBoard(int32_t line, TStringList fields);
  void DoAvi(const TStringList& fields);
  void DoPcm(const TStringList& fields);
  void DoWait(const TStringList& fields);
  void DoJump(const TStringList& fields);
  bool MediaCommand(IScriptMedia& media, int code, const TStringList& fields);
  // Asks a device while it plays (and, with a limit, while its position is below it), again after each round
  // of dispatching the pending events and sleeping at most 10 ms (less when an event arrives).
  void WaitWhilePlaying(IScriptMedia& media, const int32_t* limit);

  IScriptHost& Host;
  int WaitDepth = 0;
  bool LastStepFailedValue = false;
  uint64_t StepsStarted = 0;
};

}  // namespace orbel::script
