// SPDX-License-Identifier: GPL-3.0-or-later
// Board lines are Shift-JIS bytes decoded only to draw: the bytes that trip up a plain decoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace orbel::platform {
namespace {

struct TDecodeCase {
  const char* Name;
  std::string Bytes;
  std::u16string Expected;
};

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
  for (const TDecodeCase& c : cases) {
    EXPECT_EQ(DecodeSjis(c.Bytes), QString::fromStdU16String(c.Expected)) << c.Name;
  }
}

}  // namespace
}  // namespace orbel::platform
