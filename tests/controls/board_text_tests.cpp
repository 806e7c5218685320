// SPDX-License-Identifier: GPL-3.0-or-later
// Board lines are script bytes decoded only to draw, from code page 932 or UTF-8: the bytes that trip up a
// plain decoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "tests/support/script_encoding_scope.h"

namespace orbel::platform {
namespace {

struct TDecodeCase {
  const char* Name;
  std::string Bytes;
  std::u16string Expected;
};

// Each case's bytes, decoded by `decode`, give its text.
void ExpectDecodes(QString (*decode)(std::string_view), const std::vector<TDecodeCase>& cases) {
  for (const TDecodeCase& c : cases) EXPECT_EQ(decode(c.Bytes), QString::fromStdU16String(c.Expected)) << c.Name;
}

TEST(BoardTextTest, TrickyBytesDecodeAsCodePage932) {
  const std::vector<TDecodeCase> cases = {
      {"backslash and tilde stay ASCII", "a\\b~", u"a\\b~"},
      {"half-width katakana", "\xB1\xDF\xA1", u"\uFF71\uFF9F\uFF61"},
      {"NEC special row", "\x87\x40\x87\x82", u"\u2460\u2116"},
      {"IBM extension", "\xFA\x40\xFA\x5C\xFC\x4B", u"\u2170\u7E8A\u9ED1"},
      {"lead byte dangling at the end", "ab\x82", u"ab\uFFFD"},
      {"lead byte before an invalid trail byte", "\x82\x20x", u"\uFFFD x"},
      {"lead byte before DEL", "\x82\x7F\x41", u"\uFFFD\u007FA"},
      {"bytes that are no character", "\x80\xA0\xFD\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"a real SUB byte and a NUL stay", std::string("\x1A\0z", 3), std::u16string(u"\u001A\u0000z", 3)},
  };
  ExpectDecodes(DecodeSjis, cases);
}

// A translation's text in the scripts translations use, and each kind of malformed UTF-8 an editor or a bad
// conversion leaves: a character cut short is one U+FFFD, any other malformed byte one of its own, and the
// text after it is kept.
TEST(BoardTextTest, Utf8TextDecodesAndMalformedBytesBecomeReplacementCharacters) {
  const std::vector<TDecodeCase> cases = {
      {"Cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
       u"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {"Chinese and Korean", "\xE4\xBD\xA0\xE5\xA5\xBD \xEC\x95\x88\xEB\x85\x95",
       u"\u4F60\u597D \uC548\uB155"},
      {"outside the basic plane", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
      {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
      {"character cut short by ASCII", "\xE3\x81(\xF0\x9F\x98)", u"\uFFFD(\uFFFD)"},
      {"character cut short at the end", "ab\xE3\x81", u"ab\uFFFD"},
      {"lead byte before a lead byte", "\xC3\xC3\xA9", u"\uFFFD\u00E9"},
      {"overlong form", "\xC0\xAF\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"Shift-JIS bytes in a UTF-8 script", "\x82\xA0", u"\uFFFD\uFFFD"},
      {"a NUL stays", std::string("a\0z", 3), std::u16string(u"a\u0000z", 3)},
  };
  ExpectDecodes(DecodeUtf8, cases);
  // What goes to standard output is always well-formed.
  for (const TDecodeCase& c : cases) EXPECT_TRUE(IsUtf8(DecodeUtf8(c.Bytes).toStdString())) << c.Name;
}

// The board, the status line and the messages decode by the run's script encoding.
TEST(BoardTextTest, ScriptTextFollowsTheRunsEncoding) {
  const std::string sjis = "\x82\xA0\xB1";              // あｱ in code page 932
  const std::string utf8 = "\xE3\x81\x82\xEF\xBD\xB1";  // あｱ in UTF-8
  EXPECT_EQ(DecodeScriptText(sjis), QStringLiteral("あｱ"));
  EXPECT_EQ(ScriptTextToUtf8(sjis), "あｱ");
  EXPECT_EQ(EncodeScriptText(QStringLiteral("あｱ")), sjis);
  {
    tests::TScriptEncodingScope scope(seUtf8);
    EXPECT_EQ(DecodeScriptText(utf8), QStringLiteral("あｱ"));
    EXPECT_EQ(ScriptTextToUtf8(utf8), "あｱ");
    EXPECT_EQ(ScriptTextToUtf8(sjis), "\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(EncodeScriptText(QStringLiteral("あｱ")), utf8);
  }
  EXPECT_EQ(DecodeScriptText(sjis), QStringLiteral("あｱ"));
}

}  // namespace
}  // namespace orbel::platform
