// SPDX-License-Identifier: GPL-3.0-or-later
#include <controls/graphic_panel.h>

#include <QFontMetrics>
#include <QPainter>

namespace quillet {

namespace {

// One frame: top and left in the first colour, bottom and right in the
// second, one pixel wide; then the rectangle shrinks by one on every side.
void Frame(QPainter& p, QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
  r.adjust(1, 1, -1, -1);
}

void Bevel(QPainter& p, QRect& r, TBevel bevel, int width, const QPalette& palette) {
  if (bevel == TBevel::None) return;
  QColor shadow = palette.color(QPalette::Dark);
  QColor light = palette.color(QPalette::Light);
  for (int i = 0; i < width; ++i) {
    if (bevel == TBevel::Lowered) Frame(p, r, shadow, light);
    else Frame(p, r, light, shadow);
  }
}

}  // namespace

TGraphicPanel::TGraphicPanel(QWidget* parent) : QWidget(parent) { resize(185, 41); }

void TGraphicPanel::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}
void TGraphicPanel::SetBevelInner(TBevel bevel) {
  bevelInner_ = bevel;
  update();
}
void TGraphicPanel::SetBevelOuter(TBevel bevel) {
  bevelOuter_ = bevel;
  update();
}
void TGraphicPanel::SetBevelWidth(int width) {
  bevelWidth_ = std::max(0, width);
  update();
}
void TGraphicPanel::SetBorderWidth(int width) {
  borderWidth_ = std::max(0, width);
  update();
}
void TGraphicPanel::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  update();
}
QColor TGraphicPanel::Color() const {
  return color_.isValid() ? color_ : palette().color(QPalette::Button);
}
void TGraphicPanel::SetColor(const QColor& color) {
  color_ = color;
  update();
}
void TGraphicPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TGraphicPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  const QColor fill = Color();
  if (borderStyle_ == TBorderStyle::Single) Frame(p, r, Qt::black, Qt::black);
  Bevel(p, r, bevelOuter_, bevelWidth_, palette());
  for (int i = 0; i < borderWidth_; ++i) Frame(p, r, fill, fill);
  Bevel(p, r, bevelInner_, bevelWidth_, palette());
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(r, fill);
  if (caption_.isEmpty()) return;

  // The caption sits in a band as high as a "W", centred vertically.
  QFontMetrics metrics(font());
  const int band = metrics.boundingRect(QStringLiteral("W")).height();
  const int bandHeight = std::max(band, metrics.height());
  const int top = (r.top() + r.bottom() + 1 - bandHeight) / 2;
  QRect textRect(r.left(), top, r.width(), bandHeight);
  Qt::Alignment horizontal = alignment_ & Qt::AlignHorizontal_Mask;
  if (!horizontal) horizontal = Qt::AlignHCenter;
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(textRect, int(horizontal | Qt::AlignVCenter | Qt::TextExpandTabs), caption_);
}

}  // namespace quillet
