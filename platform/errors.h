#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's errors: raised with the message text the user sees (UTF-8). The running engine catches them
// only around each dispatched event and around window creation, where the text goes to the error box; the
// script checker, which only reads, catches the picture loader's to list them with the other problems.
//
// EOrbelError is the root of every error the engine raises, the script's EScriptError included: the script
// library reaches this header and nothing else of this layer, so it stays header-only and
// standard-library-only.

#include <stdexcept>
#include <string>

namespace orbel {

class EOrbelError : public std::runtime_error {
 public:
  explicit EOrbelError(const std::string& message) : std::runtime_error(message) {}
};

// Raised by the movie controls and the wave channel.
class EMCIDeviceError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

}  // namespace orbel
