// SPDX-License-Identifier: GPL-3.0-or-later
// The program speaks the user's language in what it adds, Japanese for a Japanese locale and English for
// every other, while the original games' captions and messages stay as they were in every locale.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcessEnvironment>
#include <QTranslator>

#include "app/form_orbel.h"
#include "tests/support/program_run.h"

namespace orbel::app {
namespace {

using tests::TRun;

class Languages : public tests::TGameFolderTest {
 protected:
  TRun RunWith(const char* locale, const QStringList& arguments) {
    QProcessEnvironment environment;
    environment.insert("LANG", locale);
    return tests::RunProgram(arguments + QStringList{Dir.path()}, {}, environment);
  }
};

TEST_F(Languages, CheckSpeaksTheLocalesLanguage) {
  Script("bord,on\r\nwait,time\r\nboard,set,S key\r\n");
  const TRun japanese = RunWith("ja_JP.UTF-8", {"--check"});
  EXPECT_EQ(japanese.ExitCode, 1);
  EXPECT_EQ(japanese.Out,
            "SCRIPT.TXT:1: コマンド 'bord' は知りません: この行は飛ばされます\n"
            "SCRIPT.TXT:2: ミリ秒がありません (フィールド 2): スクリプトはここで止まります\n"
            "SCRIPT.TXT:3: note: 'S' と 'key' の間の空白で、ボードの別々の行に分かれます。1 行にするには文を"
            "ダブルクォートで囲んでください\n");
  for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8", "C"}) {
    const TRun english = RunWith(locale, {"--check"});
    EXPECT_EQ(english.ExitCode, 1) << locale;
    EXPECT_EQ(
        english.Out,
        "SCRIPT.TXT:1: unknown command 'bord': the line is skipped\n"
        "SCRIPT.TXT:2: missing milliseconds (field 2): the script stops here\n"
        "SCRIPT.TXT:3: note: the blank between 'S' and 'key' puts them on separate board lines; enclose "
        "the text in double quotes to keep it on one line\n")
        << locale;
  }
  // A note alone leaves the script clean.
  Script("board,set,S key\r\n");
  EXPECT_EQ(RunWith("ja_JP.UTF-8", {"--check"}).ExitCode, 0);
  EXPECT_EQ(RunWith("en_US.UTF-8", {"--check"}).ExitCode, 0);
}

// The script's own errors are the original's texts in every locale; what the program adds around them (the
// command line, a save that cannot be used) follows the locale.
TEST_F(Languages, TheOriginalsTextsStayAsTheyWere) {
  Script("board,on\r\nwait,time,12a\r\n");
  for (const char* locale : {"ja_JP.UTF-8", "en_US.UTF-8"}) {
    const TRun run = RunWith(locale, {"--batch"});
    EXPECT_EQ(run.ExitCode, 2) << locale;
    EXPECT_EQ(run.Err, "'12a' は整数ではありません.\n") << locale;
  }
  EXPECT_EQ(RunWith("ja_JP.UTF-8", {"--batch", "--load", "/no/such.json"}).Err,
            "orbel: セーブ /no/such.json はありません\n");
  EXPECT_EQ(RunWith("en_US.UTF-8", {"--batch", "--load", "/no/such.json"}).Err,
            "orbel: the save /no/such.json does not exist\n");
  const TRun help = RunWith("ja_JP.UTF-8", {"--help"});
  EXPECT_NE(help.Out.find("このヘルプを表示して終了します。"), std::string::npos) << help.Out;
  EXPECT_NE(help.Out.find("終了コード:"), std::string::npos) << help.Out;
  EXPECT_NE(RunWith("en_US.UTF-8", {"--help"}).Out.find("Show this help and exit."), std::string::npos);
}

// In the window: the menu's captions are the original's in either language, the program's own texts are not.
TEST(WindowLanguage, MenuCaptionsStayAndTheProgramsTextsFollowTheCatalogue) {
  for (const char* language : {"ja", "en"}) {
    SCOPED_TRACE(language);
    QTranslator catalogue;
    ASSERT_TRUE(catalogue.load(QStringLiteral(":/orbel/translations/orbel_%1.qm").arg(language)));
    QCoreApplication::installTranslator(&catalogue);
    {
      TFormOrbel form(TOptions{});
      QStringList captions;
      for (QAction* item : form.menuBar()->actions()) captions << item->text();
      EXPECT_EQ(captions, (QStringList{"ロード(&L)", "セーブ(&S)", "設定(&O)", "終了(&x)"}));
      EXPECT_EQ(form.Mode1()->title(), "ウィンドウサイズ(&W)");
      EXPECT_EQ(form.PauseIndicator()->text(), QString(language) == "ja" ? "一時停止" : "Paused");
      form.close();
    }
    QCoreApplication::removeTranslator(&catalogue);
  }
}

}  // namespace
}  // namespace orbel::app
