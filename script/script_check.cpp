// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/script_check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/script_encoding.h"
#include "platform/shift_jis.h"
#include "platform/texts.h"
#include "script/interpreter.h"
#include "script/script_text.h"

namespace orbel::script {

namespace {

constexpr std::string_view kLogoMovie = "LOGO01.AVI";

// Whole text that is valid UTF-8 and holds at least one multi-byte sequence: saved in the wrong encoding.
bool LooksLikeUtf8(std::string_view text) {
  bool multiByte = false;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = 1;
    if (c >= 0xF0 && c <= 0xF4)
      length = 4;
    else if (c >= 0xE0)
      length = c <= 0xEF ? 3 : 0;
    else if (c >= 0xC2)
      length = 2;
    else if (c >= 0x80)
      length = 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    multiByte = multiByte || length > 1;
    i += length;
  }
  return multiByte;
}

// Position of the first byte of `line` that is not Shift-JIS (code page 932) text, or npos.
size_t FirstInvalidShiftJis(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (platform::IsLeadByte(c)) {
      if (i + 1 >= line.size() || !platform::IsTrailByte(static_cast<unsigned char>(line[i + 1]))) return i;
      ++i;
    } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
      return i;
    }
  }
  return std::string_view::npos;
}

// Position of the first byte of `line` that is not part of a well-formed UTF-8 character, or npos.
size_t FirstInvalidUtf8(std::string_view line) {
  for (size_t i = 0; i < line.size();) {
    const size_t length = platform::Utf8CharLength(line, i);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

// Line number (from 1) of the byte at `offset`.
int LineOfOffset(std::string_view text, size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const auto lines = static_cast<int>(SplitScriptText(before).size());
  const bool atLineStart = before.empty() || before.back() == '\n' || before.back() == '\r';
  return atLineStart ? lines + 1 : lines;
}

// Checks one script in the interpreter's own terms.
class TChecker {
 public:
  TChecker(IScriptCheckFiles& files) : Files(files) {}

  std::vector<TScriptProblem> Run(std::string_view text) {
    // A UTF-8 script (the run's encoding, settled from the command line and the byte-order mark) is checked
    // as UTF-8; in a script taken for Shift-JIS, UTF-8 is a mistake of the editor that saved it.
    const bool utf8Script = platform::ScriptEncoding() == platform::seUtf8;
    if (platform::StartsWithUtf8Bom(text)) {
      if (!utf8Script)
        Report(1, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                            "the file starts with a UTF-8 byte-order mark: save it as "
                                            "Shift-JIS without one")));
      text.remove_prefix(platform::kUtf8Bom.size());
    }
    const size_t zero = text.find('\0');
    if (zero != std::string_view::npos &&
        text.find_first_not_of(std::string_view("\0\r\n\x1A", 4), zero) != std::string_view::npos)
      Report(LineOfOffset(text, zero),
             Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                       "a zero byte ends the script here: nothing after it is read")));
    Lines = SplitScriptText(text);
    const bool utf8 = !utf8Script && LooksLikeUtf8(text.substr(0, zero));
    bool utf8Reported = false;
    const char* const encodingName = utf8Script ? "UTF-8" : "Shift-JIS";
    for (size_t i = 0; i < Lines.size(); ++i) {
      const int lineNumber = static_cast<int>(i) + 1;
      const size_t bad = utf8Script ? FirstInvalidUtf8(Lines[i]) : FirstInvalidShiftJis(Lines[i]);
      const bool nonAscii = std::any_of(Lines[i].begin(), Lines[i].end(),
                                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
      if (utf8 && nonAscii && !utf8Reported) {
        Report(lineNumber, Text(ORBEL_TRANSLATE_NOOP(
                               "ScriptCheck", "the text is UTF-8: the script must be saved as Shift-JIS")));
        utf8Reported = true;
      } else if (bad != std::string_view::npos && !utf8) {
        Report(lineNumber,
               Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", "byte %1 at column %2 is not %3 text"),
                    {Hex(static_cast<unsigned char>(Lines[i][bad])), std::to_string(bad + 1), encodingName}));
      }
      CheckLine(lineNumber, Lines[i]);
    }
    CheckJumps();
    std::stable_sort(Problems.begin(), Problems.end(),
                     [](const TScriptProblem& a, const TScriptProblem& b) { return a.Line < b.Line; });
    return std::move(Problems);
  }

 private:
  struct TJump {
    int Line;
    std::string Label;
  };

  static std::string Hex(unsigned char c) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[c >> 4] + digits[c & 15];
  }

  void Report(int line, std::string message) { Problems.push_back({line, std::move(message)}); }
  void Note(int line, std::string message) { Problems.push_back({line, std::move(message), true}); }

  // One of the checker's texts in the user's language, its places filled.
  std::string Text(const char* source, std::initializer_list<std::string_view> arguments = {}) {
    return platform::FillPlaces(Files.Translate(source), arguments);
  }

  // Built by appending: "'" + text, which prepends to the temporary in place, makes GCC 12 at -O3 report a
  // false -Wrestrict inside std::string (GCC bug 105329) and fails a Release build that treats warnings as
  // errors.
  std::string Quoted(std::string_view bytes) {
    std::string quoted(1, '\'');
    quoted += Files.DecodeText(bytes);
    quoted += '\'';
    return quoted;
  }

  // The field, or a report naming what is missing (the interpreter stops the script there). `what` is one of
  // the checker's texts.
  const std::string* Field(int line, const TStringList& fields, size_t index, const char* what) {
    if (index < fields.size()) return &fields[index];
    Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", "missing %1 (field %2): the script stops here"),
                      {Text(what), std::to_string(index)}));
    return nullptr;
  }

  std::optional<int32_t> Number(int line, const TStringList& fields, size_t index, const char* what) {
    const std::string* field = Field(line, fields, index, what);
    if (!field) return std::nullopt;
    const auto value = ParseNumber(*field);
    if (!value)
      Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                             "%1 is not a number (%2, field %3): the script stops here"),
                        {Quoted(*field), Text(what), std::to_string(index)}));
    return value;
  }

  void DataFile(int line, const TStringList& fields, size_t index, TDataKind kind) {
    const std::string* name = Field(line, fields, index, ORBEL_TRANSLATE_NOOP("ScriptCheck", "file name"));
    // An empty name is a deliberate "no picture".
    if (name && !name->empty()) DataFileByName(line, *name, kind);
  }

  void DataFileByName(int line, const std::string& name, TDataKind kind) {
    const auto key = std::make_pair(name, kind);
    auto found = FileProblems.find(key);
    if (found == FileProblems.end())
      found = FileProblems.emplace(key, Files.DataFileProblem(name, kind)).first;
    if (!found->second.empty()) Report(line, found->second);
  }

  void UnknownSubcommand(int line, std::string_view command, const std::string& word) {
    Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", "unknown %1 subcommand %2: the line does nothing"),
                      {command, Quoted(word)}));
  }

  void CheckLine(int line, const std::string& text) {
    const TStringList fields = SplitCommaText(text);
    if (fields.empty()) {
      Report(line, Text(ORBEL_TRANSLATE_NOOP(
                       "ScriptCheck", "empty line: the script stops here (every line needs a command)")));
      return;
    }
    const std::string& word = fields[0];
    if (word.empty()) {
      Report(line,
             Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", "the command word is empty: the line is skipped")));
      return;
    }
    if (word[0] == '#') {
      if (word != text) LooseLabels.push_back(line);
      return;
    }
    const int code = KeywordCode(word);
    switch (code) {
      case kwDisp:
      case kwTrans:
        CheckPicture(line, fields, code);
        break;
      case kwBoard:
        CheckBoard(line, fields, text);
        break;
      case kwAvi:
      case kwPcm:
        CheckMedia(line, fields, code);
        break;
      case kwWait:
        if (const std::string* sub =
                Field(line, fields, 1, ORBEL_TRANSLATE_NOOP("ScriptCheck", "wait subcommand"))) {
          if (KeywordCode(*sub) == kwTime)
            Number(line, fields, 2, ORBEL_TRANSLATE_NOOP("ScriptCheck", "milliseconds"));
          else
            UnknownSubcommand(line, "wait", *sub);
        }
        break;
      case kwJump:
        if (const std::string* label = Field(line, fields, 1, ORBEL_TRANSLATE_NOOP("ScriptCheck", "label")))
          Jumps.push_back({line, *label});
        break;
      case kwAnime:
      case kwMidi:
      case kwCase:
      case kwEnd:
        break;  // words of the original games that this engine skips
      case -1:
        Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", "unknown command %1: the line is skipped"),
                          {Quoted(word)}));
        break;
      default:
        Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                               "%1 is a subcommand, not a command: the line is skipped"),
                          {Quoted(word)}));
        break;
    }
  }

  // disp and trans read the effect, then field 1, then the file. `code` is the command word's.
  void CheckPicture(int line, const TStringList& fields, int code) {
    const bool disp = code == kwDisp;
    const auto effect = Number(line, fields, 2, ORBEL_TRANSLATE_NOOP("ScriptCheck", "effect"));
    const auto first = Number(line, fields, 1,
                              disp ? ORBEL_TRANSLATE_NOOP("ScriptCheck", "background")
                                   : ORBEL_TRANSLATE_NOOP("ScriptCheck", "flag"));
    DataFile(line, fields, 3, dkPicture);
    if (effect && first && !TransitionKindFromScript(*effect) && fields[1] != "0")
      Report(line, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                             "effect %1 starts no transition and field 1 is not \"0\": the "
                                             "script rests here for good"),
                        {std::to_string(*effect)}));
  }

  void CheckBoard(int line, const TStringList& fields, const std::string& text) {
    const std::string* sub = Field(line, fields, 1, ORBEL_TRANSLATE_NOOP("ScriptCheck", "board subcommand"));
    if (!sub) return;
    const int code = KeywordCode(*sub);
    if (code != kwClear && code != kwOn && code != kwOff && code != kwSet)
      UnknownSubcommand(line, "board", *sub);
    if (code != kwSet) return;
    // Each field after the word is one board line, and a blank parts fields as a comma does: a text with a
    // blank in it, unquoted, comes out on two lines. Once a line is enough to point at it.
    for (const size_t index : FieldsAfterBlank(text))
      if (index >= 3) {
        Note(line,
             Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                       "the blank between %1 and %2 puts them on separate board "
                                       "lines; enclose the text in double quotes to keep it on one line"),
                  {Quoted(fields[index - 1]), Quoted(fields[index])}));
        return;
      }
  }

  void CheckMedia(int line, const TStringList& fields, int code) {
    const bool avi = code == kwAvi;
    const std::string* sub = Field(line, fields, 1,
                                   avi ? ORBEL_TRANSLATE_NOOP("ScriptCheck", "avi subcommand")
                                       : ORBEL_TRANSLATE_NOOP("ScriptCheck", "pcm subcommand"));
    if (!sub) return;
    switch (KeywordCode(*sub)) {
      case kwWait:
      case kwStop:
        return;
      case kwTime:
        Number(line, fields, 2,
               avi ? ORBEL_TRANSLATE_NOOP("ScriptCheck", "position")
                   : ORBEL_TRANSLATE_NOOP("ScriptCheck", "milliseconds"));
        return;
      case kwPlay:
        DataFile(line, fields, 2, avi ? dkMovie : dkSound);
        return;
      case kwOn:
      case kwOff:
        if (avi) return;
        break;
      case kwLogo:
        if (avi) {
          DataFileByName(line, std::string(kLogoMovie), dkMovie);
          return;
        }
        break;
      default:
        break;
    }
    UnknownSubcommand(line, avi ? "avi" : "pcm", *sub);
  }

  // A jump reaches the line after the first line whose whole text equals its label; with none it restarts.
  void CheckJumps() {
    const std::unordered_map<std::string, int32_t> targets = FirstLineByFoldedText(Lines);
    // The label of each loose label line, as written and case-blind.
    std::vector<std::pair<std::string, std::string>> looseLabels;
    for (int labelLine : LooseLabels) {
      std::string label = SplitCommaText(Lines[static_cast<size_t>(labelLine - 1)])[0];
      std::string folded = FoldCaseBlind(label);
      looseLabels.emplace_back(std::move(label), std::move(folded));
    }
    std::unordered_set<std::string> named;
    std::vector<bool> reached(Lines.size() + 1, false);
    for (const TJump& jump : Jumps) {
      const std::string folded = FoldCaseBlind(jump.Label);
      named.insert(folded);
      const auto target = targets.find(folded);
      if (target != targets.end()) {
        reached[static_cast<size_t>(target->second) + 1] = true;
        continue;
      }
      std::string message = Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                                      "jump to %1, a label that does not exist: the "
                                                      "script starts again at line 1"),
                                 {Quoted(jump.Label)});
      for (size_t k = 0; k < LooseLabels.size(); ++k)
        if (looseLabels[k].second == folded)
          message +=
              Text(ORBEL_TRANSLATE_NOOP("ScriptCheck", " (line %1 has it with blanks or fields around it)"),
                   {std::to_string(LooseLabels[k])});
      Report(jump.Line, message);
    }
    for (size_t k = 0; k < LooseLabels.size(); ++k) {
      const int labelLine = LooseLabels[k];
      if (reached[static_cast<size_t>(labelLine)]) continue;
      // A "#" line that no jump names is a comment, blanks or not.
      if (named.count(looseLabels[k].second))
        Report(labelLine, Text(ORBEL_TRANSLATE_NOOP("ScriptCheck",
                                                    "label %1 has blanks or fields around it: a jump "
                                                    "reaches a label only through the line's whole "
                                                    "text, so nothing reaches this one"),
                               {Quoted(looseLabels[k].first)}));
    }
  }

  IScriptCheckFiles& Files;
  TStringList Lines;
  std::vector<TJump> Jumps;
  std::vector<int> LooseLabels;  // label lines whose text is more than the label
  std::map<std::pair<std::string, TDataKind>, std::string> FileProblems;
  std::vector<TScriptProblem> Problems;
};

}  // namespace

std::vector<TScriptProblem> CheckScript(std::string_view text, IScriptCheckFiles& files) {
  return TChecker(files).Run(text);
}

}  // namespace orbel::script
