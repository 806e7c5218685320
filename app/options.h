#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: orbel [options] [GAME_DIR].

#include <QStringList>
#include <optional>
#include <string>

#include "platform/script_encoding.h"

class QSettings;

namespace orbel::app {

// How the picture fills a full screen without a resolution change.
enum TFit {
  ftInteger,  // the largest whole factor that fits, centred, black around it
  ftAspect,   // the largest 4:3 area that fits: whole-factor enlargement, then one smooth step to the size
  ftStretch,  // the whole screen
};

struct TOptions {
  std::string GameDir;
  bool Batch = false;
  bool Trace = false;
  std::string SaveScreen;
  std::string Grab;
  std::string Record;
  int QuitAfterMs = -1;
  bool Check = false;
  // The script's encoding when it has no UTF-8 byte-order mark (one always means UTF-8).
  platform::TScriptEncoding Encoding = platform::seCp932;
  // Presentation on today's displays. Scale 0 and an empty fit mean "as last time" (default 1, integer).
  int Scale = 0;
  std::optional<TFit> Fit;
  bool FullScreen = false;
  bool NoModeSwitch = false;
  // The engine clock is virtual: the game runs as fast as the machine allows, with the real-time result.
  bool Fast = false;
  // Play on the virtual clock and write what the window shows and the speakers play to this file.
  std::string ExportVideo;
  int ExportFps = 60;
  bool ExportLossless = false;
  // Saving and continuing (docs/saves.md): the save written at exit, the save to start from, and the line or
  // label to start at. LoadFrom and StartFrom replay the game on the virtual clock up to their point.
  std::string SaveOnExit;
  std::string LoadFrom;
  std::string StartFrom;
  // Translations (README, "Translating a game"): the catalogue named, the language chosen, and the template
  // to write instead of running the game.
  std::string TranslationFile;
  std::string Language;
  std::string ExtractText;
  // The reader's controls (app/reader_options.h): holding after each text, the master volume, and the board's
  // texts for other programs (a file, "-" for standard output; the WebSocket server's port, 0 for none).
  bool HoldText = false;
  std::optional<int> Volume;
  std::optional<double> Speed;  // the game's speed for this run (none: as the player chose for the game)  // the master volume for this run (none: as the player chose last time)
  std::string TextOut;
  int TextServerPort = 0;

  // Whether a person watches the run: the one place that decides it. A run a person watches is the player's:
  // it saves and loads, asks whether to continue, keeps its position at the close and shows a load's sign.
  // Runs a test or a tool drives (batch, --check, --quit-after, the outputs, --fast, --export-video,
  // --extract-text) do none of that, and read nothing the player chose from the settings, so such runs start
  // alike everywhere.
  bool Watched() const {
    return !(Batch || Check || QuitAfterMs >= 0 || !Grab.empty() || !Record.empty() || !SaveScreen.empty() ||
             Fast || !ExportVideo.empty() || !ExtractText.empty());
  }
};

// The player's last presentation choices, as the settings remember them, for whatever the command line left
// open (nothing for automated runs). RememberChoices stores the choices a run ended with.
void ApplyRememberedChoices(TOptions& options, QSettings& settings);
void RememberChoices(QSettings& settings, int scale, TFit fit, bool fullScreen);
const char* FitName(TFit fit);
// The fit a name (as FitName gives it) stands for; empty for any other text.
std::optional<TFit> FitFromName(const QString& name);

enum TExitStatus : int {
  esOk = 0,         // closed, or the script ended (batch)
  esFailure = 1,    // bad options, cannot start, cannot write an output
  esError = 2,      // batch: the script rests after an error
  esResting = 3,    // batch: the script rests without an error
  esQuitAfter = 4,  // --quit-after ran out
};

struct TParseResult {
  std::optional<TOptions> Options;  // empty: exit with ExitStatus after printing Output
  int ExitStatus = esOk;
  std::string Output;  // text for standard output (help, version) or standard error (errors)
};

TParseResult ParseCommandLine(const QStringList& arguments);

// The program's arguments as text that keeps their bytes: a folder named in code page 932 bytes is not valid
// UTF-8, so each byte that is not part of a UTF-8 character is carried as U+DC80 + (byte - 0x80), a code unit
// that well-formed text never holds. ArgumentBytes gives the bytes back; the options that name files use it.
QStringList ArgumentList(int argc, char** argv);
std::string ArgumentBytes(const QString& argument);

}  // namespace orbel::app
