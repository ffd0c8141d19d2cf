// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/icon_image.h>

#include <decoration/byte_reader.h>

#include <algorithm>
#include <bit>

namespace quillet::icons {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

// The layout of a bitmap as an icon stores it: the header, the colour table or
// channel masks, the colour (XOR) rows and the 1-bit AND mask rows, both
// bottom-up, each row padded to 4 bytes.
struct DibLayout {
  int width = 0;
  int height = 0;  // of the image; the header holds twice this (colour + mask)
  int bitCount = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha for bitfields
  bool bitfields = false;
  uint64_t paletteOffset = 0;
  uint32_t paletteCount = 0;
  uint64_t xorOffset = 0;
  uint64_t xorStride = 0;
  uint64_t andOffset = 0;
  uint64_t andStride = 0;
};

std::optional<DibLayout> ReadDibLayout(std::string_view data) {
  TByteReader r(data);
  const uint32_t headerSize = r.U32(0);
  if (!r.ok() || headerSize < 40 || headerSize > data.size()) return std::nullopt;
  DibLayout d;
  const int32_t width = r.I32(4);
  const int32_t doubledHeight = r.I32(8);
  const uint16_t bitCount = r.U16(14);
  const uint32_t compression = r.U32(16);
  const uint32_t colorsUsed = r.U32(32);
  if (!r.ok() || width <= 0 || width > kMaxImageSide || doubledHeight < 2 ||
      doubledHeight > 2 * kMaxImageSide)
    return std::nullopt;
  d.width = width;
  d.height = doubledHeight / 2;
  d.bitCount = bitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    return std::nullopt;
  uint64_t after = headerSize;
  if (compression == kBiBitfields && (bitCount == 16 || bitCount == 32)) {
    d.bitfields = true;
    // A plain 40-byte header is followed by three masks; larger headers hold them.
    const uint64_t at = 40;
    if (headerSize == 40) after += 12;
    for (int i = 0; i < 3; ++i) d.masks[i] = r.U32(at + 4 * i);
    d.masks[3] = headerSize >= 56 ? r.U32(at + 12) : 0;
    if (!r.ok()) return std::nullopt;
  } else if (compression != kBiRgb) {
    return std::nullopt;
  }
  if (bitCount <= 8) {
    const uint32_t full = 1u << bitCount;
    if (colorsUsed > full) return std::nullopt;
    d.paletteCount = colorsUsed ? colorsUsed : full;
  }
  d.paletteOffset = after;
  d.xorOffset = after + 4ull * d.paletteCount;
  d.xorStride = (static_cast<uint64_t>(d.width) * bitCount + 31) / 32 * 4;
  d.andOffset = d.xorOffset + d.xorStride * d.height;
  d.andStride = (static_cast<uint64_t>(d.width) + 31) / 32 * 4;
  // The colour rows must be there; a missing mask counts as fully opaque.
  if (!InRange(data.size(), d.xorOffset, d.xorStride * d.height)) return std::nullopt;
  return d;
}

// Value of a channel given its mask, scaled to 0..255.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t bits = (value & mask) >> shift;
  const uint32_t max = mask >> shift;
  return max ? (bits * 255 + max / 2) / max : 0;
}

std::optional<TIconImage> DecodeDib(std::string_view data) {
  const auto layout = ReadDibLayout(data);
  if (!layout) return std::nullopt;
  const DibLayout& d = *layout;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  TIconImage image;
  image.width = d.width;
  image.height = d.height;
  image.bitCount = d.bitCount;
  image.pixels.assign(static_cast<size_t>(d.width) * d.height, 0);

  uint32_t palette[256] = {};
  for (uint32_t i = 0; i < d.paletteCount; ++i) {
    const uint8_t* p = bytes + d.paletteOffset + 4 * i;
    palette[i] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
  }
  const uint32_t masks16[4] = {0x7C00, 0x03E0, 0x001F, 0};
  const uint32_t* masks = d.bitfields ? d.masks : masks16;

  bool anyAlpha = false;
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* row = bytes + d.xorOffset + d.xorStride * (d.height - 1 - y);
    uint32_t* out = image.pixels.data() + static_cast<size_t>(y) * d.width;
    for (int x = 0; x < d.width; ++x) {
      uint32_t argb = 0;
      switch (d.bitCount) {
        case 1:
        case 4:
        case 8: {
          const int bit = x * d.bitCount;
          const int index = (row[bit / 8] >> (8 - d.bitCount - bit % 8)) & ((1 << d.bitCount) - 1);
          argb = static_cast<uint32_t>(index) < d.paletteCount ? palette[index] : 0xFF000000u;
          break;
        }
        case 16: {
          const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
          argb = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
          break;
        }
        case 24:
          argb = 0xFF000000u | (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
          break;
        case 32: {
          const uint8_t* p = row + 4 * x;
          const uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
          if (d.bitfields) {
            argb = (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]) |
                   (masks[3] ? Channel(v, masks[3]) << 24 : 0);
          } else {
            argb = v;
          }
          if (argb >> 24) anyAlpha = true;
          break;
        }
      }
      out[x] = argb;
    }
  }
  // A 32-bit image with an alpha channel is drawn by it; every other image
  // (and a 32-bit one whose alpha is all zero) by its AND mask.
  const bool useAlpha = d.bitCount == 32 && anyAlpha;
  if (!useAlpha) {
    const bool haveMask = InRange(data.size(), d.andOffset, d.andStride * d.height);
    for (int y = 0; y < d.height; ++y) {
      const uint8_t* row = haveMask ? bytes + d.andOffset + d.andStride * (d.height - 1 - y) : nullptr;
      uint32_t* out = image.pixels.data() + static_cast<size_t>(y) * d.width;
      for (int x = 0; x < d.width; ++x) {
        const bool transparent = row && ((row[x / 8] >> (7 - x % 8)) & 1);
        out[x] = transparent ? 0 : (out[x] | 0xFF000000u);
      }
    }
  }
  return image;
}

}  // namespace

bool IsPng(std::string_view data) { return data.substr(0, kPngSignature.size()) == kPngSignature; }

std::optional<TImageInfo> PeekImage(std::string_view data) {
  if (IsPng(data)) {
    // The IHDR chunk comes first: width and height, big-endian, at 16 and 20.
    if (data.size() < 33 || data.substr(12, 4) != "IHDR") return std::nullopt;
    auto be32 = [&](size_t at) {
      uint32_t v = 0;
      for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
      return v;
    };
    const uint32_t w = be32(16), h = be32(20);
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) return std::nullopt;
    return TImageInfo{static_cast<int>(w), static_cast<int>(h), 32, true};
  }
  const auto d = ReadDibLayout(data);
  if (!d) return std::nullopt;
  return TImageInfo{d->width, d->height, d->bitCount, false};
}

std::optional<TIconImage> DecodeImage(std::string_view data) {
  if (IsPng(data)) {
    if (!PeekImage(data)) return std::nullopt;
    return DecodePng(data);
  }
  return DecodeDib(data);
}

}  // namespace quillet::icons
