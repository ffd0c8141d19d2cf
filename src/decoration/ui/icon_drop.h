// SPDX-License-Identifier: GPL-3.0-or-later
/** Icons dragged from the palette onto an entry: the drag data and the drop. */
#pragma once

#include <decoration/icon_file.h>

#include <QImage>

class QMimeData;

namespace richtext {
class TRichText;
}

namespace quillet {

// Marks drag data as an icon from the palette; the icon itself travels as image/png.
inline constexpr const char* kIconMimeType = "application/x-quillet-icon";

// The icon at the system size as PNG (so other programs take it too), with the marker.
QMimeData* IconMimeData(const TIconPicture& icon, const QString& file, int index);

// True when a drag carries an icon from the palette.
bool IsIconDrag(const QMimeData* data);

// Inserts the dragged icon at the entry's caret (a drop has put it at the drop
// point) as a bitmap picture of the icon's size, its transparent pixels white,
// then signals the change. False when the data holds no icon or the entry is
// read-only.
bool DropIcon(richtext::TRichText& entry, const QMimeData* data);

}  // namespace quillet
