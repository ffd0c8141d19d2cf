// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's view: layout width and scroll bars, painting through
// the engine's painter, the blinking caret, focus.
#include <richtext/ui/rich_text.h>
#include <richtext/ui/qt_platform.h>

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>

namespace richtext {

void TRichText::Relayout() {
  int width = wordWrap_ ? viewport()->width() - 2 * Margin() : doc_.Header().TextWidthPixels();
  layout_->SetWrapWidth(std::max(width, 16));
  UpdateScrollBars();
  viewport()->update();
  NotifyAccessibleText();
}

void TRichText::UpdateScrollBars() {
  // A widget not yet shown at its size gets a resize event when it is shown;
  // the whole text is laid out then, at the width it is shown at, not at
  // every size it passes through while the window is being built.
  if (!isVisible() && testAttribute(Qt::WA_PendingResizeEvent)) return;
  int64_t total = layout_->TotalHeight() + 2 * Margin();
  verticalScrollBar()->setRange(0, int(std::max<int64_t>(0, total - viewport()->height())));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(16);
  int width = layout_->WrapWidth() + 2 * Margin();
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

int TRichText::TextOriginX() const { return Margin() - horizontalScrollBar()->value(); }

QRect TRichText::CaretRect() {
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  const TDisplayLine& line = layout_->Paragraph(c.par).lines[li];
  int x = layout_->XOf(c.par, li, c.offset) + Margin() - horizontalScrollBar()->value();
  int64_t y = layout_->ParagraphTop(c.par) + line.top + Margin() - verticalScrollBar()->value();
  int width = 2;
  if (!doc_.insertMode) {
    // The block covers the character after the caret, or a space's width at a line's end.
    const TParagraphLayout& pl = layout_->Paragraph(c.par);
    bool atChar = c.offset < line.start + line.length && doc_.Par(c.par).text[c.offset] >= 32;
    width = atChar ? pl.widths[c.offset] : std::max(4, line.height / 3);
  }
  return QRect(x, int(y), std::max(width, 2), std::max(line.height, 1));
}

QRect TRichText::CharacterRect(TPosition at) {
  at = editor_.Clamp(at);
  const TParagraphLayout& pl = layout_->Paragraph(at.par);
  size_t li = layout_->LineOf(at.par, at.offset);
  const TDisplayLine& line = pl.lines[li];
  int x = layout_->XOf(at.par, li, at.offset) + TextOriginX();
  int64_t y = layout_->ParagraphTop(at.par) + line.top + Margin() - verticalScrollBar()->value();
  int width = at.offset < line.start + line.length ? pl.widths[at.offset] : 1;
  return QRect(x, int(y), std::max(width, 1), std::max(line.height, 1));
}

void TRichText::RestartBlink() {
  // The caret shows at once after every move, and blinks while the text has
  // the focus; a flash time of 0 means the caret does not blink.
  caretOn_ = true;
  int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_->start(flash / 2);
  } else {
    blink_->stop();
  }
  viewport()->update();
}

void TRichText::EnsureCaretVisible() {
  QRect r = CaretRect();
  // On the document's first or last line the margin above or below shows too.
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  if (c.par == 0 && li == 0) r.setTop(r.top() - Margin());
  if (c.par + 1 == doc_.Size() && li + 1 == layout_->Paragraph(c.par).lines.size()) {
    r.setBottom(r.bottom() + Margin());
  }
  QScrollBar* v = verticalScrollBar();
  if (r.top() < 0) v->setValue(v->value() + r.top());
  if (r.bottom() > viewport()->height()) v->setValue(v->value() + r.bottom() - viewport()->height() + 1);
  QScrollBar* h = horizontalScrollBar();
  if (r.left() < 0) h->setValue(h->value() + r.left());
  if (r.right() > viewport()->width()) h->setValue(h->value() + r.right() - viewport()->width() + 1);
}

void TRichText::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), ToQColor(painter_->options.paperColor));
  TQtSurface surface(p, false);
  const TTextHeader& h = doc_.Header();
  painter_->options.pageHeight = layout_->TwipsY(h.pageHeight - h.marginTop - h.marginBottom);
  painter_->options.selStart = editor_.SelStart();
  painter_->options.selEnd = editor_.SelEnd();
  int originX = Margin() - horizontalScrollBar()->value();
  int64_t originY = Margin() - int64_t(verticalScrollBar()->value());
  painter_->Paint(surface, originX, originY, event->rect().top(), event->rect().bottom() + 1);
  PaintMarks(surface, originX, originY, event->rect().top(), event->rect().bottom() + 1);
  if (CaretShown() && !editor_.HasSelection()) {
    // A bar in insert mode; in overwrite mode a block over the character
    // that typing replaces, which shows through it inverted.
    if (!doc_.insertMode) p.setCompositionMode(QPainter::CompositionMode_Difference);
    const QColor ink = DarkPage() ? ToQColor(kLightInk) : QColor(Qt::black);
    p.fillRect(CaretRect(), doc_.insertMode ? ink : QColor(Qt::white));
  }
}

void TRichText::SetDarkPage(bool dark) {
  painter_->options.lightInk = dark;
  painter_->options.paperColor = dark ? kDarkPaper : 0xFFFFFF;
  QPalette paper = palette();
  paper.setColor(QPalette::Base, ToQColor(painter_->options.paperColor));
  paper.setColor(QPalette::Text, dark ? ToQColor(kLightInk) : QColor(Qt::black));
  setPalette(paper);
  viewport()->setPalette(paper);
  viewport()->update();
}

void TRichText::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void TRichText::scrollContentsBy(int, int) { viewport()->update(); }

void TRichText::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
}

void TRichText::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  RestartBlink();  // stops it
  autoScroll_->stop();
  dragging_ = false;
}

}  // namespace richtext
