// SPDX-License-Identifier: GPL-3.0-or-later
/** Icons drawn with QPainter at whatever size and density they are shown. */
#pragma once

#include <QColor>
#include <QIcon>

#include <functional>

class QPainter;
class QPalette;

namespace quillet {

// Draws the picture into `box`. The painter is set for smooth lines; `mode`
// tells whether the icon is shown disabled, so the picture can be greyed.
using TIconPainter = std::function<void(QPainter& painter, const QRectF& box, QIcon::Mode mode)>;

// An icon that paints itself afresh for every size and screen density, so it
// stays crisp where a bitmap would be scaled.
QIcon PaintedIcon(TIconPainter paint);

// True for a palette whose windows are dark, as a dark desktop gives.
bool IsDarkPalette(const QPalette& palette);

// The ink of a picture painted on buttons: `onLight` while the application's
// palette is light, the palette's button text on a dark one. Read as the
// picture is painted, so a palette changed later is followed.
QColor ButtonInk(const QColor& onLight);

}  // namespace quillet
