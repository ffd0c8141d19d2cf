// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's mouse: clicks, double and triple clicks, dragging a
// selection, scrolling while the pointer is held beyond the window.
#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

namespace richtext {

TPosition TRichText::PositionAt(const QPoint& point) {
  int64_t y = int64_t(point.y()) + verticalScrollBar()->value() - Margin();
  int x = point.x() + horizontalScrollBar()->value() - Margin();
  if (y < 0) return {0, 0};
  return PositionAtDocument(y, x);
}

TPosition TRichText::PositionAtDocument(int64_t y, int x) {
  y = std::clamp<int64_t>(y, 0, std::max<int64_t>(0, layout_->TotalHeight() - 1));
  size_t par = layout_->ParagraphAt(y);
  // The cells of a table row stand side by side: x picks the cell.
  if (doc_.Par(par).IsTableCell()) par = layout_->CellAt(par, x);
  size_t li = layout_->LineAt(par, y - layout_->ParagraphTop(par));
  return {par, layout_->OffsetAt(par, li, x)};
}

void TRichText::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus();
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  clickCount_ = (now - lastClick_ < QApplication::doubleClickInterval()) ? clickCount_ + 1 : 1;
  lastClick_ = now;
  TPosition p = PositionAt(event->position().toPoint());
  if (clickCount_ >= 3) {
    editor_.SelectParagraphAt(p);
  } else {
    editor_.MoveTo(p, event->modifiers() & Qt::ShiftModifier);
  }
  preferredX_ = -1;
  dragging_ = true;
  dragPos_ = event->position().toPoint();
  viewport()->update();
}

void TRichText::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  clickCount_ = 2;
  lastClick_ = QDateTime::currentMSecsSinceEpoch();
  editor_.SelectWordAt(PositionAt(event->position().toPoint()));
  viewport()->update();
}

void TRichText::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || clickCount_ > 1 || !dragging_) return;
  dragPos_ = event->position().toPoint();
  editor_.MoveTo(PositionAt(dragPos_), true);
  // Beyond the window the text keeps scrolling while the pointer is held still.
  bool outside = dragPos_.y() < 0 || dragPos_.y() >= viewport()->height();
  if (outside && !autoScroll_->isActive()) {
    autoScroll_->start();
  } else if (!outside) {
    autoScroll_->stop();
    EnsureCaretVisible();
  }
  viewport()->update();
}

void TRichText::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
    autoScroll_->stop();
  }
}

void TRichText::AutoScroll() {
  int y = dragPos_.y(), height = viewport()->height();
  int distance = y < 0 ? y : y >= height ? y - height + 1 : 0;
  if (!dragging_ || distance == 0) {
    autoScroll_->stop();
    return;
  }
  // The further the pointer is from the window, the faster the text goes by.
  int step = (distance < 0 ? -1 : 1) * (4 + std::abs(distance) / 2);
  QScrollBar* v = verticalScrollBar();
  v->setValue(v->value() + step);
  editor_.MoveTo(PositionAt(dragPos_), true);
  viewport()->update();
}

}  // namespace richtext
