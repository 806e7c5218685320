// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/game_translations.h"

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "game/data_files.h"
#include "platform/text_codec.h"

namespace orbel::translation {

namespace fs = std::filesystem;

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The entry of `folder` whose name is `name` but for ASCII letter case, the very name first; empty when none.
std::string EntryNamed(const std::string& folder, const std::string& name, bool wantFolder) {
  const auto wanted = [wantFolder](const fs::path& path) {
    std::error_code error;
    return wantFolder ? fs::is_directory(path, error) : fs::is_regular_file(path, error);
  };
  if (wanted(fs::path(folder) / name)) return name;
  std::string best;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(folder), error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().native();
    if (AsciiLower(entry) == AsciiLower(name) && wanted(it->path()) && (best.empty() || entry < best))
      best = entry;
  }
  return best;
}

// The Translations folder of the game folder, or empty.
std::string TranslationsFolder(const std::string& gameFolder) {
  const std::string entry = EntryNamed(gameFolder, kTranslationsFolder, true);
  return entry.empty() ? std::string() : (fs::path(gameFolder) / entry).string();
}

std::string Joined(const std::vector<std::string>& languages) {
  std::string text;
  for (const std::string& language : languages) text += (text.empty() ? "" : ", ") + language;
  return text;
}

}  // namespace

std::vector<std::string> CatalogueLanguages(const std::string& gameFolder) {
  std::vector<std::string> languages;
  const std::string folder = TranslationsFolder(gameFolder);
  if (folder.empty()) return languages;
  std::error_code error;
  for (fs::directory_iterator it(fs::path(folder), error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string name = it->path().filename().native();
    const std::string extension = AsciiLower(it->path().extension().native());
    const std::string stem = it->path().stem().native();
    if ((extension == ".po" || extension == ".mo") && IsLanguageCode(stem)) languages.push_back(stem);
  }
  std::sort(languages.begin(), languages.end());
  languages.erase(std::unique(languages.begin(), languages.end()), languages.end());
  return languages;
}

std::string FindCatalogue(const std::string& gameFolder, const std::string& language) {
  const std::string folder = TranslationsFolder(gameFolder);
  if (folder.empty() || !IsLanguageCode(language)) return {};
  for (const char* extension : {".po", ".mo"}) {
    const std::string entry = EntryNamed(folder, language + extension, false);
    if (entry.empty()) continue;
    const std::string path = (fs::path(folder) / entry).string();
    if (game::IsInsideFolder(gameFolder, path)) return path;
  }
  return {};
}

std::string LocaleLanguage(const QStringList& userLanguages, const std::vector<std::string>& available) {
  const auto match = [&available](const std::string& wanted) -> std::string {
    for (const std::string& language : available)
      if (AsciiLower(language) == AsciiLower(wanted)) return language;
    return {};
  };
  for (const QString& user : userLanguages) {
    std::string code = user.toStdString();
    std::replace(code.begin(), code.end(), '-', '_');
    if (std::string found = match(code); !found.empty()) return found;
    const size_t country = code.find_first_of("_@.");
    if (country != std::string::npos)
      if (std::string found = match(code.substr(0, country)); !found.empty()) return found;
  }
  return {};
}

TChosenTranslation ChooseTranslation(const TTranslationRequest& request, const QStringList& userLanguages) {
  game::SetTranslatedDataFolder({});
  TChosenTranslation chosen;
  if (request.Language == kNoTranslation) return chosen;
  std::error_code error;
  const std::string gameFolder = fs::current_path(error).string();
  if (error) return chosen;
  std::string language = request.Language;
  std::string path;
  if (!request.File.empty()) {
    path = request.File;
    chosen.CatalogueName = platform::FileNameToUtf8(path);
  } else {
    if (language.empty() && request.FollowLocale)
      language = LocaleLanguage(userLanguages, CatalogueLanguages(gameFolder));
    if (language.empty()) return chosen;
    path = FindCatalogue(gameFolder, language);
    if (path.empty()) {
      // A translation of pictures alone has no catalogue.
      const std::string translations = TranslationsFolder(gameFolder);
      if (IsLanguageCode(language) && !translations.empty() &&
          !EntryNamed(translations, language, true).empty()) {
        chosen.Language = language;
        game::SetTranslatedDataFolder(std::string(kTranslationsFolder) + "/" + language + "/Data");
        return chosen;
      }
      const std::vector<std::string> languages = CatalogueLanguages(gameFolder);
      chosen.Problem =
          (languages.empty()
               ? QCoreApplication::translate("Translations", "there is no translation '%1' in %2/")
                     .arg(QString::fromStdString(language), kTranslationsFolder)
               : QCoreApplication::translate("Translations",
                                             "there is no translation '%1' in %2/ (there is: %3)")
                     .arg(QString::fromStdString(language), kTranslationsFolder,
                          QString::fromStdString(Joined(languages))))
              .toStdString();
      return chosen;
    }
    chosen.CatalogueName = platform::FileNameToUtf8(fs::path(path).lexically_relative(gameFolder).string());
  }
  TCatalogue catalogue;
  try {
    catalogue = ReadCatalogue(path, chosen.CatalogueName);
  } catch (const ECatalogueError& problem) {
    chosen.Problem = problem.what();
    return chosen;
  }
  if (language.empty()) language = catalogue.Language;
  if (language.empty() && IsLanguageCode(fs::path(path).stem().native())) language = fs::path(path).stem();
  if (catalogue.Language.empty()) catalogue.Language = language;
  chosen.Language = language;
  chosen.Catalogue = std::make_shared<const TCatalogue>(std::move(catalogue));
  if (!language.empty())
    game::SetTranslatedDataFolder(std::string(kTranslationsFolder) + "/" + language + "/Data");
  return chosen;
}

}  // namespace orbel::translation
