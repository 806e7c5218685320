// SPDX-License-Identifier: GPL-3.0-or-later
// The font dialog: which faces it offers and what SelectFont gives back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <functional>
#include <vector>

#include "dialogs/font_dialog.h"

namespace orbel::dialogs {
namespace {

using platform::TFaceInfo;

TFaceInfo Face(const char* family, const char* format, bool outline, int spacing, bool japanese) {
  return {QString::fromUtf8(family), QString::fromLatin1(format), outline, spacing, japanese, {}};
}

TEST(FontDialogTest, OffersFixedPitchJapaneseOutlineFacesInReportedOrder) {
  const std::vector<TFaceInfo> faces = {
      Face("Zeta Mono JP", "TrueType", true, 100, true),
      Face("Proportional JP", "TrueType", true, 0, true),
      Face("Dual JP", "CFF", true, 90, true),
      Face("@Dual JP", "CFF", true, 90, true),
      Face("Mono Latin", "TrueType", true, 100, false),
      Face("Bitmap JP", "PCF", false, 110, true),
      Face("Type1 JP", "Type 1", true, 100, true),
      Face("Zeta Mono JP", "TrueType", true, 100, true),
      Face("Cell JP", "TrueType", true, 110, true),
  };
  EXPECT_EQ(FixedPitchJapaneseFaces(faces),
            (QStringList{"Zeta Mono JP", "Dual JP", "Zeta Mono JP", "Cell JP"}));
}

class FontDialogSelectTest : public ::testing::Test {
 protected:
  // Runs `action` inside the dialog's modal loop and returns what SelectFont gave back.
  QString Select(TFormFont& form, const QString& current, std::function<void()> action) {
    QTimer::singleShot(0, &form, std::move(action));
    return form.SelectFont(current);
  }
  void Key(TFormFont& form, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(form.FontList, &press);
  }
};

TEST_F(FontDialogSelectTest, OkGivesTheSelectionAndEverythingElseTheCurrentFace) {
  TFormFont form(
      {Face("Ume Gothic", "TrueType", true, 90, true), Face("IPAGothic", "TrueType", true, 90, true)});
  ASSERT_EQ(form.FontList->count(), 2);
  // Each entry in its own face, at the cell height of 27 pixels that 20 points ask for at 96 dpi.
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(QFontInfo(form.EntryFont(row)).family(), form.FontList->item(row)->text());
    EXPECT_EQ(form.FontListMeasureItem(row), 27 + 2);
  }
  const QString current = QStringLiteral("ＭＳ ゴシック");

  EXPECT_EQ(Select(form, current, [&] { form.BtnOk->click(); }), current) << "Ok with nothing selected";
  EXPECT_EQ(Select(form, current,
                   [&] {
                     form.FontList->setCurrentRow(1);
                     form.BtnCancel->click();
                   }),
            current);
  // The selection made before Cancel is still there: the dialog opens as it closed.
  EXPECT_EQ(Select(form, current, [&] { Key(form, Qt::Key_Return); }), QStringLiteral("IPAGothic"));
  // A double-click anywhere on the list, below the entries too, counts as Ok.
  EXPECT_EQ(Select(form, current,
                   [&] {
                     form.FontList->setCurrentRow(0);
                     const QPointF below(20, form.FontList->viewport()->height() - 5);
                     QMouseEvent click(QEvent::MouseButtonDblClick, below,
                                       form.FontList->viewport()->mapToGlobal(below), Qt::LeftButton,
                                       Qt::LeftButton, Qt::NoModifier);
                     QApplication::sendEvent(form.FontList->viewport(), &click);
                   }),
            QStringLiteral("Ume Gothic"));
  EXPECT_FALSE(form.isVisible());

  TFormFont empty(std::vector<TFaceInfo>{});
  EXPECT_EQ(Select(empty, current, [&] { empty.BtnOk->click(); }), current);
}

TEST(FontDialogTest, InstalledListHasTheFixedPitchStandInOnly) {
  TFormFont form;
  auto listed = [&form](const char* name) {
    return !form.FontList->findItems(name, Qt::MatchExactly).isEmpty();
  };
  EXPECT_TRUE(listed("Ume Gothic") && listed("IPAGothic"));
  EXPECT_FALSE(listed("Ume P Gothic") || listed("IPAPGothic"));
}

}  // namespace
}  // namespace orbel::dialogs
