// SPDX-License-Identifier: GPL-3.0-or-later
#include <controls/ring_panel.h>

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quillet {

namespace {
constexpr int kRingHeight = 11;
constexpr int kRingSpacing = 50;   // from one binder position to the next
constexpr int kFirstRing = 20;
constexpr int kBottomClear = 40;   // no ring starts closer than this to the bottom
constexpr int kDoubleOffset = 15;  // the second ring of a double pair
}  // namespace

TRingPanel::TRingPanel(QWidget* parent) : QFrame(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  // The page's outline shows where the keyboard is: redrawn as the focus comes or goes.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if ((old && isAncestorOf(old)) || (now && isAncestorOf(now))) update();
  });
}

bool TRingPanel::ShowsKeyboardFocus() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus && isAncestorOf(focus) && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void TRingPanel::SetDoubleRing(bool on) {
  if (doubleRing_ == on) return;
  doubleRing_ = on;
  update();
}

void TRingPanel::SetSmallRing(bool on) {
  if (smallRing_ == on) return;
  smallRing_ = on;
  update();
}

void TRingPanel::SetShape(int shape) {
  shape_ = shape;
  update();
}

// A metal ring seen from the side: it comes from the left, over the page's
// edge, and goes down into a punched hole on the page.
QPixmap TRingPanel::RingPicture(bool small, qreal dpr) {
  const int width = small ? 31 : 43;
  QPixmap picture(QSize(width, kRingHeight) * dpr);
  picture.setDevicePixelRatio(dpr);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);

  const qreal holeD = 7;
  const QRectF hole(width - holeD - 2, (kRingHeight - holeD) / 2, holeD, holeD);
  p.setPen(QPen(QColor(60, 60, 60), 0.8));
  p.setBrush(QColor(20, 20, 20));
  p.drawEllipse(hole);

  // The ring's body: a rounded bar ending in the hole.
  QRectF bar(0.5, 2, hole.center().x() - 0.5, kRingHeight - 4);
  QLinearGradient metal(0, bar.top(), 0, bar.bottom());
  metal.setColorAt(0.0, QColor(250, 250, 250));
  metal.setColorAt(0.45, QColor(190, 190, 195));
  metal.setColorAt(1.0, QColor(95, 95, 100));
  QPainterPath path;
  path.addRoundedRect(bar, bar.height() / 2, bar.height() / 2);
  p.setPen(QPen(QColor(50, 50, 55), 0.8));
  p.setBrush(metal);
  p.drawPath(path);
  // A highlight along the top of the metal.
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.0));
  p.drawLine(QPointF(bar.left() + 3, bar.top() + 1.5), QPointF(bar.right() - 4, bar.top() + 1.5));
  return picture;
}

void TRingPanel::paintEvent(QPaintEvent*) {
  const qreal dpr = devicePixelRatioF();
  if (ring_.isNull() || ring_.devicePixelRatio() != dpr ||
      ring_.width() != qRound((smallRing_ ? 31 : 43) * dpr)) {
    ring_ = RingPicture(smallRing_, dpr);
  }
  leftEdge_ = smallRing_ ? 31 : 43;
  const int e = smallRing_ ? 15 : 22;
  rightEdge_ = e;

  QPainter p(this);
  const QRect area = contentsRect();
  p.translate(area.topLeft());
  p.setClipRect(QRect(QPoint(0, 0), area.size()));
  const int w = area.width(), h = area.height();
  // The surround: the window's colour darkened, mid grey on a light desktop.
  p.fillRect(QRect(0, 0, w, h), palette().color(QPalette::Window).darker(186));

  // The page: from (e, 5) to (width - e, height - 5), corners of 25 x 25;
  // outlined in the highlight colour while the keyboard works in it.
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(ShowsKeyboardFocus() ? QPen(palette().color(QPalette::Highlight), 2) : QPen(Qt::black, 1));
  p.setBrush(paper_);
  const QRectF page(e + 0.5, 5.5, w - 2 * e - 1, h - 10 - 1);
  p.drawRoundedRect(page, 12.5, 12.5);

  for (int y = kFirstRing; y <= h - kBottomClear; y += kRingSpacing) {
    p.drawPixmap(0, y, ring_);
    if (doubleRing_) p.drawPixmap(0, y + kDoubleOffset, ring_);
  }
  p.end();
  QPainter frame(this);
  drawFrame(&frame);
}

}  // namespace quillet
