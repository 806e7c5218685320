#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shift-JIS (Windows code page 932) and UTF-8 text. The engine keeps script text as raw bytes everywhere and
// decodes it only where it meets the user: drawing, message boxes, the trace.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "platform/script_encoding.h"

namespace orbel::platform {

// Decodes code page 932 bytes. Undecodable bytes and a lead byte left dangling at the end become U+FFFD.
QString DecodeSjis(std::string_view bytes);

// The same text as UTF-8, for standard output and error.
std::string SjisToUtf8(std::string_view bytes);

// Encodes to code page 932; characters without a mapping become '?'. Used for names the program itself
// writes into Shift-JIS text (test lines, file names chosen in dialogs).
std::string EncodeSjis(const QString& text);

// Decodes UTF-8; each byte that is not part of a well-formed character becomes U+FFFD.
QString DecodeUtf8(std::string_view bytes);

// Script text in the run's script encoding (ScriptEncoding()): DecodeSjis or DecodeUtf8.
QString DecodeScriptText(std::string_view bytes);
// The same text as UTF-8, for standard output, error and messages; malformed bytes come out as U+FFFD.
std::string ScriptTextToUtf8(std::string_view bytes);
// Text as script bytes in the run's encoding, for text the program itself puts where script text goes.
std::string EncodeScriptText(const QString& text);

// The encoding a command-line name stands for: cp932 (also shift-jis, shift_jis, sjis) or utf-8 (also
// utf8), in any letter case; nothing for any other name.
std::optional<TScriptEncoding> ScriptEncodingFromName(std::string_view name);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

// A file path's bytes as a person reads them. Linux programs store names as UTF-8, while names copied byte
// for byte from a Japanese disc are code page 932; so each folder and file name between slashes is read as
// UTF-8 when it is valid UTF-8, and as code page 932 otherwise. For error texts and messages only: files are
// always opened by their bytes.
std::string FileNameToUtf8(std::string_view path);

}  // namespace orbel::platform
