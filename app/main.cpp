// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry: the command line, the application object, the engine window and the font dialog.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "app/form_orbel.h"
#include "app/game_export.h"
#include "app/game_info.h"
#include "app/game_saves.h"
#include "app/options.h"
#include "app/orbel_application.h"
#include "app/reader_options.h"
#include "app/save_dialog.h"
#include "app/save_game.h"
#include "app/start_folder.h"
#include "app/text_outlets.h"
#include "dialogs/font_dialog.h"
#include "game/data_files.h"
#include "game/game_check.h"
#include "game/game_errors.h"
#include "game/game_folder.h"
#include "media/media_layer.h"
#include "media/video_export.h"
#include "platform/engine_clock.h"
#include "platform/fonts.h"
#include "platform/shutdown_signals.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "translation/game_translations.h"
#include "translation/text_tools.h"

namespace {

bool ShowsDialogs(const orbel::app::TOptions& options) {
  return options.Watched() && QGuiApplication::platformName() != QLatin1String("offscreen");
}

// A player's run of a game with an automatic save may go on from the newest: as the player chose to keep
// doing, or as they answer when the window asks, once it is shown.
std::optional<orbel::app::TContinueOffer> OfferToContinue(orbel::app::TOptions& options, QSettings& settings,
                                                          const orbel::app::TGameSaves& saves) {
  using namespace orbel::app;
  if (!ShowsDialogs(options) || !options.LoadFrom.empty() || !options.StartFrom.empty()) return std::nullopt;
  const std::vector<TSlot> kept = saves.ListAutoSaves();
  const QString key = saves.ContinueKey();
  const TContinueAnswer answer = ContinueAnswer(settings, key, !kept.empty());
  if (answer == caStartAgain) return std::nullopt;
  if (answer == caContinue) {
    options.LoadFrom = kept.front().Path;
    return std::nullopt;
  }
  TContinueOffer offer;
  try {
    offer.Save = *kept.front().Save;
    offer.Start = saves.StartPointOf(kept.front().Path, nullptr);
  } catch (const orbel::EOrbelError& problem) {
    std::fprintf(stderr, "orbel: %s\n",
                 orbel::platform::Tr("Saves", "%1; the game starts again").Arg(problem.what()).Str().c_str());
    return std::nullopt;
  }
  offer.Remember = [&settings, key](bool continueRun) { RememberContinueAnswer(settings, key, continueRun); };
  return offer;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orbel::app;
  // Batch runs keep standard error for the script's own errors, one per line.
  bool batch = false;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    // An export is a batch run too.
    batch = batch || std::string_view(argv[i]) == "--batch" ||
            std::string_view(argv[i]) == "--export-video" ||
            std::string_view(argv[i]).starts_with("--export-video=");
    // Extracting the texts shows nothing either.
    check = check || std::string_view(argv[i]) == "--check" ||
            std::string_view(argv[i]) == "--extract-text" ||
            std::string_view(argv[i]).starts_with("--extract-text=");
  }
  // Without a display the window still runs, unseen (batch runs on servers and in tests); the checker never
  // shows anything, so it needs no display at all.
  if (check ||
      (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Nobody listens to a batch run: play silently at real-time pace, without the sound system's own
  // complaints.
  if (batch) setenv("SDL_AUDIODRIVER", "dummy", 0);
  if ((batch || check) && !std::getenv("ORBEL_QT_MESSAGES"))
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
      if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
    });

  orbel::platform::IgnoreWriteFailureSignals();
  TOrbelApplication application(argc, argv);
  // Before anything speaks: the help and the command line's complaints are in the user's language too.
  application.UseTranslations();
  // The arguments as their bytes (the application object took its own options out of argv): a game folder
  // may be named in code page 932.
  const TParseResult parsed = ParseCommandLine(ArgumentList(argc, argv));
  if (!parsed.Options) {
    std::fputs(parsed.Output.c_str(), parsed.ExitStatus == esOk ? stdout : stderr);
    return parsed.ExitStatus;
  }
  TOptions options = *parsed.Options;
  QSettings settings(QStringLiteral("orbel"), QStringLiteral("orbel"));
  ApplyRememberedChoices(options, settings);
  orbel::game::TFoundGame found;
  try {
    found = StartFolder(options, settings);
  } catch (const orbel::game::EGameNotChosen&) {
    // The player closed the list of the archive's games or stopped the unpack: nothing to play, nothing
    // wrong. A signal that stopped it ends the program as it would the running game.
    if (const int signalNumber = orbel::platform::PendingShutdownSignal()) return 128 + signalNumber;
    return esOk;
  } catch (const orbel::game::EArchiveError& problem) {
    // Like a script that cannot be read: one line on standard error, and a batch run rests with 2.
    std::fprintf(stderr, "orbel: %s\n", problem.what());
    if (!options.Batch && !options.Check && QGuiApplication::platformName() != QLatin1String("offscreen"))
      QMessageBox::critical(nullptr, QStringLiteral("Orbel"), QString::fromUtf8(problem.what()));
    return options.Check ? esFailure : esError;
  }
  // A signal that came as an unpack ended finds its copy whole; the program ends all the same.
  if (const int signalNumber = orbel::platform::PendingShutdownSignal()) return 128 + signalNumber;
  std::error_code error;
  if (!found.Folder.empty()) std::filesystem::current_path(found.Folder, error);
  if (error) {
    std::fprintf(stderr, "orbel: %s\n",
                 orbel::platform::Tr("CommandLine", "cannot enter the game folder %1")
                     .Arg(orbel::platform::FileNameToUtf8(found.Folder))
                     .Str()
                     .c_str());
    return esFailure;
  }
  // Settled before anything reads script text: the checker, the board's first text, the data-file lookup and
  // the script reader all go by it.
  orbel::platform::SetScriptEncoding(orbel::game::GameScriptEncoding(".", options.Encoding));
  if (!options.ExtractText.empty()) return orbel::translation::RunExtractText(options.ExtractText, stderr);
  // The translation is settled before anything looks up a data file, which its pictures may replace. One
  // that cannot be read leaves the game untranslated: the checker reports it, a batch run ends, a player is
  // told.
  const orbel::translation::TChosenTranslation translation = orbel::translation::ChooseTranslation(
      {options.Language, options.TranslationFile, options.Watched()}, QLocale::system().uiLanguages());
  if (options.Check) {
    int status = orbel::game::RunScriptCheck(stdout, stderr);
    if (translation.Catalogue)
      status = std::max(status, orbel::translation::RunCatalogueCheck(*translation.Catalogue, stdout));
    if (!translation.Problem.empty()) {
      // A catalogue's problem names its file and line like the script's; a missing translation is no file's.
      std::fprintf(translation.CatalogueName.empty() ? stderr : stdout, "%s%s\n",
                   translation.CatalogueName.empty() ? "orbel: " : "", translation.Problem.c_str());
      status = 1;
    }
    return status;
  }
  if (!translation.Problem.empty()) {
    std::fprintf(stderr, "orbel: %s\n", translation.Problem.c_str());
    if (options.Batch) return esError;
    if (ShowsDialogs(options))
      QMessageBox::warning(nullptr, QStringLiteral("Orbel"),
                           QCoreApplication::translate("main", "%1\n\nThe game plays untranslated.")
                               .arg(QString::fromStdString(translation.Problem)));
  }
  if (!options.Record.empty()) std::filesystem::create_directories(options.Record, error);
  if (error) {
    std::fprintf(stderr, "orbel: %s\n",
                 orbel::platform::Tr("CommandLine", "cannot create the folder %1")
                     .Arg(orbel::platform::FileNameToUtf8(options.Record))
                     .Str()
                     .c_str());
    return esFailure;
  }
  // A save that could not be written at the end is refused before anything plays, as an export is.
  if (!options.SaveOnExit.empty()) try {
      orbel::game::CheckSaveTarget(options.SaveOnExit);
    } catch (const orbel::game::ESaveError& problem) {
      std::fprintf(stderr, "orbel: %s\n", problem.what());
      return esFailure;
    }
  application.Batch = options.Batch;

  // What is known of the game before it runs: its script read once, its identity, its name.
  TGameInfo game = ReadGameHere(found.Name, options.Encoding);
  // A player's saves and the positions kept at the last closes live in the game's own folder of saves.
  const TGameSaves saves(game);
  // What a run killed while saving left behind.
  if (options.Watched()) orbel::game::RemoveSaveLeftovers(saves.Folder());
  std::optional<TContinueOffer> continueOffer = OfferToContinue(options, settings, saves);

  // Where the game starts. A save or a line that cannot be used starts nothing.
  TStartPoint start;
  if (!options.LoadFrom.empty() || !options.StartFrom.empty()) {
    try {
      if (!options.StartFrom.empty())
        start = StartPointAtLine(options.StartFrom, game);
      else if (ShowsDialogs(options))
        start = saves.StartPointOf(options.LoadFrom, [](const std::string& text, int32_t line) {
          return AskAboutChangedScript(nullptr, text, line);
        });
      else
        start = saves.StartPointOf(options.LoadFrom, nullptr);
    } catch (const orbel::EOrbelError& problem) {
      std::fprintf(stderr, "orbel: %s\n", problem.what());
      if (ShowsDialogs(options))
        QMessageBox::critical(nullptr, QStringLiteral("Orbel"), QString::fromUtf8(problem.what()));
      return esError;
    }
  }

  orbel::platform::InstallFaceSubstitutions();
  // The clock's mode comes first: the media layer and every timer take it when they are made.
  orbel::platform::TEngineClock& clock = orbel::platform::EngineClock();
  // A replay runs on the virtual clock even when the game then goes on in real time.
  clock.SetVirtual(options.Fast || start.Replays());
  // The media layer outlives the window, whose controls close their devices when they are destroyed.
  orbel::media::TMediaSession media;
  // A video that cannot be written is refused before anything plays.
  std::unique_ptr<TGameExport> exporter;
  if (!options.ExportVideo.empty()) try {
      exporter = std::make_unique<TGameExport>(options);
    } catch (const orbel::media::EVideoExportError& problem) {
      std::fprintf(stderr, "orbel: %s\n", problem.what());
      return esFailure;
    }
  // The board's texts for other programs: a file or a port that cannot be opened is refused before anything
  // plays.
  std::unique_ptr<TTextOutlets> outlets;
  if (!options.TextOut.empty() || options.TextServerPort > 0) try {
      outlets = std::make_unique<TTextOutlets>(options.TextOut, options.TextServerPort);
    } catch (const orbel::EOrbelError& problem) {
      std::fprintf(stderr, "orbel: %s\n", problem.what());
      return esFailure;
    }
  auto form = std::make_unique<TFormOrbel>(options, nullptr, nullptr, std::move(game));
  if (outlets) form->OnBoardText = [&outlets](const QStringList& shown) { outlets->Send(shown); };
  // The speed is kept for each game, by the name of its folder of saves (what the game is).
  const QString gameKey = QString::fromStdString(std::filesystem::path(saves.Folder()).filename().string());
  form->Reader().SetChoices(ReaderChoices(options, &settings, gameKey));
  if (options.Watched())
    form->Reader().Remember = [&settings, gameKey](const TReaderChoices& choices, unsigned changed) {
      RememberReaderChoices(settings, gameKey, choices, changed);
    };
  if (exporter) form->Outputs().SetExport(std::move(exporter));
  if (translation.Catalogue) form->SetTranslation(translation.Catalogue);
  form->StartAt(start);
  if (continueOffer) form->OfferToContinue(std::move(*continueOffer));
  auto formFont = std::make_unique<orbel::dialogs::TFormFont>();
  form->SetFontDialog(formFont.get());
  orbel::platform::TEngineTimer quitAfter([&form] { form->FinishProgram(esQuitAfter); });
  // After a load, the milliseconds count the game's time, which starts with the first step: a save's replay
  // starts it where the saved run's fell between two ticks.
  if (options.QuitAfterMs >= 0)
    quitAfter.StartSingleShot(options.QuitAfterMs +
                              (start.Instant ? start.Instant->TickPhaseMs % kTimerIntervalMs : 0));
  orbel::platform::InstallShutdownSignals(
      [&form](int signalNumber) { form->FinishProgram(128 + signalNumber); });
  orbel::platform::InstallFatalErrorRestore();
  form->show();
  if (options.FullScreen) form->ToggleFullScreen();
  // The runs the window shows: a replay or a --fast run on the virtual clock, the rest in the event loop; a
  // load starts the next run in the same window.
  const int status = form->Play();
  if (outlets) outlets->Flush();
  if (options.Watched())
    RememberChoices(settings, form->WindowScale(), form->FitMode(), form->RememberedFullScreen());
  return status;
}
