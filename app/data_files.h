#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The data-file lookup every command uses: the Data folder under the current directory first, then the
// current directory itself.

#include <string>

namespace orbel::app {

// Full path of the data file `name` (Shift-JIS bytes as written in the script), or empty when it exists in
// neither place. A folder never counts and no extension is added. The games were made for a file system that
// ignores letter case and separates folders with a backslash, so a name that does not match exactly is
// matched again with backslashes as separators and each path component compared without regard to case.
std::string FindDataFile(const std::string& name);

// The same lookup under an explicit directory (tests).
std::string FindDataFileIn(const std::string& directory, const std::string& name);

}  // namespace orbel::app
