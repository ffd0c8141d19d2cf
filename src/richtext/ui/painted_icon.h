// SPDX-License-Identifier: GPL-3.0-or-later
/** Icons drawn with QPainter at whatever size and density they are shown. */
#pragma once

#include <QIcon>

#include <functional>

class QPainter;

namespace quillet {

// Draws the picture into `box`. The painter is set for smooth lines; `mode`
// tells whether the icon is shown disabled, so the picture can be greyed.
using TIconPainter = std::function<void(QPainter& painter, const QRectF& box, QIcon::Mode mode)>;

// An icon that paints itself afresh for every size and screen density, so it
// stays crisp where a bitmap would be scaled.
QIcon PaintedIcon(TIconPainter paint);

}  // namespace quillet
