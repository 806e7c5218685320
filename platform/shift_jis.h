#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The byte classes of Shift-JIS (code page 932) text, for code that walks the bytes itself: the script
// reader, the data-file lookup and the text codec. Header-only and standard-library-only, so that the script
// library, which includes nothing else of this layer but the error root, may share it.

namespace orbel::platform {

// The first byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// A byte that may follow a lead byte: 0x40-0xFC without 0x7F. A trail byte may be an ASCII character (a
// backslash among them), which is why text is walked character by character, never byte by byte.
constexpr bool IsTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

}  // namespace orbel::platform
