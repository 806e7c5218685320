#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shift-JIS (Windows code page 932) text. The engine keeps script text as raw bytes everywhere and decodes it
// only where it meets the user: drawing, message boxes, the trace.

#include <QString>
#include <string>
#include <string_view>

namespace orbel::platform {

// Decodes code page 932 bytes. Undecodable bytes and a lead byte left dangling at the end become U+FFFD.
QString DecodeSjis(std::string_view bytes);

// The same text as UTF-8, for standard output and error.
std::string SjisToUtf8(std::string_view bytes);

// Encodes to code page 932; characters without a mapping become '?'. Used for names the program itself
// writes into Shift-JIS text (test lines, file names chosen in dialogs).
std::string EncodeSjis(const QString& text);

}  // namespace orbel::platform
