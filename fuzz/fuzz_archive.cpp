// SPDX-License-Identifier: GPL-3.0-or-later
// Archives and disc images from arbitrary bytes: the first byte picks what the rest is. Even: an archive
// listed from memory, and the game folders found in it. Odd: a cue sheet and its track file, split where
// the sheet's text ends (at the first zero byte), listed through the sector reader and the ISO reader.
// Both must end in a list or an EArchiveError, never read outside the input, never hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/game_archive.h"

namespace {

// Small bounds, so that an input that claims a huge index is refused quickly.
orbel::game::TArchiveLimits FuzzLimits() {
  orbel::game::TArchiveLimits limits;
  limits.Entries = 1000;
  return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    if (data[0] % 2 == 0) {
      orbel::game::GameFoldersIn(orbel::game::ListArchiveBytes(input, "fuzz.zip", FuzzLimits()));
    } else {
      const size_t zero = input.find('\0');
      const std::string_view sheet = input.substr(0, zero);
      const std::string_view track = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
      orbel::game::GameFoldersIn(orbel::game::ListDiscImageBytes(sheet, track, "fuzz.cue", FuzzLimits()));
    }
  } catch (const orbel::game::EArchiveError&) {
  }
  return 0;
}
