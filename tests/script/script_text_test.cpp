// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/script_text.h"

#include <gtest/gtest.h>

#include "tests/support/script_encoding_scope.h"

namespace orbel::script {
namespace {

using L = TStringList;

TEST(SplitScriptText, LineEndsOfEveryKind) {
  EXPECT_EQ(SplitScriptText("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
  // LF CR is two line ends with an empty line between them.
  EXPECT_EQ(SplitScriptText("a\n\rb"), (L{"a", "", "b"}));
  EXPECT_EQ(SplitScriptText("a\r\n"), (L{"a"}));
  EXPECT_EQ(SplitScriptText("a\r\n\r\n"), (L{"a", ""}));
  EXPECT_EQ(SplitScriptText(""), L{});
  EXPECT_EQ(SplitScriptText("\n"), (L{""}));
  EXPECT_EQ(SplitScriptText("\r\r"), (L{"", ""}));
}

TEST(SplitScriptText, ZeroByteEndsTextAndNothingIsTrimmed) {
  EXPECT_EQ(SplitScriptText(std::string_view("a \r\n b\0c\nd", 11)), (L{"a ", " b"}));
  EXPECT_EQ(SplitScriptText(std::string_view("\0abc", 4)), L{});
  EXPECT_EQ(SplitScriptText("\t x \t"), (L{"\t x \t"}));
}

TEST(SplitScriptText, ByteOrderMarkIsNoPartOfTheFirstLine) {
  EXPECT_EQ(SplitScriptText("\xEF\xBB\xBF#start\r\nboard,on"), (L{"#start", "board,on"}));
  EXPECT_EQ(SplitScriptText("\xEF\xBB\xBF"), L{});
  // Only at the very start: elsewhere the bytes are text (and after a blank, not a mark at all).
  EXPECT_EQ(SplitScriptText("a\r\n\xEF\xBB\xBF"
                            "b"),
            (L{"a",
               "\xEF\xBB\xBF"
               "b"}));
  EXPECT_EQ(SplitScriptText(" \xEF\xBB\xBF"), (L{" \xEF\xBB\xBF"}));
}

TEST(SplitCommaText, BlanksAndCommasSeparate) {
  EXPECT_EQ(SplitCommaText("disp,1,2,bg"), (L{"disp", "1", "2", "bg"}));
  EXPECT_EQ(SplitCommaText("board,set,hello world"), (L{"board", "set", "hello", "world"}));
  EXPECT_EQ(SplitCommaText("a,,b"), (L{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText(",a"), (L{"", "a"}));
  EXPECT_EQ(SplitCommaText("a,"), (L{"a"}));
  EXPECT_EQ(SplitCommaText("  a , b\t"), (L{"a", "b"}));
  EXPECT_EQ(SplitCommaText(""), L{});
  EXPECT_EQ(SplitCommaText(" \t "), L{});
  EXPECT_EQ(SplitCommaText("a , , b"), (L{"a", "", "b"}));
}

// Fields that blanks alone parted from the one before: not after a comma (blanks around it or not), not after
// a quote that a field follows directly, and a full-width space is no blank.
TEST(SplitCommaText, FieldsAfterBlank) {
  using P = std::vector<size_t>;
  EXPECT_EQ(FieldsAfterBlank("board,set,hello world"), (P{3}));
  EXPECT_EQ(FieldsAfterBlank(" board set , a ,b\tc  d "), (P{1, 4, 5}));
  EXPECT_EQ(FieldsAfterBlank("board,set,\"a b\"c,\x82\xA0\x81\x40\x82\xA2"), P{});
  EXPECT_EQ(FieldsAfterBlank(""), P{});
}

TEST(SplitCommaText, QuotedFields) {
  EXPECT_EQ(SplitCommaText("board,set,\"hello world\""), (L{"board", "set", "hello world"}));
  EXPECT_EQ(SplitCommaText("\"a,b\",c"), (L{"a,b", "c"}));
  EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\""), (L{"say \"hi\""}));
  EXPECT_EQ(SplitCommaText("\"\",x"), (L{"", "x"}));
  // Text right after a closing quote starts a new field.
  EXPECT_EQ(SplitCommaText("\"a\"b"), (L{"a", "b"}));
  // A quote never closed takes the rest of the line; the fields before it are split as usual.
  EXPECT_EQ(SplitCommaText("x,\"open field, more"), (L{"x", "open field, more"}));
  EXPECT_EQ(SplitCommaText("\""), (L{""}));
}

TEST(SplitCommaText, DoubleByteCharactersStayWhole) {
  // A lead byte followed by a comma or blank makes one character with it, as the system's stepping does.
  EXPECT_EQ(SplitCommaText("\x82,x,y"), (L{"\x82,x", "y"}));
  // The full-width space (81 40) is an ordinary character.
  EXPECT_EQ(SplitCommaText("a\x81\x40"
                           "b,c"),
            (L{"a\x81\x40"
               "b",
               "c"}));
  // A lead byte at the very end is kept as it is.
  EXPECT_EQ(SplitCommaText("a,\x82"), (L{"a", "\x82"}));
}

// In UTF-8 the bytes of a multi-byte character are never separators, and a byte that would lead a code
// page 932 pair must not take the separator after it: "あ" is E3 81 82, and 82 before a comma is the case.
TEST(SplitCommaText, Utf8TextIsSplitByteByByte) {
  tests::TScriptEncodingScope scope(platform::seUtf8);
  EXPECT_EQ(SplitCommaText("board,set,\xE3\x81\x82,\xE3\x81\x84 \xE3\x81\x86"),
            (L{"board", "set", "\xE3\x81\x82", "\xE3\x81\x84", "\xE3\x81\x86"}));
  EXPECT_EQ(SplitCommaText("board,set,\"\xD0\x9F\xD1\x80\xD0\xB8, \xD0\xB2\xE3\x81\x82\"\"\",x"),
            (L{"board", "set", "\xD0\x9F\xD1\x80\xD0\xB8, \xD0\xB2\xE3\x81\x82\"", "x"}));
  // Malformed bytes are kept as they are, and still never take a separator.
  EXPECT_EQ(SplitCommaText("\x82,x,\xE3\x81"), (L{"\x82", "x", "\xE3\x81"}));
}

TEST(ParseNumber, DecimalHexSignsAndLimits) {
  EXPECT_EQ(ParseNumber("0"), 0);
  EXPECT_EQ(ParseNumber("+12"), 12);
  EXPECT_EQ(ParseNumber("-12"), -12);
  EXPECT_EQ(ParseNumber("007"), 7);
  EXPECT_EQ(ParseNumber("$1f"), 31);
  EXPECT_EQ(ParseNumber("$7FFFFFFF"), 2147483647);
  EXPECT_EQ(ParseNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseNumber("-2147483647"), -2147483647);
  for (const char* bad : {"", "+", "-", "$", "1x", " 1", "1 ", "0x10", "-$10", "$-1", "2147483648",
                          "-2147483648", "$80000000", "99999999999999999999", "1.5", "１"})
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
}

TEST(Keywords, CaseBlindLookupByPosition) {
  const TStringList keywords = SplitCommaText(kKeywordCommaText);
  ASSERT_EQ(keywords.size(), 19u);
  EXPECT_EQ(IndexOfCaseBlind(keywords, "disp"), kwDisp);
  EXPECT_EQ(IndexOfCaseBlind(keywords, "DISP"), kwDisp);
  EXPECT_EQ(IndexOfCaseBlind(keywords, "Logo"), kwLogo);
  EXPECT_EQ(IndexOfCaseBlind(keywords, "end"), kwEnd);
  EXPECT_EQ(IndexOfCaseBlind(keywords, "disp "), -1);
  EXPECT_EQ(IndexOfCaseBlind(keywords, ""), -1);
}

TEST(SameTextCaseBlind, FoldsLettersButNeverTrailBytes) {
  EXPECT_TRUE(SameTextCaseBlind("#Label", "#LABEL"));
  EXPECT_TRUE(SameTextCaseBlind("\x82\x60", "\x82\x81"));  // full-width A and a
  // 83 41 and 83 61 are different katakana; their trail bytes look like 'A' and 'a'.
  EXPECT_FALSE(SameTextCaseBlind("\x83\x41", "\x83\x61"));
  EXPECT_FALSE(SameTextCaseBlind(" #a", "#a"));
  // Greek and Cyrillic: #αω and #ΑΩ, #бя and #БЯ, ё and Ё (the small letters' run skips the trail byte 7F).
  EXPECT_TRUE(SameTextCaseBlind("#\x83\xBF\x83\xD6", "#\x83\x9F\x83\xB6"));
  EXPECT_TRUE(SameTextCaseBlind("#\x84\x71\x84\x91", "#\x84\x41\x84\x60"));
  EXPECT_TRUE(SameTextCaseBlind("\x84\x76\x84\x80", "\x84\x46\x84\x4F"));
  // Neighbours that are no letters stay apart: 83 BE and 83 9E, 84 7F is no character.
  EXPECT_FALSE(SameTextCaseBlind("\x83\xBE", "\x83\x9E"));
  EXPECT_FALSE(SameTextCaseBlind("\x84\x7F", "\x84\x4F"));
}

TEST(SameTextCaseBlind, Utf8LabelsFoldLatinLettersAndKeepEveryOtherByte) {
  tests::TScriptEncodingScope scope(platform::seUtf8);
  EXPECT_TRUE(SameTextCaseBlind("#Label", "#LABEL"));
  EXPECT_TRUE(SameTextCaseBlind("#\xEF\xBD\x81z", "#\xEF\xBC\xA1Z"));  // full-width a and A
  // Cyrillic ме and МЕ, ё and Ё, Greek α and Α, as in code page 932; the final sigma has no capital there.
  EXPECT_TRUE(SameTextCaseBlind("#\xD0\xBC\xD0\xB5", "#\xD0\x9C\xD0\x95"));
  EXPECT_TRUE(SameTextCaseBlind("\xD1\x91\xCE\xB1", "\xD0\x81\xCE\x91"));
  EXPECT_FALSE(SameTextCaseBlind("\xCF\x82", "\xCE\xA2"));
  // Other letters are compared by their bytes: Latin é and É differ.
  EXPECT_FALSE(SameTextCaseBlind("\xC3\xA9", "\xC3\x89"));
  // Code page 932's full-width folding is not applied to bytes that merely look like it.
  EXPECT_FALSE(SameTextCaseBlind("\x82\x60", "\x82\x81"));
  // A character cut short at the end folds nothing and reads nothing past the text.
  EXPECT_FALSE(SameTextCaseBlind("#\xEF\xBD", "#\xEF\xBC"));
}

}  // namespace
}  // namespace orbel::script
