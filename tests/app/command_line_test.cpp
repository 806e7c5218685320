// SPDX-License-Identifier: GPL-3.0-or-later
// The command line keeps the bytes of the files and folders it names.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/options.h"
#include "app/stage_presenter.h"
#include "platform/text_codec.h"

namespace orbel::app {
namespace {

TEST(CommandLine, FileArgumentsKeepTheirBytes) {
  // A game folder named in code page 932 (not UTF-8), a UTF-8 output name, and stray bytes of every kind.
  std::string game = "/games/" + platform::EncodeSjis(QStringLiteral("ゲーム\\表"));
  std::string saved = "/tmp/画面.bmp";
  std::string odd =
      "\x80\xFF\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80x";  // continuation, invalid, surrogate, overlong
  std::string program = "orbel";
  std::string batch = "--batch";
  std::string option = "--save-screen";
  char* argv[] = {program.data(), batch.data(), option.data(), saved.data(), game.data()};
  const QStringList arguments = ArgumentList(5, argv);
  EXPECT_EQ(arguments[3], QStringLiteral("/tmp/画面.bmp"));
  const TParseResult parsed = ParseCommandLine(arguments);
  ASSERT_TRUE(parsed.Options);
  EXPECT_EQ(parsed.Options->GameDir, game);
  EXPECT_EQ(parsed.Options->SaveScreen, saved);
  EXPECT_TRUE(parsed.Options->Batch);
  char* oddArgv[] = {odd.data()};
  EXPECT_EQ(ArgumentBytes(ArgumentList(1, oddArgv)[0]), odd);
  // A character outside the basic plane is one character, not two stray halves.
  EXPECT_EQ(ArgumentBytes(QString::fromUtf8("\xF0\x9F\x8E\xB4")), "\xF0\x9F\x8E\xB4");
}

TEST(CommandLine, HelpTellsTheExitStatuses) {
  const TParseResult parsed = ParseCommandLine({"orbel", "--help"});
  EXPECT_FALSE(parsed.Options);
  EXPECT_EQ(parsed.ExitStatus, esOk);
  for (const char* line : {"Exit status:", "  0      ", "  1      ",
                           "  2      (--batch) the script rests after an error, or SCRIPT.TXT exists but",
                           "  3      ", "  4      --quit-after"})
    EXPECT_NE(parsed.Output.find(line), std::string::npos) << line;
}

TEST(CommandLine, FileNamesAreDecodedPerFolderForReading) {
  // Each folder is read as UTF-8 when it is valid UTF-8, as code page 932 otherwise.
  const std::string path = "/home/" + platform::EncodeSjis(QStringLiteral("ゲーム")) + "/Data/背景.bmp";
  EXPECT_EQ(platform::FileNameToUtf8(path), "/home/ゲーム/Data/背景.bmp");
  EXPECT_EQ(platform::FileNameToUtf8(platform::EncodeSjis(QStringLiteral("表\\ｶﾞ.bmp"))), "表\\ｶﾞ.bmp");
  EXPECT_EQ(platform::FileNameToUtf8("/a//b/"), "/a//b/");
  EXPECT_EQ(platform::FileNameToUtf8("\x82"), "\xEF\xBF\xBD");  // a lone lead byte
}

TEST(CommandLine, PresentationOptionsAndRememberedChoices) {
  const auto parse = [](QStringList arguments) {
    arguments.prepend("orbel");
    return ParseCommandLine(arguments);
  };
  for (const char* bad : {"0", "9", "2x", ""})
    EXPECT_EQ(parse({"--scale", bad}).ExitStatus, esFailure) << bad;
  EXPECT_EQ(parse({"--fit", "zoom"}).ExitStatus, esFailure);
  const TParseResult given = parse({"--scale", "3", "--fit", "aspect", "--no-mode-switch"});
  ASSERT_TRUE(given.Options);
  EXPECT_EQ(given.Options->Scale, 3);
  EXPECT_EQ(given.Options->Fit, ftAspect);
  EXPECT_TRUE(given.Options->NoModeSwitch);
  EXPECT_FALSE(given.Options->FullScreen);

  QTemporaryDir folder;
  QSettings settings(folder.path() + "/orbel.conf", QSettings::IniFormat);
  RememberChoices(settings, 4, ftStretch, true);
  // The settings fill what the command line left open; the command line wins.
  TOptions options = *given.Options;
  ApplyRememberedChoices(options, settings);
  EXPECT_EQ(options.Scale, 3);
  EXPECT_EQ(options.Fit, ftAspect);
  EXPECT_TRUE(options.FullScreen);
  options = *parse({}).Options;
  ApplyRememberedChoices(options, settings);
  EXPECT_EQ(options.Scale, 4);
  EXPECT_EQ(options.Fit, ftStretch);
  // A run driven by a tool starts from the defaults whatever the player chose.
  options = *parse({"--quit-after", "100"}).Options;
  ApplyRememberedChoices(options, settings);
  EXPECT_EQ(options.Scale, 1);
  EXPECT_EQ(options.Fit, ftInteger);
  EXPECT_FALSE(options.FullScreen);
}

// The virtual clock is for runs nobody watches: --fast needs --batch, an export is one of its own, and the
// export's settings need an export.
TEST(CommandLine, FastRunsAndVideoExports) {
  const auto parse = [](QStringList arguments) {
    arguments.prepend("orbel");
    return ParseCommandLine(arguments);
  };
  const TParseResult window = parse({"--fast"});
  EXPECT_EQ(window.ExitStatus, esFailure);
  EXPECT_NE(window.Output.find("--batch"), std::string::npos) << window.Output;
  EXPECT_EQ(parse({"--fast", "--batch", "--check"}).ExitStatus, esFailure);
  for (const char* lonely : {"--export-lossless", "--export-fps=30"})
    EXPECT_EQ(parse({"--batch", lonely}).ExitStatus, esFailure) << lonely;
  for (const char* bad : {"0", "241", "x"})
    EXPECT_EQ(parse({"--export-video", "a.mkv", "--export-fps", bad}).ExitStatus, esFailure) << bad;
  const TParseResult fast = parse({"--batch", "--fast"});
  ASSERT_TRUE(fast.Options);
  EXPECT_TRUE(fast.Options->Fast);
  const TParseResult video = parse({"--export-video", "a.webm", "--export-fps", "30"});
  ASSERT_TRUE(video.Options);
  EXPECT_TRUE(video.Options->Batch && video.Options->Fast && !video.Options->Watched());
  EXPECT_EQ(video.Options->ExportVideo, "a.webm");
  EXPECT_EQ(video.Options->ExportFps, 30);
  EXPECT_FALSE(video.Options->ExportLossless);
}

TEST(CommandLine, PictureAreaForEachFit) {
  // Window modes: the scale's blocks from the top-left corner.
  EXPECT_EQ(PictureRectFor(QSize(1280, 960), ftInteger, 2), QRect(0, 0, 1280, 960));
  // Whole factors, centred; never below 1.
  EXPECT_EQ(PictureRectFor(QSize(1920, 1080), ftInteger, 0), QRect(320, 60, 1280, 960));
  EXPECT_EQ(PictureRectFor(QSize(3840, 2160), ftInteger, 0), QRect(640, 120, 2560, 1920));
  EXPECT_EQ(PictureRectFor(QSize(600, 400), ftInteger, 0), QRect(-20, -40, 640, 480));
  // 4:3 as large as fits, on wide and on tall screens.
  EXPECT_EQ(PictureRectFor(QSize(1920, 1080), ftAspect, 0), QRect(240, 0, 1440, 1080));
  EXPECT_EQ(PictureRectFor(QSize(1080, 1920), ftAspect, 0), QRect(0, 555, 1080, 810));
  EXPECT_EQ(AspectFactorFor(QRect(240, 0, 1440, 1080)), 3);
  EXPECT_EQ(AspectFactorFor(QRect(0, 0, 640, 480)), 1);
  EXPECT_EQ(PictureRectFor(QSize(1366, 768), ftStretch, 0), QRect(0, 0, 1366, 768));
}

}  // namespace
}  // namespace orbel::app
