// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/pcx.h>

#include <base/error.h>

#include <array>
#include <string>

namespace quillet {
namespace {

// The 128-byte header:
//   0 0x0A   1 version   2 encoding (1 run-length, 0 none)   3 bits per pixel and plane
//   4 xmin  6 ymin  8 xmax  10 ymax (little-endian 16-bit, inclusive)
//   16 a palette of 16 RGB colours   65 planes   66 bytes per line and plane
constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 768;  // 256 RGB colours after the marker 0x0C at the end

uint32_t Le16(std::string_view b, size_t at) { return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8; }

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return 0xFF000000u | r << 16 | g << 8 | b; }

[[noreturn]] void Damaged(const std::string& what) {
  throw Error("The PCX picture is damaged: " + what + ".");
}

// Unpacks the image data: a byte with both high bits set repeats the next
// byte (its low six bits) times; any other byte stands for itself. Runs may
// cross the end of a line.
std::vector<uint8_t> Unpack(std::string_view data, bool runLength, uint64_t total) {
  // Each run of two bytes gives at most 63: a header asking for more than the
  // data can hold is refused before anything is allocated.
  uint64_t most = runLength ? (data.size() / 2) * 63 + data.size() % 2 : data.size();
  if (total > most) Damaged("it is cut short");
  std::vector<uint8_t> out(total);
  size_t at = 0;
  uint64_t n = 0;
  while (n < total) {
    if (at >= data.size()) Damaged("it is cut short");
    uint8_t c = uint8_t(data[at++]);
    if (!runLength || (c & 0xC0) != 0xC0) {
      out[n++] = c;
      continue;
    }
    if (at >= data.size()) Damaged("it is cut short");
    uint8_t v = uint8_t(data[at++]);
    for (uint64_t k = c & 0x3F; k > 0 && n < total; --k) out[n++] = v;
  }
  return out;
}

}  // namespace

TRgbImage DecodePcx(std::string_view b) {
  if (b.size() < kHeaderSize || uint8_t(b[0]) != 0x0A) throw Error("The file is not a PCX picture.");
  uint8_t encoding = uint8_t(b[2]), bits = uint8_t(b[3]), planes = uint8_t(b[65]);
  uint32_t xmin = Le16(b, 4), ymin = Le16(b, 6), xmax = Le16(b, 8), ymax = Le16(b, 10);
  uint32_t lineBytes = Le16(b, 66);
  if (encoding > 1) Damaged("its encoding " + std::to_string(encoding) + " is unknown");
  bool planar = bits == 1 && planes >= 1 && planes <= 4;
  bool indexed = planes == 1 && (bits == 2 || bits == 4 || bits == 8);
  bool rgb = bits == 8 && (planes == 3 || planes == 4);
  if (!planar && !indexed && !rgb) {
    Damaged(std::to_string(planes) + " planes of " + std::to_string(bits) + " bits are not a PCX layout");
  }
  if (xmax < xmin || ymax < ymin) Damaged("its picture size is negative");
  TRgbImage image;
  image.width = int(xmax - xmin + 1);
  image.height = int(ymax - ymin + 1);
  uint64_t pixels = uint64_t(image.width) * uint64_t(image.height);
  if (pixels > kMaxPcxPixels) {
    throw Error("The PCX picture is too large: " + std::to_string(image.width) + " x " +
                std::to_string(image.height) + " pixels.");
  }
  if (uint64_t(lineBytes) * 8 < uint64_t(image.width) * bits) Damaged("its lines are too short");

  // 8-bit pictures keep their 256 colours after the marker 0x0C at the end.
  std::string_view data = b.substr(kHeaderSize);
  std::array<uint32_t, 256> palette{};
  bool tail = indexed && bits == 8 && data.size() >= kPaletteSize + 1 &&
              data[data.size() - kPaletteSize - 1] == 0x0C;
  if (tail) {
    std::string_view p = data.substr(data.size() - kPaletteSize);
    for (size_t i = 0; i < 256; ++i) palette[i] = Rgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    data.remove_suffix(kPaletteSize + 1);
  } else if (indexed && bits == 8) {
    for (uint32_t i = 0; i < 256; ++i) palette[i] = Rgb(i, i, i);  // no palette: grey levels
  } else {
    for (size_t i = 0; i < 16; ++i) {
      palette[i] = Rgb(b[16 + 3 * i], b[17 + 3 * i], b[18 + 3 * i]);
    }
    // A black-and-white picture whose header palette is blank is black on white.
    if (bits == 1 && planes == 1 && palette[0] == palette[1]) {
      palette[0] = Rgb(0, 0, 0);
      palette[1] = Rgb(255, 255, 255);
    }
  }

  uint64_t scanline = uint64_t(lineBytes) * planes;
  std::vector<uint8_t> raw = Unpack(data, encoding == 1, scanline * uint64_t(image.height));
  image.pixels.resize(size_t(pixels));
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* line = raw.data() + uint64_t(y) * scanline;
    uint32_t* out = image.pixels.data() + size_t(y) * size_t(image.width);
    for (int x = 0; x < image.width; ++x) {
      if (rgb) {
        out[x] = Rgb(line[x], line[lineBytes + x], line[2 * lineBytes + x]);
      } else if (planar) {
        // One bit of the colour number in each plane, plane 0 the lowest.
        unsigned index = 0;
        for (unsigned p = 0; p < planes; ++p) {
          index |= (line[p * lineBytes + x / 8] >> (7 - x % 8) & 1) << p;
        }
        out[x] = palette[index];
      } else {
        unsigned perByte = 8 / bits;
        unsigned shift = 8 - bits * (x % perByte + 1);
        out[x] = palette[line[x / perByte] >> shift & ((1u << bits) - 1)];
      }
    }
  }
  return image;
}

}  // namespace quillet
