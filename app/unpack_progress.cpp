// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/unpack_progress.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>
#include <cstdio>
#include <memory>
#include <optional>

#include "platform/shutdown_signals.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::app {

namespace {

// A short unpack shows nothing; a long one shows itself after this long.
constexpr qint64 kShowAfterMs = 500;
// How often the bar or the line is redrawn, and the window's events handled.
constexpr qint64 kWindowRedrawMs = 40;
constexpr qint64 kLineRedrawMs = 200;
constexpr int kSteps = 1000;
// A file costs about as much as this many bytes to write, whatever its size.
constexpr uint64_t kBytesPerFile = 4096;

class TUnpackProgressView {
 public:
  explicit TUnpackProgressView(bool window) : Window(window), Terminal(::isatty(STDERR_FILENO) == 1) {}

  bool Report(const game::TUnpackProgress& progress) {
    if (progress.Ended) {
      End();
      return true;
    }
    if (!Noted) {
      Noted.emplace();
      Clock.start();
      LastDrawn = -kWindowRedrawMs;
    }
    if (platform::PendingShutdownSignal() != 0) return false;
    const qint64 now = Clock.elapsed();
    if (now < kShowAfterMs) return true;
    if (Window) return ShowBar(progress, now);
    if (Terminal && now - LastDrawn >= kLineRedrawMs) ShowLine(progress, now);
    return true;
  }

 private:
  static int Step(const game::TUnpackProgress& progress) {
    const uint64_t whole = progress.TotalBytes + progress.TotalFiles * kBytesPerFile;
    const uint64_t done = progress.Bytes + progress.Files * kBytesPerFile;
    return whole == 0 ? kSteps : static_cast<int>(std::min<uint64_t>(kSteps, done * kSteps / whole));
  }

  static QString ArchiveName(const game::TUnpackProgress& progress) {
    return QFileInfo(QString::fromStdString(platform::FileNameToUtf8(progress.Archive))).fileName();
  }

  bool ShowBar(const game::TUnpackProgress& progress, qint64 now) {
    if (!Bar) {
      Bar = std::make_unique<QProgressDialog>(QString(), platform::Tr("UnpackProgress", "Cancel").QStr(), 0,
                                              kSteps);
      Bar->setWindowTitle(QStringLiteral("Orbel"));
      Bar->setWindowModality(Qt::ApplicationModal);
      Bar->setMinimumDuration(0);
      Bar->setAutoReset(false);
      Bar->setAutoClose(false);
      Bar->setMinimumWidth(420);
      Bar->show();
    }
    if (now - LastDrawn >= kWindowRedrawMs) {
      LastDrawn = now;
      Bar->setValue(Step(progress));
      Bar->setLabelText(platform::Tr("UnpackProgress", "Unpacking %1…\n%2 of %3 files")
                            .Arg(ArchiveName(progress))
                            .Arg(progress.Files)
                            .Arg(progress.TotalFiles)
                            .QStr());
      QCoreApplication::processEvents();
    }
    return !Bar->wasCanceled();
  }

  void ShowLine(const game::TUnpackProgress& progress, qint64 now) {
    LastDrawn = now;
    LineShown = true;
    std::fprintf(stderr, "\rorbel: %s",
                 platform::Tr("UnpackProgress", "unpacking %1: %2% (%3 of %4 files)")
                     .Arg(ArchiveName(progress))
                     .Arg(Step(progress) / (kSteps / 100))
                     .Arg(progress.Files)
                     .Arg(progress.TotalFiles)
                     .Str()
                     .c_str());
    std::fflush(stderr);
  }

  void End() {
    Bar.reset();
    if (LineShown) std::fputs("\r\033[K", stderr);
    LineShown = false;
    // The signals act as before again; one that came meanwhile stays pending for start-up.
    Noted.reset();
  }

  const bool Window;
  const bool Terminal;
  std::optional<platform::TShutdownSignalsNoted> Noted;
  QElapsedTimer Clock;
  qint64 LastDrawn = 0;
  std::unique_ptr<QProgressDialog> Bar;
  bool LineShown = false;
};

}  // namespace

game::TReportProgress UnpackProgressReport(bool window) {
  auto view = std::make_shared<TUnpackProgressView>(window);
  return [view](const game::TUnpackProgress& progress) { return view->Report(progress); };
}

}  // namespace orbel::app
