// SPDX-License-Identifier: GPL-3.0-or-later
// Save files from arbitrary bytes: the reader either gives a save whose fields all passed their checks or
// refuses it with an error; what it accepts writes back to a save that reads the same.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "game/save_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  orbel::game::TSave save;
  try {
    save = orbel::game::ParseSave(bytes, "fuzz.json");
  } catch (const orbel::game::ESaveError&) {
    return 0;
  }
  if (save.TimeMs < 0 || save.Steps < 0 || save.Line < 1 || save.ScriptSha256.size() != 64 ||
      save.History.size() > orbel::game::kMaxSavedTexts)
    std::abort();
  for (const orbel::game::TSavedText& text : save.History)
    if (text.TimeMs > save.TimeMs || text.Steps > save.Steps) std::abort();
  const orbel::game::TSave again = orbel::game::ParseSave(orbel::game::SaveToJson(save), "again.json");
  if (again.TimeMs != save.TimeMs || again.Steps != save.Steps || again.Line != save.Line ||
      again.Thumbnail != save.Thumbnail || again.Text != save.Text || again.GameFolder != save.GameFolder ||
      again.History != save.History)
    std::abort();
  return 0;
}
