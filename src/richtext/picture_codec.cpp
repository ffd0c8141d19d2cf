// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/picture_codec.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace richtext {
namespace {

void Put16(std::string& s, uint32_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

uint32_t Get16(std::string_view s, size_t at) {
  if (at + 2 > s.size()) return 0;
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

uint32_t Get32(std::string_view s, size_t at) { return Get16(s, at) | Get16(s, at + 2) << 16; }

uint32_t Get32Big(std::string_view s, size_t at) {
  if (at + 4 > s.size()) return 0;
  return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
         uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

}  // namespace

std::string DibToBmpFile(std::string_view dib) {
  uint32_t infoSize = Get32(dib, 0);
  uint32_t bits = Get16(dib, 14);
  uint32_t compression = Get32(dib, 16);
  uint32_t used = Get32(dib, 32);
  if (infoSize == 12) bits = Get16(dib, 10);  // old-style core header
  uint32_t colors = used != 0 ? used : (bits == 1 || bits == 4 || bits == 8) ? 1u << bits : 0u;
  uint32_t entry = infoSize == 12 ? 3 : 4;
  uint32_t masks = (infoSize == 40 && (compression == 3 || compression == 6)) ? 12 : 0;
  std::string out;
  out.reserve(14 + dib.size());
  out += "BM";
  Put32(out, uint32_t(14 + dib.size()));
  Put32(out, 0);
  Put32(out, 14 + infoSize + masks + colors * entry);
  out.append(dib);
  return out;
}

std::string MakePlaceableMetafile(std::string_view records, int width, int height) {
  std::string h;
  Put32(h, 0x9AC6CDD7u);
  Put16(h, 0);                 // handle
  Put16(h, 0);                 // left
  Put16(h, 0);                 // top
  Put16(h, uint16_t(width));   // right
  Put16(h, uint16_t(height));  // bottom
  Put16(h, 2540);              // units per inch
  Put32(h, 0);                 // reserved
  uint32_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= Get16(h, i);
  Put16(h, sum);
  h.append(records);
  return h;
}

std::string BitmapToBmp(const TPicture& b) {
  int bpp = b.bitsPerPixel * std::max(b.planes, 1);
  if (b.width <= 0 || b.height <= 0 || b.widthBytes <= 0) return {};
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return {};
  if (b.planes > 1) return {};  // planar layouts are not converted
  size_t srcRow = size_t(b.widthBytes);
  size_t dstRow = (size_t(b.width) * size_t(bpp) + 31) / 32 * 4;
  size_t rowBytes = std::min(srcRow, dstRow);
  uint32_t colors = bpp <= 8 ? 1u << bpp : 0;
  std::string out = "BM";
  uint32_t offset = 14 + 40 + colors * 4;
  Put32(out, uint32_t(offset + dstRow * size_t(b.height)));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, uint32_t(b.width));
  Put32(out, uint32_t(b.height));
  Put16(out, 1);
  Put16(out, uint32_t(bpp));
  Put32(out, 0);
  Put32(out, uint32_t(dstRow * size_t(b.height)));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  // A device bitmap has no colours of its own: monochrome is black on white,
  // the others get a grey ramp.
  for (uint32_t i = 0; i < colors; ++i) {
    uint8_t v = colors == 2 ? uint8_t(i * 255) : uint8_t(i * 255 / (colors - 1));
    out.push_back(char(v));
    out.push_back(char(v));
    out.push_back(char(v));
    out.push_back(0);
  }
  // Device bitmaps store the top row first, BMP files the bottom row first.
  for (int y = b.height - 1; y >= 0; --y) {
    size_t at = size_t(y) * srcRow;
    std::string row(dstRow, '\0');
    if (at < b.data.size()) row.replace(0, std::min(rowBytes, b.data.size() - at), b.data, at, rowBytes);
    row.resize(dstRow);
    out += row;
  }
  return out;
}

namespace {

// Bytes of pixel rows: rows of `width` pixels at `bpp` bits, each padded to
// `align` bytes; 0 when the sizes make no sense.
uint64_t RowsBytes(int64_t width, int64_t height, int64_t bpp, int64_t align) {
  if (width <= 0 || height <= 0 || bpp <= 0 || width > (1 << 24) || height > (1 << 24) || bpp > 64) return 0;
  uint64_t row = (uint64_t(width) * uint64_t(bpp) + 8 * uint64_t(align) - 1) / (8 * uint64_t(align)) *
                 uint64_t(align);
  return row * uint64_t(height);
}

}  // namespace

bool PictureFitsData(const TPicture& p) {
  std::string_view d = p.data;
  switch (p.kind) {
    case TPicture::Kind::Bitmap: {
      int bpp = p.bitsPerPixel * std::max(p.planes, 1);
      uint64_t need = RowsBytes(p.width, p.height, bpp, 1);
      // Each stated row must hold the pixels and every row must be present.
      return need != 0 && uint64_t(p.widthBytes) * 8 >= uint64_t(p.width) * uint64_t(bpp) &&
             uint64_t(p.widthBytes) * uint64_t(p.height) <= d.size();
    }
    case TPicture::Kind::Dib: {
      if (d.size() < TPicture::kBmpFileHeader + 16) return false;
      std::string_view info = d.substr(TPicture::kBmpFileHeader);
      uint32_t infoSize = Get32(info, 0);
      int64_t width, height, bpp;
      uint32_t compression = 0;
      if (infoSize == 12) {
        width = Get16(info, 4);
        height = Get16(info, 6);
        bpp = Get16(info, 10);
      } else {
        if (info.size() < 20) return false;
        width = int32_t(Get32(info, 4));
        height = std::abs(int64_t(int32_t(Get32(info, 8))));
        bpp = Get16(info, 14);
        compression = Get32(info, 16);
      }
      uint64_t need = RowsBytes(width, height, bpp, 4);
      if (need == 0) return false;
      uint64_t offset = std::min<uint64_t>(Get32(d, 10), d.size());
      uint64_t present = d.size() - offset;
      switch (compression) {
        case 0:  // plain rows
        case 3:  // rows with colour masks
        case 6:
          return need <= present;
        case 1:  // run-length encoded: two bytes give at most 255 pixels
        case 2:
          return need <= present * 128;
        default:  // JPEG or PNG inside: the decoder checks
          return true;
      }
    }
    default:
      return true;
  }
}

bool PictureSize(const TPicture& p, int& width, int& height) {
  std::string_view d = p.data;
  switch (p.kind) {
    case TPicture::Kind::Dib:
      if (d.size() < 26) return false;
      width = int(int32_t(Get32(d, 18)));
      height = std::abs(int(int32_t(Get32(d, 22))));
      return true;
    case TPicture::Kind::Png:
      if (d.size() < 24 || d.substr(1, 3) != "PNG") return false;
      width = int(Get32Big(d, 16));
      height = int(Get32Big(d, 20));
      return true;
    case TPicture::Kind::Jpeg:
      for (size_t i = 2; i + 9 < d.size();) {
        if (uint8_t(d[i]) != 0xFF) return false;
        uint8_t marker = uint8_t(d[i + 1]);
        size_t len = size_t(uint8_t(d[i + 2])) << 8 | uint8_t(d[i + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
          height = int(uint8_t(d[i + 5])) << 8 | uint8_t(d[i + 6]);
          width = int(uint8_t(d[i + 7])) << 8 | uint8_t(d[i + 8]);
          return true;
        }
        i += 2 + len;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace richtext
