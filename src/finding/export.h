// SPDX-License-Identifier: GPL-3.0-or-later
/** Writing entries out as files named after their days: RTF, HTML, Markdown, plain text, PDF. */
#pragma once

#include <finding/day_walk.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

namespace quillet {

struct TExportResult {
  int written = 0;                    // files actually written
  std::vector<TDate> failedDays;
  std::vector<std::string> problems;  // one line per failed day, naming it and why
};

enum class TExportFormat { kRtf, kHtml, kMarkdown, kText, kPdf };

// "rtf", "html", "md", "txt", "pdf": the format's word on a command line.
const char* ExportFormatKey(TExportFormat format);
std::optional<TExportFormat> ExportFormatFromKey(std::string_view key);
// How the report names it: "Rich Text Format (RTF)", "HTML", "Markdown",
// "plain text (UTF-8)", "PDF".
const char* ExportFormatName(TExportFormat format);
// ".RTF", ".html", ".md", ".txt", ".pdf".
const char* ExportExtension(TExportFormat format);
// Whether the whole range always goes into one file (PDF).
bool AlwaysOneFile(TExportFormat format);

// Draws the entries of a range as one PDF and gives its bytes, empty when no
// entry was drawn. A day that cannot be read is added to `result` and left
// out; `progress` is called as the days go by. Given by a layer that can paint.
using TPdfRenderer = std::function<std::string(TDate first, TDate last, TExportResult& result,
                                               const TDayProgress& progress)>;

struct TExportOptions {
  TExportFormat format = TExportFormat::kRtf;
  // HTML: the whole range as one page, each entry under its date. PDF is always one file.
  bool oneFile = false;
  // RTF: each entry rewritten with its date as the first paragraph, instead of
  // its bytes as stored. The other formats always head an entry with its date.
  bool heading = false;
  TPdfRenderer renderPdf;  // needed for PDF
};

// The export file of a day: "yyyymmdd.RTF" (or .html, .md, .txt) in `directory`.
std::filesystem::path ExportFileName(const std::filesystem::path& directory, TDate day,
                                     TExportFormat format = TExportFormat::kRtf);
// The one file of a range: "yyyymmdd-yyyymmdd.html" (or .pdf); a single day's key alone.
std::filesystem::path ExportRangeFileName(const std::filesystem::path& directory, TDate first, TDate last,
                                          TExportFormat format);

// One entry's export file as `format` gives it (not PDF). `bytes` are the
// entry's deciphered bytes. Empty when they cannot be read as an entry.
std::optional<std::string> ExportedEntry(TExportFormat format, TDate day, std::string_view bytes,
                                         bool heading = false);

// Writes each entry from `first` to `last` inclusive into `directory`: as
// "yyyymmdd.RTF" holding exactly the entry's deciphered bytes (a plain
// diary's files are copied byte for byte) unless a heading is asked for; as
// "yyyymmdd.html", ".md" or ".txt" headed by the entry's long date; or the
// whole range as one HTML page or one PDF named after the range. Each file goes
// through a temporary file and a rename, so a failure never leaves a
// half-written file; an existing file of the name is replaced. A day that
// fails is named with the reason and the export goes on with the next.
// `progress` is called before each entry.
TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory, const TExportOptions& options,
                            const TDayProgress& progress = {});
TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory,
                            const TDayProgress& progress = {});

// Test seam: asked before each step of writing an export file ("create",
// "write", "flush", "rename"); false makes that step fail as a full disk would.
// An empty function removes it.
void SetExportFaultHook(std::function<bool(std::string_view step)> hook);

// "Saved N file(s) as Rich Text Format (RTF)\rto directory: DIR" (or as the
// format's name), followed by the failed days when there are any.
std::string ExportReport(const TExportResult& result, const std::string& directory,
                         TExportFormat format = TExportFormat::kRtf);

}  // namespace quillet
