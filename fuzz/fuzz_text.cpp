// SPDX-License-Identifier: GPL-3.0-or-later
// Script text from arbitrary bytes, read as Shift-JIS and as UTF-8: the decoders, the conversions for the
// trace and error texts, and the message board laying the lines out (each input line a board line) on its
// picture and its reveal image in either encoding.

#include <QApplication>
#include <QImage>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "controls/board.h"
#include "platform/text_codec.h"

namespace {

using namespace orbel;

// A board that wraps nothing shows at most this many lines; more only cost time.
constexpr size_t kMaxBoardLines = 8;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The board is a widget: it needs the application object, on a platform without a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static controls::TBoard* board = [] {
    // The window's board settings, on a plain picture of the stored one's size (the stored one lives with
    // the program, not with the controls).
    QImage picture(560, 65, QImage::Format_RGB32);
    picture.fill(Qt::white);
    auto* created = new controls::TBoard;
    controls::ConfigureMsgBoard(*created, picture);
    return created;
  }();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const QString text = platform::DecodeSjis(bytes);
  if (text.size() > static_cast<qsizetype>(size)) __builtin_trap();  // one character per byte at most
  platform::SjisToUtf8(bytes);
  platform::EncodeSjis(text);
  // A character takes at most two UTF-16 units and four bytes, a malformed byte one unit; what goes to
  // standard output is always well-formed.
  const QString utf8Text = platform::DecodeUtf8(bytes);
  if (utf8Text.size() > static_cast<qsizetype>(size)) __builtin_trap();
  if (!platform::IsUtf8(utf8Text.toStdString())) __builtin_trap();

  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= size && lines.size() < kMaxBoardLines) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = size;
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  for (const platform::TScriptEncoding encoding : {platform::seCp932, platform::seUtf8}) {
    platform::SetScriptEncoding(encoding);
    if (!platform::IsUtf8(platform::ScriptTextToUtf8(bytes))) __builtin_trap();
    // The board shows the text decoded, as the run hands it over.
    QStringList shown;
    for (const std::string& line : lines) shown << platform::DecodeScriptText(line);
    board->SetText(shown);
    board->RevealTick();
    board->RepaintNow();
  }
  platform::SetScriptEncoding(platform::seCp932);
  return 0;
}
