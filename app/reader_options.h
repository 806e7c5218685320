#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The reader's controls as the command line gives them and the settings remember them: holding after each
// text, the volumes, the history's text size, and the board's texts for other programs (--text-out,
// --text-server).

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <string>

#include "app/options.h"
#include "media/audio.h"

class QCommandLineParser;
class QSettings;

namespace orbel::app {

// --text-server's port when none is given: the one browser text-hook pages listen on.
inline constexpr int kDefaultTextServerPort = 6677;

struct TReaderChoices {
  bool HoldText = false;
  double Speed = 1.0;
  media::TVolumes Volumes;
  int HistoryFontPx = 16;
};

// --hold-text, --volume, --text-out and --text-server, declared, read and checked together.
class TReaderOptions {
 public:
  TReaderOptions();
  void AddTo(QCommandLineParser& parser) const;
  // Empty, or the error text.
  std::string Read(const QCommandLineParser& parser, TOptions& options) const;

 private:
  QCommandLineOption HoldText, Speed, Volume, TextOut, TextServer;
};

// --text-server's port may be left out, which the command-line parser cannot take: the arguments with the
// default port put in where none follows (a following argument that is all digits is the port).
QStringList WithTextServerPort(const QStringList& arguments);

// The player's choices as the settings keep them, with what the command line asks for this run over them.
// Runs nobody watches read no settings.
// The speed is kept for each game, `game` naming it.
TReaderChoices ReaderChoices(const TOptions& options, QSettings* settings, const QString& game);
// Which of the choices the player has just changed: only those are kept, so that what the command line gave
// for one run is not.
enum TReaderChoice : unsigned { rcHoldText = 1, rcVolumes = 2, rcHistoryFont = 4, rcSpeed = 8 };
// Keeps the choices named in `changed` for later runs.
void RememberReaderChoices(QSettings& settings, const QString& game, const TReaderChoices& choices,
                           unsigned changed);

// The speeds the menu offers.
inline constexpr double kMenuSpeeds[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

}  // namespace orbel::app
