// SPDX-License-Identifier: GPL-3.0-or-later
// The command line keeps the bytes of the files and folders it names.

#include <gtest/gtest.h>

#include "app/options.h"
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

}  // namespace
}  // namespace orbel::app
