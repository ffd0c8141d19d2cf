#include <app/ui/page_panel.h>

#include <QPainter>

namespace quillet {

TPagePanel::TPagePanel(QWidget* parent) : QWidget(parent) {}

void TPagePanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(128, 128, 128));
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::white);
  p.setPen(Qt::black);
  const int e = RightEdge();
  p.drawRoundedRect(QRectF(e, 5, width() - 2 * e, height() - 10), 12.5, 12.5);
  // Double rings down the left edge.
  p.setPen(QPen(QColor(70, 70, 70), 2));
  p.setBrush(Qt::NoBrush);
  for (int y = 20; y <= height() - 40; y += 50) {
    for (int dy : {0, 15}) p.drawRoundedRect(QRectF(3, y + dy + 2, LeftEdge() - 6, 7), 3.5, 3.5);
  }
}

void TPagePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

}  // namespace quillet
