#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The script's text rules: lines, comma-text fields, numbers, command words and labels. Text stays in the
// script's own bytes throughout, code page 932 or UTF-8 as the run's script encoding says
// (platform/script_encoding.h); nothing here decodes it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orbel::script {

using TStringList = std::vector<std::string>;

// The command words; a word's code is its position.
inline constexpr std::string_view kKeywordCommaText =
    "disp,trans,board,anime,avi,pcm,midi,wait,jump,case,time,clear,on,off,set,end,play,stop,logo";

enum TKeywordCode : int {
  kwDisp = 0,
  kwTrans = 1,
  kwBoard = 2,
  kwAnime = 3,
  kwAvi = 4,
  kwPcm = 5,
  kwMidi = 6,
  kwWait = 7,
  kwJump = 8,
  kwCase = 9,
  kwTime = 10,
  kwClear = 11,
  kwOn = 12,
  kwOff = 13,
  kwSet = 14,
  kwEnd = 15,
  kwPlay = 16,
  kwStop = 17,
  kwLogo = 18,
};

// Cuts a whole file into lines: CR LF, a lone CR and a lone LF each end a line (LF CR is two ends); a zero
// byte ends the text; a line end at the very end adds no empty line; nothing is trimmed but a UTF-8
// byte-order mark at the very start, which marks the encoding and is no part of the first line.
TStringList SplitScriptText(std::string_view text);

// Cuts one line into fields by the comma-text rule: blanks (bytes 1..32) and commas separate, double quotes
// enclose a field ("" inside stands for one quote), code page 932 double-byte characters are stepped over
// whole (in a UTF-8 script every byte is looked at: none of a multi-byte character is a separator).
TStringList SplitCommaText(std::string_view line);
// The positions (from 0) of the fields of `line` that blanks alone parted from the field before, without a
// comma: where an unquoted blank split what may have been meant as one field.
std::vector<size_t> FieldsAfterBlank(std::string_view line);

// A signed 32-bit number: [+|-]decimal digits, or $hex digits. Anything else, or a magnitude above the
// largest signed 32-bit value, gives nothing.
std::optional<int32_t> ParseNumber(std::string_view field);

// Limits against hostile or damaged scripts; the games of the era have scripts of a few hundred kilobytes and
// lines of a few dozen characters, so neither is ever near these.
// The whole file: it is read into memory at start-up and kept as lines, with a label table beside them.
inline constexpr size_t kMaxScriptBytes = 8 * 1024 * 1024;
// One line: its text goes to the status bar, the trace and the board's layout at every step.
inline constexpr size_t kMaxScriptLineBytes = 64 * 1024;

// The case-blind form of a text: equal forms mean SameTextCaseBlind.
std::string FoldCaseBlind(std::string_view text);

// Equality without regard to letter case (the Latin, full-width Latin, Greek and Cyrillic letters code page 932
// writes in both cases, in either encoding; a code page 932 character is folded whole, so a trail byte is never
// taken for a letter; any other character compares by its bytes).
bool SameTextCaseBlind(std::string_view a, std::string_view b);

// Position of the first entry equal to `word` without regard to case, or -1.
int IndexOfCaseBlind(const TStringList& list, std::string_view word);

// The code of the command word `word` (its position in kKeywordCommaText) without regard to case, or -1.
int KeywordCode(std::string_view word);

// Each line's case-blind text (FoldCaseBlind) and the first line, from 0, that has it: the table a jump
// finds its label in, so that a jump costs the same in a long script as in a short one.
std::unordered_map<std::string, int32_t> FirstLineByFoldedText(const TStringList& lines);

}  // namespace orbel::script
