#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// THistoryWindow: the history of the board's texts, oldest first, the newest chosen, each with the game time
// it was shown at. Up and Down (and the wheel) move, Return or a double click goes back to the chosen text,
// Escape closes, and so do Page Down and the wheel turned down at the newest text. Ctrl with + and - make the
// text larger and smaller.

#include <QDialog>
#include <functional>
#include <optional>

#include "app/text_history.h"

class QListWidget;

namespace orbel::app {

class THistoryWindow : public QDialog {
  Q_OBJECT
 public:
  THistoryWindow(const TTextHistory& history, int fontPx, QWidget* parent = nullptr);

  // The entry to go back to (its place in the history), once the window has been accepted.
  std::optional<size_t> Chosen() const { return ChosenValue; }
  QListWidget* List() const { return ListValue; }
  int FontPx() const { return FontPxValue; }
  // The player made the text larger or smaller.
  std::function<void(int fontPx)> OnFontChanged;

  // A game time as the history shows it: h:mm:ss.
  static QString GameTime(int64_t ms);

  static constexpr int kMinFontPx = 10, kMaxFontPx = 48;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Take(int row);
  // One entry down; at the newest, the window closes.
  void Down();
  void SetFontPx(int px);

  QListWidget* ListValue = nullptr;
  std::optional<size_t> ChosenValue;
  int FontPxValue = 16;
};

}  // namespace orbel::app
