// SPDX-License-Identifier: GPL-3.0-or-later
/** Icon images to and from Qt's QImage (QtGui, no widgets). **/
#pragma once

#include <decoration/icon_file.h>

#include <QImage>

namespace quillet {

// A copy in QImage::Format_ARGB32, the same pixel layout.
QImage ToQImage(const TIconImage& image);
// Any QImage as an icon image of the given source depth.
TIconImage FromQImage(const QImage& image, int bitCount = 32);

}  // namespace quillet
