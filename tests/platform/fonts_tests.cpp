// Installed faces and the stand-ins for the Windows face names.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>
#include <vector>

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
  EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("ｱ")), 9);
  EXPECT_EQ(QFontInfo(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12)).family(),
            QStringLiteral("Ume P Gothic"));
}

TEST(FontsTest, EnumerationReportsPitchFormatAndCoverage) {
  const std::vector<TFaceInfo> faces = EnumerateFaces();
  auto find = [&faces](const char* family) {
    return std::find_if(faces.begin(), faces.end(),
                        [family](const TFaceInfo& face) { return face.Family == QLatin1String(family); });
  };
  const auto gothic = find("Ume Gothic");
  ASSERT_NE(gothic, faces.end());
  EXPECT_EQ(gothic->Spacing, kSpacingDual);
  EXPECT_TRUE(gothic->Japanese);
  EXPECT_TRUE(gothic->Outline);
  EXPECT_EQ(gothic->Format, QStringLiteral("TrueType"));
  const auto proportional = find("Ume P Gothic");
  ASSERT_NE(proportional, faces.end());
  EXPECT_LT(proportional->Spacing, kSpacingDual);
  EXPECT_EQ(std::count_if(faces.begin(), faces.end(),
                          [](const TFaceInfo& face) { return face.Family == QLatin1String("Ume Gothic"); }),
            1)
      << "style variants fold into one typeface";
}

TEST(FontsTest, StandInFallsBackToAJapaneseFaceOfTheSamePitch) {
  const std::vector<TFaceInfo> faces = {
      {QStringLiteral("Sans"), QStringLiteral("TrueType"), true, 0, false},
      {QStringLiteral("Mono Bitmap JP"), QStringLiteral("PCF"), false, 100, true},
      {QStringLiteral("JP Proportional"), QStringLiteral("TrueType"), true, 0, true},
      {QStringLiteral("JP Fixed"), QStringLiteral("CFF"), true, 90, true},
  };
  EXPECT_EQ(FindStandIn(faces, QStringLiteral("Sans"), true), QStringLiteral("Sans"));
  EXPECT_EQ(FindStandIn(faces, QStringLiteral("Ume Gothic"), true), QStringLiteral("JP Fixed"));
  EXPECT_EQ(FindStandIn(faces, QStringLiteral("Ume P Gothic"), false), QStringLiteral("JP Proportional"));
  EXPECT_EQ(FindStandIn({faces[1]}, QStringLiteral("Ume Gothic"), true), QStringLiteral("Mono Bitmap JP"));
  EXPECT_EQ(FindStandIn({faces[0]}, QStringLiteral("Ume Gothic"), true), QString());
}

TEST(FontsTest, CellHeightIncludesTheInternalLeading) {
  EXPECT_EQ(CellHeightForPointSize(-20, 96), 27);
  EXPECT_EQ(CellHeightForPointSize(20, 120), 33);
  // IPA Gothic's cell is taller than its em, Ume Gothic's is not: both end with the cell asked for.
  for (const char* family : {"Ume Gothic", "IPAGothic"}) {
    SCOPED_TRACE(family);
    const QFont font = FontAtCellHeight(QFont(QString::fromLatin1(family)), 27);
    EXPECT_EQ(QFontMetrics(font).height(), 27);
  }
}

}  // namespace
}  // namespace orbel::platform
