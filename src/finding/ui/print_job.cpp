// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/print_job.h>

#include <base/error.h>
#include <finding/day_walk.h>
#include <finding/entry_heading.h>
#include <richtext/io.h>
#include <richtext/layout.h>
#include <richtext/paint.h>
#include <richtext/unicode.h>
#include <richtext/ui/qt_platform.h>

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

namespace quillet {

using namespace richtext;

struct TPrintJob::Impl {
  explicit Impl(QPaintDevice* device) : metrics(device) {}
  TQtFontMetrics metrics;
  TPrinterMetrics printer;
  TRTFTextIo loader;  // the entry as read
  TRTFTextIo sheet;   // what is laid out and printed (merged: heading + entry)
  std::string headerText;
};

TPrintJob::TPrintJob(const TEntryStore& store, QPagedPaintDevice& device)
    : store_(store), device_(device), impl_(std::make_unique<Impl>(&device)) {}

TPrintJob::~TPrintJob() {
  if (painter_ && painter_->isActive()) painter_->end();
}

bool TPrintJob::Begin() {
  if (painter_) return true;
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&device_)) return false;
  TPrinterMetrics& m = impl_->printer;
  m.dpiX = device_.logicalDpiX();
  m.dpiY = device_.logicalDpiY();
  m.printableWidth = device_.width();
  m.printableHeight = device_.height();
  m.offsetX = m.offsetY = 0;  // the device is used as a full sheet
  pages_ = 1;
  return true;
}

bool TPrintJob::NewPage() {
  if (!device_.newPage()) return false;
  ++pages_;
  pageUsed_ = false;
  return true;
}

void TPrintJob::PrintSeparate(TDate day, std::string_view bytes) {
  TRTFTextIo& doc = impl_->sheet;
  doc.Clear();
  doc.LoadFromStream(bytes);
  if (doc.IsEmpty()) return;
  if (!Begin()) throw Error("the printer could not be started");
  if (pageUsed_ && !NewPage()) throw Error("the printer refused a new page");
  impl_->headerText = LongDate(day);
  TPageLayout page = SeparatePageLayout(impl_->printer, margins);
  doc.SetPageLayout(page.left, page.right, page.top, page.bottom, page.width, page.height);

  TLayout layout(doc, impl_->metrics);
  const int left = layout.TwipsX(page.left), top = layout.TwipsY(page.top);
  const int textWidth = std::max(16, layout.TwipsX(page.width - page.left - page.right));
  const int textHeight = std::max(16, layout.TwipsY(page.height - page.top - page.bottom));
  const int paperHeight = layout.TwipsY(page.height);
  layout.SetWrapWidth(textWidth);
  TQtSurface surface(*painter_, true);
  QPainter& p = *painter_;

  auto header = [&](const QRect& band) {
    p.save();
    p.setPen(QPen(Qt::black, 1));
    QFont font("Arial");
    font.setPointSize(12);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    int textTop = int(band.y() + band.height() * 0.5);
    p.drawText(band.x(), textTop + QFontMetrics(font, &device_).ascent(),
               QString::fromStdString(impl_->headerText));
    int ruleY = band.y() + band.height() - band.height() / 4;
    p.drawLine(band.x(), ruleY, band.x() + band.width(), ruleY);
    p.restore();
  };
  auto footer = [&](const QRect& band) {
    p.save();
    p.setPen(QPen(Qt::black, 1));
    int q = int(impl_->printer.dpiY * 0.25);
    p.drawLine(band.x(), band.y() + q, band.x() + band.width(), band.y() + q);
    p.restore();
  };

  std::vector<TPageStart> starts = layout.Paginate(textHeight);
  for (size_t page = 0; page < starts.size(); ++page) {
    if (page > 0 && !NewPage()) throw Error("the printer refused a new page");
    header(QRect(left, 0, textWidth, top));
    int y = top;
    size_t par = starts[page].par, li = starts[page].line;
    size_t endPar = page + 1 < starts.size() ? starts[page + 1].par : doc.Size();
    size_t endLine = page + 1 < starts.size() ? starts[page + 1].line : 0;
    TPainter paint(doc, layout);
    while (par < doc.Size() && (par < endPar || (par == endPar && li < endLine))) {
      const TParagraphLayout& pl = layout.Paragraph(par);
      if (li >= pl.lines.size()) {
        ++par;
        li = 0;
        continue;
      }
      if (li == 0 && layout.RowLast(par) > par) {
        y += pl.rowHeight;
        par = paint.PaintRow(surface, par, left, y - pl.rowHeight);
        continue;
      }
      paint.PaintLine(surface, par, li, left, y);
      y += pl.lines[li].height;
      ++li;
    }
    footer(QRect(left, top + textHeight, textWidth, paperHeight - top - textHeight));
    pageUsed_ = true;
  }
  ++entries_;
}

void TPrintJob::PrintMerged(TDate day, std::string_view bytes) {
  TRTFTextIo& loader = impl_->loader;
  loader.Clear();
  loader.LoadFromStream(bytes);
  if (loader.IsEmpty()) return;
  const TMergedGeometry g = MergedGeometry(impl_->printer, margins);

  TRTFTextIo& doc = impl_->sheet;
  PutUnderDateHeading(doc, loader, day);
  doc.SetPageLayout(0, 0, 0, 0, g.blockWidthTwips, g.blockHeightTwips);
  // Blank paragraphs at the end of an entry would only push it onto a page of
  // its own; the gap to the next entry is the quarter inch.
  size_t keep = doc.Size();
  while (keep > 1 && doc.Par(keep - 1).text.empty() && !(doc.Par(keep - 1).flags & (pfPageBreak | pfTableCell))) --keep;
  if (keep < doc.Size()) doc.RemoveParagraphs(keep, doc.Size() - keep);

  if (newPageNeeded_) {
    if (!NewPage()) throw Error("the printer refused a new page");
    y_ = g.top;
    newPageNeeded_ = false;
  }
  TLayout layout(doc, impl_->metrics);
  layout.SetWrapWidth(std::max(16, g.textWidth));
  TQtSurface surface(*painter_, true);
  long firstLine = 0;
  for (;;) {
    int limit = FitLimit(g, y_, [&](int height) {
      return TPainter(doc, layout).PaintPage(nullptr, firstLine, g.left, y_, y_ + height);
    });
    long r = TPainter(doc, layout).PaintPage(&surface, firstLine, g.left, y_, limit);
    pageUsed_ = true;
    if (r > 0) {
      if (!NewPage()) throw Error("the printer refused a new page");
      y_ = g.top;
      firstLine = r;
      continue;
    }
    TNextStart next = NextEntryStart(g, limit);
    y_ = next.y;
    newPageNeeded_ = next.newPage;
    break;
  }
  ++entries_;
}

TPrintOutcome TPrintJob::Run(TDate first, TDate last, bool merged) {
  failure_.clear();
  if (merged) {
    if (!Begin()) {
      failure_ = "The printer could not be started.";
      return TPrintOutcome::kFailed;
    }
    y_ = MergedGeometry(impl_->printer, margins).top;
    newPageNeeded_ = false;
  }
  bool cancelled = false;
  std::string failedDay;
  try {
    WalkDays(store_, first, last, [&](TDate day, bool hasEntry) {
      if (hasEntry) {
        failedDay = ShortDate(day);
        TEntryRead read = store_.Read(day);
        if (read.status == TEntryRead::kUnreadable) {
          if (!unreadable) throw Error(read.problem);
          unreadable(day, read.problem);
        }
        if (read.status == TEntryRead::kOk) {
          if (merged) {
            PrintMerged(day, read.bytes);
          } else {
            PrintSeparate(day, read.bytes);
          }
        }
      }
      if (dayDone && dayDone(day)) cancelled = true;
      return !cancelled;
    });
  } catch (const std::exception& e) {
    failure_ = "Printing stopped at the entry of " + failedDay + ": " + e.what();
    if (abort) abort();
    if (painter_ && painter_->isActive()) painter_->end();
    return TPrintOutcome::kFailed;
  }
  if (cancelled) {
    if (abort) abort();
    if (painter_ && painter_->isActive()) painter_->end();
    return TPrintOutcome::kCancelled;
  }
  if (painter_ && painter_->isActive() && !painter_->end()) {
    failure_ = "The printer could not finish the job.";
    return TPrintOutcome::kFailed;
  }
  return TPrintOutcome::kCompleted;
}

TPdfPrint PrintToPdf(const TEntryStore& store, TDate first, TDate last, bool merged,
                     const std::function<void(TPrintJob& job)>& setUp) {
  TPdfPrint result;
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    TPrintJob job(store, writer);
    if (setUp) setUp(job);
    result.outcome = job.Run(first, last, merged);
    result.failure = job.Failure();
    result.pages = job.EntriesPrinted() > 0 || merged ? job.Pages() : 0;
  }
  if (result.outcome == TPrintOutcome::kCompleted && result.pages > 0) result.bytes = buffer.data().toStdString();
  return result;
}

TPdfRenderer PdfExportRenderer(const TEntryStore& store) {
  return [&store](TDate first, TDate last, TExportResult& result, const TDayProgress& progress) {
    const std::set<TDate> entryDays = EntryDaysIn(store, first, last);
    TPdfPrint pdf = PrintToPdf(store, first, last, false, [&](TPrintJob& job) {
      job.dayDone = [&](TDate day) {
        if (progress && entryDays.count(day)) progress(day);  // the status names the entries alone
        return false;
      };
      job.unreadable = [&](TDate day, const std::string& problem) {
        result.failedDays.push_back(day);
        result.problems.push_back(problem);
      };
    });
    if (pdf.outcome == TPrintOutcome::kFailed) {
      result.failedDays.push_back(first);
      result.problems.push_back(pdf.failure);
    }
    return pdf.bytes;
  };
}

}  // namespace quillet
