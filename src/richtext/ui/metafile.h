// SPDX-License-Identifier: GPL-3.0-or-later
/** A player for Windows metafiles, the pictures older RTF writers embed, drawing onto QPainter. */
#pragma once

#include <QImage>
#include <QPainter>

#include <string_view>

namespace richtext {

// Plays the records of a metafile (with or without its 22-byte placeable
// header) onto a painter, mapped into the target rectangle: window and
// viewport setup, pens, brushes, fonts, lines, polygons, rectangles,
// ellipses, text and stretched bitmaps. Unknown records are passed over.
// Gives false when the bytes are no metafile.
bool PlayMetafile(std::string_view bytes, QPainter& painter, const QRectF& target);

// The metafile drawn into an image of its own size at 96 dpi (null when the
// bytes are no metafile).
QImage RenderMetafile(std::string_view bytes);

}  // namespace richtext
