// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSettings>
#include <algorithm>
#include <limits>
#include <string_view>

#include "app/reader_options.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "translation/catalogue.h"
#include "translation/game_translations.h"

namespace orbel::app {

namespace {

using platform::Tr;

// Length of the well-formed UTF-8 character at the start of `bytes`, or 0. A prefix that ends inside the
// first character is never well-formed and a longer one holds it, so the shortest well-formed prefix is that
// character.
size_t Utf8CharLength(std::string_view bytes) {
  for (size_t length = 1; length <= std::min<size_t>(4, bytes.size()); ++length)
    if (platform::IsUtf8(bytes.substr(0, length))) return length;
  return 0;
}

// Saving and continuing: --save-on-exit, --load and --from, declared, read and checked together.
struct TSaveOptions {
  QCommandLineOption SaveOnExit{"save-on-exit",
                                Tr("CommandLine",
                                   "At exit (any exit, automated runs included), write a save of where the "
                                   "game is to FILE (docs/saves.md).")
                                    .QStr(),
                                "FILE"};
  QCommandLineOption Load{"load",
                          Tr("CommandLine",
                             "Start from the save FILE: the game is replayed on the virtual clock up to the "
                             "saved instant, then goes on in real time (on the virtual clock with "
                             "--fast).")
                              .QStr(),
                          "FILE"};
  QCommandLineOption From{"from",
                          Tr("CommandLine",
                             "Start as if the script had run up to the first time line N (counting from 1) "
                             "or the label LABEL (#LABEL) runs, replayed on the virtual clock.")
                              .QStr(),
                          "N|LABEL"};

  void AddTo(QCommandLineParser& parser) const { parser.addOptions({SaveOnExit, Load, From}); }
  // Empty, or the error text.
  std::string Read(const QCommandLineParser& parser, TOptions& options) const {
    options.SaveOnExit = ArgumentBytes(parser.value(SaveOnExit));
    options.LoadFrom = ArgumentBytes(parser.value(Load));
    options.StartFrom = parser.value(From).toStdString();
    if (parser.isSet(Load) && options.LoadFrom.empty()) return Tr("CommandLine", "--load needs a file");
    if (parser.isSet(From) && options.StartFrom.empty())
      return Tr("CommandLine", "--from needs a line number or a label");
    if (parser.isSet(Load) && parser.isSet(From))
      return Tr("CommandLine", "--load and --from each choose where to start; give one");
    if ((parser.isSet(Load) || parser.isSet(From)) && !options.ExportVideo.empty())
      return Tr("CommandLine",
                "--load and --from do not go with --export-video, whose video starts with the game");
    if ((parser.isSet(Load) || parser.isSet(From) || parser.isSet(SaveOnExit)) && options.Check)
      return Tr("CommandLine", "--check runs nothing, so it has nothing to save or load");
    return {};
  }
};

// Translations: --translation, --language and --extract-text, declared, read and checked together.
struct TTranslationOptions {
  QCommandLineOption Translation{"translation",
                                 Tr("CommandLine",
                                    "Show the board's texts in the translation of the gettext catalogue FILE "
                                    "(.po or .mo) instead of the "
                                    "game's Translations folder.")
                                     .QStr(),
                                 "FILE"};
  QCommandLineOption Language{
      "language",
      Tr("CommandLine",
         "Play in the translation CODE: Translations/CODE.po (or .mo) beside the game's Data folder, and the "
         "pictures of Translations/CODE/Data. 'none' shows the script's own text. Without it a player's run "
         "follows the user's locale when the game has a catalogue for it.")
          .QStr(),
      "CODE"};
  QCommandLineOption ExtractText{"extract-text",
                                 Tr("CommandLine",
                                    "Write every board text of the game's script to FILE, a gettext template "
                                    "(.pot) to translate, and exit.")
                                     .QStr(),
                                 "FILE"};

  void AddTo(QCommandLineParser& parser) const { parser.addOptions({Translation, Language, ExtractText}); }
  // Empty, or the error text.
  std::string Read(const QCommandLineParser& parser, TOptions& options) const {
    options.TranslationFile = ArgumentBytes(parser.value(Translation));
    options.Language = parser.value(Language).toStdString();
    options.ExtractText = ArgumentBytes(parser.value(ExtractText));
    if (parser.isSet(Translation) && options.TranslationFile.empty())
      return Tr("CommandLine", "--translation needs a file");
    if (parser.isSet(ExtractText) && options.ExtractText.empty())
      return Tr("CommandLine", "--extract-text needs a file");
    if (parser.isSet(Language) && options.Language != translation::kNoTranslation &&
        !translation::IsLanguageCode(options.Language))
      return Tr("CommandLine", "--language takes a language code such as fr or pt_BR, or none, not '%1'")
          .Arg(parser.value(Language));
    if (parser.isSet(Translation) && options.Language == translation::kNoTranslation)
      return Tr("CommandLine",
                "--translation names a translation, which --language none turns off; give one");
    if (parser.isSet(ExtractText) && (options.Check || parser.isSet(Translation) || parser.isSet(Language)))
      return Tr("CommandLine", "--extract-text writes the script's own texts and runs nothing else");
    return {};
  }
};

}  // namespace

QStringList ArgumentList(int argc, char** argv) {
  QStringList list;
  for (int i = 0; i < argc; ++i) {
    const std::string_view bytes(argv[i]);
    QString text;
    for (size_t at = 0; at < bytes.size();) {
      const size_t length = Utf8CharLength(bytes.substr(at));
      if (length) {
        text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length;
      } else {
        text += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[at])));
        ++at;
      }
    }
    list.append(text);
  }
  return list;
}

std::string ArgumentBytes(const QString& argument) {
  std::string bytes;
  for (qsizetype i = 0; i < argument.size(); ++i) {
    const char16_t u = argument.at(i).unicode();
    // A surrogate pair is taken whole below, high half first, so a unit of this range met here stands for a
    // byte.
    if (u >= 0xDC80 && u <= 0xDCFF) {
      bytes += static_cast<char>(u - 0xDC00);
    } else {
      const qsizetype length = QChar::isHighSurrogate(u) && i + 1 < argument.size() ? 2 : 1;
      bytes += argument.mid(i, length).toStdString();
      i += length - 1;
    }
  }
  return bytes;
}

const char* FitName(TFit fit) {
  switch (fit) {
    case ftAspect:
      return "aspect";
    case ftStretch:
      return "stretch";
    case ftInteger:
      break;
  }
  return "integer";
}

std::optional<TFit> FitFromName(const QString& name) {
  for (const TFit candidate : {ftInteger, ftAspect, ftStretch})
    if (name == QLatin1String(FitName(candidate))) return candidate;
  return std::nullopt;
}

void ApplyRememberedChoices(TOptions& options, QSettings& settings) {
  if (options.Watched()) {
    if (options.Scale == 0) options.Scale = std::clamp(settings.value("Display/Scale", 1).toInt(), 1, 8);
    if (!options.Fit) {
      options.Fit = FitFromName(settings.value("Display/Fit").toString());
    }
    // A full screen chosen last time comes back; the command line can only ask for one, not refuse it.
    options.FullScreen = options.FullScreen || settings.value("Display/FullScreen", false).toBool();
  }
  if (options.Scale == 0) options.Scale = 1;
  if (!options.Fit) options.Fit = ftInteger;
}

void RememberChoices(QSettings& settings, int scale, TFit fit, bool fullScreen) {
  settings.setValue("Display/Scale", scale);
  settings.setValue("Display/Fit", QString::fromLatin1(FitName(fit)));
  settings.setValue("Display/FullScreen", fullScreen);
}

TParseResult ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      Tr("CommandLine",
         "Orbel runs a script-driven visual novel: GAME_DIR holds Data/SCRIPT.TXT and the pictures, "
         "movies and\nsounds it names (a path to its SCRIPT.TXT works too, or a zip, LZH, 7z, "
         "cabinet, ISO or BIN/CUE image\nholding the game, played from a copy unpacked into "
         "~/.cache/orbel). Without GAME_DIR and without a game\nin the current directory, a "
         "folder dialog asks for one, and the bundled demo game runs when it is\ncancelled.")
          .QStr());
  const QCommandLineOption help({"h", "help"}, Tr("CommandLine", "Show this help and exit.").QStr());
  const QCommandLineOption version("version", Tr("CommandLine", "Show the version and exit.").QStr());
  const QCommandLineOption batch(
      "batch", Tr("CommandLine",
                  "No dialogs: errors go to standard error; exit when the script ends (0) or rests "
                  "(2 after an error, an unreadable script included; else 3).")
                   .QStr());
  const QCommandLineOption trace(
      "trace", Tr("CommandLine", "Print each script step as N:line on standard output.").QStr());
  const QCommandLineOption saveScreen(
      "save-screen", Tr("CommandLine", "At exit, write the screen picture to FILE as a bitmap.").QStr(),
      "FILE");
  const QCommandLineOption grab(
      "grab", Tr("CommandLine", "At exit, write the 640x480 client area as shown to FILE.").QStr(), "FILE");
  const QCommandLineOption record(
      "record", Tr("CommandLine", "Write each changed window picture as DIR/000001.bmp, ...").QStr(), "DIR");
  const QCommandLineOption quitAfter(
      "quit-after",
      Tr("CommandLine",
         "End the program (exit 4) after MS milliseconds of the game's time: from start-up, or with "
         "--load and --from from the game's start, the replayed part included (virtual "
         "milliseconds with --fast).")
          .QStr(),
      "MS");
  const QCommandLineOption check(
      "check", Tr("CommandLine",
                  "Check the game's script without showing anything: one line SCRIPT.TXT:<line>: "
                  "<message> per problem (\"note:\" before the message of a line that runs, but "
                  "likely not as meant); exit 0 when there are no problems, else 1. With --language or "
                  "--translation the catalogue too: <catalogue>:<line>: <message> for texts that do not fit "
                  "the board (exit 1) and stale entries, and the share translated.")
                   .QStr());
  const QCommandLineOption encoding(
      "encoding",
      Tr("CommandLine",
         "The script's encoding: cp932 (Shift-JIS, the default) or utf-8, as translations are saved. A "
         "script that starts with a UTF-8 byte-order mark is read as UTF-8 either way.")
          .QStr(),
      "NAME");
  const QCommandLineOption scale(
      "scale",
      Tr("CommandLine", "Window with a picture N times 640x480, every pixel a sharp N x N block (1 to 8).")
          .QStr(),
      "N");
  const QCommandLineOption fullScreen(
      "fullscreen",
      Tr("CommandLine", "Start in full screen at the desktop's own resolution (F11 or Alt+Enter toggles).")
          .QStr());
  const QCommandLineOption fit(
      "fit",
      Tr("CommandLine",
         "How the picture fills the full screen: integer (whole factors, centred; the default), aspect "
         "(largest 4:3 area) or stretch (the whole screen).")
          .QStr(),
      "MODE");
  const QCommandLineOption noModeSwitch(
      "no-mode-switch", Tr("CommandLine",
                           "The menu's full-screen items never change the screen resolution; they show "
                           "the enlarged picture instead.")
                            .QStr());
  const QCommandLineOption fast(
      "fast", Tr("CommandLine",
                 "With --batch: run on a virtual clock, as fast as the machine allows, with the real-time "
                 "result (the milliseconds of --quit-after are then virtual too); a game that loops ends "
                 "after one round.")
                  .QStr());
  const QCommandLineOption exportVideo(
      "export-video",
      Tr("CommandLine",
         "Play the game on the virtual clock and write the window's picture and the sound to FILE (.mkv "
         "or .mp4: H.264; .webm: VP9), then exit as --batch does.")
          .QStr(),
      "FILE");
  const QCommandLineOption exportFps(
      "export-fps", Tr("CommandLine", "Frames per second of --export-video (default 60).").QStr(), "N");
  const QCommandLineOption exportLossless(
      "export-lossless",
      Tr("CommandLine", "--export-video without loss: FFV1 pictures and FLAC sound, in a .mkv file.").QStr());
  parser.addOptions({help, version, batch, trace, saveScreen, grab, record, quitAfter, check, encoding, scale,
                     fullScreen, fit, noModeSwitch, fast, exportVideo, exportFps, exportLossless});
  const TSaveOptions saving;
  saving.AddTo(parser);
  const TTranslationOptions translating;
  translating.AddTo(parser);
  const TReaderOptions reading;
  reading.AddTo(parser);
  parser.addPositionalArgument("GAME_DIR",
                               Tr("CommandLine", "The game folder; it becomes the current directory.").QStr(),
                               "[GAME_DIR]");

  TParseResult result;
  if (!parser.parse(WithTextServerPort(arguments))) {
    result.ExitStatus = esFailure;
    result.Output = "orbel: " + parser.errorText().toStdString() + "\n";
    return result;
  }
  if (parser.isSet(help)) {
    result.Output = parser.helpText().toStdString() + "\n" +
                    Tr("CommandLine",
                       "Exit status:\n"
                       "  0      the window was closed, or (--batch) the script ended, or (--fast) the\n"
                       "         game came back to where it had been; (--export-video) the video is\n"
                       "         complete, whatever ended the game\n"
                       "  1      bad options, a game folder that cannot be entered, an output file\n"
                       "         that cannot be written, a video that cannot be started\n"
                       "  2      (--batch) the script rests after an error, or SCRIPT.TXT exists but\n"
                       "         cannot be read, or the archive named as GAME_DIR cannot be played,\n"
                       "         or the translation asked for cannot be read;\n"
                       "         the save named by --load cannot be used, or --from's line never runs;\n"
                       "         (--export-video) the video could not be completed, and no file is left\n"
                       "  3      (--batch) the script rests without an error: nothing runs its next line\n"
                       "  4      --quit-after ran out (not with --export-video: its video is complete)\n"
                       "  128+N  ended by signal N (SIGINT, SIGTERM, SIGHUP)\n")
                        .Str();
    return result;
  }
  if (parser.isSet(version)) {
    result.Output = "orbel " ORBEL_VERSION "\n";
    return result;
  }
  TOptions options;
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1) {
    result.ExitStatus = esFailure;
    result.Output = "orbel: " + Tr("CommandLine", "only one GAME_DIR may be given").Str() + "\n";
    return result;
  }
  if (!positional.isEmpty()) options.GameDir = ArgumentBytes(positional.first());
  options.Batch = parser.isSet(batch);
  options.Trace = parser.isSet(trace);
  options.Check = parser.isSet(check);
  options.SaveScreen = ArgumentBytes(parser.value(saveScreen));
  options.Grab = ArgumentBytes(parser.value(grab));
  options.Record = ArgumentBytes(parser.value(record));
  // A whole number between the bounds, or the error text for the option.
  const auto number = [&parser, &result](const QCommandLineOption& option, int low, int high,
                                         const char* need, int& value) {
    bool ok = false;
    const int given = parser.value(option).toInt(&ok);
    if (ok && given >= low && given <= high) {
      value = given;
      return true;
    }
    result.ExitStatus = esFailure;
    result.Output = "orbel: " +
                    Tr("CommandLine", "--%1 needs %2, not '%3'")
                        .Arg(option.names().first())
                        .Arg(Tr("CommandLine", need).Str())
                        .Arg(parser.value(option))
                        .Str() +
                    "\n";
    return false;
  };
  if (parser.isSet(quitAfter) &&
      !number(quitAfter, 0, std::numeric_limits<int>::max(),
              ORBEL_TRANSLATE_NOOP("CommandLine", "a number of milliseconds"), options.QuitAfterMs))
    return result;
  if (parser.isSet(scale) &&
      !number(scale, 1, 8, ORBEL_TRANSLATE_NOOP("CommandLine", "a whole number from 1 to 8"), options.Scale))
    return result;
  if (parser.isSet(fit)) {
    const QString mode = parser.value(fit);
    options.Fit = FitFromName(mode);
    if (!options.Fit) {
      result.ExitStatus = esFailure;
      result.Output =
          "orbel: " + Tr("CommandLine", "--fit takes integer, aspect or stretch, not '%1'").Arg(mode).Str() +
          "\n";
      return result;
    }
  }
  if (parser.isSet(encoding)) {
    const QString name = parser.value(encoding);
    const auto chosen = platform::ScriptEncodingFromName(name.toStdString());
    if (!chosen) {
      result.ExitStatus = esFailure;
      result.Output =
          "orbel: " + Tr("CommandLine", "--encoding takes cp932 or utf-8, not '%1'").Arg(name).Str() + "\n";
      return result;
    }
    options.Encoding = *chosen;
  }
  options.FullScreen = parser.isSet(fullScreen);
  options.NoModeSwitch = parser.isSet(noModeSwitch);
  options.ExportVideo = ArgumentBytes(parser.value(exportVideo));
  options.ExportLossless = parser.isSet(exportLossless);
  if (parser.isSet(exportFps) &&
      !number(exportFps, 1, 240, ORBEL_TRANSLATE_NOOP("CommandLine", "a whole number from 1 to 240"),
              options.ExportFps))
    return result;
  const auto refuse = [&result](const std::string& text) {
    result.ExitStatus = esFailure;
    result.Output = "orbel: " + text + "\n";
    return result;
  };
  if ((parser.isSet(exportFps) || options.ExportLossless) && options.ExportVideo.empty())
    return refuse(Tr("CommandLine", "--export-fps and --export-lossless go with --export-video"));
  // An export is a batch run on the virtual clock: it ends with the script, and nobody answers a dialog.
  if (!options.ExportVideo.empty()) options.Batch = options.Fast = true;
  options.Fast = options.Fast || parser.isSet(fast);
  if (options.Fast && !options.Batch)
    return refuse(
        Tr("CommandLine", "--fast needs --batch: a window that a player watches runs in real time"));
  if (options.Fast && options.Check)
    return refuse(Tr("CommandLine", "--check runs nothing, so --fast has nothing to speed up"));
  if (const std::string problem = saving.Read(parser, options); !problem.empty()) return refuse(problem);
  if (const std::string problem = translating.Read(parser, options); !problem.empty()) return refuse(problem);
  if (const std::string problem = reading.Read(parser, options); !problem.empty()) return refuse(problem);
  result.Options = options;
  return result;
}

}  // namespace orbel::app
