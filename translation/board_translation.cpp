// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/board_translation.h"

#include "platform/text_codec.h"
#include "translation/board_fit.h"

namespace orbel::translation {

std::string ContextName(const script::TBoardText& text) {
  const std::string label = text.Label.empty() ? "(start)" : platform::ScriptTextToUtf8(text.Label);
  return label + "/" + std::to_string(text.Ordinal);
}

std::string OriginalText(const script::TStringList& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += platform::ScriptTextToUtf8(lines[i]);
  }
  return text;
}

TBoardTranslation::TBoardTranslation(std::shared_ptr<const TCatalogue> catalogue,
                                     const script::TStringList& scriptLines)
    : Catalogue(std::move(catalogue)), BreakAtBlanks(!Catalogue || BreaksAtBlanks(Catalogue->Language)) {
  if (!Catalogue) return;
  for (const script::TBoardText& text : script::BoardTexts(scriptLines))
    Contexts.emplace(text.Line, ContextName(text));
}

QStringList TBoardTranslation::Shown(int32_t line, const script::TStringList& fields) const {
  if (Catalogue) {
    const auto context = Contexts.find(line);
    if (context != Contexts.end())
      if (const std::string* translation = Catalogue->Translation(context->second, OriginalText(fields)))
        return BoardLinesOf(QString::fromStdString(*translation), BreakAtBlanks);
  }
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(fields.size()));
  for (const std::string& field : fields) lines << platform::DecodeScriptText(field);
  return lines;
}

}  // namespace orbel::translation
