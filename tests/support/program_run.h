#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, run on a game folder a test makes: offscreen, silent, its exit status and both outputs
// kept.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace orbel::tests {

struct TRun {
  int ExitCode = -1;
  std::string Out, Err;
  qint64 ElapsedMs = 0;  // from the start to the end
};

// The environment a test runs the program in: offscreen, silent and, unless `extra` names a locale, in
// English (the program speaks the user's language), with `extra` added.
inline QProcessEnvironment ProgramEnvironment(const QProcessEnvironment& extra = {}) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("SDL_AUDIODRIVER", "dummy");
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) environment.remove(variable);
  environment.insert("LANG", "C.UTF-8");
  environment.insert(extra);
  return environment;
}

// Runs `program`, the real one unless named, offscreen and silent with `arguments`: in `folder` as the
// current directory when given (the test's own when empty), with `extra` added to the environment.
inline TRun RunProgram(const QStringList& arguments, const QString& folder = {},
                       const QProcessEnvironment& extra = {}, const QString& program = ORBEL_BINARY) {
  QProcess process;
  process.setProcessEnvironment(ProgramEnvironment(extra));
  if (!folder.isEmpty()) process.setWorkingDirectory(folder);
  QElapsedTimer timer;
  timer.start();
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(60000));
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString(), timer.elapsed()};
}

// A game folder of the test's own, with its Data folder, and the real program run on it.
class TGameFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    QDir(Dir.path()).mkpath("Data");
  }
  void Write(const QString& relative, const QByteArray& bytes) {
    QFile file(Dir.path() + "/" + relative);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  void Script(const QByteArray& text) { Write("Data/SCRIPT.TXT", text); }
  // Runs with the game folder as the last argument; without it, runs in the game folder as the current
  // directory.
  TRun Run(QStringList arguments, bool withGameDir = true, const QString& extraVariable = {}) {
    if (withGameDir) return RunIn({}, arguments << Dir.path(), extraVariable);
    return RunIn(Dir.path(), arguments, extraVariable);
  }
  // Runs in `folder` as the current directory (the test's own when empty).
  TRun RunIn(const QString& folder, const QStringList& arguments, const QString& extraVariable = {}) {
    QProcessEnvironment extra;
    if (!extraVariable.isEmpty()) extra.insert(extraVariable, "1");
    return RunProgram(arguments, folder, extra);
  }
  QTemporaryDir Dir;
};

}  // namespace orbel::tests
