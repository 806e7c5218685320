#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A test fixture whose temporary folder is the game folder: pictures and the script are made in it by name.
// Header-only: what includes it links the screen library.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_pictures.h"

namespace orbel::tests {

class TTempGameFolderTest : public TTempFolderTest {
 protected:
  // Saves a full-screen picture of one colour as the bitmap file `relative` (any bytes for a name), making
  // its folders.
  void Picture(const std::string& relative, QRgb colour) {
    std::filesystem::create_directories(std::filesystem::path(Root() + "/" + relative).parent_path());
    ASSERT_TRUE(SaveScreenPicture(Root() + "/" + relative, colour));
  }
  void Script(const std::string& text) { Make("Data/SCRIPT.TXT", text); }
};

}  // namespace orbel::tests
