// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/reader_options.h"

#include <QCommandLineParser>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

namespace {

using platform::Tr;

bool AllDigits(const QString& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

}  // namespace

TReaderOptions::TReaderOptions()
    : HoldText("hold-text",
               Tr("CommandLine",
                  "Hold the game once each board text is fully shown, until Return, a left click or the "
                  "wheel turned down (the 設定 menu's check item; remembered).")
                   .QStr()),
      Speed(
          "speed",
          Tr("CommandLine",
             "Run the game at FACTOR times its speed, 0.25 to 4: waits, transitions, movies and sound alike, "
             "the sound at its own pitch (the 設定 menu's choice, remembered for each game). Not with --fast "
             "or --export-video.")
              .QStr(),
          "FACTOR"),
      Volume("volume",
             Tr("CommandLine",
                "The master volume, 0 (silent) to 100 (as the game made it), for this run (the 設定 menu's "
                "volume dialog; remembered).")
                 .QStr(),
             "0-100"),
      TextOut(
          "text-out",
          Tr("CommandLine",
             "Append each board text to FILE as it is shown, one line a text, UTF-8, flushed at once; '-' "
             "is standard output.")
              .QStr(),
          "FILE"),
      TextServer("text-server",
                 Tr("CommandLine",
                    "Send each board text as it is shown to every client of a WebSocket server on "
                    "127.0.0.1:PORT (6677 when PORT is left out), one text message a text.")
                     .QStr(),
                 "PORT") {}

void TReaderOptions::AddTo(QCommandLineParser& parser) const {
  parser.addOptions({HoldText, Speed, Volume, TextOut, TextServer});
}

std::string TReaderOptions::Read(const QCommandLineParser& parser, TOptions& options) const {
  options.HoldText = parser.isSet(HoldText);
  if (parser.isSet(Speed)) {
    bool ok = false;
    const double factor = parser.value(Speed).toDouble(&ok);
    if (!ok || !std::isfinite(factor) || factor < platform::TEngineClock::kMinRate ||
        factor > platform::TEngineClock::kMaxRate)
      return Tr("CommandLine", "--speed needs a factor from 0.25 to 4, not '%1'").Arg(parser.value(Speed));
    if (options.Fast || !options.ExportVideo.empty())
      return Tr("CommandLine",
                "--speed sets the pace of a game played in real time; --fast and --export-video run on the "
                "virtual clock");
    options.Speed = factor;
  }
  if (parser.isSet(Volume)) {
    bool ok = false;
    const int volume = parser.value(Volume).toInt(&ok);
    if (!ok || volume < 0 || volume > 100)
      return Tr("CommandLine", "--volume needs a whole number from 0 to 100, not '%1'")
          .Arg(parser.value(Volume));
    options.Volume = volume;
  }
  options.TextOut = ArgumentBytes(parser.value(TextOut));
  if (parser.isSet(TextOut) && options.TextOut.empty())
    return Tr("CommandLine", "--text-out needs a file, or - for standard output");
  if (parser.isSet(TextServer)) {
    bool ok = false;
    const int port = parser.value(TextServer).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
      return Tr("CommandLine", "--text-server needs a port from 1 to 65535, not '%1'")
          .Arg(parser.value(TextServer));
    options.TextServerPort = port;
  }
  if ((parser.isSet(TextOut) || parser.isSet(TextServer)) && (options.Check || !options.ExtractText.empty()))
    return Tr("CommandLine", "--text-out and --text-server send the texts a game shows as it runs");
  return {};
}

QStringList WithTextServerPort(const QStringList& arguments) {
  QStringList whole;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    whole.append(arguments[i]);
    // After "--" everything is a game folder.
    if (arguments[i] == QLatin1String("--")) {
      whole.append(arguments.mid(i + 1));
      break;
    }
    if (arguments[i] == QLatin1String("--text-server") &&
        (i + 1 >= arguments.size() || !AllDigits(arguments[i + 1])))
      whole.append(QString::number(kDefaultTextServerPort));
  }
  return whole;
}

TReaderChoices ReaderChoices(const TOptions& options, QSettings* settings, const QString& game) {
  TReaderChoices choices;
  if (settings && options.Watched()) {
    choices.HoldText = settings->value("Reader/HoldText", false).toBool();
    choices.HistoryFontPx = std::clamp(settings->value("History/FontSize", 16).toInt(), 8, 72);
    choices.Volumes.Master = std::clamp(settings->value("Volume/Master", 100).toInt(), 0, 100);
    choices.Volumes.Sound = std::clamp(settings->value("Volume/Sound", 100).toInt(), 0, 100);
    choices.Volumes.Movie = std::clamp(settings->value("Volume/Movie", 100).toInt(), 0, 100);
    choices.Volumes.Mute = settings->value("Volume/Mute", false).toBool();
    choices.Speed = std::clamp(settings->value("Speed/" + game, 1.0).toDouble(),
                               platform::TEngineClock::kMinRate, platform::TEngineClock::kMaxRate);
  }
  if (options.Speed) choices.Speed = *options.Speed;
  if (options.Volume) choices.Volumes.Master = *options.Volume;
  // The command line can turn holding on for a run, not off.
  choices.HoldText = choices.HoldText || options.HoldText;
  return choices;
}

void RememberReaderChoices(QSettings& settings, const QString& game, const TReaderChoices& choices,
                           unsigned changed) {
  if (changed & rcSpeed) settings.setValue("Speed/" + game, choices.Speed);
  if (changed & rcHoldText) settings.setValue("Reader/HoldText", choices.HoldText);
  if (changed & rcHistoryFont) settings.setValue("History/FontSize", choices.HistoryFontPx);
  if (changed & rcVolumes) {
    settings.setValue("Volume/Master", choices.Volumes.Master);
    settings.setValue("Volume/Sound", choices.Volumes.Sound);
    settings.setValue("Volume/Movie", choices.Volumes.Movie);
    settings.setValue("Volume/Mute", choices.Volumes.Mute);
  }
}

}  // namespace orbel::app
