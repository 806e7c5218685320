#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own texts in the user's language (see platform/texts.h): Tr("Context", "English text %1")
// looks the text up in the catalogue the program chose at start-up, then Arg fills its places in order. Tests
// and tools that install no catalogue get the English text.

#include <QString>
#include <concepts>
#include <string>
#include <string_view>
#include <vector>

#include "platform/texts.h"

namespace orbel::platform {

class TText {
 public:
  // `count` chooses the plural form of a text that holds %n, and stands for %n in it (-1: no count).
  TText(const char* context, const char* source, int count = -1);

  // UTF-8 text, or a number, for the next place.
  TText& Arg(std::string_view utf8);
  TText& Arg(const char* utf8) { return Arg(std::string_view(utf8)); }
  TText& Arg(const std::string& utf8) { return Arg(std::string_view(utf8)); }
  TText& Arg(const QString& text) { return Arg(std::string_view(text.toStdString())); }
  template <std::integral TNumber>
  TText& Arg(TNumber number) {
    return Arg(std::string_view(std::to_string(number)));
  }

  // The translated text with its places filled, as UTF-8 or as Qt's text.
  std::string Str() const;
  QString QStr() const { return QString::fromStdString(Str()); }
  operator std::string() const { return Str(); }

 private:
  std::string Translated;
  std::vector<std::string> Arguments;
};

// The text `source` of `context` in the user's language. The translation tools read these calls (`Tr` is
// their alias of QCoreApplication::translate), so both arguments are written as literals.
inline TText Tr(const char* context, const char* source) {
  return TText(context, source);
}
// A text with a count: %n in it is `count`, and the catalogue gives the form for that number ("1 picture",
// "2 pictures"). `disambiguation` is for the tools' sake (nullptr).
inline TText Tr(const char* context, const char* source, const char* disambiguation, int count) {
  (void)disambiguation;
  return TText(context, source, count);
}

// The system's reason for the error number `code` (errno), in the user's language: the common reasons of a
// failing file operation are the program's own texts; any other is the C library's.
std::string SystemErrorText(int code);

}  // namespace orbel::platform
