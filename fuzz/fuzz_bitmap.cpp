// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap files from arbitrary bytes: the reader on every variant, then the picture commands that compose the
// result onto the stage (an opaque copy and a key-colour overlay), as the window runs them.

#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "screen/bitmap_file.h"
#include "screen/screen.h"

namespace {

using namespace orbel::screen;
using orbel::EOrbelError;

// The commands find the picture through the data-file lookup, so it is written to a file of this process's
// own in memory-backed storage.
class TFuzzScreenHost : public IScreenHost {
 public:
  TFuzzScreenHost()
      : Path((QFile::exists("/dev/shm") ? std::string("/dev/shm") : std::string("/tmp")) + "/orbel_fuzz_" +
             std::to_string(getpid()) + ".bmp") {}
  ~TFuzzScreenHost() override { std::remove(Path.c_str()); }
  std::string FindDataFile(const std::string& name) override { return name.empty() ? std::string() : Path; }
  void PostStep() override {}
  void SurfaceChanged(const QRect&) override {}
  bool Write(const uint8_t* data, size_t size) {
    QFile file(QString::fromStdString(Path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
           static_cast<qint64>(size);
  }

  const std::string Path;
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
  if (!host.Write(data, size)) return 0;
  try {
    screen->DispPicture("picture", orbel::screen::smBlack, std::nullopt);
    screen->TransPicture("picture", std::nullopt);
  } catch (const EOrbelError&) {
    __builtin_trap();  // the file decoded above
  }
  return 0;
}
