// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/script_check.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/script_encoding_scope.h"

namespace orbel::script {
namespace {

// A game folder that holds the files named in `Present`; `Unreadable` pictures exist but cannot be read.
class TFakeFiles : public IScriptCheckFiles {
 public:
  std::string DataFileProblem(const std::string& name, TDataKind kind) override {
    ++Asked[name];
    if (Unreadable.count(name)) return "unreadable " + name;
    if (!Present.count(name))
      return (kind == dkPicture ? "no picture " : kind == dkMovie ? "no movie " : "no sound ") + name;
    return {};
  }
  std::string DecodeText(std::string_view bytes) override { return std::string(bytes); }

  std::set<std::string> Present{"bg.bmp", "m.avi", "s.wav", "LOGO01.AVI"};
  std::set<std::string> Unreadable;
  std::map<std::string, int> Asked;
};

// The problems as "line: message" texts.
std::vector<std::string> Check(std::string_view text, TFakeFiles& files) {
  std::vector<std::string> out;
  for (const TScriptProblem& problem : CheckScript(text, files))
    out.push_back(std::to_string(problem.Line) + ": " + (problem.Note ? "note: " : "") + problem.Message);
  return out;
}

std::vector<std::string> Check(std::string_view text) {
  TFakeFiles files;
  return Check(text, files);
}

using V = std::vector<std::string>;

TEST(ScriptCheck, CleanScriptHasNoProblems) {
  EXPECT_EQ(
      Check(
          "board,clear\r\nboard,off\r\n#top\r\ndisp,1,2,bg.bmp\r\ntrans,0,4,bg.bmp\r\n"
          "DISP,$1,+2,\"\"\r\nboard,set,\x82\xA0\x82\xA2,two\r\navi,play,m.avi\r\navi,wait\r\navi,time,10\r\n"
          "avi,on\r\navi,off\r\navi,stop\r\navi,logo\r\npcm,play,s.wav\r\npcm,time,5\r\npcm,wait\r\n"
          "pcm,stop\r\nwait,time,-1\r\nanime,x\r\nmidi\r\ncase\r\nend\r\n# comment, with fields \r\n"
          "jump,#TOP"),
      V{});
}

TEST(ScriptCheck, UnknownWordsSubcommandsNumbersAndMissingFields) {
  EXPECT_EQ(Check("bord,on\r\nboard,blah\r\navi,logo2\r\npcm,on\r\nwait,avi\r\non\r\n,disp"),
            (V{"1: unknown command 'bord': the line is skipped",
               "2: unknown board subcommand 'blah': the line does nothing",
               "3: unknown avi subcommand 'logo2': the line does nothing",
               "4: unknown pcm subcommand 'on': the line does nothing",
               "5: unknown wait subcommand 'avi': the line does nothing",
               "6: 'on' is a subcommand, not a command: the line is skipped",
               "7: the command word is empty: the line is skipped"}));
  EXPECT_EQ(
      Check("disp,x,2y,bg.bmp\r\nwait,time,99999999999\r\navi,time,\r\ndisp,1,2\r\nboard\r\njump\r\n\r\n \t"),
      (V{"1: '2y' is not a number (effect, field 2): the script stops here",
         "1: 'x' is not a number (background, field 1): the script stops here",
         "2: '99999999999' is not a number (milliseconds, field 2): the script stops here",
         "3: missing position (field 2): the script stops here",
         "4: missing file name (field 3): the script stops here",
         "5: missing board subcommand (field 1): the script stops here",
         "6: missing label (field 1): the script stops here",
         "7: empty line: the script stops here (every line needs a command)",
         "8: empty line: the script stops here (every line needs a command)"}));
}

TEST(ScriptCheck, PictureCommandThatRestsForGood) {
  EXPECT_EQ(Check("disp,1,0,bg.bmp\r\ntrans,00,5,bg.bmp\r\ndisp,0,0,bg.bmp\r\ndisp,1,4,bg.bmp"),
            (V{"1: effect 0 starts no transition and field 1 is not \"0\": the script rests here for good",
               "2: effect 5 starts no transition and field 1 is not \"0\": the script rests here for good"}));
}

TEST(ScriptCheck, LabelsAndJumps) {
  // A label with a trailing blank is not reached by the jump that names it: both lines are reported.
  EXPECT_EQ(
      Check("#a \r\njump,#a\r\njump,#nowhere"),
      (V{"1: label '#a' has blanks or fields around it: a jump reaches a label only through the line's "
         "whole text, so nothing reaches this one",
         "2: jump to '#a', a label that does not exist: the script starts again at line 1 (line 1 has it "
         "with blanks or fields around it)",
         "3: jump to '#nowhere', a label that does not exist: the script starts again at line 1"}));
  // A quoted jump label names the line's whole text, blanks included; "#" lines nobody jumps to are comments.
  EXPECT_EQ(Check("#a \r\n # note\r\njump,\"#a \""), V{});
  // Any line's whole text is a jump target, as the engine compares.
  EXPECT_EQ(Check("board,on\r\njump,\"BOARD,ON\""), V{});
}

// An unquoted blank parts board text as a comma does: the line runs, so it is a note, once per line.
TEST(ScriptCheck, BoardTextThatABlankSplitsIsANote) {
  EXPECT_EQ(
      Check("board,set,\"one line\",S key,\x82\xA0\x81\x40\x82\xA2\r\nboard,set a b c\r\n"
            "board,set,\"quoted\"after\r\nboard,set,a ,b\r\nboard,set,x\t\r\nboard,on x"),
      (V{"1: note: the blank between 'S' and 'key' puts them on separate board lines; enclose the text "
         "in double quotes to keep it on one line",
         "2: note: the blank between 'a' and 'b' puts them on separate board lines; enclose the text in "
         "double quotes to keep it on one line"}));
}

// Every text reaches the host's catalogue, the phrases that fill a message's places too.
TEST(ScriptCheck, MessagesAreTranslatedByTheHost) {
  struct TTranslatingFiles : TFakeFiles {
    std::string Translate(const char* source) override { return "<" + std::string(source) + ">"; }
  } files;
  EXPECT_EQ(
      Check("jump\r\nwait,time,x\r\nboard,set,a b", files),
      (V{"1: <missing <label> (field 1): the script stops here>",
         "2: <'x' is not a number (<milliseconds>, field 2): the script stops here>",
         "3: note: <the blank between 'a' and 'b' puts them on separate board lines; enclose the text in "
         "double quotes to keep it on one line>"}));
}

TEST(ScriptCheck, DataFilesAreAskedOnceAndReported) {
  TFakeFiles files;
  files.Present.erase("LOGO01.AVI");
  files.Unreadable.insert("bad.bmp");
  EXPECT_EQ(Check("disp,1,2,no.bmp\r\ntrans,1,2,bad.bmp\r\navi,play,no.avi\r\npcm,play,no.wav\r\navi,logo\r\n"
                  "disp,1,2,no.bmp\r\ndisp,1,1,\"\"",
                  files),
            (V{"1: no picture no.bmp", "2: unreadable bad.bmp", "3: no movie no.avi", "4: no sound no.wav",
               "5: no movie LOGO01.AVI", "6: no picture no.bmp"}));
  EXPECT_EQ(files.Asked["no.bmp"], 1);
  EXPECT_EQ(files.Asked.count(""), 0u);
}

// A UTF-8 script is checked as UTF-8: its mark and its text are no problem, its labels and commands are
// found, and a byte that is not UTF-8 is named.
TEST(ScriptCheck, Utf8Script) {
  tests::TScriptEncodingScope scope(platform::seUtf8);
  TFakeFiles files;
  files.Present.insert("\xE8\x83\x8C\xE6\x99\xAF.bmp");  // 背景.bmp
  EXPECT_EQ(
      Check("\xEF\xBB\xBF#\xD1\x81\xD1\x82\r\ndisp,1,2,\xE8\x83\x8C\xE6\x99\xAF.bmp\r\n"
            "board,set,\"\xE4\xBD\xA0\xE5\xA5\xBD, \xEC\x95\x88\",\xE3\x81\x82\r\njump,#\xD1\x81\xD1\x82",
            files),
      V{});
  EXPECT_EQ(Check("board,on\r\nboard,set,a\xE3\x81\r\nboard,set,\xC0\xAF\r\nboard,set,\x82\xA0\r\n"
                  "jump,#\xD0\x9C"),
            (V{"2: byte 0xE3 at column 12 is not UTF-8 text", "3: byte 0xC0 at column 11 is not UTF-8 text",
               "4: byte 0x82 at column 11 is not UTF-8 text",
               "5: jump to '#\xD0\x9C', a label that does not exist: the script starts again at line 1"}));
}

TEST(ScriptCheck, EncodingProblems) {
  EXPECT_EQ(Check("\xEF\xBB\xBF"
                  "board,on\r\nboard,off"),
            V{"1: the file starts with a UTF-8 byte-order mark: save it as Shift-JIS without one"});
  // "あ" in UTF-8 is E3 81 82: the whole text decodes as UTF-8, reported once.
  EXPECT_EQ(Check("board,set,\xE3\x81\x82\r\nboard,set,\xE3\x81\x84"),
            V{"1: the text is UTF-8: the script must be saved as Shift-JIS"});
  EXPECT_EQ(
      Check("board,on\r\nboard,set,a\xA0\r\nboard,set,\x82\r\nboard,set,\x82\x20x\r\nboard,set,\xFD"),
      (V{"2: byte 0xA0 at column 12 is not Shift-JIS text", "3: byte 0x82 at column 11 is not Shift-JIS text",
         "4: byte 0x82 at column 11 is not Shift-JIS text",
         "5: byte 0xFD at column 11 is not Shift-JIS text"}));
  EXPECT_EQ(Check(std::string_view("board,on\r\n\0board,off", 20)),
            V{"2: a zero byte ends the script here: nothing after it is read"});
  EXPECT_EQ(Check(std::string_view("board,on\r\n\0\0", 12)), V{});
}

}  // namespace
}  // namespace orbel::script
