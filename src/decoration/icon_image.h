// SPDX-License-Identifier: GPL-3.0-or-later
/** Decoding one icon image: a device-independent bitmap with its AND mask, or a PNG. **/
#pragma once

#include <decoration/icon_file.h>

#include <optional>
#include <string_view>

namespace quillet::icons {

// Images larger than this on either side are refused as damaged.
inline constexpr int kMaxImageSide = 1024;

// Size and depth of an image, read from its header alone.
struct TImageInfo {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  bool png = false;
};

bool IsPng(std::string_view data);
std::optional<TImageInfo> PeekImage(std::string_view data);
// Decodes an image; nothing when it is damaged or of a kind not handled.
std::optional<TIconImage> DecodeImage(std::string_view data);
// PNG images are decoded by Qt's image reader (icon_png.cpp).
std::optional<TIconImage> DecodePng(std::string_view data);
// A smooth scale to size x size (the image itself when it already has that size).
TIconImage ScaleImage(const TIconImage& image, int size);

}  // namespace quillet::icons
