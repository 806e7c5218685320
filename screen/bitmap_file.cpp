// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/bitmap_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "screen/raster.h"

namespace orbel::screen {

namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr qint64 kInfoHeaderSize = 40;
// The whole file is read into memory: the largest picture accepted, 4096x4096 at 32 bits, takes 64 MB of
// pixel data, so a larger file cannot be a picture worth reading.
constexpr qint64 kMaxFileBytes = 128LL * 1024 * 1024;

enum TCompression : uint32_t { bcRgb = 0, bcRle8 = 1, bcRle4 = 2, bcBitFields = 3, bcJpeg = 4, bcPng = 5 };

[[noreturn]] void Fail(const std::string& name, const char* reason) {
  throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(name) + " はビットマップとして読めません (" + reason +
                    ")");
}

// What the headers say, checked against the file's real size.
struct THeader {
  int Width = 0;
  int Height = 0;  // always positive; TopDown tells the row order
  bool TopDown = false;
  int BitCount = 0;
  uint32_t Compression = bcRgb;
  std::array<uint32_t, 3> Masks{};  // red, green, blue of 16 and 32-bit pixels; defaults if the file has none
  std::array<QRgb, 256> Palette{};  // entries the file lacks stay black
  qint64 DataOffset = 0;
};

class TBytes {
 public:
  explicit TBytes(const QByteArray& bytes)
      : Data(reinterpret_cast<const uchar*>(bytes.constData())), Size(bytes.size()) {}
  bool Has(qint64 offset, qint64 count) const { return offset >= 0 && count >= 0 && offset + count <= Size; }
  uint8_t U8(qint64 at) const { return Data[at]; }
  uint16_t U16(qint64 at) const { return qFromLittleEndian<uint16_t>(Data + at); }
  uint32_t U32(qint64 at) const { return qFromLittleEndian<uint32_t>(Data + at); }
  int32_t I32(qint64 at) const { return qFromLittleEndian<int32_t>(Data + at); }
  const uchar* At(qint64 at) const { return Data + at; }
  qint64 Length() const { return Size; }

 private:
  const uchar* Data;
  qint64 Size;
};

qint64 RowBytes(qint64 width, int bitCount) {
  return (width * bitCount + 7) / 8;
}
qint64 Stride(qint64 width, int bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

// The 14-byte file header and the 40-byte info header at the start of `out`, for a file of `fileSize` bytes
// whose pixel data starts at `offBits`. A negative `height` stores the rows top-down.
void WriteHeaders(uchar* out, qint64 fileSize, qint64 offBits, int width, int height, int bitCount,
                  uint32_t compression, qint64 dataSize, uint32_t coloursUsed) {
  out[0] = 'B';
  out[1] = 'M';
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(fileSize), out + 2);
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(offBits), out + 10);
  uchar* info = out + kFileHeaderSize;
  qToLittleEndian<uint32_t>(kInfoHeaderSize, info);
  qToLittleEndian<int32_t>(width, info + 4);
  qToLittleEndian<int32_t>(height, info + 8);
  qToLittleEndian<uint16_t>(1, info + 12);
  qToLittleEndian<uint16_t>(static_cast<uint16_t>(bitCount), info + 14);
  qToLittleEndian<uint32_t>(compression, info + 16);
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(dataSize), info + 20);
  qToLittleEndian<uint32_t>(coloursUsed, info + 32);
}

THeader ReadHeader(const TBytes& file, const std::string& name) {
  if (!file.Has(0, kFileHeaderSize + 12)) Fail(name, "ファイルが短すぎます");
  if (file.U8(0) != 'B' || file.U8(1) != 'M') Fail(name, "ビットマップの形式ではありません");
  qint64 offBits = file.U32(10);
  const qint64 headerSize = file.U32(kFileHeaderSize);
  const qint64 h0 = kFileHeaderSize;

  THeader header;
  qint64 width = 0, height = 0, clrUsed = 0;
  int planes = 0;
  bool os2 = false;  // OS/2 headers: palette entries of 3 bytes (1.x) and no bit fields
  qint64 paletteEntrySize = 4;
  if (headerSize == 12) {
    os2 = true;
    paletteEntrySize = 3;
    width = file.U16(h0 + 4);
    height = file.U16(h0 + 6);
    planes = file.U16(h0 + 8);
    header.BitCount = file.U16(h0 + 10);
  } else {
    const bool windows =
        headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124;
    // OS/2 2.x headers are 16 to 64 bytes long; fields past the given length count as zero.
    os2 = !windows && headerSize >= 16 && headerSize <= 64;
    if (!windows && !os2) Fail(name, "ヘッダーの大きさが不正です");
    if (!file.Has(h0, headerSize)) Fail(name, "ファイルが短すぎます");
    auto field32 = [&](qint64 offset) -> uint32_t {
      return offset + 4 <= headerSize ? file.U32(h0 + offset) : 0;
    };
    width = file.I32(h0 + 4);
    height = file.I32(h0 + 8);
    planes = file.U16(h0 + 12);
    header.BitCount = file.U16(h0 + 14);
    header.Compression = field32(16);
    clrUsed = field32(32);
  }

  if (planes != 1) Fail(name, "プレーン数が不正です");
  if (height < 0) {
    header.TopDown = true;
    height = -height;
  }
  if (width <= 0 || height <= 0) Fail(name, "幅または高さが不正です");
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
    Fail(name, "画像が大きすぎます");
  header.Width = static_cast<int>(width);
  header.Height = static_cast<int>(height);

  // A Windows header may wrap a whole JPEG or PNG file, with a bit count of 0: name the real reason rather
  // than the bit count. In OS/2 headers these two numbers stand for other compressions.
  if (!os2 && header.Compression == bcJpeg) Fail(name, "JPEG で圧縮された画像には対応していません");
  if (!os2 && header.Compression == bcPng) Fail(name, "PNG で圧縮された画像には対応していません");

  const int bpp = header.BitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Fail(name, "色数が不正です");
  switch (header.Compression) {
    case bcRgb:
      break;
    case bcRle8:
    case bcRle4:
      if (bpp != (header.Compression == bcRle8 ? 8 : 4)) Fail(name, "圧縮形式と色数が合いません");
      if (header.TopDown) Fail(name, "圧縮された画像は上下逆にできません");
      break;
    case bcBitFields:
      if (os2 || (bpp != 16 && bpp != 32)) Fail(name, "この圧縮形式には対応していません");
      break;
    default:
      Fail(name, "この圧縮形式には対応していません");
  }

  qint64 paletteStart = h0 + headerSize;
  if (header.Compression == bcBitFields) {
    const qint64 at = headerSize >= 52 ? h0 + 40 : paletteStart;
    if (!file.Has(at, 12)) Fail(name, "ファイルが短すぎます");
    for (int i = 0; i < 3; ++i) header.Masks[i] = file.U32(at + 4 * i);
    if (headerSize < 52) paletteStart += 12;
    if (header.Masks[0] == 0 && header.Masks[1] == 0 && header.Masks[2] == 0)
      Fail(name, "ビットフィールドが不正です");
  } else if (bpp == 16) {
    header.Masks = {0x7C00, 0x03E0, 0x001F};
  } else if (bpp == 32) {
    header.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  }

  // Some writers leave bfOffBits at 0: the data then follows the palette.
  qint64 paletteCount = 0;
  if (bpp <= 8) {
    const qint64 maxColours = qint64(1) << bpp;
    if (clrUsed > maxColours) Fail(name, "パレットの大きさが不正です");
    paletteCount = clrUsed != 0 ? clrUsed : maxColours;
  }
  if (offBits == 0) offBits = paletteStart + paletteCount * paletteEntrySize;
  if (offBits < paletteStart || offBits > file.Length()) Fail(name, "データの位置が不正です");
  // A palette that runs into the pixel data is cut there.
  paletteCount = std::min(paletteCount, (offBits - paletteStart) / paletteEntrySize);
  for (qint64 i = 0; i < paletteCount; ++i) {
    const qint64 at = paletteStart + i * paletteEntrySize;
    header.Palette[i] = qRgb(file.U8(at + 2), file.U8(at + 1), file.U8(at));
  }
  header.DataOffset = offBits;

  if (header.Compression == bcRgb || header.Compression == bcBitFields) {
    // The last row's padding may be missing; anything less is a cut-off file.
    const qint64 need = Stride(width, bpp) * (height - 1) + RowBytes(width, bpp);
    if (need > file.Length() - offBits) Fail(name, "データが途中で切れています");
  }
  return header;
}

// RLE4/RLE8, decoded here: pixels the stream skips (delta, early end of line) take palette index 0.
QImage DecodeRle(const TBytes& file, const THeader& header, const std::string& name) {
  const int w = header.Width, h = header.Height;
  const bool rle8 = header.Compression == bcRle8;
  std::vector<uint8_t> indices(static_cast<size_t>(w) * h, 0);  // row 0 is the bottom row
  qint64 pos = header.DataOffset;
  const qint64 end = file.Length();
  int x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (y >= h) Fail(name, "圧縮データが画像の外にはみ出しています");
    if (x < w) indices[static_cast<size_t>(y) * w + x] = index;
    x = std::min(x + 1, w);
  };
  for (;;) {
    if (pos + 2 > end) Fail(name, "データが途中で切れています");
    const uint8_t count = file.U8(pos), value = file.U8(pos + 1);
    pos += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(rle8 ? value : (k & 1 ? value & 0x0F : value >> 4));
    } else if (value == 0) {
      x = 0;
      y = std::min(y + 1, h);
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (pos + 2 > end) Fail(name, "データが途中で切れています");
      x = std::min(x + file.U8(pos), w);
      y = std::min(y + file.U8(pos + 1), h);
      pos += 2;
    } else {
      const qint64 bytes = rle8 ? value : (value + 1) / 2;
      if (pos + bytes > end) Fail(name, "データが途中で切れています");
      for (int k = 0; k < value; ++k) {
        const uint8_t b = file.U8(pos + (rle8 ? k : k / 2));
        put(rle8 ? b : (k & 1 ? b & 0x0F : b >> 4));
      }
      pos = std::min(pos + bytes + (bytes & 1), end);  // absolute runs are padded to a 16-bit word
    }
  }

  QImage picture(w, h, kRasterFormat);
  for (int row = 0; row < h; ++row) {
    auto* d = reinterpret_cast<QRgb*>(picture.scanLine(h - 1 - row));
    const uint8_t* s = indices.data() + static_cast<size_t>(row) * w;
    for (int i = 0; i < w; ++i) d[i] = header.Palette[s[i]];
  }
  return picture;
}

// One colour channel of a 16 or 32-bit pixel, brought to 0-255 as v * 255 / max, rounded: a plain shift
// would leave a 5-bit channel at 248 for full intensity, and a channel wider than 8 bits at nothing.
class TChannel {
 public:
  explicit TChannel(uint32_t mask) {
    if (mask == 0) {  // the file leaves this channel out: it stays 0
      Table.assign(1, 0);
      return;
    }
    Shift = std::countr_zero(mask);
    Max = mask >> Shift;
    // Up to 16 bits (every 16-bit file, and the usual 32-bit layouts) a table is cheaper than a division per
    // pixel; wider channels only come from odd 32-bit masks and are worked out each time.
    if (Max <= 0xFFFF) {
      Table.resize(Max + 1);
      for (uint32_t v = 0; v <= Max; ++v) Table[v] = Scale(v);
    }
  }

  uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel >> Shift) & Max;
    return Table.empty() ? Scale(v) : Table[v];
  }

 private:
  uint8_t Scale(uint32_t v) const {
    return static_cast<uint8_t>((uint64_t(v) * 510 + Max) / (uint64_t(Max) * 2));
  }

  int Shift = 0;
  uint32_t Max = 0;
  std::vector<uint8_t> Table;
};

template <int kBytes>
void DecodeMaskedRows(const TBytes& file, const THeader& header, QImage& picture) {
  const TChannel red(header.Masks[0]), green(header.Masks[1]), blue(header.Masks[2]);
  const int w = header.Width, h = header.Height;
  const qint64 stride = Stride(w, kBytes * 8);
  for (int row = 0; row < h; ++row) {
    // ReadHeader made sure every row's pixels are in the file, the last row's padding aside.
    const uchar* s = file.At(header.DataOffset + stride * row);
    auto* d = reinterpret_cast<QRgb*>(picture.scanLine(header.TopDown ? row : h - 1 - row));
    for (int x = 0; x < w; ++x, s += kBytes) {
      const uint32_t pixel = kBytes == 2 ? qFromLittleEndian<uint16_t>(s) : qFromLittleEndian<uint32_t>(s);
      d[x] = qRgb(red(pixel), green(pixel), blue(pixel));
    }
  }
}

// 16 and 32-bit pixels, with the file's masks or the default ones ReadHeader filled in.
QImage DecodeMasked(const TBytes& file, const THeader& header, const std::string& name) {
  QImage picture(header.Width, header.Height, kRasterFormat);
  if (picture.isNull()) Fail(name, "メモリが足りません");
  if (header.BitCount == 16)
    DecodeMaskedRows<2>(file, header, picture);
  else
    DecodeMaskedRows<4>(file, header, picture);
  return picture;
}

// The other uncompressed data goes to Qt's reader in a plain file with a 40-byte header and a full palette,
// whatever header the file had: Qt then never sees a variant it reads differently.
QImage DecodeWithQt(const TBytes& file, const THeader& header, const std::string& name) {
  const int bpp = header.BitCount;
  const qint64 stride = Stride(header.Width, bpp);
  const qint64 dataSize = stride * header.Height;
  const qint64 paletteSize = bpp <= 8 ? (qint64(4) << bpp) : 0;
  const qint64 offBits = kFileHeaderSize + kInfoHeaderSize + paletteSize;

  QByteArray plain(offBits + dataSize, '\0');
  auto* out = reinterpret_cast<uchar*>(plain.data());
  WriteHeaders(out, plain.size(), offBits, header.Width, header.TopDown ? -header.Height : header.Height, bpp,
               bcRgb, dataSize, bpp <= 8 ? (1u << bpp) : 0);
  uchar* after = out + kFileHeaderSize + kInfoHeaderSize;
  for (qint64 i = 0; i < paletteSize / 4; ++i) {
    after[4 * i] = static_cast<uchar>(qBlue(header.Palette[i]));
    after[4 * i + 1] = static_cast<uchar>(qGreen(header.Palette[i]));
    after[4 * i + 2] = static_cast<uchar>(qRed(header.Palette[i]));
  }
  const qint64 available = std::min(dataSize, file.Length() - header.DataOffset);
  std::copy_n(file.At(header.DataOffset), available, out + offBits);

  QBuffer buffer(&plain);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  reader.setDecideFormatFromContent(false);
  QImage picture = reader.read();
  if (picture.isNull() || picture.width() != header.Width || picture.height() != header.Height)
    Fail(name, "画像データが読めません");
  return picture.convertToFormat(kRasterFormat);
}

}  // namespace

QImage DecodeBitmap(const QByteArray& bytes, const std::string& name) {
  const TBytes file(bytes);
  const THeader header = ReadHeader(file, name);
  if (header.Compression == bcRle8 || header.Compression == bcRle4) return DecodeRle(file, header, name);
  if (header.BitCount == 16 || header.BitCount == 32) return DecodeMasked(file, header, name);
  return DecodeWithQt(file, header, name);
}

QImage LoadBitmapFile(const std::string& path) {
  QFile file;
  if (!platform::OpenFile(file, path, QIODevice::ReadOnly)) Fail(path, "ファイルが開けません");
  if (file.size() > kMaxFileBytes) Fail(path, "ファイルが大きすぎます");
  // Read by the size found above: a read up to the limit would reserve the whole limit for every picture.
  const QByteArray bytes = file.read(file.size());
  if (file.error() != QFileDevice::NoError) Fail(path, "ファイルが読めません");
  return DecodeBitmap(bytes, path);
}

bool SaveBitmapFile(const QImage& picture, const std::string& path) {
  if (picture.isNull()) return false;
  const QImage rgb = picture.convertToFormat(kRasterFormat);
  const int w = rgb.width(), h = rgb.height();
  const qint64 stride = Stride(w, 24);
  const qint64 dataSize = stride * h;
  QByteArray bytes(kFileHeaderSize + kInfoHeaderSize + dataSize, '\0');
  auto* out = reinterpret_cast<uchar*>(bytes.data());
  WriteHeaders(out, bytes.size(), kFileHeaderSize + kInfoHeaderSize, w, h, 24, bcRgb, dataSize, 0);
  for (int y = 0; y < h; ++y) {
    const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uchar* d = out + kFileHeaderSize + kInfoHeaderSize + (h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      d[3 * x] = static_cast<uchar>(qBlue(s[x]));
      d[3 * x + 1] = static_cast<uchar>(qGreen(s[x]));
      d[3 * x + 2] = static_cast<uchar>(qRed(s[x]));
    }
  }
  QFile file;
  if (!platform::OpenFile(file, path, QIODevice::WriteOnly)) return false;
  const bool written = file.write(bytes) == bytes.size();
  file.close();
  return written && file.error() == QFileDevice::NoError;
}

}  // namespace orbel::screen
