#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A test fixture with a temporary folder and a helper that makes files in it.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

namespace orbel::tests {

class TTempFolderTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
  // The toolkit cannot remove names that are not UTF-8; the standard library removes any.
  void TearDown() override { std::filesystem::remove_all(Root()); }
  std::string Root() const { return Dir.path().toStdString(); }
  // Makes the file `relative` (any bytes for a name, and its folders) holding `content`, one byte unless
  // given; returns its path.
  std::string Make(const std::string& relative, const std::string& content = "x") {
    const std::string path = Root() + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  QTemporaryDir Dir;
};

}  // namespace orbel::tests
