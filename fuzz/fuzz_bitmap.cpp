// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap files from arbitrary bytes: the reader on every variant, then the picture commands that compose the
// result onto the stage (an opaque copy and a key-colour overlay), as the window runs them.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/input_file.h"
#include "platform/errors.h"
#include "screen/bitmap_file.h"
#include "screen/screen.h"

namespace {

using namespace orbel::screen;
using orbel::EOrbelError;

// The commands find the picture through the data-file lookup, which names the input's file.
class TFuzzScreenHost : public IScreenHost {
 public:
  std::string FindDataFile(const std::string& name) override {
    return name.empty() ? std::string() : Input.Path;
  }
  void PostStep() override {}
  void SurfaceChanged(const QRect&) override {}

  const orbel::fuzz::TInputFile Input{".bmp"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzScreenHost host;
  static TScreen* screen = [] {
    auto* created = new TScreen(host);
    created->CreateBuffers();
    return created;
  }();
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  try {
    const QImage picture = DecodeBitmap(bytes, "fuzz.bmp");
    if (picture.format() != QImage::Format_RGB32) __builtin_trap();  // every caller relies on it
  } catch (const EOrbelError&) {
    return 0;  // the commands would fail the same way
  }
  if (!host.Input.Write(data, size)) return 0;
  try {
    screen->DispPicture("picture", orbel::screen::smBlack, std::nullopt);
    screen->TransPicture("picture", std::nullopt);
  } catch (const EOrbelError&) {
    __builtin_trap();  // the file decoded above
  }
  return 0;
}
