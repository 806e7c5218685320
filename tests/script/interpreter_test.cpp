// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/script_encoding_scope.h"

namespace orbel::script {
namespace {

// A device that plays for a number of polls of its mode.
class TFakeMedia : public IScriptMedia {
 public:
  explicit TFakeMedia(std::string name, std::vector<std::string>& log) : Name(std::move(name)), Log(log) {}
  uint16_t DeviceID() override { return Id; }
  TMediaMode Mode() override {
    if (PlayingPolls > 0) {
      --PlayingPolls;
      ++Pos;
      return mmPlaying;
    }
    return mmStopped;
  }
  int32_t Position() override { return Pos; }
  void SetFileName(const std::string& path) override { Log.push_back(Name + ".file=" + path); }
  void Open() override {
    Log.push_back(Name + ".open");
    Id = 1;
  }
  void Close() override {
    Log.push_back(Name + ".close");
    Id = 0;
  }
  void Play() override {
    Log.push_back(Name + ".play");
    PlayingPolls = PlayLength;
    Pos = 0;
  }
  void Stop() override { Log.push_back(Name + ".stop"); }
  void WaitOnce(bool wait) override { Log.push_back(Name + ".waitonce=" + (wait ? "1" : "0")); }
  void SetVisible(bool visible) override { Log.push_back(Name + (visible ? ".show" : ".hide")); }

  std::string Name;
  std::vector<std::string>& Log;
  uint16_t Id = 0;
  int PlayLength = 0;
  int PlayingPolls = 0;
  int32_t Pos = 0;
};

class TFakeHost : public IScriptHost {
 public:
  TFakeHost() : Interpreter(*this) {}

  void PostStep() override { ++QueuedSteps; }
  void SetStatusLine(const std::string& text) override { Status.push_back(text); }
  std::string FindDataFile(const std::string& name) override {
    for (const auto& file : Files)
      if (file == name) return "/game/Data/" + name;
    return {};
  }
  std::string DecodeText(std::string_view bytes) override { return std::string(bytes); }
  void PrepareStage(TStageMode mode) override { Log.push_back("stage " + std::to_string(mode)); }
  void DispPicture(const std::string& file, int32_t mode, int32_t kind) override {
    Log.push_back("disp " + file + " " + std::to_string(mode) + " " + std::to_string(kind));
    if (kind >= 1 && kind <= 4) TransitionRunning = true;
  }
  void TransPicture(const std::string& file, int32_t kind) override {
    Log.push_back("trans " + file + " " + std::to_string(kind));
    if (kind >= 1 && kind <= 4) TransitionRunning = true;
  }
  void BoardClear() override { Log.push_back("board clear"); }
  void BoardSetVisible(bool visible) override { Log.push_back(visible ? "board on" : "board off"); }
  void BoardSetText(int32_t number, const TStringList& lines) override {
    BoardLines.push_back(number);
    std::string text = "board text";
    for (const auto& line : lines) text += " [" + line + "]";
    Log.push_back(text);
  }
  IScriptMedia& LogoMovie() override { return Movie0; }
  IScriptMedia& ScriptMovie() override { return Movie1; }
  IScriptMedia& WaveChannel() override { return Wave; }
  // Dispatching runs the queued steps, and those they queue, until none is left (as the window does inside a
  // wait); a limit stops scripts that loop.
  void DispatchPending() override {
    ++Dispatches;
    if (OnDispatch) OnDispatch();
    for (int limit = 10000; QueuedSteps > 0 && limit > 0; --limit) RunQueuedStep();
  }
  // Sleeps to the deadline, or to the next event when one comes every EventEveryMs (the window's timer).
  void WaitForEvents(int ms) override {
    ++Waits;
    Clock += static_cast<uint32_t>(EventEveryMs > 0 && EventEveryMs < ms ? EventEveryMs : ms);
  }
  uint32_t TickCount() override { return Clock; }
  bool Closing() override { return ClosingFlag; }

  // Runs one queued step the way the window does, errors reported and swallowed at the dispatch.
  void RunQueuedStep() {
    --QueuedSteps;
    try {
      Interpreter.Step();
    } catch (const EScriptError& error) {
      Errors.push_back(error.what());
    }
  }
  // Runs steps until none is queued (or a limit, for scripts that loop).
  void RunUntilRest(int limit = 1000) {
    while (QueuedSteps > 0 && limit-- > 0) RunQueuedStep();
  }
  void Start(const std::string& text) {
    Interpreter.LoadScript(text);
    Interpreter.NextLine = 0;
    PostStep();
    RunUntilRest();
  }
  // The transition ends, as FinishTransition does.
  void FinishTransition() {
    TransitionRunning = false;
    PostStep();
  }

  TInterpreter Interpreter;
  std::vector<std::string> Log, Status, Errors, Files;
  std::vector<int32_t> BoardLines;  // the line of each board text
  TFakeMedia Movie0{"movie0", Log}, Movie1{"movie1", Log}, Wave{"pcm", Log};
  int QueuedSteps = 0;
  int Dispatches = 0;
  int Waits = 0;
  int EventEveryMs = 0;
  uint32_t Clock = 0;
  bool ClosingFlag = false;
  bool TransitionRunning = false;
  std::function<void()> OnDispatch;
};

TEST(Interpreter, StatusTextLabelsAndUnknownWordsRunOn) {
  TFakeHost host;
  host.Start("#start\r\nanime,1\r\nfoo\r\nend\r\n\"\",x\r\n,y\r\nboard,on");
  EXPECT_EQ(host.Status,
            (TStringList{"0:#start", "1:anime,1", "2:foo", "3:end", "4:\"\",x", "5:,y", "6:board,on"}));
  EXPECT_EQ(host.Log, (TStringList{"board on"}));
  EXPECT_TRUE(host.Errors.empty());
  EXPECT_TRUE(host.Interpreter.Ended());
  // Once ended, later steps do nothing.
  host.PostStep();
  host.RunUntilRest();
  EXPECT_EQ(host.Status.size(), 7u);
}

TEST(Interpreter, ErrorsTextsAndPositions) {
  const struct {
    const char* line;
    const char* error;
  } cases[] = {
      {"", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
      {"  \t", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
      {"board", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)"},
      {"jump", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (1)"},
      {"wait,time", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)"},
      {"wait", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (1)"},
      {"disp,1", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)"},
      {"disp,1,2", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (3)"},
      {"disp,x,2,f", "'x' は整数ではありません"},
      {"disp,x,y,f", "'y' は整数ではありません"},
      {"trans,1,2", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (3)"},
      {"trans,q,2,f", "'q' は整数ではありません"},
      {"avi", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (1)"},
      {"avi,play", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)"},
      {"pcm,play", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)"},
      {"wait,time,1e3", "'1e3' は整数ではありません"},
  };
  for (const auto& c : cases) {
    TFakeHost host;
    host.Start(std::string(c.line) + "\r\nboard,on");
    ASSERT_EQ(host.Errors.size(), 1u) << c.line;
    EXPECT_EQ(host.Errors[0], c.error) << c.line;
    // The script rests on the failing line and posted nothing.
    EXPECT_EQ(host.QueuedSteps, 0);
    EXPECT_EQ(host.Interpreter.NextLine, 1) << c.line;
    EXPECT_TRUE(host.Interpreter.LastStepFailed());
  }
}

TEST(Interpreter, RestingAfterErrorResumesAtNextLineOnLaterStep) {
  TFakeHost host;
  host.Start("board,on\r\nwait,time,oops\r\nboard,off");
  EXPECT_EQ(host.Log, (TStringList{"board on"}));
  EXPECT_FALSE(host.Interpreter.Ended());
  // A transition started from the keyboard ends and posts a step.
  host.FinishTransition();
  host.RunUntilRest();
  EXPECT_EQ(host.Log, (TStringList{"board on", "board off"}));
  EXPECT_TRUE(host.Interpreter.Ended());
  EXPECT_FALSE(host.Interpreter.LastStepFailed());
}

TEST(Interpreter, DispAndTransReadFieldsInOrderAndFollowTheZeroTest) {
  TFakeHost host;
  host.Files = {"bg"};
  host.Start("disp,1,2,bg");
  EXPECT_EQ(host.Log, (TStringList{"disp bg 1 2"}));
  EXPECT_EQ(host.QueuedSteps, 0);  // waits for the transition
  host.Log.clear();
  host.Start("disp,0,2,bg\r\ndisp,00,3,x\r\ntrans,0,4,c\r\ntrans,+0,1,c");
  // "0" posts at once; "00" is the number 0 but not the text "0".
  EXPECT_EQ(host.Log, (TStringList{"disp bg 0 2", "disp x 0 3"}));
  host.FinishTransition();
  host.RunUntilRest();
  EXPECT_EQ(host.Log,
            (TStringList{"disp bg 0 2", "disp x 0 3", "stage 3", "trans c 4", "stage 3", "trans c 1"}));
}

TEST(Interpreter, OnlyTheNamedNumbersSelectAModeOrAnEffect) {
  EXPECT_FALSE(StageModeFromScript(-1));
  EXPECT_EQ(StageModeFromScript(0), smWall);
  EXPECT_EQ(StageModeFromScript(3), smScreen);
  EXPECT_FALSE(StageModeFromScript(4));
  // 0 is no effect to choose: the one chosen before stays.
  EXPECT_FALSE(TransitionKindFromScript(0));
  EXPECT_EQ(TransitionKindFromScript(1), tkBox);
  EXPECT_EQ(TransitionKindFromScript(4), tkCut);
  EXPECT_FALSE(TransitionKindFromScript(5));
}

TEST(Interpreter, DispWithoutTransitionRests) {
  TFakeHost host;
  host.Start("disp,1,0,x\r\nboard,on");
  EXPECT_EQ(host.Log, (TStringList{"disp x 1 0"}));
  EXPECT_EQ(host.QueuedSteps, 0);
  EXPECT_FALSE(host.Interpreter.Ended());
  EXPECT_FALSE(host.Interpreter.LastStepFailed());
}

TEST(Interpreter, ZeroWithTransitionStartsTwoChains) {
  TFakeHost host;
  host.Interpreter.LoadScript("disp,0,2,a\r\nboard,on\r\nboard,off\r\nboard,clear");
  host.PostStep();
  host.RunQueuedStep();  // disp: posts at once and starts a transition
  EXPECT_EQ(host.QueuedSteps, 1);
  host.FinishTransition();
  EXPECT_EQ(host.QueuedSteps, 2);
  host.RunUntilRest();
  EXPECT_EQ(host.Log, (TStringList{"disp a 0 2", "board on", "board off", "board clear"}));
}

TEST(Interpreter, JumpFindsWholeLineCaseBlindOrRestarts) {
  TFakeHost host;
  host.Interpreter.LoadScript("board,on\r\n #a\r\n#A,x\r\n#a\r\nboard,off\r\njump,#A");
  host.PostStep();
  for (int i = 0; i < 9; ++i) host.RunQueuedStep();
  // 0 1 2 3 4 5, then 4 5 (the jump lands after line 3), then 4 again.
  EXPECT_EQ(host.Status.back(), "4:board,off");
  EXPECT_EQ(host.Status[6], "4:board,off");
  TFakeHost missing;
  missing.Interpreter.LoadScript("board,on\r\njump,#nowhere");
  missing.PostStep();
  for (int i = 0; i < 3; ++i) missing.RunQueuedStep();
  EXPECT_EQ(missing.Status, (TStringList{"0:board,on", "1:jump,#nowhere", "0:board,on"}));
}

TEST(Interpreter, JumpTargetsFollowTheLatestLoadAndFoldFullWidthLetters) {
  TFakeHost host;
  host.Interpreter.LoadScript("#x\r\nboard,on");
  // "#\x82\x81" is a full-width a, "#\x82\x60" a full-width A.
  host.Start("board,on\r\nboard,off\r\n#\x82\x60\r\n#X\r\nboard,clear\r\njump,#\x82\x81\r\njump,#x");
  EXPECT_EQ(host.Status.size(), 1000u);  // a loop: line 5 jumps back to line 3
  EXPECT_EQ(host.Status[6], "3:#X");
  EXPECT_EQ(host.Status[9], "3:#X");
}

// A UTF-8 script: the mark is no part of the first line, so a jump reaches the label on it, and the board
// gets its fields whole.
TEST(Interpreter, Utf8ScriptJumpsToItsLabelsAndSplitsItsText) {
  tests::TScriptEncodingScope scope(platform::seUtf8);
  TFakeHost host;
  // #старт, board,set,あ,い, jump,#старт
  host.Start(
      "\xEF\xBB\xBF#\xD1\x81\xD1\x82\xD0\xB0\xD1\x80\xD1\x82\r\n"
      "board,set,\xE3\x81\x82,\xE3\x81\x84\r\njump,#\xD1\x81\xD1\x82\xD0\xB0\xD1\x80\xD1\x82");
  ASSERT_GE(host.Status.size(), 5u);
  EXPECT_EQ(host.Status[0], "0:#\xD1\x81\xD1\x82\xD0\xB0\xD1\x80\xD1\x82");
  EXPECT_EQ(host.Status[3], "1:board,set,\xE3\x81\x82,\xE3\x81\x84") << "the jump lands after the label";
  EXPECT_EQ(host.Log[0], "board text [\xE3\x81\x82] [\xE3\x81\x84]");
}

TEST(Interpreter, OverlongLineIsRefusedBeforeItsTextGoesAnywhere) {
  TFakeHost host;
  const std::string longLine = "board,set," + std::string(kMaxScriptLineBytes, 'a');
  host.Start("board,on\r\n" + longLine + "\r\nboard,off");
  ASSERT_EQ(host.Errors.size(), 1u);
  EXPECT_EQ(host.Errors[0], "2 行目が長すぎます (65546 バイト、上限 65536 バイト)");
  EXPECT_EQ(host.Status, (TStringList{"0:board,on"}));
  EXPECT_EQ(host.Log, (TStringList{"board on"}));
  EXPECT_TRUE(host.Interpreter.LastStepFailed());
  // Like any failed line, the script rests and goes on after it with the next step.
  host.FinishTransition();
  host.RunUntilRest();
  EXPECT_EQ(host.Log, (TStringList{"board on", "board off"}));
  // A line of exactly the limit still runs.
  TFakeHost limit;
  limit.Start(std::string(kMaxScriptLineBytes, '#'));
  EXPECT_TRUE(limit.Errors.empty());
}

// "disp,0,k" posts a step and starts a transition whose end posts another: a loop over it multiplies the
// chains of steps, and each chain's wait runs the others nested inside it. The nesting must stop at a fixed
// depth instead of growing until the stack runs out.
TEST(Interpreter, MultiplyingChainsNestWaitsOnlyToTheLimit) {
  class TDepthHost : public TFakeHost {
   public:
    void DispatchPending() override {
      MaxDepth = std::max(MaxDepth, ++Depth);
      if (TransitionRunning && ++Ticks % 3 == 0) FinishTransition();
      if (Status.size() >= 3000) ClosingFlag = true;  // steps, whatever a wait costs in dispatches
      TFakeHost::DispatchPending();
      --Depth;
    }
    int Depth = 0, MaxDepth = 0, Ticks = 0;
  } host;
  host.Start("#top\r\ndisp,0,1,x\r\nwait,time,100\r\njump,#top");
  EXPECT_GT(host.MaxDepth, 10);
  EXPECT_LE(host.MaxDepth, kMaxNestedWaits);
  EXPECT_TRUE(host.Errors.empty());
}

TEST(Interpreter, BoardCommands) {
  TFakeHost host;
  host.Start(
      "board,set,hello world\r\nboard,set,\"hello "
      "world\"\r\nboard,set\r\nBOARD,Clear\r\nboard,xyz\r\nboard,off");
  EXPECT_EQ(host.Log, (TStringList{"board text [hello] [world]", "board text [hello world]", "board text",
                                   "board clear", "board off"}));
  // Each text comes with its own line, what a translation names it by.
  EXPECT_EQ(host.BoardLines, (std::vector<int32_t>{0, 1, 2}));
}

TEST(Interpreter, DelayWaitsDispatchingAndIgnoresNonPositive) {
  TFakeHost host;
  host.Start("wait,time,0\r\nwait,time,-5\r\nwait,play,100");
  EXPECT_EQ(host.Dispatches, 0);
  EXPECT_EQ(host.Clock, 0u);
  // Nothing arrives: one dispatch, then one sleep to the end.
  host.Start("wait,time,20");
  EXPECT_EQ(host.Clock, 20u);
  EXPECT_EQ(host.Dispatches, 1);
  EXPECT_EQ(host.Waits, 1);
  // Every event that wakes the wait is dispatched, and the wait sleeps on for exactly what is left.
  host.Dispatches = host.Waits = 0;
  host.EventEveryMs = 50;
  host.Start("wait,time,120");
  EXPECT_EQ(host.Clock, 140u);
  EXPECT_EQ(host.Dispatches, 3);
  EXPECT_EQ(host.Waits, 3);
}

TEST(Interpreter, DelaySurvivesTickCounterWrapAround) {
  TFakeHost host;
  host.Clock = 0xFFFFFFF0u;
  host.Start("wait,time,40");
  EXPECT_EQ(host.Clock, 0xFFFFFFF0u + 40u);
}

TEST(Interpreter, StepsQueuedDuringAWaitRunNestedInsideIt) {
  TFakeHost host;
  host.Interpreter.LoadScript("disp,0,2,a\r\nwait,time,5\r\nboard,on\r\nboard,off");
  host.PostStep();
  host.RunQueuedStep();  // disp posts one step; its transition ends while the next line waits
  host.OnDispatch = [&host] {
    if (host.TransitionRunning) host.FinishTransition();
  };
  host.RunQueuedStep();  // the transition's step runs its chain to the end inside the wait
  EXPECT_EQ(host.Log, (TStringList{"disp a 0 2", "board on", "board off"}));
  EXPECT_EQ(host.QueuedSteps, 1);  // only the wait's own
  EXPECT_FALSE(host.Interpreter.Waiting());
}

TEST(Interpreter, ANestedChainRunsWholeInOneDispatch) {
  TFakeHost host;
  std::string script = "disp,0,4,a\r\nwait,time,1000\r\n";
  for (int i = 0; i < 60; ++i) script += "#l" + std::to_string(i) + "\r\n";
  script += "board,on\r\n";
  host.Interpreter.LoadScript(script);
  host.PostStep();
  host.RunQueuedStep();
  host.OnDispatch = [&host] {
    if (host.TransitionRunning) host.FinishTransition();
  };
  host.EventEveryMs = 50;
  host.RunQueuedStep();
  // The 60 labels and the board line ran in the wait's first dispatch; the wait went on to its end.
  EXPECT_EQ(host.Status.size(), 2u + 60u + 1u);
  EXPECT_EQ(host.Log.back(), "board on");
  EXPECT_EQ(host.Clock, 1000u);
}

TEST(Interpreter, MovieCommands) {
  TFakeHost host;
  host.Files = {"m.avi"};
  host.Movie1.PlayLength = 5;
  host.Start("avi,play,m.avi\r\navi,wait\r\navi,off\r\navi,on\r\navi,stop\r\navi,play,missing\r\navi,bogus");
  EXPECT_EQ(host.Log, (TStringList{"movie1.file=/game/Data/m.avi", "movie1.open", "movie1.play",
                                   "movie1.hide", "movie1.show", "movie1.stop", "movie1.file="}));
  // The play's 100 ms pause, then the wait polled while the movie played.
  EXPECT_GE(host.Clock, 100u);
}

TEST(Interpreter, MovieWaitsEndAtOnceWhenClosedAndTimeFormSkipsItsField) {
  TFakeHost host;
  host.Start("avi,wait\r\navi,time\r\npcm,wait\r\npcm,time\r\navi,stop\r\npcm,stop");
  EXPECT_TRUE(host.Errors.empty());
  EXPECT_TRUE(host.Log.empty());
  EXPECT_EQ(host.Dispatches, 0);
}

TEST(Interpreter, TimeFormsStopAtThePosition) {
  TFakeHost host;
  host.Files = {"s.wav"};
  host.Wave.PlayLength = 1000;
  host.Start("pcm,play,s.wav\r\npcm,time,30");
  EXPECT_EQ(host.Wave.Pos, 30);
  EXPECT_EQ(host.Log, (TStringList{"pcm.file=/game/Data/s.wav", "pcm.open", "pcm.play"}));
  // A second play closes the first device first.
  host.Log.clear();
  host.Start("pcm,play,s.wav\r\npcm,stop");
  EXPECT_EQ(host.Log,
            (TStringList{"pcm.file=/game/Data/s.wav", "pcm.close", "pcm.open", "pcm.play", "pcm.stop"}));
}

TEST(Interpreter, LogoPlaysSynchronouslyThenHides) {
  TFakeHost host;
  host.Start("avi,logo");
  EXPECT_EQ(host.Log, (TStringList{"movie0.waitonce=1", "movie0.play", "movie0.hide"}));
  EXPECT_EQ(host.Dispatches, 0);
}

TEST(Interpreter, ClosingEndsWaitsAndIgnoresSteps) {
  TFakeHost host;
  host.OnDispatch = [&host] { host.ClosingFlag = true; };
  host.Start("wait,time,100000\r\nboard,on");
  EXPECT_LT(host.Clock, 100u);
  host.Interpreter.Release();
  host.PostStep();
  host.RunUntilRest();
  EXPECT_TRUE(host.Log.empty());
}

}  // namespace
}  // namespace orbel::script
