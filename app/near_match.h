#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Hints for a data file the lookup does not find: authors copy games between systems, and names come out in
// another encoding, letter case, width or normalisation form, or lose their extension.

#include <string>

namespace orbel::app {

// A file under `directory` whose name is near to the last part of `name` (Shift-JIS bytes as written in the
// script): equal after decoding, Unicode compatibility normalisation and case folding, or equal but for the
// extension. Its path relative to `directory` (UTF-8), or empty when there is none.
std::string NearDataFile(const std::string& directory, const std::string& name);

}  // namespace orbel::app
