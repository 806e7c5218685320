// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/data_files.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "platform/text_codec.h"
#include "tests/support/script_encoding_scope.h"
#include "tests/support/temp_folder.h"

namespace orbel::game {
namespace {

// The code page 932 bytes of UTF-8 text, as a script holds it.
std::string Sjis(const char* utf8) {
  return platform::EncodeSjis(QString::fromUtf8(utf8));
}

using DataFiles = tests::TTempFolderTest;

TEST_F(DataFiles, DataFolderFirstThenCurrentDirectory) {
  Make("SCRIPT.TXT");
  EXPECT_EQ(FindDataFileIn(Root(), "SCRIPT.TXT"), Root() + "/SCRIPT.TXT");
  Make("Data/SCRIPT.TXT");
  EXPECT_EQ(FindDataFileIn(Root(), "SCRIPT.TXT"), Root() + "/Data/SCRIPT.TXT");
}

TEST_F(DataFiles, NothingFoundFoldersAndEmptyNames) {
  EXPECT_EQ(FindDataFileIn(Root(), "bg"), "");
  EXPECT_EQ(FindDataFileIn(Root(), ""), "");
  std::filesystem::create_directories(Root() + "/Data/pics");
  EXPECT_EQ(FindDataFileIn(Root(), "pics"), "");
  // No extension is added.
  Make("Data/bg.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "bg"), "");
}

TEST_F(DataFiles, SubfoldersWithEitherSeparator) {
  Make("Data/pics/a.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics/a.bmp"), Root() + "/Data/pics/a.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics\\a.bmp"), Root() + "/Data/pics/a.bmp");
}

TEST_F(DataFiles, LetterCaseIsIgnoredWhenNoExactMatch) {
  Make("data/Pics/BG01.BMP");
  EXPECT_EQ(FindDataFileIn(Root(), "pics\\bg01.bmp"), Root() + "/data/Pics/BG01.BMP");
  // A case-blind match in the data folder still wins over an exact one in the current directory.
  Make("pics/bg01.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics/bg01.bmp"), Root() + "/data/Pics/BG01.BMP");
}

TEST_F(DataFiles, BackslashTrailBytesAreNotSeparators) {
  // 0x95 0x5C is one double-byte character whose trail byte is a backslash.
  const std::string name = "\x95\x5C.bmp";
  Make("Data/" + name);
  EXPECT_EQ(FindDataFileIn(Root(), name), Root() + "/Data/" + name);
  const std::string upper = "\x95\x5C.BMP";
  EXPECT_EQ(FindDataFileIn(Root(), upper), Root() + "/Data/" + name);
}

TEST_F(DataFiles, AbsoluteNamesStayInsideTheGameFolder) {
  Make("Data/etc/passwd");
  EXPECT_EQ(FindDataFileIn(Root(), "/etc/passwd"), Root() + "/Data//etc/passwd");
}

TEST_F(DataFiles, JapaneseNamesAsLinuxStoresThem) {
  // The script's code page 932 bytes find the same name stored in UTF-8 ...
  Make("Data/背景.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("背景.bmp")), Root() + "/Data/背景.bmp");
  EXPECT_EQ(CheckDataFileIn(Root(), Sjis("背景.bmp")).Match, dmSameText);
  // ... in code page 932 bytes, exactly or with another letter case ...
  Make("Data/" + Sjis("夜空.bmp"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("夜空.bmp")), Root() + "/Data/" + Sjis("夜空.bmp"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("夜空.BMP")), Root() + "/Data/" + Sjis("夜空.bmp"));
  // ... decomposed (NFD: カ + U+3099, ホ + U+309A) ...
  Make("Data/\u30AB\u3099イト\u30DB\u309A.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ガイトポ.bmp")), Root() + "/Data/\u30AB\u3099イト\u30DB\u309A.bmp");
  // ... with an upper-case extension, in folders named with backslashes and another case of the Data folder.
  Make("DATA/クール/表紙/朝.BMP");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("クール\\表紙\\朝.bmp")), Root() + "/DATA/クール/表紙/朝.BMP");
  EXPECT_EQ(CheckDataFileIn(Root(), Sjis("クール\\表紙\\朝.bmp")).Match, dmFolded);
  // Half-width katakana are single bytes, never lead bytes.
  Make("Data/ｶﾞｲﾄﾞ.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ｶﾞｲﾄﾞ.BMP")), Root() + "/Data/ｶﾞｲﾄﾞ.bmp");
  Make("Data/" + Sjis("ｿﾌﾄ.wav"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ｿﾌﾄ.wav")), Root() + "/Data/" + Sjis("ｿﾌﾄ.wav"));
  // Full-width Latin letters fold like the script's own words.
  Make("Data/ＢＧ.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ｂｇ.bmp")), Root() + "/Data/ＢＧ.bmp");
}

// What a plain unzip leaves of code page 932 names: each byte read as a code page 437 or Latin-1 character
// and stored as that character's UTF-8.
std::string Mangled(const std::string& bytes, const char* codePage) {
  QString text;
  for (const char c : bytes) text += QChar(static_cast<unsigned char>(c));  // Latin-1
  if (std::string(codePage) == "cp437") {
    // The few characters of the names below, in code page 437.
    const std::pair<char16_t, char16_t> cp437[] = {{0x94, 0x00F6}, {0x8C, 0x00EE}, {0x83, 0x00E2},
                                                   {0x4E, 'N'},    {0x81, 0x00FC}, {0x5B, '['},
                                                   {0x8B, 0x00EF}};
    for (QChar& c : text)
      for (const auto& [from, to] : cp437)
        if (c.unicode() == from) c = QChar(to);
  } else if (std::string(codePage) == "cp1252") {
    for (QChar& c : text)
      if (c.unicode() == 0x8C) c = QChar(0x0152);  // Œ
  }
  return text.toStdString();
}

TEST_F(DataFiles, NamesMangledByAnEarlierUnpackAreFound) {
  // 背景 is 94 77 8C 69, クール 83 4E 81 5B 83 8B.
  for (const char* codePage : {"cp437", "latin1", "cp1252"}) {
    SCOPED_TRACE(codePage);
    const std::string picture = Sjis("背景.bmp");
    const std::string stored = Mangled(picture, codePage);
    ASSERT_NE(stored, picture);
    ASSERT_TRUE(platform::IsUtf8(stored));
    const std::string path = Make("Data/" + Mangled(Sjis("クール"), codePage) + "/" + stored);
    EXPECT_EQ(FindDataFileIn(Root(), Sjis("クール/背景.bmp")), path);
    EXPECT_EQ(FindDataFileIn(Root(), Sjis("クール/背景.BMP")), path);
    EXPECT_EQ(CheckDataFileIn(Root(), Sjis("クール/背景.bmp")).Match, dmSameText);
    std::filesystem::remove_all(Root() + "/Data");
  }
  // The true name wins over a mangled one that reads the same.
  const std::string real = Make("Data/" + Sjis("背景.bmp"));
  Make("Data/" + Mangled(Sjis("背景.bmp"), "cp437"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("背景.bmp")), real);
  // A name that only looks mangled does not stand for another: ö is not a code page 932 lead byte alone.
  Make("Data/x\xC3\xB6.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("x表.bmp")), "");
}

TEST_F(DataFiles, NamesThatHoldBackslashesStandForFolders) {
  // Unpacked by a tool that kept the archive's backslashes in the names.
  Make("Data\\背景.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("背景.bmp")), Root() + "/Data\\背景.bmp");
  Make("Data/クール\\表紙\\朝.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("クール\\表紙\\朝.BMP")), Root() + "/Data/クール\\表紙\\朝.bmp");
  Make("Data/" + Sjis("絵\\夜.bmp"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("絵/夜.bmp")), Root() + "/Data/" + Sjis("絵\\夜.bmp"));
  // A backslash inside such a name never climbs out.
  Make("x.bmp");
  Make("Data/..\\x.bmp");
  EXPECT_EQ(FindDataFileIn(Root() + "/Data", "x.bmp"), "");
}

TEST_F(DataFiles, ConverterVariantsAreTheSameCharacter) {
  // Each pair: what code page 932 decodes the script's bytes to, and what a JIS-based converter stored.
  const std::pair<const char*, const char*> variants[] = {
      {"～", "\u301C"}, {"－", "\u2212"}, {"∥", "\u2016"},  {"―", "\u2014"},
      {"￠", "\u00A2"}, {"￡", "\u00A3"}, {"￢", "\u00AC"},
  };
  int i = 0;
  for (const auto& [cp932, jis] : variants) {
    const std::string stored = "Data/a" + std::to_string(i) + jis + ".bmp";
    // 'a', not "a": a one-character literal prepended to a temporary draws GCC 12's false -Wrestrict at -O3
    // (GCC bug 105329).
    const std::string named = 'a' + std::to_string(i++) + cp932 + ".bmp";
    Make(stored);
    EXPECT_EQ(FindDataFileIn(Root(), Sjis(named.c_str())), Root() + "/" + stored) << named;
  }
  // The other way round: a name stored as code page 932 decodes it.
  Make("Data/朝～夜.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("朝～夜.bmp")), Root() + "/Data/朝～夜.bmp");
}

TEST_F(DataFiles, TrailBytesAreNeverFolded) {
  // ヂ is 83 61 and ア is 83 41: only the trail byte differs, by the letter-case bit.
  Make("Data/" + Sjis("ア.bmp"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ヂ.bmp")), "");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ア.BMP")), Root() + "/Data/" + Sjis("ア.bmp"));
  // The same in UTF-8: ッ (83 62) is not ィ (83 42).
  Make("Data/ィ.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ッ.bmp")), "");
  Make("Data/ヂ.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("ヂ.bmp")), Root() + "/Data/ヂ.bmp");
}

TEST_F(DataFiles, NamesNeverLeaveTheGameFolder) {
  Make("secret.bmp");
  Make("Data/pics/a.bmp");
  for (const char* name :
       {"../secret.bmp", "..\\secret.bmp", "pics/../../secret.bmp", "pics\\..\\a.bmp", ".."}) {
    EXPECT_EQ(FindDataFileIn(Root() + "/Data", name), "") << name;
    EXPECT_EQ(CheckDataFileIn(Root() + "/Data", name).Near, nmRefused) << name;
  }
  EXPECT_EQ(FindDataFileIn(Root(), "\\pics\\.\\a.bmp"), Root() + "/Data/pics/a.bmp");
}

TEST_F(DataFiles, CloserMatchesWinAndTheChoiceIsStable) {
  Make("Data/bg.bmp");
  Make("Data/BG.BMP");
  EXPECT_EQ(FindDataFileIn(Root(), "bg.bmp"), Root() + "/Data/bg.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "Bg.bmp"), Root() + "/Data/BG.BMP");  // first by byte order
  // The same characters beat a folded match; the Data folder beats an exact match beside it.
  Make("Data/" + Sjis("空.BMP"));
  Make("Data/空.bmp");
  Make(Sjis("空.bmp"));
  EXPECT_EQ(FindDataFileIn(Root(), Sjis("空.bmp")), Root() + "/Data/空.bmp");
  // A folder that matches but does not hold the file is backed out of.
  Make("Data/pics/x.bmp");
  Make("Data/PICS/y.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "Pics/y.bmp"), Root() + "/Data/PICS/y.bmp");
}

TEST_F(DataFiles, NearMatchesTellTheAuthorWhatIsThere) {
  std::filesystem::create_directories(Root() + "/Data/森.bmp");
  Make("Data/ア.bmp");
  Make("Data/bg.jpg");
  Make("Data/old/ある/山.bmp");
  struct TCase {
    std::string Name;
    TNearMatch Near;
    std::string NearPath;
  } cases[] = {
      {Sjis("森.bmp"), nmFolder, "/Data/森.bmp"},
      {Sjis("ｱ.bmp"), nmWidth, "/Data/ア.bmp"},
      {"bg.bmp", nmExtension, "/Data/bg.jpg"},
      {"bg", nmExtension, "/Data/bg.jpg"},
      {Sjis("山.bmp"), nmElsewhere, "/Data/old/ある/山.bmp"},
      {"none.bmp", nmNone, ""},
  };
  for (const TCase& c : cases) {
    const TDataFileCheck check = CheckDataFileIn(Root(), c.Name);
    EXPECT_EQ(check.Path, "");
    EXPECT_EQ(check.Match, dmNotFound);
    EXPECT_EQ(check.Near, c.Near) << c.Name;
    EXPECT_EQ(check.NearPath, c.NearPath.empty() ? "" : Root() + c.NearPath) << c.Name;
  }
  EXPECT_EQ(DescribeDataFileCheck(Root(), Sjis("山.bmp"), CheckDataFileIn(Root(), Sjis("山.bmp"))),
            "file 山.bmp not found; near match Data/old/ある/山.bmp is in another folder");
  EXPECT_EQ(
      DescribeDataFileCheck(Root(), Sjis("ア.BMP"), CheckDataFileIn(Root(), Sjis("ア.BMP"))),
      "ア.BMP is found as Data/ア.bmp, which differs in letter case, separators or converted characters");
  EXPECT_EQ(DescribeDataFileCheck(Root(), "..\\x", CheckDataFileIn(Root(), "..\\x")),
            "file name ..\\x leaves the game folder; it is never looked up");
}

// A translation's script names its files in UTF-8. They are found stored in UTF-8 by their bytes or folded,
// and, where code page 932 can write the name, stored in code page 932 bytes as the original disc had them.
TEST_F(DataFiles, Utf8ScriptNamesFindFilesStoredEitherWay) {
  tests::TScriptEncodingScope scope(platform::seUtf8);
  struct TCase {
    std::string Stored;
    std::string Named;
    TDataFileMatch Match;
  } cases[] = {
      {"Data/背景.bmp", "背景.bmp", dmExact},
      {"Data/" + Sjis("夜空.bmp"), "夜空.bmp", dmSameText},
      {"DATA/画像/表紙.BMP", "画像\\表紙.bmp", dmFolded},
      {"Data/Фон.bmp", "Фон.bmp", dmExact},
      {"Data/" + Sjis("Лес.bmp"), "Лес.bmp", dmSameText},  // code page 932 has Cyrillic
      {"Data/배경.bmp", "배경.bmp", dmExact},              // Hangul, which it has not
      {"Data/Café.bmp", "Café.BMP", dmFolded},
      {"Data/\u30AB\u3099イト.bmp", "ガイト.bmp", dmSameText},  // decomposed
      {"Data/ＢＧ.bmp", "ｂｇ.bmp", dmFolded},
  };
  for (const TCase& c : cases) {
    std::filesystem::remove_all(Root() + "/Data");
    std::filesystem::remove_all(Root() + "/DATA");
    const std::string path = Make(c.Stored);
    EXPECT_EQ(FindDataFileIn(Root(), c.Named), path) << c.Named;
    EXPECT_EQ(CheckDataFileIn(Root(), c.Named).Match, c.Match) << c.Named;
  }
  std::filesystem::remove_all(Root() + "/Data");
  // A name code page 932 cannot write never finds the '?' it would be written as, and other letters' case
  // counts, as in a code page 932 script.
  Make("Data/?.bmp");
  Make("Data/фон.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "배.bmp"), "");
  EXPECT_EQ(FindDataFileIn(Root(), "ФОН.bmp"), "");
  // Bytes that are not UTF-8 find only themselves.
  Make("Data/\x82\xA0.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "\x82\xA0.bmp"), Root() + "/Data/\x82\xA0.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "\x82\xA0.BMP"), "");
  EXPECT_EQ(DescribeDataFileCheck(Root(), "Фон.bmp", CheckDataFileIn(Root(), "Фон.bmp")),
            "file Фон.bmp not found; near match Data/фон.bmp differs in character width or letter case");
}

TEST_F(DataFiles, ByteOrderMarkMakesTheGameUtf8) {
  EXPECT_EQ(GameScriptEncoding(Root(), platform::seUtf8), platform::seUtf8) << "no script";
  Make("Data/SCRIPT.TXT", "\xEF\xBB");
  EXPECT_EQ(GameScriptEncoding(Root(), platform::seCp932), platform::seCp932) << "a mark cut short";
  Make("Data/SCRIPT.TXT",
       "\xEF\xBB\xBF"
       "board,on\r\n");
  EXPECT_EQ(GameScriptEncoding(Root(), platform::seCp932), platform::seUtf8);
  Make("Data/SCRIPT.TXT", "board,on\r\n");
  EXPECT_EQ(GameScriptEncoding(Root(), platform::seCp932), platform::seCp932);
  EXPECT_EQ(GameScriptEncoding(Root(), platform::seUtf8), platform::seUtf8);
}

}  // namespace
}  // namespace orbel::game
