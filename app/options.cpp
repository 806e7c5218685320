// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/options.h"

#include <QCommandLineParser>

namespace orbel::app {

TParseResult ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Orbel runs a script-driven visual novel: GAME_DIR holds Data/SCRIPT.TXT and the pictures, movies and\n"
      "sounds it names (a path to its SCRIPT.TXT works too). Without GAME_DIR and without a game in the "
      "current\n"
      "directory, a folder dialog asks for one, and the bundled demo game runs when it is cancelled.");
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version("version", "Show the version and exit.");
  const QCommandLineOption batch(
      "batch",
      "No dialogs: errors go to standard error; exit when the script ends (0) or rests "
      "(2 after an error, else 3).");
  const QCommandLineOption trace("trace", "Print each script step as N:line on standard output.");
  const QCommandLineOption saveScreen("save-screen", "At exit, write the screen picture to FILE as a bitmap.",
                                      "FILE");
  const QCommandLineOption grab("grab", "At exit, write the 640x480 client area as shown to FILE.", "FILE");
  const QCommandLineOption record("record", "Write each changed window picture as DIR/000001.bmp, ...",
                                  "DIR");
  const QCommandLineOption quitAfter("quit-after", "End the program MS milliseconds after start-up (exit 4).",
                                     "MS");
  const QCommandLineOption check(
      "check",
      "Check the game's script without showing anything: one line SCRIPT.TXT:<line>: <message> per problem; "
      "exit 0 when there are none, else 1.");
  parser.addOptions({help, version, batch, trace, saveScreen, grab, record, quitAfter, check});
  parser.addPositionalArgument("GAME_DIR", "The game folder; it becomes the current directory.",
                               "[GAME_DIR]");

  TParseResult result;
  if (!parser.parse(arguments)) {
    result.ExitStatus = esFailure;
    result.Output = "orbel: " + parser.errorText().toStdString() + "\n";
    return result;
  }
  if (parser.isSet(help)) {
    result.Output = parser.helpText().toStdString();
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
    result.Output = "orbel: only one GAME_DIR may be given\n";
    return result;
  }
  if (!positional.isEmpty()) options.GameDir = positional.first().toStdString();
  options.Batch = parser.isSet(batch);
  options.Trace = parser.isSet(trace);
  options.Check = parser.isSet(check);
  options.SaveScreen = parser.value(saveScreen).toStdString();
  options.Grab = parser.value(grab).toStdString();
  options.Record = parser.value(record).toStdString();
  if (parser.isSet(quitAfter)) {
    bool ok = false;
    const int ms = parser.value(quitAfter).toInt(&ok);
    if (!ok || ms < 0) {
      result.ExitStatus = esFailure;
      result.Output = "orbel: --quit-after needs a number of milliseconds, not '" +
                      parser.value(quitAfter).toStdString() + "'\n";
      return result;
    }
    options.QuitAfterMs = ms;
  }
  result.Options = options;
  return result;
}

}  // namespace orbel::app
