// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/disc_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "game/game_errors.h"
#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// The words of one sheet line; a double-quoted word keeps its blanks (file names do).
std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      const size_t end = close == std::string_view::npos ? line.size() : close;
      word = std::string(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

// mm:ss:ff, 75 frames (sectors) a second.
std::optional<uint64_t> ParseMsf(const std::string& text) {
  unsigned minutes = 0, seconds = 0, frames = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%3u:%2u:%2u%c", &minutes, &seconds, &frames, &tail) != 3)
    return std::nullopt;
  if (seconds >= 60 || frames >= 75) return std::nullopt;
  return (uint64_t{minutes} * 60 + seconds) * 75 + frames;
}

}  // namespace

TCueTrack ParseCueSheet(std::string_view text, const std::string& sheetName) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string file, fileType;
  std::optional<TCueTrack> track;
  std::string unsupported;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string> words = Words(text.substr(start, end - start));
    start = end + 1;
    if (words.empty()) continue;
    const std::string keyword = Upper(words[0]);
    if (keyword == "FILE" && words.size() >= 2) {
      if (track) break;  // the data track's own file ends at the next FILE line
      file = words[1];
      fileType = words.size() >= 3 ? Upper(words[2]) : std::string();
    } else if (keyword == "TRACK" && words.size() >= 3) {
      if (track) break;
      const std::string mode = Upper(words[2]);
      TCueTrack found;
      if (mode == "MODE1/2048") {
        found.SectorBytes = 2048;
        found.DataOffset = 0;
      } else if (mode == "MODE1/2352") {
        found.SectorBytes = 2352;
        found.DataOffset = 16;
      } else if (mode == "MODE2/2352") {
        found.SectorBytes = 2352;
        found.DataOffset = 24;
      } else {
        if (mode != "AUDIO" && unsupported.empty()) unsupported = words[2];
        continue;
      }
      if (file.empty())
        throw EArchiveError(
            Tr("Archive", "%1: track %2 comes before any FILE line").Arg(sheetName).Arg(words[1]));
      if (fileType != "BINARY")
        throw EArchiveError(
            Tr("Archive", "%1: the data track's file is not BINARY (%2)").Arg(sheetName).Arg(fileType));
      found.File = file;
      track = found;
    } else if (keyword == "INDEX" && words.size() >= 3 && track && words[1] == "01") {
      const auto sector = ParseMsf(words[2]);
      if (!sector)
        throw EArchiveError(
            Tr("Archive", "%1: INDEX 01 %2 is not a time mm:ss:ff").Arg(sheetName).Arg(words[2]));
      track->StartSector = *sector;
    }
  }
  if (!track) {
    if (!unsupported.empty())
      throw EArchiveError(
          Tr("Archive",
             "%1: track mode %2 is not read; data tracks of MODE1/2048, MODE1/2352 or MODE2/2352 are")
              .Arg(sheetName)
              .Arg(unsupported));
    throw EArchiveError(
        Tr("Archive", "%1 names no data track (TRACK nn MODE1/2352 or the like)").Arg(sheetName));
  }
  return *track;
}

TTrackData::TTrackData(TReadAt readAt, uint64_t fileBytes, const TCueTrack& track)
    : ReadAt(std::move(readAt)), Track(track) {
  const auto sectorBytes = static_cast<uint64_t>(Track.SectorBytes);
  const uint64_t all = fileBytes / sectorBytes;
  Sectors = all > Track.StartSector ? all - Track.StartSector : 0;
}

int64_t TTrackData::Read(uint64_t at, char* out, size_t bytes) const {
  size_t done = 0;
  const auto sectorBytes = static_cast<uint64_t>(Track.SectorBytes);
  while (done < bytes && at < Size()) {
    const uint64_t sector = at / kUserBytes;
    const uint64_t within = at % kUserBytes;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(kUserBytes - within, bytes - done));
    const uint64_t offset =
        (Track.StartSector + sector) * sectorBytes + static_cast<uint64_t>(Track.DataOffset) + within;
    if (!ReadAt(offset, out + done, take)) return -1;
    done += take;
    at += take;
  }
  return static_cast<int64_t>(done);
}

}  // namespace orbel::game
