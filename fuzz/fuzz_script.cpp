// SPDX-License-Identifier: GPL-3.0-or-later
// Script text from arbitrary bytes, read as Shift-JIS and as UTF-8: the line and field readers, numbers, the
// label table, then the interpreter's steps against a host that never sleeps, never opens a window and stops
// after a fixed amount of work (a script may loop for ever on purpose).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/script_encoding.h"
#include "script/interpreter.h"

namespace {

using namespace orbel::script;

// Every step, dispatch and sleep costs one unit; past this the host reports that the window is closing, which
// ends waits and makes further steps do nothing.
constexpr int kWorkBudget = 1000;

class TFuzzMedia : public IScriptMedia {
 public:
  uint16_t DeviceID() override { return Id; }
  TMediaMode Mode() override {
    if (PlayingPolls == 0) return mmStopped;
    --PlayingPolls;
    ++Pos;
    return mmPlaying;
  }
  int32_t Position() override { return Pos; }
  void SetFileName(const std::string& path) override { File = path; }
  void Open() override { Id = File.empty() ? 0 : 1; }
  void Close() override { Id = 0; }
  void Play() override {
    // A file plays for a number of polls its name decides, so that waits run both short and long.
    PlayingPolls = Id != 0 ? static_cast<int>(File.size() % 7) * 20 : 0;
    Pos = 0;
  }
  void Stop() override { PlayingPolls = 0; }
  void WaitOnce(bool) override {}
  void SetVisible(bool) override {}

 private:
  std::string File;
  uint16_t Id = 0;
  int PlayingPolls = 0;
  int32_t Pos = 0;
};

class TFuzzHost : public IScriptHost {
 public:
  TFuzzHost() : Interpreter(*this) {}

  void PostStep() override { ++QueuedSteps; }
  void SetStatusLine(const std::string&) override {}
  // Names of odd length exist, others are missing: both paths of every file command are taken.
  std::string FindDataFile(const std::string& name) override {
    return name.size() % 2 == 1 ? "/game/Data/" + name : std::string();
  }
  std::string DecodeText(std::string_view bytes) override { return std::string(bytes); }
  void PrepareStage(TStageMode) override {}
  void DispPicture(const std::string&, int32_t, int32_t kind) override { StartTransition(kind); }
  void TransPicture(const std::string&, int32_t kind) override { StartTransition(kind); }
  void BoardClear() override {}
  void BoardSetVisible(bool) override {}
  void BoardSetText(int32_t, const TStringList&) override {}
  IScriptMedia& LogoMovie() override { return Movie0; }
  IScriptMedia& ScriptMovie() override { return Movie1; }
  IScriptMedia& WaveChannel() override { return Wave; }
  // A dispatch ends a running transition (which posts a step, as the window's timer does) and runs the steps
  // already queued, nested, as the event loop would inside a wait.
  void DispatchPending() override {
    if (!Spend()) return;
    if (TransitionRunning) {
      TransitionRunning = false;
      PostStep();
    }
    // Every queued step, and the ones they queue, as the window's dispatch does; the budget ends loops.
    while (QueuedSteps > 0 && !Closing()) RunQueuedStep();
  }
  void WaitForEvents(int ms) override {
    Spend();
    Clock += static_cast<uint32_t>(ms);
  }
  uint32_t TickCount() override { return Clock; }
  bool Closing() override { return Work >= kWorkBudget; }

  void RunQueuedStep() {
    --QueuedSteps;
    if (!Spend()) return;
    try {
      Interpreter.Step();
    } catch (const EScriptError&) {
      // The window reports it and the script rests on that line.
    }
  }
  void Run() {
    PostStep();
    while (QueuedSteps > 0 && !Closing()) RunQueuedStep();
    Interpreter.Release();
  }

  TInterpreter Interpreter;

 private:
  bool Spend() { return ++Work < kWorkBudget; }
  void StartTransition(int32_t kind) {
    if (TransitionKindFromScript(kind)) TransitionRunning = true;
  }

  TFuzzMedia Movie0, Movie1, Wave;
  int QueuedSteps = 0;
  int Work = 0;
  uint32_t Clock = 0;
  bool TransitionRunning = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const orbel::platform::TScriptEncoding encoding :
       {orbel::platform::seCp932, orbel::platform::seUtf8}) {
    orbel::platform::SetScriptEncoding(encoding);
    // The text helpers on their own, over every line and field.
    for (const std::string& line : SplitScriptText(text)) {
      const TStringList fields = SplitCommaText(line);
      for (const std::string& field : fields) {
        ParseNumber(field);
        // Folding changes letters, never the length: a jump's label stays the text it was.
        if (FoldCaseBlind(field).size() != field.size()) __builtin_trap();
      }
      if (fields.size() >= 2) SameTextCaseBlind(fields[0], fields[1]);
    }
    TFuzzHost host;
    host.Interpreter.LoadScript(text);
    host.Run();
  }
  orbel::platform::SetScriptEncoding(orbel::platform::seCp932);
  return 0;
}
