#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Installed faces as fontconfig reports them, and the stand-ins for the Windows face names that the game's
// windows ask for. Only this part of the program talks to fontconfig.

#include <QFont>
#include <QString>
#include <QStringList>
#include <vector>

namespace orbel::platform {

// What the font dialog needs to know about one installed typeface.
struct TFaceInfo {
  QString Family;         // the first family name, the one Qt matches on
  QString Format;         // fontconfig's format: "TrueType", "CFF", "Type 1", "PCF", ...
  bool Outline = false;   // scalable outlines (not a bitmap font)
  int Spacing = 0;        // fontconfig spacing: 0 proportional, 90 dual width, 100 mono, 110 character cell
  bool Japanese = false;  // covers the Japanese character set
  // The family's names in other languages: fontconfig puts the one of the user's language first, so a
  // Japanese locale sees "梅ゴシック" where others see "Ume Gothic".
  QStringList OtherNames;
};

// Fontconfig's spacing values at and above which a face counts as fixed pitch in the Windows sense: Japanese
// "fixed" faces are dual width (half-width characters are half as wide as full-width ones).
constexpr int kSpacingDual = 90;

// Fixed pitch in the Windows sense: dual width and the monospaced kinds above it.
bool IsFixedPitch(const TFaceInfo& face);
// A scalable TrueType or OpenType (CFF) face: the kinds the game's windows can ask for by name.
bool IsOutlineFace(const TFaceInfo& face);

// One entry per typeface, in the order fontconfig lists them. Style variants of a family (bold, italic, ...)
// fold into the family's first entry; the same family installed twice is reported twice. GUI thread only;
// reads fontconfig's current configuration, so fonts installed after start-up show up only if fontconfig
// rescanned.
std::vector<TFaceInfo> EnumerateFaces();

// Maps the Windows face names "ＭＳ ゴシック" and "ＭＳ Ｐゴシック" to installed faces with the same metrics
// (Ume Gothic, Ume P Gothic), or to another Japanese face, with one line on standard error, when those are
// missing. Call once, after the application object exists and before any window is created.
void InstallFaceSubstitutions();

// The face that stands in for a Windows face: `preferred` when installed, else the first Japanese outline
// face of the same pitch kind (fixed or proportional), else any Japanese face; empty when there is none.
QString FindStandIn(const std::vector<TFaceInfo>& faces, const QString& preferred, bool fixedPitch);

// The cell height in pixels (internal leading included) that a Windows font size of `points` asks for on a
// device of `dpi` pixels per inch: 20 points at 96 dpi are 27 pixels.
int CellHeightForPointSize(int points, int dpi);

// `base` at the pixel size whose ascent plus descent comes closest to `cellPx` (Qt's pixel size is the em
// height, which leaves out the internal leading that a Windows cell height includes).
QFont FontAtCellHeight(QFont base, int cellPx);

}  // namespace orbel::platform
