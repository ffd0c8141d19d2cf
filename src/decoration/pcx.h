// SPDX-License-Identifier: GPL-3.0-or-later
/** Decodes PCX pictures: 1, 2, 4 and 8 bits with their palettes, and 24-bit colour, run-length coded or not. */
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillet {

// A decoded picture: rows from the top, each pixel 0xFFRRGGBB.
struct TRgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// The largest picture DecodePcx gives, in pixels (256 MiB of pixels).
inline constexpr uint64_t kMaxPcxPixels = uint64_t(64) << 20;

// Decodes a whole PCX file. Throws Error with a message for the user
// ("... is not a PCX picture", "... is damaged: ...") when the bytes are not
// a PCX picture this reads, are cut short, or ask for a picture larger than
// kMaxPcxPixels; every size in the header is checked against the file before
// anything is allocated.
TRgbImage DecodePcx(std::string_view bytes);

}  // namespace quillet
