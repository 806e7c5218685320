// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/interpreter.h"

#include <exception>
#include <string>

namespace orbel::script {

namespace {
// The media waits ask their device again after this long at most; Delay sleeps until its own end.
constexpr int kMediaPollMs = 10;
constexpr int32_t kPlayPauseMs = 100;
}  // namespace

// Counts the waits in progress, also when an error leaves one.
class TInterpreter::TWaitScope {
 public:
  explicit TWaitScope(int& depth) : Depth(depth) { ++Depth; }
  ~TWaitScope() { --Depth; }
  TWaitScope(const TWaitScope&) = delete;
  TWaitScope& operator=(const TWaitScope&) = delete;

 private:
  int& Depth;
};

TInterpreter::TInterpreter(IScriptHost& host) : Host(host) {}

void TInterpreter::LoadScript(std::string_view text) {
  LoadScriptLines(SplitScriptText(text));
}

void TInterpreter::LoadScriptLines(const TStringList& lines) {
  Keywords = SplitCommaText(kKeywordCommaText);
  ScriptLines = lines;
  Labels = FirstLineByFoldedText(ScriptLines);
}

void TInterpreter::Release() {
  ScriptLines = TStringList();
  Keywords = TStringList();
  Labels = {};
}

const std::string& TInterpreter::Field(const TStringList& fields, size_t index) const {
  if (index >= fields.size())
    throw EScriptError("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (" + std::to_string(index) + ")");
  return fields[index];
}

int32_t TInterpreter::NumberField(const TStringList& fields, size_t index) const {
  const std::string& text = Field(fields, index);
  const auto value = ParseNumber(text);
  if (!value) throw EScriptError("'" + Host.DecodeText(text) + "' は整数ではありません");
  return *value;
}

int TInterpreter::Lookup(const TStringList& fields, size_t index) const {
  return KeywordCode(Field(fields, index));
}

void TInterpreter::Step() {
  if (Host.Closing() || Ended() || NextLine < 0) return;
  const std::string& line = ScriptLines[static_cast<size_t>(NextLine)];
  const uint64_t serial = ++StepsStarted;
  if (line.size() > kMaxScriptLineBytes) {
    // Refused before its text goes anywhere; the script rests here like after any failed line.
    LastStepFailedValue = true;
    ++NextLine;
    throw EScriptError(std::to_string(NextLine) + " 行目が長すぎます (" + std::to_string(line.size()) +
                       " バイト、上限 " + std::to_string(kMaxScriptLineBytes) + " バイト)");
  }
  Host.SetStatusLine(std::to_string(NextLine) + ":" + line);
  TStringList fields = SplitCommaText(line);
  const int32_t lineNumber = NextLine++;
  // Stays set when an error leaves the step; errors are caught only by the event dispatch around it. A step
  // that waits may return long after a later step ran inside its wait: the outcome that counts is the later
  // one's, so only the step started last may clear the flag.
  LastStepFailedValue = true;
  struct TClearOnSuccess {
    TInterpreter& Self;
    uint64_t Serial;
    int Exceptions = std::uncaught_exceptions();
    ~TClearOnSuccess() {
      if (std::uncaught_exceptions() == Exceptions && Self.StepsStarted == Serial)
        Self.LastStepFailedValue = false;
    }
  } clearOnSuccess{*this, serial};
  const int code = Lookup(fields, 0);
  // An empty field 0 (a line starting with a comma or with "") runs as an unknown word.
  if (!fields[0].empty() && fields[0][0] == '#') {
    Host.PostStep();
    return;
  }
  switch (code) {
    case kwDisp:
      DoDisp(fields);
      break;
    case kwTrans:
      DoTrans(fields);
      break;
    case kwBoard:
      DoBoard(lineNumber, std::move(fields));
      break;
    case kwAvi:
      DoAvi(fields);
      break;
    case kwPcm:
      DoPcm(fields);
      break;
    case kwWait:
      DoWait(fields);
      break;
    case kwJump:
      DoJump(fields);
      break;
    default:
      Host.PostStep();
      break;
  }
}

void TInterpreter::DoDisp(const TStringList& fields) {
  const int32_t kind = NumberField(fields, 2);
  const int32_t mode = NumberField(fields, 1);
  const std::string& fileName = Field(fields, 3);
  Host.DispPicture(fileName, mode, kind);
  if (fields[1] == "0") Host.PostStep();
}

void TInterpreter::DoTrans(const TStringList& fields) {
  Host.PrepareStage(smScreen);
  const int32_t kind = NumberField(fields, 2);
  NumberField(fields, 1);  // read for its check only
  const std::string& fileName = Field(fields, 3);
  Host.TransPicture(fileName, kind);
  if (fields[1] == "0") Host.PostStep();
}

void TInterpreter::DoBoard(int32_t line, TStringList fields) {
  fields.erase(fields.begin());
  switch (Lookup(fields, 0)) {
    case kwClear:
      Host.BoardClear();
      break;
    case kwOn:
      Host.BoardSetVisible(true);
      break;
    case kwOff:
      Host.BoardSetVisible(false);
      break;
    case kwSet:
      fields.erase(fields.begin());
      Host.BoardSetText(line, fields);
      break;
    default:
      break;
  }
  Host.PostStep();
}

void TInterpreter::WaitWhilePlaying(IScriptMedia& media, const int32_t* limit) {
  if (WaitDepth >= kMaxNestedWaits) return;
  TWaitScope scope(WaitDepth);
  // The device is asked again each round: a nested step may close it.
  while (!Host.Closing() && media.DeviceID() != 0 && media.Mode() == mmPlaying) {
    if (limit && media.Position() >= *limit) break;
    Host.DispatchPending();
    Host.WaitForEvents(kMediaPollMs);
  }
}

// The forms that movies and the wave channel share: wait, time, play and stop. Returns false for other words.
bool TInterpreter::MediaCommand(IScriptMedia& media, int code, const TStringList& fields) {
  switch (code) {
    case kwWait:
      WaitWhilePlaying(media, nullptr);
      return true;
    case kwTime:
      // A closed device does not even read its field.
      if (media.DeviceID() != 0) {
        const int32_t limit = NumberField(fields, 2);
        WaitWhilePlaying(media, &limit);
      }
      return true;
    case kwPlay: {
      const std::string path = Host.FindDataFile(Field(fields, 2));
      media.SetFileName(path);
      if (!path.empty()) {
        if (media.DeviceID() != 0) media.Close();
        media.Open();
        media.Play();
        Delay(kPlayPauseMs);
      }
      return true;
    }
    case kwStop:
      if (media.DeviceID() != 0) media.Stop();
      return true;
    default:
      return false;
  }
}

void TInterpreter::DoAvi(const TStringList& fields) {
  IScriptMedia& movie = Host.ScriptMovie();
  const int code = Lookup(fields, 1);
  if (!MediaCommand(movie, code, fields)) {
    if (code == kwOn || code == kwOff) {
      movie.SetVisible(code == kwOn);
    } else if (code == kwLogo) {
      IScriptMedia& logo = Host.LogoMovie();
      logo.WaitOnce(true);
      logo.Play();
      logo.SetVisible(false);
    }
  }
  Host.PostStep();
}

void TInterpreter::DoPcm(const TStringList& fields) {
  MediaCommand(Host.WaveChannel(), Lookup(fields, 1), fields);
  Host.PostStep();
}

void TInterpreter::DoWait(const TStringList& fields) {
  if (Lookup(fields, 1) == kwTime) Delay(NumberField(fields, 2));
  Host.PostStep();
}

void TInterpreter::DoJump(const TStringList& fields) {
  // No matching line starts the script again.
  const auto label = Labels.find(FoldCaseBlind(Field(fields, 1)));
  NextLine = label != Labels.end() ? label->second + 1 : 0;
  Host.PostStep();
}

void TInterpreter::Delay(int32_t ms) {
  if (ms <= 0 || WaitDepth >= kMaxNestedWaits) return;
  TWaitScope scope(WaitDepth);
  const uint32_t start = Host.TickCount();
  const auto elapsed = [&] { return Host.TickCount() - start; };
  while (!Host.Closing() && elapsed() < static_cast<uint32_t>(ms)) {
    Host.DispatchPending();
    // The dispatch may have run long (a nested step waits too); sleep only for what is left.
    const uint32_t done = elapsed();
    if (Host.Closing() || done >= static_cast<uint32_t>(ms)) break;
    Host.WaitForEvents(static_cast<int>(static_cast<uint32_t>(ms) - done));
  }
}

}  // namespace orbel::script
