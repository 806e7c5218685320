#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Which encoding the game's script is in: code page 932 as the original games wrote it, or UTF-8 as fan
// translations are saved today. It is one setting for the whole run, settled once at start-up (from the
// command line and the script's first bytes) before any text is read, and everything that walks or decodes
// script text asks it here: the script reader, the board, the status line, the data-file lookup, the checker.
// Header-only and standard-library-only, so that the script library may share it.

#include <atomic>
#include <cstddef>
#include <string_view>

namespace orbel::platform {

enum TScriptEncoding : int {
  seCp932,  // Shift-JIS (Windows code page 932), the default
  seUtf8,
};

// A UTF-8 byte-order mark: a script that starts with one is UTF-8 whatever the command line says, and the
// mark itself is not part of its first line.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

inline bool StartsWithUtf8Bom(std::string_view text) {
  return text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
}

namespace detail {
// Atomic only so that a thread reading it while a test switches it is not a data race; it never changes
// while a game runs.
inline std::atomic<TScriptEncoding> ScriptEncodingValue{seCp932};
}  // namespace detail

inline TScriptEncoding ScriptEncoding() {
  return detail::ScriptEncodingValue.load(std::memory_order_relaxed);
}

inline void SetScriptEncoding(TScriptEncoding encoding) {
  detail::ScriptEncodingValue.store(encoding, std::memory_order_relaxed);
}

// The length of the well-formed UTF-8 character that starts at `pos`, or 0 when the bytes there are not one
// (a stray continuation byte, an overlong form, a surrogate, a value above U+10FFFF, a character cut short).
inline size_t Utf8CharLength(std::string_view text, size_t pos) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  const unsigned char c = at(0);
  if (c < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if ((at(k) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace orbel::platform
