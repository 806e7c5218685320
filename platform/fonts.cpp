// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/translation.h"

namespace orbel::platform {

namespace {

QString PatternString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

}  // namespace

bool IsFixedPitch(const TFaceInfo& face) {
  return face.Spacing >= kSpacingDual;
}

bool IsOutlineFace(const TFaceInfo& face) {
  return face.Outline && (face.Format == QLatin1String("TrueType") || face.Format == QLatin1String("CFF"));
}

std::vector<TFaceInfo> EnumerateFaces() {
  std::vector<TFaceInfo> faces;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects =
      FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_SPACING, FC_OUTLINE, FC_FONTFORMAT, FC_LANG, nullptr);
  FcFontSet* set = (pattern && objects) ? FcFontList(nullptr, pattern, objects) : nullptr;
  if (set != nullptr) {
    // The style each family was first seen with: later entries with another style are variants of the same
    // typeface, later entries with the same style are the face installed again.
    std::map<QString, QString> firstStyle;
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      TFaceInfo face;
      face.Family = PatternString(font, FC_FAMILY);
      if (face.Family.isEmpty()) continue;
      const QString style = PatternString(font, FC_STYLE);
      const auto seen = firstStyle.find(face.Family);
      if (seen != firstStyle.end() && seen->second != style) continue;
      if (seen == firstStyle.end()) firstStyle.emplace(face.Family, style);
      FcChar8* name = nullptr;
      for (int k = 1; FcPatternGetString(font, FC_FAMILY, k, &name) == FcResultMatch && name != nullptr; ++k)
        face.OtherNames << QString::fromUtf8(reinterpret_cast<const char*>(name));
      face.Format = PatternString(font, FC_FONTFORMAT);
      FcBool outline = FcFalse;
      face.Outline = FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
      int spacing = 0;
      face.Spacing = FcPatternGetInteger(font, FC_SPACING, 0, &spacing) == FcResultMatch ? spacing : 0;
      FcLangSet* langs = nullptr;
      face.Japanese = FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch && langs != nullptr &&
                      FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
      faces.push_back(face);
    }
    FcFontSetDestroy(set);
  }
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  return faces;
}

QString FindStandIn(const std::vector<TFaceInfo>& faces, const QString& preferred, bool fixedPitch) {
  for (const TFaceInfo& face : faces)
    if (face.Family == preferred || face.OtherNames.contains(preferred)) return preferred;
  for (const TFaceInfo& face : faces)
    if (face.Japanese && IsOutlineFace(face) && IsFixedPitch(face) == fixedPitch) return face.Family;
  for (const TFaceInfo& face : faces)
    if (face.Japanese) return face.Family;
  return {};
}

void InstallFaceSubstitutions() {
  struct TSubstitution {
    QString WindowsFace;
    QString Preferred;
    bool FixedPitch;
  };
  // Ume Gothic has the Windows faces' metrics: at 18 pixels the cell is 18 high, full width 18, half width 9.
  const TSubstitution substitutions[] = {
      {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Ume Gothic"), true},
      {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Ume P Gothic"), false},
  };
  const std::vector<TFaceInfo> faces = EnumerateFaces();
  for (const TSubstitution& substitution : substitutions) {
    const QString standIn = FindStandIn(faces, substitution.Preferred, substitution.FixedPitch);
    if (standIn != substitution.Preferred) {
      const std::string message =
          standIn.isEmpty() ? Tr("Fonts",
                                 "neither the font \"%1\" nor any Japanese font is installed; \"%2\" is "
                                 "shown in another face")
                                  .Arg(substitution.Preferred)
                                  .Arg(substitution.WindowsFace)
                            : Tr("Fonts", "the font \"%1\" is not installed; \"%3\" stands in for \"%2\"")
                                  .Arg(substitution.Preferred)
                                  .Arg(substitution.WindowsFace)
                                  .Arg(standIn);
      std::fprintf(stderr, "orbel: %s\n", message.c_str());
      std::fflush(stderr);
    }
    if (!standIn.isEmpty()) QFont::insertSubstitution(substitution.WindowsFace, standIn);
  }
}

int CellHeightForPointSize(int points, int dpi) {
  // Rounded to the nearest pixel, as the Windows conversion does.
  return static_cast<int>(std::lround(std::abs(points) * static_cast<double>(dpi) / 72.0));
}

QFont FontAtCellHeight(QFont base, int cellPx) {
  if (cellPx <= 0) return base;
  auto cellAt = [&base](int pixelSize) {
    base.setPixelSize(pixelSize);
    return QFontMetrics(base).height();
  };
  // Start from the face's own ratio of cell to em, then walk to the closest size (a few steps at most).
  const int probe = cellAt(cellPx);
  int pixelSize =
      probe > 0 ? std::max(1, static_cast<int>(std::lround(double(cellPx) * cellPx / probe))) : cellPx;
  int cell = cellAt(pixelSize);
  for (int guard = 0; guard < 8 && cell != cellPx; ++guard) {
    const int next = cell > cellPx ? pixelSize - 1 : pixelSize + 1;
    if (next < 1) break;
    const int nextCell = cellAt(next);
    if (std::abs(nextCell - cellPx) >= std::abs(cell - cellPx)) break;
    pixelSize = next;
    cell = nextCell;
  }
  base.setPixelSize(pixelSize);
  return base;
}

}  // namespace orbel::platform
