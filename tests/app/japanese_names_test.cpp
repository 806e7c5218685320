// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on game folders whose files carry Japanese names, stored the ways Linux keeps them:
// pictures show, sounds and movies play for their length, error texts name files readably, exit statuses
// are honest.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text_codec.h"
#include "screen/bitmap_file.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_game_folder.h"
#include "tests/support/test_pictures.h"

namespace orbel {
namespace {

namespace fs = std::filesystem;

using tests::TRun;

std::string Sjis(const char* utf8) {
  return platform::EncodeSjis(QString::fromUtf8(utf8));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The temporary folder is the game folder.
class JapaneseNames : public tests::TTempGameFolderTest {
 protected:
  static TRun Run(const QString& program, const QStringList& arguments) {
    return tests::RunProgram(arguments, {}, {}, program);
  }
  TRun Batch(QStringList arguments = {}) {
    arguments.prepend("--batch");
    arguments << QString::fromStdString(Root());
    return Run(ORBEL_BINARY, arguments);
  }
  // The colour at the top-left corner of the screen once the script has ended.
  QRgb Shown(const std::string& script) {
    Script(script);
    const std::string saved = Root() + "/shown.bmp";
    const TRun run = Batch({"--save-screen", QString::fromStdString(saved)});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const QImage picture = screen::LoadBitmapFile(saved);
    return picture.isNull() ? 0 : picture.pixel(0, 0);
  }
};

TEST_F(JapaneseNames, PicturesShowWhateverWayTheirNamesAreStored) {
  struct TCase {
    std::string Stored;  // the file as the game folder holds it
    std::string Named;   // the script's name for it
  } cases[] = {
      {"Data/背景.bmp", Sjis("背景.bmp")},                // UTF-8
      {"Data/" + Sjis("背景.bmp"), Sjis("背景.bmp")},     // code page 932 bytes
      {"Data/\u30AB\u3099イト.bmp", Sjis("ガイト.bmp")},  // decomposed
      {"DATA/画像/表紙.BMP", Sjis("画像\\表紙.bmp")},     // folders, backslashes, case
      {"Data/朝\u301C夜.bmp", Sjis("朝～夜.bmp")},        // a JIS converter's wave dash
      {"Data/ｶﾞｲﾄﾞ.bmp", Sjis("ｶﾞｲﾄﾞ.bmp")},              // half-width katakana
      {"絵.bmp", Sjis("絵.bmp")},                         // beside the Data folder
      {"Data\\画像\\夜.bmp", Sjis("画像/夜.bmp")},        // backslashes an unpacker kept in the name
  };
  QRgb colour = qRgb(10, 200, 30);
  for (const TCase& c : cases) {
    fs::remove_all(Root() + "/Data");
    fs::remove_all(Root() + "/DATA");
    fs::remove_all(Root() + "/Data\\画像\\夜.bmp");
    colour += 7;
    Picture(c.Stored, colour);
    EXPECT_EQ(Shown("disp,1,4," + c.Named + "\r\n"), colour) << c.Stored;
  }
  // ヂ (83 61) must not find ア (83 41): the screen stays black.
  fs::remove_all(Root() + "/Data");
  Picture("Data/ア.bmp", qRgb(255, 0, 0));
  EXPECT_EQ(Shown("disp,1,4," + Sjis("ヂ.bmp") + "\r\n"), qRgb(0, 0, 0));
}

TEST_F(JapaneseNames, AGameFolderNamedInCodePage932) {
  const std::string game = Root() + "/" + Sjis("ゲーム");
  fs::create_directories(game + "/Data");
  ASSERT_TRUE(tests::SaveScreenPicture(game + "/Data/背景.bmp", qRgb(40, 50, 60)));
  std::ofstream(game + "/Data/SCRIPT.TXT", std::ios::binary) << "disp,1,4," + Sjis("背景.bmp");
  // The folder's bytes reach the program through the shell's printf, which Qt's arguments cannot carry.
  QString escaped;
  for (const unsigned char c : game) escaped += QString::asprintf("\\%03o", c);
  const std::string saved = Root() + "/画面.bmp";
  const TRun run = Run("/bin/sh", {"-c", "exec \"$0\" --batch --save-screen \"$1\" \"$(printf \"$2\")\"",
                                   ORBEL_BINARY, QString::fromStdString(saved), escaped});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(screen::LoadBitmapFile(saved).pixel(0, 0), qRgb(40, 50, 60));
  // An error inside it names the folder readably.
  std::ofstream(game + "/Data/SCRIPT.TXT", std::ios::binary) << "disp,1,4," + Sjis("壊れ.bmp");
  std::ofstream(game + "/Data/" + Sjis("壊れ.bmp"), std::ios::binary) << "BM";
  const TRun broken =
      Run("/bin/sh", {"-c", "exec \"$0\" --batch \"$(printf \"$1\")\"", ORBEL_BINARY, escaped});
  EXPECT_EQ(broken.ExitCode, 2);
  EXPECT_NE(broken.Err.find("ﾌｧｲﾙ " + Root() + "/ゲーム/Data/壊れ.bmp はビットマップとして読めません"),
            std::string::npos)
      << broken.Err;
}

// A relative output path in code page 932 bytes means that folder where the program started, byte for byte,
// whatever game folder it then enters.
TEST_F(JapaneseNames, RelativeOutputFolderNamedInCodePage932) {
  const std::string shots = Sjis("画面");
  fs::create_directories(Root() + "/" + shots);
  Make("game/Data/SCRIPT.TXT", "disp,2,4,missing");
  QString escaped;
  for (const unsigned char c : shots) escaped += QString::asprintf("\\%03o", c);
  const TRun run =
      Run("/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" --batch --grab \"$(printf \"$2\")/shot.bmp\" game",
                      ORBEL_BINARY, QString::fromStdString(Root()), escaped});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(screen::LoadBitmapFile(Root() + "/" + shots + "/shot.bmp").pixel(0, 0), qRgb(255, 255, 255));
  fs::remove_all(Root() + "/" + shots);
}

TEST_F(JapaneseNames, SoundsAndMoviesPlayForTheirLength) {
  // Half a second of sound stored in UTF-8, a one-second movie stored in code page 932 bytes.
  Make("Data/効果音.wav", ReadBytes(ORBEL_SOURCE_DIR "/tests/data/media/u8_mono.wav"));
  Make("Data/" + Sjis("動画.avi"), ReadBytes(ORBEL_SOURCE_DIR "/tests/data/media/cinepak_pcm.avi"));
  const std::string script =
      "pcm,play," + Sjis("効果音.wav") + "\r\npcm,wait\r\navi,play," + Sjis("動画.AVI") + "\r\navi,wait\r\n";
  Script(script);
  const TRun run = Batch({"--trace"});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out, "0:pcm,play,効果音.wav\n1:pcm,wait\n2:avi,play,動画.AVI\n3:avi,wait\n");
  // Files never found would play nothing and end at once.
  EXPECT_GE(run.ElapsedMs, 1400);
}

TEST_F(JapaneseNames, ErrorTextsNameFilesReadably) {
  Make("Data/" + Sjis("壊れた絵.bmp"), "BM not a picture");
  Make("Data/効果音.wav", "RIFF\x10\0\0\0WAVEjunkjunk");
  Make("Data/" + Sjis("動画.avi"), "RIFF\x10\0\0\0AVI junkjunk");
  const struct {
    std::string Script;
    std::string Error;
  } cases[] = {
      {"disp,1,4," + Sjis("壊れた絵.bmp"),
       "ﾌｧｲﾙ " + Root() + "/Data/壊れた絵.bmp はビットマップとして読めません (ファイルが短すぎます)\n"},
      {"pcm,play," + Sjis("効果音.wav"),
       Root() + "/Data/効果音.wav: ﾌｧｲﾙが壊れているか、再生できない形式です.\n"},
      {"avi,play," + Sjis("動画.avi"),
       Root() + "/Data/動画.avi: ﾌｧｲﾙが壊れているか、再生できない形式です.\n"},
  };
  for (const auto& c : cases) {
    Script(c.Script);
    const TRun run = Batch();
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err, c.Error);
  }
}

TEST_F(JapaneseNames, AnUnreadableScriptIsAnError) {
  Script("board,on\r\n");
  fs::permissions(Root() + "/Data/SCRIPT.TXT", fs::perms::none);
  QString program = ORBEL_BINARY;
  QStringList arguments = {"--batch", QString::fromStdString(Root())};
  if (geteuid() == 0) {
    // Root reads any file; without the capability to override permissions it reads as a player would.
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty()) GTEST_SKIP() << "running as root without setpriv";
    arguments.prepend(program);
    arguments.prepend("--bounding-set=-dac_override,-dac_read_search");
    program = setpriv;
  }
  const TRun run = Run(program, arguments);
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Err, "ﾌｧｲﾙ " + Root() + "/Data/SCRIPT.TXT は開けません.\n");
}

}  // namespace
}  // namespace orbel
