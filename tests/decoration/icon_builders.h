// SPDX-License-Identifier: GPL-3.0-or-later
/** Small icon files made in memory for the reader's tests: bitmaps of any depth, PE modules. */
#pragma once

#include <decoration/icon_writer.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillet::testing {

// A bitmap as icons store it, of `bitCount` 1, 4, 8, 16, 24 or 32: `color`
// gives the palette index (up to 8 bits) or the raw pixel value, `masked` the
// AND-mask bit of each pixel.
std::string MakeDib(int bitCount, int width, int height, const std::vector<uint32_t>& palette,
                    const std::function<uint32_t(int x, int y)>& color,
                    const std::function<bool(int x, int y)>& masked);

// A solid square icon image of one colour (0xAARRGGBB) as a 32-bit bitmap.
std::string SolidDib(int size, uint32_t argb);

// Where the parts of a PE module lie, to damage them on purpose.
struct PeLayout {
  size_t optionalHeader = 0;
  size_t sectionHeader = 0;
  size_t resources = 0;                 // file offset of the resource section
  std::vector<size_t> groupDataEntries;  // file offsets of each group's data entry, in order
};

// A PE module (PE32 or PE32+) holding only resources: one RT_GROUP_ICON per
// icon, numbered from 1, and its images as RT_ICON resources.
std::string MakePe(bool pe64, const std::vector<icons::TIconImages>& icons, PeLayout* layout = nullptr);

void Poke16(std::string& bytes, size_t at, uint32_t value);
void Poke32(std::string& bytes, size_t at, uint32_t value);

}  // namespace quillet::testing
