// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on translated games whose script is UTF-8, marked by a byte-order mark or named on
// the command line: the trace, the jumps, the pictures the script names, the checker, malformed text.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "game/save_file.h"
#include "platform/text_codec.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_game_folder.h"

namespace orbel {
namespace {

namespace fs = std::filesystem;

using tests::TRun;

const std::string kBom = "\xEF\xBB\xBF";

// A script in every kind of text a translation has: a Cyrillic label reached by a jump that skips a line,
// a board line in Latin, Cyrillic, Chinese and Korean with a comma inside quotes, and a picture.
std::string TranslatedScript(const std::string& picture) {
  return "#старт\r\nboard,set,\"Hello, "
         "мир\",你好,안녕하세요\r\njump,#конец\r\nboard,set,skipped\r\n#конец\r\n"
         "disp,1,4," +
         picture + "\r\n";
}

std::string TranslatedTrace(const std::string& picture) {
  return "0:#старт\n1:board,set,\"Hello, мир\",你好,안녕하세요\n2:jump,#конец\n5:disp,1,4," + picture + "\n";
}

// The temporary folder is the game folder.
class Utf8Script : public tests::TTempGameFolderTest {
 protected:
  TRun Run(const QStringList& arguments) {
    return tests::RunProgram(arguments + QStringList{QString::fromStdString(Root())});
  }
  // A batch run with the trace; `shown` gets the colour at the top-left corner of the client area at the end.
  TRun Batch(QStringList arguments, QRgb* shown = nullptr) {
    const QString grab = QString::fromStdString(Root() + "/grab.bmp");
    fs::remove(grab.toStdString());
    const TRun run =
        Run(QStringList{"--batch", "--trace", "--quit-after", "20000", "--grab", grab} + arguments);
    if (shown) {
      const QImage picture(grab, "BMP");
      *shown = picture.isNull() ? 0 : picture.pixel(0, 0);
    }
    return run;
  }
};

// Marked or named on the command line, the script runs alike: its trace is its text, the jump finds the
// Cyrillic label, and the picture it names in UTF-8 shows, stored in UTF-8, in code page 932 bytes, or named
// in a script (Hangul) code page 932 lacks.
TEST_F(Utf8Script, RunsMarkedOrNamedOnTheCommandLine) {
  const struct {
    std::string Stored;
    std::string Named;
  } pictures[] = {
      {"Data/背景.bmp", "背景.bmp"},
      {"Data/" + platform::EncodeSjis(QStringLiteral("夜空.bmp")), "夜空.BMP"},
      {"Data/Фон.bmp", "Фон.bmp"},
      {"Data/배경.bmp", "배경.bmp"},
  };
  QRgb colour = qRgb(20, 120, 40);
  for (const auto& picture : pictures) {
    fs::remove_all(Root() + "/Data");
    colour += 9;
    Picture(picture.Stored, colour);
    for (const bool marked : {true, false}) {
      SCOPED_TRACE(picture.Named + (marked ? " with a mark" : " with --encoding utf-8"));
      Script((marked ? kBom : "") + TranslatedScript(picture.Named));
      QRgb shown = 0;
      const TRun run = Batch(marked ? QStringList{} : QStringList{"--encoding", "utf-8"}, &shown);
      EXPECT_EQ(run.ExitCode, 0) << run.Err;
      EXPECT_EQ(run.Err, "");
      EXPECT_EQ(run.Out, TranslatedTrace(picture.Named));
      EXPECT_EQ(shown, colour);
    }
  }
  // Unmarked and not named, it is taken for code page 932, as every original game is: the UTF-8 never comes
  // out as the text it was.
  Script(TranslatedScript("背景.bmp"));
  const TRun unmarked = Batch({});
  EXPECT_EQ(unmarked.Out.find("мир"), std::string::npos);
  EXPECT_EQ(Batch({"--encoding", "cp932"}).Out, unmarked.Out);
}

// Malformed UTF-8 is shown as U+FFFD wherever the text goes, and the script runs on.
TEST_F(Utf8Script, MalformedBytesBecomeReplacementCharacters) {
  Script(kBom + "board,set,ab\xC3(\xFF,\xE3\x81\r\nboard,on\r\nwait,time,12\xE3\r\nboard,off\r\n");
  const TRun run = Batch({});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Out, "0:board,set,ab\uFFFD(\uFFFD,\uFFFD\n1:board,on\n2:wait,time,12\uFFFD\n");
  EXPECT_EQ(run.Err, "'12\uFFFD' は整数ではありません.\n");
  EXPECT_TRUE(platform::IsUtf8(run.Out + run.Err));
}

TEST_F(Utf8Script, CheckerReadsTheScriptAsUtf8) {
  Picture("Data/背景.bmp", qRgb(1, 2, 3));
  const std::string text = TranslatedScript("背景.bmp");
  Script(kBom + text);
  TRun marked = Run({"--check"});
  EXPECT_EQ(marked.ExitCode, 0) << marked.Out;
  EXPECT_EQ(marked.Out, "");
  Script(text);
  const TRun named = Run({"--check", "--encoding", "utf-8"});
  EXPECT_EQ(named.ExitCode, 0) << named.Out;
  EXPECT_EQ(named.Out, "");
  // Taken for Shift-JIS, it is a mistake of the editor that saved it.
  const TRun unmarked = Run({"--check"});
  EXPECT_EQ(unmarked.ExitCode, 1);
  EXPECT_EQ(unmarked.Out.substr(0, unmarked.Out.find('\n') + 1),
            "SCRIPT.TXT:1: the text is UTF-8: the script must be saved as Shift-JIS\n");
}

}  // namespace
// A translation's labels and board text are UTF-8: --from finds the label, and a save holds the text as it reads.
TEST_F(Utf8Script, StartsAtAUtf8LabelAndSavesItsBoardText) {
  Script(kBom + "board,set,старт\r\n#сцена\r\nboard,set,дальше\r\nwait,time,100\r\n");
  const std::string save = Root() + "/at.json";
  const TRun run = Run({"--batch", "--fast", "--trace", "--from", "#сцена", "--quit-after", "50",
                        "--save-on-exit", QString::fromStdString(save)});
  EXPECT_EQ(run.ExitCode, 4) << run.Err;
  EXPECT_EQ(run.Out, "1:#сцена\n2:board,set,дальше\n3:wait,time,100\n");
  EXPECT_EQ(game::ReadSaveFile(save).Text, "дальше");
}

}  // namespace orbel
