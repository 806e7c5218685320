#pragma once
// TFormFont: the modal list of fixed-pitch Japanese faces, each drawn in its own face.

#include <QDialog>
#include <QString>

namespace orbel::dialogs {

class TFormFont : public QDialog {
  Q_OBJECT
 public:
  explicit TFormFont(QWidget* parent = nullptr);
  // Shows the dialog; returns the selected face on OK, `current` otherwise.
  QString SelectFont(const QString& current);
};

}  // namespace orbel::dialogs
