#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs part of a test with the script encoding set as a UTF-8 game would have it, and puts the default back
// however the test ends: the setting is process-wide, and the next test expects code page 932.

#include "platform/script_encoding.h"

namespace orbel::tests {

class TScriptEncodingScope {
 public:
  explicit TScriptEncodingScope(platform::TScriptEncoding encoding) { platform::SetScriptEncoding(encoding); }
  ~TScriptEncodingScope() { platform::SetScriptEncoding(platform::seCp932); }
  TScriptEncodingScope(const TScriptEncodingScope&) = delete;
  TScriptEncodingScope& operator=(const TScriptEncodingScope&) = delete;
};

}  // namespace orbel::tests
