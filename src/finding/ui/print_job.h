// SPDX-License-Identifier: GPL-3.0-or-later
/** The print job: entries laid out on pages, each on its own sheets or merged under date headings. */
#pragma once

#include <diary/entry_store.h>
#include <finding/export.h>
#include <finding/print_plan.h>

#include <functional>
#include <memory>
#include <string>

class QPagedPaintDevice;
class QPainter;

namespace quillet {

enum class TPrintOutcome { kCompleted, kCancelled, kFailed };

// Prints the entries of a range on a paged device (a QPrinter, a QPdfWriter).
// The device is used as a full sheet: painter coordinates start at the paper's
// corner. One painter serves the whole job, so a PDF holds every entry.
//
// Separate layout: each entry starts on a fresh sheet, with 1-inch margins, a
// header band holding the entry's long date over a rule, and a footer rule.
// Merged layout: entries follow one another under date headings; each block is
// as short as its text allows in quarter-inch steps, the next starts a quarter
// inch below it, and on a new page when less than half an inch would remain.
class TPrintJob {
 public:
  TPrintJob(const TEntryStore& store, QPagedPaintDevice& device);
  ~TPrintJob();

  // Called after each calendar day of the range (with or without an entry);
  // gives true to cancel the job there.
  std::function<bool(TDate day)> dayDone;
  // Asked to drop what the device holds when the job is cancelled or fails.
  std::function<void()> abort;
  // When given, a day whose entry cannot be read is passed here and left out;
  // without it the job fails there.
  std::function<void(TDate day, const std::string& problem)> unreadable;

  TPrintOutcome Run(TDate first, TDate last, bool merged);

  // After kFailed: which day and what went wrong.
  const std::string& Failure() const { return failure_; }
  int Pages() const { return pages_; }
  int EntriesPrinted() const { return entries_; }

  TPrintMargins margins;

 private:
  struct Impl;
  bool Begin();
  bool NewPage();
  void PrintSeparate(TDate day, std::string_view bytes);
  void PrintMerged(TDate day, std::string_view bytes);

  const TEntryStore& store_;
  QPagedPaintDevice& device_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<Impl> impl_;
  bool pageUsed_ = false;
  int pages_ = 0;
  int entries_ = 0;
  std::string failure_;
  // merged layout
  int y_ = 0;
  bool newPageNeeded_ = false;
};

// A range printed into a PDF held in memory: Letter paper used as a full
// sheet, 1200 dots per inch. Needs a GUI application object, never a display.
struct TPdfPrint {
  TPrintOutcome outcome = TPrintOutcome::kFailed;
  std::string bytes;    // the whole PDF once completed
  std::string failure;  // after kFailed
  int pages = 0;        // 0 when no entry was printed
};
// `setUp` may set the job's callbacks before it runs.
TPdfPrint PrintToPdf(const TEntryStore& store, TDate first, TDate last, bool merged,
                     const std::function<void(TPrintJob& job)>& setUp = {});

// What a PDF export draws with: each entry on its own pages under its date,
// as printing does; unreadable days are named and left out.
TPdfRenderer PdfExportRenderer(const TEntryStore& store);

}  // namespace quillet
