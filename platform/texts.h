#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own texts (every text that is not the original games' captions and messages) are written in
// English with numbered places %1 to %9 and shown in the user's language: the translation tools collect them,
// and the catalogue chosen at start-up gives the text the user reads (platform/translation.h).
// Header-only and standard-library-only, so that the script library may mark its texts too.

#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

// Marks `source` as a text of `context` for the translation tools and stands for it unchanged; whoever shows
// it translates it in the same context. The tools know this name as an alias of Qt's own marker.
#define ORBEL_TRANSLATE_NOOP(context, source) source

namespace orbel::platform {

// `text` with each place %1 to %9 replaced by the argument of that number, in one pass, so an argument that
// itself holds "%2" stays as it is. A place without an argument, and a % before anything else, stay too.
// `arguments` is any contiguous range of texts (std::string, std::string_view).
template <typename TArguments>
std::string FillPlaces(std::string_view text, const TArguments& arguments) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] == '%' && pos + 1 < text.size() && text[pos + 1] >= '1' && text[pos + 1] <= '9') {
      const auto index = static_cast<size_t>(text[pos + 1] - '1');
      if (index < std::size(arguments)) {
        out.append(std::data(arguments)[index]);
        ++pos;
        continue;
      }
    }
    out.push_back(text[pos]);
  }
  return out;
}

inline std::string FillPlaces(std::string_view text, std::initializer_list<std::string_view> arguments) {
  return FillPlaces<std::initializer_list<std::string_view>>(text, arguments);
}

}  // namespace orbel::platform
