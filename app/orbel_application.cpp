// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/orbel_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace orbel::app {

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  // The first byte of the last character decides (a UTF-8 character's first byte is its sort position).
  size_t last = message.size() - 1;
  while (last > 0 && (static_cast<unsigned char>(message[last]) & 0xC0) == 0x80) --last;
  return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

TOrbelApplication::TOrbelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
}

QString TOrbelApplication::UseTranslations() {
  // The catalogues are built into the program: it speaks the same wherever it was installed or built.
  const QString folder = QStringLiteral(":/orbel/translations");
  if (!Texts.load(QLocale::system(), QStringLiteral("orbel"), QStringLiteral("_"), folder) ||
      !Texts.language().startsWith(QLatin1String("ja")))
    (void)Texts.load(QStringLiteral("orbel_en"), folder);
  installTranslator(&Texts);
  const QString language = Texts.language().left(2);
  if (language == QLatin1String("ja") &&
      ToolkitTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(&ToolkitTexts);
  return language;
}

TOrbelApplication* TOrbelApplication::Instance() {
  return qobject_cast<TOrbelApplication*>(QCoreApplication::instance());
}

bool TOrbelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    // EOrbelError and its kinds carry the engine's texts; the standard library's own errors (memory, files)
    // are reported alike, with their own texts.
    ReportError(error.what());
  } catch (...) {
    ReportError("原因不明のｴﾗｰ");
  }
  return true;
}

void TOrbelApplication::ReportError(const std::string& message) {
  ++ErrorCount;
  std::string text = ErrorBoxText(message);
  if (Batch) {
    for (char& c : text)
      if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    return;
  }
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
}

}  // namespace orbel::app
