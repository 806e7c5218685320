// SPDX-License-Identifier: GPL-3.0-or-later
// Archives and disc images from arbitrary bytes, listed and unpacked as start-up unpacks a game: the first
// byte picks what the rest is. Even: an archive, listed from memory, then written to a file and its game
// unpacked into a cache folder of its own. Odd: a cue sheet and its track file, split where the sheet's text
// ends (at the first zero byte), listed through the sector reader and the ISO reader, then written beside
// each other (the track under the name the sheet gives, when that is a plain name) and unpacked through the
// sheet. Every input must end in a game or an EArchiveError, never read outside the input, never hang, and
// never write outside its cache folder; the folder goes after each input.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "game/disc_image.h"
#include "game/game_archive.h"

namespace {

// Small bounds, so that an input that claims a huge index or inflates far is refused quickly.
orbel::game::TArchiveLimits FuzzLimits() {
  orbel::game::TArchiveLimits limits;
  limits.Entries = 1000;
  limits.EntryBytes = 16 << 20;
  limits.TotalBytes = 64 << 20;
  return limits;
}

// A folder of this input's own, in memory-backed storage where there is some; removed with what is in it.
class TInputFolder {
 public:
  TInputFolder() {
    std::string pattern =
        (std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/orbel_fuzz_XXXXXX");
    if (::mkdtemp(pattern.data())) Path = pattern;
  }
  ~TInputFolder() {
    std::error_code ignored;
    if (!Path.empty()) std::filesystem::remove_all(Path, ignored);
  }
  TInputFolder(const TInputFolder&) = delete;
  TInputFolder& operator=(const TInputFolder&) = delete;

  std::string Write(const std::string& name, std::string_view bytes) const {
    const std::string path = Path + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::string Path;
};

// Unpacks into the folder's cache; a name that climbed out of it would land beside the input's files.
void Unpack(const std::string& archive, const TInputFolder& folder, const std::string& track = {}) {
  try {
    // A game's copy is held while it lives; it goes here at once, so the folder can be removed.
    orbel::game::UnpackGame(archive, folder.Path + "/cache", false, FuzzLimits());
  } catch (const orbel::game::EArchiveError&) {
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path)) {
    const std::string name = entry.path().filename().native();
    if (name != "cache" && name != std::filesystem::path(archive).filename().native() && name != track)
      abort();
  }
}

// The track file's name as the sheet gives it, when it is one inside the folder.
std::string TrackName(std::string_view sheet) {
  try {
    const std::string file = orbel::game::ParseCueSheet(sheet, "fuzz.cue").File;
    if (!file.empty() && file.find_first_of("/\\") == std::string::npos && file != "." && file != "..")
      return file;
  } catch (const orbel::game::EArchiveError&) {
  }
  return "track.bin";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const TInputFolder folder;
  if (folder.Path.empty()) return 0;
  if (data[0] % 2 == 0) {
    try {
      orbel::game::GameFoldersIn(orbel::game::ListArchiveBytes(input, "fuzz.zip", FuzzLimits()));
    } catch (const orbel::game::EArchiveError&) {
    }
    Unpack(folder.Write("fuzz.zip", input), folder);
    return 0;
  }
  const size_t zero = input.find('\0');
  const std::string_view sheet = input.substr(0, zero);
  const std::string_view track = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
  try {
    orbel::game::GameFoldersIn(orbel::game::ListDiscImageBytes(sheet, track, "fuzz.cue", FuzzLimits()));
  } catch (const orbel::game::EArchiveError&) {
  }
  const std::string trackName = TrackName(sheet);
  folder.Write(trackName, track);
  Unpack(folder.Write("fuzz.cue", sheet), folder, trackName);
  return 0;
}
