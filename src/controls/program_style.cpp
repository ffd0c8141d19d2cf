// SPDX-License-Identifier: GPL-3.0-or-later
#include <controls/program_style.h>

#include <richtext/ui/painted_icon.h>

#include <QPainter>
#include <QPainterPath>

namespace quillet {
namespace {

// Two chevrons pointing right (or down): "more items this way".
QIcon Chevrons(bool down) {
  return PaintedIcon([down](QPainter& p, const QRectF& box, QIcon::Mode mode) {
    const qreal u = std::min(box.width(), box.height()) / 16.0;
    const QColor ink = mode == QIcon::Disabled ? QColor(150, 150, 150) : ButtonInk(QColor(40, 40, 40));
    p.setPen(QPen(ink, 1.5 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    for (qreal shift : {-2.5, 2.5}) {
      QPainterPath chevron;
      if (down) {
        chevron.moveTo(c.x() - 4 * u, c.y() + (shift - 2) * u);
        chevron.lineTo(c.x(), c.y() + (shift + 2) * u);
        chevron.lineTo(c.x() + 4 * u, c.y() + (shift - 2) * u);
      } else {
        chevron.moveTo(c.x() + (shift - 2) * u, c.y() - 4 * u);
        chevron.lineTo(c.x() + (shift + 2) * u, c.y());
        chevron.lineTo(c.x() + (shift - 2) * u, c.y() + 4 * u);
      }
      p.drawPath(chevron);
    }
  });
}

}  // namespace

QIcon TProgramStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                                  const QWidget* widget) const {
  switch (which) {
    case SP_ToolBarHorizontalExtensionButton:
      return Chevrons(false);
    case SP_ToolBarVerticalExtensionButton:
      return Chevrons(true);
    default:
      return QProxyStyle::standardIcon(which, option, widget);
  }
}

}  // namespace quillet
