#include <finding/export.h>

#include <base/safe_file.h>

namespace quillet {

std::filesystem::path ExportFileName(const std::filesystem::path& directory, TDate day) {
  return directory / (DayKey(day) + ".RTF");
}

TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory,
                            const TDayProgress& progress) {
  TExportResult result;
  for (TDate day : EntryDaysIn(store, first, last)) {
    if (progress) progress(day);
    TEntryRead read = store.Read(day);
    if (read.status == TEntryRead::kNone) continue;
    if (read.status == TEntryRead::kUnreadable) {
      result.failedDays.push_back(day);
      result.problems.push_back(read.problem);
      continue;
    }
    std::filesystem::path target = ExportFileName(directory, day);
    try {
      WriteFileSafely(target, read.bytes);
      ++result.written;
    } catch (const std::exception& e) {
      result.failedDays.push_back(day);
      result.problems.push_back(ShortDate(day) + ": " + target.string() + " could not be written: " +
                                e.what());
    }
  }
  return result;
}

std::string ExportReport(const TExportResult& result, const std::string& directory) {
  std::string text = "Saved " + std::to_string(result.written) +
                     " file(s) as Rich Text Format (RTF)\rto directory: " + directory;
  if (!result.failedDays.empty()) {
    text += "\r\r" + std::to_string(result.failedDays.size()) +
            " entr" + (result.failedDays.size() == 1 ? "y was" : "ies were") + " not saved:";
    for (const std::string& p : result.problems) text += "\r" + p;
  }
  return text;
}

}  // namespace quillet
