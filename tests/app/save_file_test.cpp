// SPDX-License-Identifier: GPL-3.0-or-later
// The save file: what is written reads back, what is read is checked field by field, and where a game's saves
// live.

#include "game/save_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/game_saves.h"
#include "platform/file_locks.h"

namespace {

using orbel::game::ESaveError;
using orbel::game::ParseSave;
using orbel::game::TSave;

TSave Sample() {
  TSave save;
  save.ScriptSha256 = orbel::game::ScriptSha256("disp,1,1,a.bmp\r\n");
  save.GameFolder = "/games/夏の日";
  save.TimeMs = 123456789012;
  save.Steps = 4242;
  save.TickPhaseMs = 37;
  save.Line = 17;
  save.Thumbnail = QByteArray("\x89PNG\r\n\x1a\n\0\x01\x02", 11);
  save.Text = "「こんにちは」";
  save.Date = "2024-05-01T12:00:00+09:00";
  save.History = {{"最初\nの文", 0, 1}, {"Two words", 5000, 30}};
  return save;
}

TEST(SaveFile, WhatIsWrittenReadsBack) {
  const TSave written = Sample();
  const TSave read = ParseSave(orbel::game::SaveToJson(written), "s.json");
  EXPECT_EQ(read.ScriptSha256, written.ScriptSha256);
  EXPECT_EQ(read.GameFolder, written.GameFolder);
  EXPECT_EQ(read.TimeMs, written.TimeMs);
  EXPECT_EQ(read.Steps, written.Steps);
  EXPECT_EQ(read.TickPhaseMs, written.TickPhaseMs);
  EXPECT_EQ(read.Line, written.Line);
  EXPECT_EQ(read.Thumbnail, written.Thumbnail);
  EXPECT_EQ(read.Text, written.Text);
  EXPECT_EQ(read.Date, written.Date);
  EXPECT_EQ(read.History, written.History);
  // Through a file, written whole over an earlier one.
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/slot.json";
  orbel::game::WriteSaveFile(Sample(), path);
  TSave later = Sample();
  later.Line = 18;
  orbel::game::WriteSaveFile(later, path);
  EXPECT_EQ(orbel::game::ReadSaveFile(path).Line, 18);
  EXPECT_THROW(orbel::game::WriteSaveFile(later, dir.path().toStdString() + "/no/slot.json"), ESaveError);
}

// Each field is checked before it is used; the message names the file and the field.
TEST(SaveFile, ImpossibleFieldsAreRefused) {
  const QJsonObject good = QJsonDocument::fromJson(orbel::game::SaveToJson(Sample())).object();
  const auto refused = [&good](const char* field, const QJsonValue& value) {
    QJsonObject object = good;
    if (value.isUndefined())
      object.remove(field);
    else
      object[field] = value;
    try {
      ParseSave(QJsonDocument(object).toJson(), "bad.json");
    } catch (const ESaveError& error) {
      const std::string text = error.what();
      return text.find("bad.json") != std::string::npos;
    }
    return false;
  };
  EXPECT_TRUE(refused("format", "orbel-savex"));
  EXPECT_TRUE(refused("version", 0));
  EXPECT_TRUE(refused("version", "1"));
  EXPECT_TRUE(refused("script_sha256", QString(63, 'a')));
  EXPECT_TRUE(refused("script_sha256", QString(64, 'A')));
  EXPECT_TRUE(refused("time_ms", -1));
  EXPECT_TRUE(refused("time_ms", 1.5));
  EXPECT_TRUE(refused("time_ms", 1e300));
  EXPECT_TRUE(refused("steps", QJsonValue::Undefined));
  EXPECT_TRUE(refused("tick_phase_ms", 1000));
  EXPECT_FALSE(refused("tick_phase_ms", QJsonValue::Undefined));  // saves made before it was kept
  EXPECT_TRUE(refused("line", 0));
  EXPECT_TRUE(refused("line", 3e9));
  EXPECT_TRUE(refused("text", 5));
  EXPECT_TRUE(refused("thumbnail_png", "!!"));
  EXPECT_FALSE(refused("thumbnail_png", ""));
  // The history: texts in the order shown, none after the save's instant, at most kMaxSavedTexts of them.
  EXPECT_FALSE(refused("history", QJsonValue::Undefined));
  const auto text = [](double timeMs, double steps) {
    return QJsonObject{{"text", "t"}, {"time_ms", timeMs}, {"steps", steps}};
  };
  EXPECT_TRUE(refused("history", QJsonArray{text(10, 2), text(5, 3)}));
  EXPECT_TRUE(refused("history", QJsonArray{text(10, 5000)}));
  EXPECT_TRUE(refused("history", QJsonArray{QJsonObject{{"text", 1}, {"time_ms", 0}, {"steps", 0}}}));
  EXPECT_TRUE(refused("history", "text"));
  QJsonArray tooMany;
  for (size_t i = 0; i <= orbel::game::kMaxSavedTexts; ++i) tooMany.append(text(0, 0));
  EXPECT_TRUE(refused("history", tooMany));
  for (const QByteArray& bytes : {QByteArray(), QByteArray("[]"), QByteArray("{"), QByteArray("null"),
                                  QByteArray(int(orbel::game::kMaxSaveBytes) + 1, ' ')})
    EXPECT_THROW(ParseSave(bytes, "bad.json"), ESaveError) << bytes.left(8).toStdString();
}

// A save is read only from a regular file: a named pipe would block the program until someone writes into it.
TEST(SaveFile, WhatIsNoFileIsRefusedAtOnceSayingWhatItIs) {
  QTemporaryDir dir;
  const std::string pipe = dir.path().toStdString() + "/pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const auto refusal = [](const std::string& path) -> std::string {
    try {
      orbel::game::ReadSaveFile(path);
    } catch (const ESaveError& error) {
      return error.what();
    }
    return "read";
  };
  EXPECT_EQ(refusal(pipe), "the save " + pipe + " is a named pipe, not a file");
  EXPECT_EQ(refusal("/dev/null"), "the save /dev/null is a device, not a file");
  EXPECT_EQ(refusal(dir.path().toStdString()),
            "the save " + dir.path().toStdString() + " is a folder, not a file");
  EXPECT_EQ(refusal(dir.path().toStdString() + "/gone.json"),
            "the save " + dir.path().toStdString() + "/gone.json does not exist");
}

// What a run killed while saving left goes; what another run writes now, and the player's own files, stay.
TEST(SaveFile, TemporariesOfKilledRunsAreRemoved) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString();
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string ended = std::to_string(child);
  const std::string killed = folder + "/auto.json." + ended + ".aB3dE9";
  const std::string other = folder + "/slot01.json." + ended + ".Xy7Zw2";
  const std::string writing = folder + "/auto.json." + ended + ".Qq8Ww7";
  const std::string kept[] = {folder + "/auto.json.backup",
                              folder + "/auto.json." + std::to_string(::getpid()) + ".Zz9Yy8", writing};
  for (const std::string& path : {killed, other, kept[0], kept[1], kept[2]}) std::ofstream(path) << "{";
  const orbel::platform::TFileLock held = orbel::platform::TFileLock::Take(writing, true, false);
  ASSERT_TRUE(held.Held());
  orbel::game::WriteSaveFile(Sample(), folder + "/auto.json");
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(other)) << "another save's temporaries are that save's business";
  for (const std::string& path : kept) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  orbel::game::RemoveSaveLeftovers(folder);
  EXPECT_FALSE(std::filesystem::exists(other));
  for (const std::string& path : kept) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_EQ(orbel::game::ReadSaveFile(folder + "/auto.json").Steps, Sample().Steps);
}

TEST(SaveFile, SavesFolderFollowsTheDataHomeAndNamesTheGame) {
  orbel::app::TGameInfo game;
  game.ScriptSha256 = orbel::game::ScriptSha256("x");
  const std::string key = game.ScriptSha256.substr(0, 16);
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string kept = old ? old : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_DATA_HOME", "/data", 1);
  game.Name = "My Game!";
  EXPECT_EQ(orbel::app::TGameSaves(game).Folder(), "/data/orbel/saves/MyGame-" + key);
  game.Name = "..";
  EXPECT_EQ(orbel::app::TGameSaves(game).Folder(), "/data/orbel/saves/game..-" + key);
  // A relative data home is ignored, as the base directory rules say.
  setenv("XDG_DATA_HOME", "relative", 1);
  setenv("HOME", "/home/player", 1);
  game.Name = "夏";
  EXPECT_EQ(orbel::app::TGameSaves(game).Folder(), "/home/player/.local/share/orbel/saves/game-" + key);
  setenv("HOME", home.c_str(), 1);
  if (old)
    setenv("XDG_DATA_HOME", kept.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
