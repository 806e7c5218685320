// SPDX-License-Identifier: GPL-3.0-or-later
// The translators' kit as a translator uses it: the real program extracts a game's board texts into a
// template gettext's own tools accept, plays the game with a catalogue beside it (its texts on the board, its
// pictures in place of the game's, the script untouched), checks the catalogue against the board's room, and
// refuses a broken one naming its line.

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QProcess>
#include <filesystem>
#include <string>

#include "controls/board.h"
#include "game/save_file.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_game_folder.h"
#include "translation/board_fit.h"
#include "translation/catalogue.h"
#include "translation/game_translations.h"

namespace orbel {
namespace {

namespace fs = std::filesystem;

using tests::TRun;

// A game of the era: code page 932, CR LF. The same text stands under two labels; one text has a comma and a
// blank inside quotes. Each text stays on the board 100 ms of the game's time.
std::string GameScript() {
  return platform::EncodeSjis(
      QStringLiteral("board,set,はじめに\r\n"                  // 1  (start)/1
                     "#top\r\n"                                // 2
                     "disp,0,4,bg.bmp\r\n"                     // 3
                     "board,set,\"今日は、 世界\",二行目\r\n"  // 4  #top/1
                     "wait,time,100\r\n"                       // 5
                     "board,set,同じ\r\n"                      // 6  #top/2
                     "wait,time,100\r\n"                       // 7
                     "#next\r\n"                               // 8
                     "board,set,同じ\r\n"                      // 9  #next/1
                     "wait,time,100\r\n"                       // 10
                     "board,set,訳なし\r\n"                    // 11 #next/2
                     "wait,time,100\r\n"                       // 12
                     "board,set,あいまい\r\n"));               // 13 #next/3
}

// An English catalogue as a translator leaves it: one text untranslated, one fuzzy, one too wide for a line.
const char kEnglish[] =
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Language: en\\n\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "\n"
    "msgctxt \"(start)/1\"\n"
    "msgid \"はじめに\"\n"
    "msgstr \"Prologue\"\n"
    "\n"
    "msgctxt \"#top/1\"\n"
    "msgid \"今日は、 世界\\n二行目\"\n"
    "msgstr \"Hello, \\\"world\\\"   and all\\nSecond line\"\n"
    "\n"
    "msgctxt \"#top/2\"\n"
    "msgid \"同じ\"\n"
    "msgstr \"The same words once more, said again up at the top, and then a few more\"\n"
    "\n"
    "msgctxt \"#next/1\"\n"
    "msgid \"同じ\"\n"
    "msgstr \"The same, further on\"\n"
    "\n"
    "msgctxt \"#next/2\"\n"
    "msgid \"訳なし\"\n"
    "msgstr \"\"\n"
    "\n"
    "#, fuzzy\n"
    "msgctxt \"#next/3\"\n"
    "msgid \"あいまい\"\n"
    "msgstr \"Vague\"\n";

class Translation : public tests::TTempGameFolderTest {
 protected:
  void SetUp() override {
    TTempGameFolderTest::SetUp();
    Script(GameScript());
    Picture("Data/bg.bmp", qRgb(10, 20, 30));
  }
  TRun Run(const QStringList& arguments) {
    return tests::RunProgram(arguments + QStringList{QString::fromStdString(Root())});
  }
  // The board's first line when the game has run `ms` of its time (to its end when negative), the picture's
  // top-left colour in `colour`.
  std::string BoardAfter(int ms, const QStringList& arguments, QRgb* colour = nullptr) {
    const std::string save = Root() + "/save.json", grab = Root() + "/grab.bmp";
    QStringList options{"--batch",        "--fast",
                        "--save-on-exit", QString::fromStdString(save),
                        "--grab",         QString::fromStdString(grab)};
    if (ms >= 0) options << "--quit-after" << QString::number(ms);
    const TRun run = Run(options + arguments);
    EXPECT_EQ(run.ExitCode, ms >= 0 ? 4 : 0) << run.Err;
    if (colour) *colour = QImage(QString::fromStdString(grab), "BMP").pixel(0, 0);
    return game::ReadSaveFile(save).Text;
  }
  std::string Read(const std::string& relative) {
    QFile file(QString::fromStdString(Root() + "/" + relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
  }
};

// The template holds every board text once per place, in script order, decoded, each named by its label and
// its ordinal there; gettext's own checker takes it. Lines added under another label change no name.
TEST_F(Translation, ExtractedTemplateNamesEachTextByItsPlace) {
  const std::string pot = Root() + "/game.pot";
  TRun run = Run({"--extract-text", QString::fromStdString(pot)});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  QProcess msgfmt;
  msgfmt.start("msgfmt", {"--check", "-o", "/dev/null", QString::fromStdString(pot)});
  ASSERT_TRUE(msgfmt.waitForFinished(30000)) << "gettext's msgfmt is needed";
  EXPECT_EQ(msgfmt.exitCode(), 0) << msgfmt.readAllStandardError().toStdString();

  const auto entries = [&] {
    std::vector<std::string> list;
    const translation::TCatalogue catalogue = translation::ReadCatalogue(pot, "game.pot");
    for (const auto& entry : catalogue.Entries) list.push_back(entry.Context + "=" + entry.Id);
    return list;
  };
  const std::vector<std::string> expected{"(start)/1=はじめに", "#top/1=今日は、 世界\n二行目",
                                          "#top/2=同じ",        "#next/1=同じ",
                                          "#next/2=訳なし",     "#next/3=あいまい"};
  EXPECT_EQ(entries(), expected);
  const std::string text = Read("game.pot");
  EXPECT_NE(text.find("#: SCRIPT.TXT:9\n"), std::string::npos) << text;
  EXPECT_NE(text.find("3 lines of 60 characters"), std::string::npos) << text;

  std::string script = GameScript();
  script.insert(script.find("\r\n") + 2,
                platform::EncodeSjis(QStringLiteral("#intro\r\nboard,set,序章\r\nwait,time,1\r\n")));
  Script(script);
  run = Run({"--extract-text", QString::fromStdString(pot)});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<std::string> moved = entries();
  ASSERT_EQ(moved.size(), expected.size() + 1);
  EXPECT_EQ(moved[1], "#intro/1=序章");
  moved.erase(moved.begin() + 1);
  EXPECT_EQ(moved, expected);
  EXPECT_NE(Read("game.pot").find("#: SCRIPT.TXT:12\n"), std::string::npos);
}

// With the catalogue beside the game the board shows each translation as it stands (its commas, quotes and
// blanks are text), each repeated text as its place has it, a line too wide broken at a blank, and the
// original where there is no translation or a fuzzy one; the translated picture replaces the game's. The
// script is not touched and the trace keeps its lines. A compiled catalogue made by msgfmt shows the same.
TEST_F(Translation, BoardShowsTheCatalogueAndPicturesReplaceTheGames) {
  Make("Translations/en.po", kEnglish);
  Picture("Translations/en/Data/BG.BMP", qRgb(200, 100, 50));
  const std::string script = Read("Data/SCRIPT.TXT");
  QRgb colour = 0;
  EXPECT_EQ(BoardAfter(50, {"--language", "en"}, &colour), "Hello, \"world\"   and all");
  EXPECT_EQ(colour, qRgb(200, 100, 50));
  EXPECT_EQ(BoardAfter(150, {"--language", "en"}),
            "The same words once more, said again up at the top, and then");
  EXPECT_EQ(BoardAfter(250, {"--language", "en"}), "The same, further on");
  EXPECT_EQ(BoardAfter(350, {"--language", "en"}), "訳なし");
  EXPECT_EQ(BoardAfter(-1, {"--language", "en"}), "あいまい");
  // Without the language the game is as it was.
  EXPECT_EQ(BoardAfter(50, {}, &colour), "今日は、 世界");
  EXPECT_EQ(colour, qRgb(10, 20, 30));
  EXPECT_EQ(Read("Data/SCRIPT.TXT"), script);
  const TRun traced = Run({"--batch", "--fast", "--trace", "--language", "en"});
  EXPECT_NE(traced.Out.find("3:board,set,\"今日は、 世界\",二行目\n"), std::string::npos) << traced.Out;

  // The same catalogue compiled, named on the command line.
  QProcess msgfmt;
  msgfmt.start("msgfmt", {"-o", QString::fromStdString(Root() + "/en.mo"),
                          QString::fromStdString(Root() + "/Translations/en.po")});
  ASSERT_TRUE(msgfmt.waitForFinished(30000));
  fs::remove(Root() + "/Translations/en.po");
  EXPECT_EQ(BoardAfter(50, {"--translation", QString::fromStdString(Root() + "/en.mo")}, &colour),
            "Hello, \"world\"   and all");
  EXPECT_EQ(colour, qRgb(200, 100, 50)) << "the catalogue's language names its pictures";
  EXPECT_EQ(BoardAfter(-1, {"--translation", QString::fromStdString(Root() + "/en.mo")}), "あいまい");
}

// The checker names each translation the board would show wrong at its line in the catalogue, notes a stale
// entry, and gives the share translated; a catalogue that fits passes.
TEST_F(Translation, CheckNamesWhatDoesNotFitTheBoard) {
  std::string catalogue = kEnglish;
  catalogue += "\nmsgctxt \"#gone/1\"\nmsgid \"消えた\"\nmsgstr \"Gone\"\n";  // lines 31-33
  Make("Translations/en.po", catalogue);
  TRun run = Run({"--check", "--language", "en"});
  EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("Translations/en.po:33: stale entry"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("Translations/en.po: 4 of 6 board texts translated (66%); 1 fuzzy"),
            std::string::npos)
      << run.Out;

  // A word wider than the board, and a text of four lines.
  std::string tooLong = kEnglish;
  tooLong.replace(tooLong.find("The same, further on"), 20, std::string(61, 'W'));
  tooLong.replace(tooLong.find("Prologue"), 8, "1\\n2\\n3\\n4");
  Make("Translations/en.po", tooLong);
  run = Run({"--check", "--language", "en"});
  EXPECT_EQ(run.ExitCode, 1) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("Translations/en.po:8: the translation takes 4 board lines; the board shows 3\n"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("Translations/en.po:20: board line 1 of the translation is 61 characters wide; the "
                         "board shows 60\n"),
            std::string::npos)
      << run.Out;
}

// A catalogue that cannot be read is refused naming the line gettext's own msgfmt names: a batch run ends
// with 2, the checker lists it, and a run without --batch plays the game untranslated. Nothing of a
// translation leads out of the game.
TEST_F(Translation, BrokenCatalogueIsRefusedWithItsLine) {
  // An entry without its original.
  Make("Translations/en.po",
       "msgid \"\"\nmsgstr \"Language: en\\n\"\n\nmsgctxt \"(start)/1\"\nmsgstr \"x\"\n");
  QProcess msgfmt;
  msgfmt.start("msgfmt", {"-o", "/dev/null", QString::fromStdString(Root() + "/Translations/en.po")});
  ASSERT_TRUE(msgfmt.waitForFinished(30000));
  EXPECT_NE(msgfmt.readAllStandardError().indexOf("en.po:5:"), -1);
  TRun run = Run({"--batch", "--fast", "--language", "en"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_NE(run.Err.find("orbel: Translations/en.po:5: "), std::string::npos) << run.Err;
  run = Run({"--check", "--language", "en"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Out.find("Translations/en.po:5: "), std::string::npos) << run.Out;
  // Without --batch the game plays, as it is: its own picture, not the translation's.
  Picture("Translations/en/Data/bg.bmp", qRgb(200, 100, 50));
  const QString grab = QString::fromStdString(Root() + "/grab.bmp");
  run = Run({"--quit-after", "1500", "--grab", grab, "--language", "en"});
  EXPECT_EQ(run.ExitCode, 4) << run.Err;
  EXPECT_NE(run.Err.find("Translations/en.po:5: "), std::string::npos) << run.Err;
  EXPECT_EQ(QImage(grab, "BMP").pixel(0, 0), qRgb(10, 20, 30));
  fs::remove_all(Root() + "/Translations/en");

  // Text that is not UTF-8 in a catalogue that says it is.
  Make("Translations/en.po",
       "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
       "msgctxt \"(start)/1\"\nmsgid \"a\"\nmsgstr \"\x82\xa0\"\n");
  run = Run({"--check", "--language", "en"});
  EXPECT_NE(run.Out.find("Translations/en.po:6: "), std::string::npos) << run.Out;

  // A language that would name a path, a catalogue and a picture that are links to files outside.
  run = Run({"--batch", "--language", "../../tmp"});
  EXPECT_EQ(run.ExitCode, 1);
  const std::string outside = Root() + "-outside.po";
  std::filesystem::copy_file(Root() + "/Translations/en.po", outside);
  fs::remove(Root() + "/Translations/en.po");
  fs::create_symlink(outside, Root() + "/Translations/en.po");
  run = Run({"--batch", "--language", "en"});
  fs::remove(outside);
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_NE(run.Err.find("there is no translation 'en'"), std::string::npos) << run.Err;
  fs::remove(Root() + "/Translations/en.po");
  Make("Translations/en.po", kEnglish);
  const std::string picture = Root() + "-outside.bmp";
  ASSERT_TRUE(tests::SaveScreenPicture(picture, qRgb(200, 100, 50)));
  fs::create_directories(Root() + "/Translations/en/Data");
  fs::create_symlink(picture, Root() + "/Translations/en/Data/bg.bmp");
  QRgb colour = 0;
  EXPECT_EQ(BoardAfter(50, {"--language", "en"}, &colour), "Hello, \"world\"   and all");
  fs::remove(picture);
  EXPECT_EQ(colour, qRgb(10, 20, 30));
}

// The room the translations are counted in is the board's: the board's face draws sixty half-width
// characters in its text area and not sixty-one, and the characters code page 932 writes in two bytes
// (kana, kanji, Greek, Cyrillic, typographic quotes) as two of them. A line breaks at blanks only, keeps its
// own blanks elsewhere, never breaks a word, and Japanese keeps the board's own breaking.
TEST(BoardRoom, IsTheBoardsAndLinesBreakAtBlanks) {
  platform::InstallFaceSubstitutions();
  controls::TBoard board;
  QImage picture(560, 65, QImage::Format_RGB32);
  controls::ConfigureMsgBoard(board, picture);
  const QFontMetrics metrics(board.font());
  const int area = 560 - 2 * board.Margin();
  const QString fits(translation::kBoardColumns, u'a');
  EXPECT_LE(metrics.horizontalAdvance(fits), area);
  EXPECT_GT(metrics.horizontalAdvance(fits + u'a'), area);
  EXPECT_LE(board.Margin() + metrics.height() * translation::kBoardLines, board.height());
  EXPECT_GT(board.Margin() + metrics.height() * (translation::kBoardLines + 1), board.height());
  for (const char* wide : {"あ", "漢", "Ж", "Ω", "“", "…", "Ａ", "한"}) {
    EXPECT_EQ(translation::BoardColumns(QString::fromUtf8(wide)), 2) << wide;
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8(wide)), 18) << wide;
  }
  for (const char* narrow : {"a", "é", "ß", "ｱ", "—"}) {
    EXPECT_EQ(translation::BoardColumns(QString::fromUtf8(narrow)), 1) << narrow;
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8(narrow)), 9) << narrow;
  }

  const QString word(70, u'x');
  EXPECT_EQ(translation::BoardLinesOf("  " + word + "   end\nnext, \"one\"", true),
            (QStringList{"  " + word, "end", "next, \"one\""}));
  const QString japanese = QString(40, QChar(0x3042)) + " " + QString(10, QChar(0x3044));
  EXPECT_EQ(translation::BoardLinesOf(japanese, translation::BreaksAtBlanks("ja_JP")), QStringList{japanese});
  EXPECT_FALSE(translation::BreaksAtBlanks("zh-Hant"));
  EXPECT_TRUE(translation::BreaksAtBlanks("jv"));

  EXPECT_EQ(translation::LocaleLanguage({"pt-BR", "en-US"}, {"en", "pt"}), "pt");
  EXPECT_EQ(translation::LocaleLanguage({"de-DE"}, {"en", "pt"}), "");
}

// The demo ships an English catalogue of its whole script that fits the board.
TEST(DemoTranslation, EnglishCatalogueIsWholeAndFits) {
  const TRun run =
      tests::RunProgram({"--check", "--language", "en", QStringLiteral(ORBEL_SOURCE_DIR "/demo")});
  EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("Translations/en.po: 7 of 7 board texts translated (100%)\n"), std::string::npos)
      << run.Out;
}

}  // namespace
}  // namespace orbel
