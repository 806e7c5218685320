// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_slots.h"

#include <QFile>
#include <QSettings>
#include <cstdio>
#include <filesystem>

namespace orbel::app {

namespace {

std::string InFolder(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

QString PathArgument(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

std::string SlotPath(const std::string& folder, int number) {
  char name[16];
  std::snprintf(name, sizeof name, "slot%02d.json", number);
  return InFolder(folder, name);
}

std::string QuickSavePath(const std::string& folder) {
  return InFolder(folder, "quick.json");
}

std::string AutoSavePath(const std::string& folder) {
  return InFolder(folder, "auto.json");
}

std::string BackSavePath(const std::string& folder) {
  return InFolder(folder, "back.json");
}

std::vector<TSlot> ListSlots(const std::string& folder) {
  std::vector<TSlot> listed;
  for (int number = 1; number <= kSaveSlots; ++number) {
    TSlot slot{number, SlotPath(folder, number), std::nullopt};
    std::error_code error;
    // A damaged file is shown as free: saving over it is what the player can still do with it.
    if (std::filesystem::exists(slot.Path, error)) try {
        slot.Save = game::ReadSaveFile(slot.Path);
      } catch (const game::ESaveError&) {
      }
    listed.push_back(std::move(slot));
  }
  return listed;
}

QString GameSettingsName(const std::string& savesFolder) {
  // game::SavesFolder ends in a '/', which would leave the last name empty.
  std::string folder = savesFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return QString::fromStdString(std::filesystem::path(folder).filename().string());
}

QString ContinueKey(const std::string& savesFolder) {
  return QStringLiteral("Continue/") + GameSettingsName(savesFolder);
}

TContinueAnswer ContinueAnswer(QSettings& settings, const QString& key, bool hasAutoSave) {
  if (!hasAutoSave) return caStartAgain;
  const QString remembered = settings.value(key).toString();
  if (remembered == QLatin1String("continue")) return caContinue;
  if (remembered == QLatin1String("start-again")) return caStartAgain;
  return caAsk;
}

void RememberContinueAnswer(QSettings& settings, const QString& key, bool continueRun) {
  settings.setValue(key, continueRun ? QStringLiteral("continue") : QStringLiteral("start-again"));
}

QStringList RestartArguments(const TOptions& options, const std::string& game, const std::string& savePath,
                             int scale, TFit fit, bool fullScreen) {
  QStringList arguments{QStringLiteral("--load"), PathArgument(savePath),  QStringLiteral("--scale"),
                        QString::number(scale),   QStringLiteral("--fit"), QString::fromLatin1(FitName(fit))};
  if (fullScreen) arguments << QStringLiteral("--fullscreen");
  if (options.NoModeSwitch) arguments << QStringLiteral("--no-mode-switch");
  if (options.Encoding == platform::seUtf8)
    arguments << QStringLiteral("--encoding") << QStringLiteral("utf-8");
  if (options.Trace) arguments << QStringLiteral("--trace");
  // The reader's controls the command line gave this run; what the player chose since is remembered.
  if (options.HoldText) arguments << QStringLiteral("--hold-text");
  if (options.Speed) arguments << QStringLiteral("--speed") << QString::number(*options.Speed);
  if (options.Volume) arguments << QStringLiteral("--volume") << QString::number(*options.Volume);
  if (!options.TextOut.empty()) arguments << QStringLiteral("--text-out") << PathArgument(options.TextOut);
  if (options.TextServerPort > 0)
    arguments << QStringLiteral("--text-server") << QString::number(options.TextServerPort);
  // Last, as the command line takes it; "--" keeps a folder whose name starts with '-' a folder.
  arguments << QStringLiteral("--") << PathArgument(game);
  return arguments;
}

}  // namespace orbel::app
