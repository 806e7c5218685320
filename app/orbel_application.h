#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: catches every error that escapes an event handler and reports it, so that a failed
// command only stops its own handler and the window stays alive.

#include <QApplication>
#include <QTranslator>
#include <string>

namespace orbel::app {

inline constexpr const char* kApplicationTitle = "Orbel";

// The text an error box shows: a full stop is added when the last character sorts after ".".
std::string ErrorBoxText(const std::string& message);

class TOrbelApplication : public QApplication {
  Q_OBJECT
 public:
  TOrbelApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // The program's own texts in the user's language: Japanese for a Japanese locale, English for every other
  // (QLocale::system(), which follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG). The toolkit's own dialog texts
  // follow when the system has its catalogue. The original games' captions and messages stay as they are.
  // Returns the language chosen ("ja" or "en").
  QString UseTranslations();

  // Shows the error box, or in batch mode prints the text as one line on standard error.
  void ReportError(const std::string& message);
  bool ErrorReported() const { return ErrorCount > 0; }

  bool Batch = false;

  static TOrbelApplication* Instance();

 private:
  int ErrorCount = 0;
  QTranslator Texts, ToolkitTexts;
};

}  // namespace orbel::app
