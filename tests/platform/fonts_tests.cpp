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

}  // namespace
}  // namespace orbel::platform
