#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The translations a game folder holds, and the one a run uses. A translation lives beside the game's Data
// folder and leaves the game as it is:
//
//   Translations/<language>.po     the board's texts (or a compiled <language>.mo)
//   Translations/<language>/Data/  pictures and other files that replace the game's files of the same names
//
// Letter case of the folder's and the files' names aside. Nothing a catalogue holds leads outside the game
// folder: a language is a plain code, and a catalogue or pictures folder whose real place is elsewhere (a
// link) is not used.

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "translation/catalogue.h"

namespace orbel::translation {

// The folder a translation's files are in, under the game folder.
inline constexpr const char* kTranslationsFolder = "Translations";
// What --language takes for the script's own text.
inline constexpr const char* kNoTranslation = "none";

// The languages of the catalogues in the game folder `gameFolder`, sorted.
std::vector<std::string> CatalogueLanguages(const std::string& gameFolder);
// The catalogue of `language` in the game folder (its path under `gameFolder`, .po before .mo), or empty.
std::string FindCatalogue(const std::string& gameFolder, const std::string& language);
// The first of the user's languages (as the system's locale lists them, "fr-FR" or "fr_FR" alike) that one of
// `available` names, a language with a country also matching its language alone; empty when none does.
std::string LocaleLanguage(const QStringList& userLanguages, const std::vector<std::string>& available);

// What the command line asks for.
struct TTranslationRequest {
  std::string Language;       // --language: a code, kNoTranslation, or empty
  std::string File;           // --translation: a catalogue named directly
  bool FollowLocale = false;  // without either, the user's locale chooses among the game's catalogues
};

struct TChosenTranslation {
  std::string Language;                         // empty: the script's own text
  std::shared_ptr<const TCatalogue> Catalogue;  // null: no board texts to translate
  std::string Problem;  // why the translation asked for is refused ("fr.po:3: ..."); the run is untranslated
  std::string CatalogueName;  // the catalogue's file as messages name it
};

// Settles the run's translation for the game in the current directory and sets the data-file lookup's
// translated files (game::SetTranslatedDataFolder). A catalogue that cannot be used refuses the whole
// translation: Problem says why, and the run shows the game as it is.
TChosenTranslation ChooseTranslation(const TTranslationRequest& request, const QStringList& userLanguages);

}  // namespace orbel::translation
