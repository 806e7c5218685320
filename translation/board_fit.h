#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The board's room and how a translated text takes it. The board (controls/board.*) shows its text in a
// 548-pixel-wide area in an 18-pixel fixed-pitch face, three lines high; it neither wraps nor shortens a
// line, so what runs past the right edge or below the third line is lost. A translation, unlike the script's
// own text, is broken where it is too wide: at a blank, never inside a word.

#include <QString>
#include <QStringList>
#include <string_view>

namespace orbel::translation {

// Half-width characters (9 pixels) a board line holds; a full-width character (18 pixels) takes two.
inline constexpr int kBoardColumns = 60;
// Lines the board shows.
inline constexpr int kBoardLines = 3;

// How many columns `text` takes on the board: two for each character the board's face draws full-width
// (those code page 932 writes in two bytes, which the face draws full-width whatever their script, and the
// wide characters of other scripts: CJK ideographs, Hangul), none for a combining mark, one for any other.
int BoardColumns(QStringView text);

// The board lines a translation shows as: its own lines (it is shown as it stands: blanks, commas and
// quotes are text), each broken at blanks into lines that fit the board's width when it is wider and
// `breakAtBlanks` is set. The blanks at a break are dropped; a word wider than the board stays whole. Lines
// beyond the board's room are kept: the board leaves them out, the checker reports them.
QStringList BoardLinesOf(const QString& translation, bool breakAtBlanks);

// Whether a catalogue's language breaks lines at blanks: not Japanese or Chinese, which write no blanks
// between words and keep the board's own breaking.
bool BreaksAtBlanks(std::string_view language);

}  // namespace orbel::translation
