#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The error a game archive or disc image raises: its message names the file and says what is wrong with it.

#include "platform/errors.h"

namespace orbel::game {

class EArchiveError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

// The archive holds several games and the player chose none of them: nothing to report, nothing to play.
class EGameNotChosen : public EArchiveError {
 public:
  using EArchiveError::EArchiveError;
};

// The unpack was stopped before it ended (the player cancelled it, or a signal asked the program to end):
// nothing of it is left, and there is nothing to play.
class EUnpackCancelled : public EGameNotChosen {
 public:
  using EGameNotChosen::EGameNotChosen;
};

}  // namespace orbel::game
