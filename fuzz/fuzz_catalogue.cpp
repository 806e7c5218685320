// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogues from arbitrary bytes, as .po text through gettext's reader and as .mo files: the reader either
// refuses them naming the file or gives entries that are UTF-8 throughout and found by their keys; what it
// gives goes through the board's breaking and the checker against a small script.

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text_codec.h"
#include "translation/board_fit.h"
#include "translation/catalogue.h"
#include "translation/catalogue_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orbel;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  translation::TCatalogue catalogue;
  try {
    catalogue = translation::ParseCatalogue(bytes, "fuzz.po");
  } catch (const translation::ECatalogueError& problem) {
    if (std::string_view(problem.what()).substr(0, 8) != "fuzz.po:") std::abort();
    return 0;
  }
  for (const translation::TCatalogueEntry& entry : catalogue.Entries) {
    if (!platform::IsUtf8(entry.Context) || !platform::IsUtf8(entry.Id) || !platform::IsUtf8(entry.Text))
      std::abort();
    if (!catalogue.Find(entry.Context, entry.Id)) std::abort();
    // A translation's lines, broken or not, hold all its characters but the blanks at the breaks.
    const QString text = QString::fromStdString(entry.Text);
    const QStringList lines = translation::BoardLinesOf(text, true);
    if (lines.join(QString()).size() > text.size()) std::abort();
    translation::BoardLinesOf(text, false);
  }
  translation::CheckCatalogue(catalogue, {"#top", "board,set,a,b", "board,set,\"c d\"", "#x", "board,set,e"});
  return 0;
}
