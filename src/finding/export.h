// SPDX-License-Identifier: GPL-3.0-or-later
/** Writing entries out as plain RTF files named after their days. */
#pragma once

#include <finding/day_walk.h>

#include <filesystem>
#include <functional>
#include <string_view>
#include <string>
#include <vector>

namespace quillet {

struct TExportResult {
  int written = 0;                    // files actually written
  std::vector<TDate> failedDays;
  std::vector<std::string> problems;  // one line per failed day, naming it and why
};

// The export file of a day: "yyyymmdd.RTF" in `directory`.
std::filesystem::path ExportFileName(const std::filesystem::path& directory, TDate day);

// Writes each entry from `first` to `last` inclusive into `directory` as
// "yyyymmdd.RTF", holding exactly the entry's deciphered bytes (a plain diary's
// files are copied byte for byte). Each file goes through a temporary file and
// a rename, so a failure never leaves a half-written file; an existing file of
// the name is replaced. A day that fails is named with the reason and the
// export goes on with the next. `progress` is called before each entry.
TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory,
                            const TDayProgress& progress = {});

// Test seam: asked before each step of writing an export file ("create",
// "write", "flush", "rename"); false makes that step fail as a full disk would.
// An empty function removes it.
void SetExportFaultHook(std::function<bool(std::string_view step)> hook);

// "Saved N file(s) as Rich Text Format (RTF)\rto directory: DIR", followed by
// the failed days when there are any.
std::string ExportReport(const TExportResult& result, const std::string& directory);

}  // namespace quillet
