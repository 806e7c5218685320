#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: catches every error that escapes an event handler and reports it, so that a failed
// command only stops its own handler and the window stays alive.

#include <QApplication>
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

  // Shows the error box, or in batch mode prints the text as one line on standard error.
  void ReportError(const std::string& message);
  bool ErrorReported() const { return ErrorCount > 0; }

  bool Batch = false;

  static TOrbelApplication* Instance();

 private:
  int ErrorCount = 0;
};

}  // namespace orbel::app
