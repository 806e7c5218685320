// SPDX-License-Identifier: GPL-3.0-or-later
// Installed faces and the stand-ins for the Windows face names.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "platform/fonts.h"

namespace orbel::platform {
namespace {

QFont PixelFont(const QString& family, int pixelSize) {
  QFont font(family);
  font.setPixelSize(pixelSize);
  return font;
}

TEST(FontsTest, WindowsFacesGetStandInsWithTheirMetrics) {
  InstallFaceSubstitutions();
  const QFont gothic = PixelFont(QStringLiteral("ＭＳ ゴシック"), 18);
  EXPECT_EQ(QFontInfo(gothic).family(), QStringLiteral("Ume Gothic"));
  const QFontMetrics metrics(gothic);
  EXPECT_EQ(metrics.size(Qt::TextSingleLine, QStringLiteral("M")).height(), 18);
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("Ａ")), 18);
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("A")), 9);
  EXPECT_EQ(QFontInfo(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12)).family(),
            QStringLiteral("Ume P Gothic"));
}

// Fontconfig names a family in the user's language first: in a Japanese locale the preferred face is found by
// its other name, not replaced by the first Japanese face listed.
TEST(FontsTest, APreferredFaceIsFoundByAnyOfItsNames) {
  const TFaceInfo mincho{QStringLiteral("梅明朝"),      QStringLiteral("TrueType"), true, kSpacingDual, true,
                         {QStringLiteral("Ume Mincho")}};
  const TFaceInfo gothic{QStringLiteral("梅ゴシック"),  QStringLiteral("TrueType"), true, kSpacingDual, true,
                         {QStringLiteral("Ume Gothic")}};
  EXPECT_EQ(FindStandIn({mincho, gothic}, QStringLiteral("Ume Gothic"), true), QStringLiteral("Ume Gothic"));
  EXPECT_EQ(FindStandIn({mincho, gothic}, QStringLiteral("梅ゴシック"), true), QStringLiteral("梅ゴシック"));
  EXPECT_EQ(FindStandIn({mincho, gothic}, QStringLiteral("IPAGothic"), true), QStringLiteral("梅明朝"));
}

}  // namespace
}  // namespace orbel::platform
