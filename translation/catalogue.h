#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Gettext catalogues of the board's texts: a translation read from a .po file (gettext's own reader,
// libgettextpo, which stays inside this folder) or a compiled .mo file, and the template --extract-text
// writes. Texts are UTF-8.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/errors.h"

namespace orbel::translation {

// A catalogue that cannot be used; the text names the file and, where it can, the line: "fr.po:3: ...".
class ECatalogueError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

// Far more than the translation of any script the engine takes (8 MB); a larger file is not a catalogue.
inline constexpr size_t kMaxCatalogueBytes = 32 * 1024 * 1024;

struct TCatalogueEntry {
  std::string Context;  // msgctxt
  std::string Id;       // msgid: the original text
  std::string Text;     // msgstr: the translation, empty when there is none
  bool Fuzzy = false;
  int Line = 0;  // where the entry's translation stands in a .po file, from 1; 0 when unknown (.mo)
};

struct TCatalogue {
  std::string Name;      // the file as messages name it
  std::string Language;  // the header's Language field when it is a language code, else empty
  // The entries in file order: no header, no obsolete entries, no plural forms (no board text has them).
  std::vector<TCatalogueEntry> Entries;

  // The entry of a context and original text, or null.
  const TCatalogueEntry* Find(std::string_view context, std::string_view id) const;
  // The translation shown for a context and original text: null when there is none or it is fuzzy.
  const std::string* Translation(std::string_view context, std::string_view id) const;
  // Makes Find's index; the readers call it.
  void Index();

 private:
  std::unordered_map<std::string, size_t> ByKey;
};

// Whether `code` can name a language, as catalogue names and the header's Language field do ("fr", "pt_BR",
// "sr@latin", "zh-Hant"): two or three letters, then letters, digits and "_-@." without "..". Such a code is
// safe to put into a path inside the game folder.
bool IsLanguageCode(std::string_view code);

// Reads the catalogue at `path` (bytes, as opened), a .po file or a .mo file by its content, naming it `name`
// in messages. ECatalogueError when it cannot be read, is too large, has a syntax error, duplicate entries,
// text that is not UTF-8 or a charset other than UTF-8.
TCatalogue ReadCatalogue(const std::string& path, const std::string& name);
// The same from the file's bytes.
TCatalogue ParseCatalogue(std::string_view bytes, const std::string& name);

// One entry of a template: the original text where the script shows it.
struct TTemplateEntry {
  std::string Context;
  std::string Id;
  std::string Comment;  // for the translator
  std::string File;     // where the script shows it: the file and its line, from 1
  int Line = 0;
};

// A template (.pot) of `entries` in their order, for the project `project`, as gettext's tools write one.
std::string TemplateText(const std::string& project, const std::vector<TTemplateEntry>& entries);

}  // namespace orbel::translation
