// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/data_files.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace orbel::app {
namespace {

class DataFiles : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
  std::string Root() const { return Dir.path().toStdString(); }
  std::string Make(const std::string& relative) {
    const std::string path = Root() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "x";
    return path;
  }
  QTemporaryDir Dir;
};

TEST_F(DataFiles, DataFolderFirstThenCurrentDirectory) {
  Make("SCRIPT.TXT");
  EXPECT_EQ(FindDataFileIn(Root(), "SCRIPT.TXT"), Root() + "/SCRIPT.TXT");
  Make("Data/SCRIPT.TXT");
  EXPECT_EQ(FindDataFileIn(Root(), "SCRIPT.TXT"), Root() + "/Data/SCRIPT.TXT");
}

TEST_F(DataFiles, NothingFoundFoldersAndEmptyNames) {
  EXPECT_EQ(FindDataFileIn(Root(), "bg"), "");
  EXPECT_EQ(FindDataFileIn(Root(), ""), "");
  std::filesystem::create_directories(Root() + "/Data/pics");
  EXPECT_EQ(FindDataFileIn(Root(), "pics"), "");
  // No extension is added.
  Make("Data/bg.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "bg"), "");
}

TEST_F(DataFiles, SubfoldersWithEitherSeparator) {
  Make("Data/pics/a.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics/a.bmp"), Root() + "/Data/pics/a.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics\\a.bmp"), Root() + "/Data/pics/a.bmp");
}

TEST_F(DataFiles, LetterCaseIsIgnoredWhenNoExactMatch) {
  Make("data/Pics/BG01.BMP");
  EXPECT_EQ(FindDataFileIn(Root(), "pics\\bg01.bmp"), Root() + "/data/Pics/BG01.BMP");
  // A case-blind match in the data folder still wins over an exact one in the current directory.
  Make("pics/bg01.bmp");
  EXPECT_EQ(FindDataFileIn(Root(), "pics/bg01.bmp"), Root() + "/data/Pics/BG01.BMP");
}

TEST_F(DataFiles, BackslashTrailBytesAreNotSeparators) {
  // 0x95 0x5C is one double-byte character whose trail byte is a backslash.
  const std::string name = "\x95\x5C.bmp";
  Make("Data/" + name);
  EXPECT_EQ(FindDataFileIn(Root(), name), Root() + "/Data/" + name);
  const std::string upper = "\x95\x5C.BMP";
  EXPECT_EQ(FindDataFileIn(Root(), upper), Root() + "/Data/" + name);
}

TEST_F(DataFiles, AbsoluteNamesStayInsideTheGameFolder) {
  Make("Data/etc/passwd");
  EXPECT_EQ(FindDataFileIn(Root(), "/etc/passwd"), Root() + "/Data//etc/passwd");
}

}  // namespace
}  // namespace orbel::app
