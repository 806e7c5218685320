// SPDX-License-Identifier: GPL-3.0-or-later
// The cue sheet reader and the user data of raw CD sectors.

#include "game/disc_image.h"

#include <gtest/gtest.h>

#include <string>

#include "game/game_errors.h"
#include "tests/game/archive_tools.h"

namespace orbel::game {
namespace {

TEST(CueSheet, FindsTheFirstDataTrackOfEachMode) {
  const TCueTrack raw1 = ParseCueSheet("FILE \"My Game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
                                       "    INDEX 01 00:00:00\r\n", "game.cue");
  EXPECT_EQ(raw1.File, "My Game.bin");
  EXPECT_EQ(raw1.SectorBytes, 2352);
  EXPECT_EQ(raw1.DataOffset, 16);
  EXPECT_EQ(raw1.StartSector, 0u);
  const TCueTrack raw2 = ParseCueSheet("\xEF\xBB\xBF" "file game.bin binary\ntrack 1 mode2/2352\n", "game.cue");
  EXPECT_EQ(raw2.DataOffset, 24);
  EXPECT_EQ(raw2.File, "game.bin");
  const TCueTrack cooked = ParseCueSheet("FILE game.iso BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:02:05\n", "c");
  EXPECT_EQ(cooked.SectorBytes, 2048);
  EXPECT_EQ(cooked.DataOffset, 0);
  EXPECT_EQ(cooked.StartSector, 2u * 75 + 5);
  // Music first, then the data on a file of its own.
  const TCueTrack afterAudio = ParseCueSheet(
      "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE d.bin BINARY\nTRACK 02 MODE1/2352\n", "c");
  EXPECT_EQ(afterAudio.File, "d.bin");
}

TEST(CueSheet, RefusesWhatItCannotServeNamingTheSheet) {
  const char* const sheets[] = {
      "",
      "FILE a.bin BINARY\nTRACK 01 AUDIO\n",
      "FILE a.bin BINARY\nTRACK 01 MODE2/2336\n",
      "TRACK 01 MODE1/2352\n",
      "FILE a.wav WAVE\nTRACK 01 MODE1/2352\n",
      "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:99:00\n",
  };
  for (const char* sheet : sheets) {
    try {
      ParseCueSheet(sheet, "broken.cue");
      ADD_FAILURE() << "accepted: " << sheet;
    } catch (const EArchiveError& error) {
      EXPECT_NE(std::string(error.what()).find("broken.cue"), std::string::npos) << error.what();
    }
  }
}

std::string Pattern(size_t bytes) {
  std::string data(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>((i * 7 + i / 2048) & 0xFF);
  return data;
}

TEST(TrackData, ServesTheUserBytesOfEachSectorAcrossSectorEnds) {
  const std::string iso = Pattern(3 * 2048);
  for (const bool mode2 : {false, true}) {
    std::string bin = RawSectors(iso, mode2);
    bin += std::string(1000, '\x55');  // a sector cut short at the end is left out
    TCueTrack track;
    track.SectorBytes = 2352;
    track.DataOffset = mode2 ? 24 : 16;
    const TTrackData data(
        [&bin](uint64_t offset, char* out, size_t bytes) {
          if (offset + bytes > bin.size()) return false;
          std::copy_n(bin.data() + offset, bytes, out);
          return true;
        },
        bin.size(), track);
    ASSERT_EQ(data.Size(), iso.size());
    std::string read(iso.size() + 100, '\0');
    EXPECT_EQ(data.Read(0, read.data(), read.size()), static_cast<int64_t>(iso.size()));
    EXPECT_EQ(read.substr(0, iso.size()), iso);
    std::string across(100, '\0');
    EXPECT_EQ(data.Read(2000, across.data(), across.size()), 100);
    EXPECT_EQ(across, iso.substr(2000, 100));
    EXPECT_EQ(data.Read(iso.size(), across.data(), across.size()), 0);
  }
}

TEST(TrackData, AFailingReadIsReportedAndAStartIndexIsHonoured) {
  TCueTrack track;
  track.StartSector = 2;
  const std::string file = Pattern(5 * 2048);
  const TTrackData data(
      [&file](uint64_t offset, char* out, size_t bytes) {
        if (offset >= 4 * 2048) return false;  // the last sector is unreadable
        std::copy_n(file.data() + offset, bytes, out);
        return true;
      },
      file.size(), track);
  EXPECT_EQ(data.Size(), 3u * 2048);
  std::string read(2048, '\0');
  EXPECT_EQ(data.Read(0, read.data(), read.size()), 2048);
  EXPECT_EQ(read, file.substr(2 * 2048, 2048));
  EXPECT_EQ(data.Read(2 * 2048, read.data(), read.size()), -1);
}

}  // namespace
}  // namespace orbel::game
