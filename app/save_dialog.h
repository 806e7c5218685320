#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormSaves: the dialog of the menu's Save and Load items. One row per slot, with the save's small picture,
// its date, its line and the board's first line, or "(free)" for a free slot; loading lists the automatic
// saves after the numbered slots. Arrow keys choose, Enter takes the slot, Escape closes without one. Saving
// over a used slot asks first; a free slot cannot be loaded.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/game_saves.h"

class QListWidget;
class QWidget;

namespace orbel::app {

class TFormSaves : public QDialog {
  Q_OBJECT
 public:
  enum TMode { smSave, smLoad };
  TFormSaves(TMode mode, const std::vector<TSlot>& saves, QWidget* parent = nullptr);

  // The slot taken, once the dialog has been accepted.
  const TSlot* Chosen() const { return ChosenRow ? &Slots[static_cast<size_t>(*ChosenRow)] : nullptr; }
  // The numbered slot taken (from 1).
  std::optional<int> ChosenSlot() const;
  QListWidget* List() const { return ListValue; }
  // Whether to save over a used slot; a question over the dialog unless replaced.
  std::function<bool(const TSlot& slot)> ConfirmOverwrite;

  // A row's text: the number (or the automatic save's age) and the save's date, line and board text, or the
  // number and "(free)", in the user's language.
  static QString SlotCaption(const TSlot& slot);

 private:
  void Take(int row);

  TMode Mode;
  std::vector<TSlot> Slots;
  QListWidget* ListValue = nullptr;
  std::optional<int> ChosenRow;
};

// Whether to start a save of a changed script at its line as it is, or the game again: asked over `parent`.
TChangedScriptChoice AskAboutChangedScript(QWidget* parent, const std::string& text, int32_t line);

}  // namespace orbel::app
