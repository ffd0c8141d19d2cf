// SPDX-License-Identifier: GPL-3.0-or-later
/** The pictures of the formatting toolbar's buttons, drawn at any size and density. */
#pragma once

#include <QIcon>
#include <QString>

namespace richtext {

// The picture of a toolbar button by its icon name ("Bold", "Copy", "Spell",
// ...). Names without a picture of their own show their first letter.
QIcon ToolbarIcon(const QString& name);

// A colour swatch for the colour lists: the colour filling the icon, framed.
QIcon ColorSwatch(const QColor& color);

}  // namespace richtext
