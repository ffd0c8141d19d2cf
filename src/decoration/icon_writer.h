// SPDX-License-Identifier: GPL-3.0-or-later
/** Writing icons: images as icon-file bitmaps or PNG, icon files, and 16-bit NE icon libraries. **/
#pragma once

#include <decoration/icon_file.h>

#include <string>
#include <string_view>
#include <vector>

namespace quillet::icons {

// A 32-bit bitmap as icons store it: header with doubled height, colour rows
// with alpha, and an AND mask that is set where the image is fully transparent.
std::string EncodeDib(const TIconImage& image);
// A PNG-compressed icon image.
std::string EncodePng(const TIconImage& image);

// One icon: its images, each a bitmap or a PNG as encoded above.
using TIconImages = std::vector<std::string>;

// An icon file (.ICO) holding the images of one icon.
std::string BuildIcoFile(const TIconImages& images);

// A 16-bit NE module holding only resources: one RT_GROUP_ICON per icon, in
// order, with its images as RT_ICON resources. Throws Error when the icons do
// not fit the format (more than 32767 images, or beyond its addressable size).
std::string BuildIconLibrary(const std::vector<TIconImages>& icons, std::string_view moduleName);

}  // namespace quillet::icons
