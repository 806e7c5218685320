// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/script_text.h"

#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace orbel::script
