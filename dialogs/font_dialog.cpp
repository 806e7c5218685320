#include "dialogs/font_dialog.h"

namespace orbel::dialogs {

TFormFont::TFormFont(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("フォントの選択")); }

QString TFormFont::SelectFont(const QString& current) { return current; }

}  // namespace orbel::dialogs
