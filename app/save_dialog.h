#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormSaves: the dialog of the menu's Save and Load items. One row per slot, with the save's small picture,
// its date, its line and the board's first line, or "(free)" for a free slot. Arrow keys choose, Enter takes
// the slot, Escape closes without one. Saving may go over a used slot; a free slot cannot be loaded.

#include <QDialog>
#include <optional>
#include <vector>

#include "app/save_slots.h"

class QListWidget;

namespace orbel::app {

class TFormSaves : public QDialog {
  Q_OBJECT
 public:
  enum TMode { smSave, smLoad };
  TFormSaves(TMode mode, const std::vector<TSlot>& saves, QWidget* parent = nullptr);

  // The slot taken (its number, from 1), once the dialog has been accepted.
  std::optional<int> ChosenSlot() const { return Chosen; }
  QListWidget* List() const { return ListValue; }

  // A row's text: the number and the save's date, line and board text, or the number and "(free)", in the
  // user's language.
  static QString SlotCaption(const TSlot& slot);

 private:
  void Take(int row);

  TMode Mode;
  std::vector<TSlot> Slots;
  QListWidget* ListValue = nullptr;
  std::optional<int> Chosen;
};

}  // namespace orbel::app
