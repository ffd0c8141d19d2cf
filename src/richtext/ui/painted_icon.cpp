// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/painted_icon.h>

#include <QGuiApplication>
#include <QIconEngine>
#include <QPalette>
#include <QPainter>
#include <QPixmap>

namespace quillet {

namespace {

class TPaintedIconEngine : public QIconEngine {
 public:
  explicit TPaintedIconEngine(TIconPainter paint) : paint_(std::move(paint)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (mode == QIcon::Disabled) painter->setOpacity(0.4);
    paint_(*painter, QRectF(rect), mode);
    painter->restore();
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    // `size` counts device pixels; the picture is drawn at size / scale.
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    {
      QPainter painter(&pixmap);
      painter.scale(scale, scale);
      paint(&painter, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
    }
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
  }

  QIconEngine* clone() const override { return new TPaintedIconEngine(paint_); }

 private:
  TIconPainter paint_;
};

}  // namespace

QIcon PaintedIcon(TIconPainter paint) { return QIcon(new TPaintedIconEngine(std::move(paint))); }

bool IsDarkPalette(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

QColor ButtonInk(const QColor& onLight) {
  const QPalette palette = QGuiApplication::palette();
  return IsDarkPalette(palette) ? palette.color(QPalette::ButtonText) : onLight;
}

}  // namespace quillet
