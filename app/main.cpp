// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry: the command line, the application object, the engine window and the font dialog.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
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
#include "app/options.h"
#include "app/orbel_application.h"
#include "app/reader_options.h"
#include "app/save_game.h"
#include "app/save_slots.h"
#include "app/start_folder.h"
#include "app/text_outlets.h"
#include "dialogs/font_dialog.h"
#include "game/data_files.h"
#include "game/game_check.h"
#include "game/game_errors.h"
#include "game/game_folder.h"
#include "game/save_file.h"
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
  return !options.Automated() && QGuiApplication::platformName() != QLatin1String("offscreen");
}

// A save of a changed script, in a run the player watches: start at its line as it is, or from the beginning.
orbel::app::TChangedScriptChoice AskAboutChangedScript(const std::string& text, int32_t line) {
  using orbel::platform::Tr;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Orbel"),
                  Tr("Window", "%1.\n\nStart at its line %2 without what led there, or start the game again?")
                      .Arg(text)
                      .Arg(line)
                      .QStr());
  QPushButton* atLine =
      box.addButton(Tr("Window", "Start at line %1").Arg(line).QStr(), QMessageBox::AcceptRole);
  QPushButton* again = box.addButton(Tr("Window", "Start again").QStr(), QMessageBox::RejectRole);
  box.setDefaultButton(again);
  box.setEscapeButton(again);
  box.exec();
  return box.clickedButton() == atLine ? orbel::app::ccStartAtLine : orbel::app::ccStartAgain;
}

// A player's run of a game with an automatic save may go on from it: as the player chose to keep doing, or
// as they answer when the window asks, once it is shown.
std::optional<orbel::app::TContinueOffer> OfferToContinue(orbel::app::TOptions& options, QSettings& settings,
                                                          const std::string& savesFolder) {
  using namespace orbel::app;
  if (!ShowsDialogs(options) || !options.LoadFrom.empty() || !options.StartFrom.empty()) return std::nullopt;
  const std::string autoSave = AutoSavePath(savesFolder);
  std::error_code error;
  const QString key = ContinueKey(savesFolder);
  const TContinueAnswer answer = ContinueAnswer(settings, key, std::filesystem::exists(autoSave, error));
  if (answer == caStartAgain) return std::nullopt;
  if (answer == caContinue) {
    options.LoadFrom = autoSave;
    return std::nullopt;
  }
  TContinueOffer offer;
  try {
    offer.Save = orbel::game::ReadSaveFile(autoSave);
    TOptions loading = options;
    loading.LoadFrom = autoSave;
    offer.Start = ChooseStartPoint(loading, CurrentGame(), nullptr);
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
  // A restart from a save made later in the run names the game from wherever the run is by then; messages
  // name it as the player did.
  std::string absoluteGameDir;
  if (!options.GameDir.empty()) {
    std::error_code absoluteError;
    const std::filesystem::path absolute = std::filesystem::absolute(options.GameDir, absoluteError);
    if (!absoluteError) absoluteGameDir = absolute.string();
  }
  std::string gameDir;
  try {
    gameDir = StartFolder(options, settings);
    if (!absoluteGameDir.empty()) options.GameDir = absoluteGameDir;
  } catch (const orbel::game::EGameNotChosen&) {
    // The player closed the list of the archive's games: nothing to play, nothing wrong.
    return esOk;
  } catch (const orbel::game::EArchiveError& problem) {
    // Like a script that cannot be read: one line on standard error, and a batch run rests with 2.
    std::fprintf(stderr, "orbel: %s\n", problem.what());
    if (!options.Batch && !options.Check && QGuiApplication::platformName() != QLatin1String("offscreen"))
      QMessageBox::critical(nullptr, QStringLiteral("Orbel"), QString::fromUtf8(problem.what()));
    return options.Check ? esFailure : esError;
  }
  std::error_code error;
  if (!gameDir.empty()) std::filesystem::current_path(gameDir, error);
  if (error) {
    std::fprintf(stderr, "orbel: %s\n",
                 orbel::platform::Tr("CommandLine", "cannot enter the game folder %1")
                     .Arg(orbel::platform::FileNameToUtf8(gameDir))
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
      {options.Language, options.TranslationFile, !options.Automated()}, QLocale::system().uiLanguages());
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

  // A player's saves and the position kept at the last close live in the game's own folder of saves.
  std::string savesFolder;
  std::optional<TContinueOffer> continueOffer;
  if (!options.Automated()) {
    const TGameIdentity game = CurrentGame();
    savesFolder = orbel::game::SavesFolder(game.Folder, game.ScriptSha256);
    continueOffer = OfferToContinue(options, settings, savesFolder);
  }

  // Where the game starts. A save or a line that cannot be used starts nothing.
  TStartPoint start;
  if (!options.LoadFrom.empty() || !options.StartFrom.empty()) {
    const auto complain = [&options](const std::string& text) {
      std::fprintf(stderr, "orbel: %s\n", text.c_str());
      if (ShowsDialogs(options))
        QMessageBox::critical(nullptr, QStringLiteral("Orbel"), QString::fromStdString(text));
    };
    try {
      start =
          ChooseStartPoint(options, CurrentGame(), ShowsDialogs(options) ? AskAboutChangedScript : nullptr);
    } catch (const orbel::EOrbelError& problem) {
      complain(problem.what());
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
  auto form = std::make_unique<TFormOrbel>(options);
  const QString gameName = GameSettingsName(savesFolder);
  form->SetReaderChoices(ReaderChoices(options, &settings, gameName));
  if (!options.Automated())
    form->RememberReader = [&settings, gameName](const TReaderChoices& choices, unsigned changed) {
      RememberReaderChoices(settings, gameName, choices, changed);
    };
  if (outlets) form->EngineRun().OnBoardText = [&outlets](const QStringList& shown) { outlets->Send(shown); };
  if (exporter) form->EngineRun().SetExport(std::move(exporter));
  if (translation.Catalogue) form->EngineRun().SetTranslation(translation.Catalogue);
  form->EngineRun().StartAt(start);
  if (continueOffer) form->OfferToContinue(std::move(*continueOffer));
  if (!savesFolder.empty()) form->EngineRun().SetAutoSavePath(AutoSavePath(savesFolder));
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
  // A discrete-event run: what is pending now runs, then time jumps to the next due moment. The window's 50
  // ms tick is always due, and it ends a batch run once the script has ended or rests. A replay that ends
  // here may put the clock over to real time; the event loop then takes over.
  TEngineRun& run = form->EngineRun();
  run.RunVirtualTime();
  if (!clock.IsVirtual() && !run.Closing()) application.exec();
  if (!options.Automated())
    RememberChoices(settings, form->WindowScale(), form->FitMode(), form->RememberedFullScreen());
  if (outlets) outlets->Flush();
  // The window's own status: the toolkit may also quit with 0 when the last window has gone.
  return form->ExitStatus();
}
