// SPDX-License-Identifier: GPL-3.0-or-later
// Printing of TRichText: a layout for the printer's resolution, pages cut
// by the engine, header and footer bands drawn by the caller.
#include <richtext/ui/rich_text.h>

#include <QPrinter>

namespace richtext {

bool TRichText::PrintAll(QPrinter& printer) {
  const TTextHeader& h = doc_.Header();
  printer.setFullPage(true);  // margins are the document's, measured from the paper's edge
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  TQtFontMetrics metrics(&printer);
  TLayout layout(doc_, metrics);
  TPainter paint(doc_, layout);
  int left = layout.TwipsX(h.marginLeft), top = layout.TwipsY(h.marginTop);
  int textWidth = std::max(16, layout.TwipsX(h.pageWidth - h.marginLeft - h.marginRight));
  int textHeight = std::max(16, layout.TwipsY(h.pageHeight - h.marginTop - h.marginBottom));
  int paperHeight = layout.TwipsY(h.pageHeight);
  layout.SetWrapWidth(textWidth);
  TQtSurface surface(painter, true);

  std::vector<TPageStart> pages = layout.Paginate(textHeight);
  long lineNumber = 0;
  size_t par = 0, li = 0;
  for (size_t page = 0; page < pages.size(); ++page) {
    if (page > 0 && !printer.newPage()) return false;
    if (PrintHeader) PrintHeader(painter, QRect(left, 0, textWidth, top), int(page + 1), lineNumber);
    int y = top;
    size_t endPar = page + 1 < pages.size() ? pages[page + 1].par : doc_.Size();
    size_t endLine = page + 1 < pages.size() ? pages[page + 1].line : 0;
    while (par < doc_.Size() && (par < endPar || (par == endPar && li < endLine))) {
      const TParagraphLayout& pl = layout.Paragraph(par);
      if (li >= pl.lines.size()) {
        ++par;
        li = 0;
        continue;
      }
      if (li == 0 && layout.RowLast(par) > par) {  // a table row, its cells side by side
        for (size_t k = par; k <= layout.RowLast(par); ++k) lineNumber += long(layout.Paragraph(k).lines.size());
        y += pl.rowHeight;
        par = paint.PaintRow(surface, par, left, y - pl.rowHeight);
        continue;
      }
      paint.PaintLine(surface, par, li, left, y);
      y += pl.lines[li].height;
      ++li;
      ++lineNumber;
    }
    if (PrintFooter) {
      PrintFooter(painter, QRect(left, top + textHeight, textWidth, paperHeight - top - textHeight),
                  int(page + 1), lineNumber);
    }
  }
  return painter.end();
}

long TRichText::PrintOnCanvas(QPainter& painter, int mode, long firstLine, const QRect& rect) {
  if (mode == 2) {
    printMetrics_ = std::make_unique<TQtFontMetrics>(painter.device());
    printLayout_ = std::make_unique<TLayout>(doc_, *printMetrics_);
    printLayout_->SetWrapWidth(std::max(16, rect.width()));
    return 0;
  }
  if (mode == 4) {
    printLayout_.reset();
    printMetrics_.reset();
    return 0;
  }
  if (!printLayout_) return 0;
  TPainter paint(doc_, *printLayout_);
  TQtSurface surface(painter, true);
  return paint.PaintPage(mode == 1 ? &surface : nullptr, firstLine, rect.left(), rect.top(), rect.bottom() + 1);
}

}  // namespace richtext
