// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/export.h>

#include <base/safe_file.h>
#include <diary/ascii.h>
#include <finding/entry_heading.h>
#include <richtext/html.h>
#include <richtext/io.h>
#include <richtext/markdown.h>
#include <richtext/stream.h>
#include <richtext/writer.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

std::function<bool(std::string_view)>& FaultHook() {
  static std::function<bool(std::string_view)> hook;
  return hook;
}

bool Allowed(std::string_view step) { return !FaultHook() || FaultHook()(step); }

std::string Reason(int err) { return std::strerror(err); }

// One export file on its way: the bytes are in a temporary file beside the
// target, readable by the user alone, until it has reached the disk; then it
// gets the user's usual permissions and is renamed over the target.
struct TPending {
  TDate day;
  std::filesystem::path target;
  std::string temp;
};

// Every file is written to its temporary file, then all of them are flushed to
// disk with one call, and only then are they renamed over their targets. A
// crash at any moment leaves each target either as it was or complete, and
// the export costs one flush instead of one per file (a flush of a shared
// disk can take seconds, whatever little it holds of ours).

class TBatchWriter {
 public:
  TBatchWriter(const std::filesystem::path& directory, TExportResult& result)
      : directory_(directory), result_(result) {}
  ~TBatchWriter() {
    for (TPending& p : pending_) ::unlink(p.temp.c_str());
  }

  void Add(TDate day, const std::filesystem::path& target, std::string_view bytes) {
    // A target that is a link keeps being one: written in place the careful way.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && (S_ISLNK(st.st_mode) || st.st_nlink > 1)) {
      try {
        WriteFileSafely(target, bytes);
        ++result_.written;
      } catch (const std::exception& e) {
        Fail(day, target, e.what());
      }
      return;
    }
    std::string temp = (directory_ / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = Allowed("create") ? ::mkostemp(temp.data(), O_CLOEXEC) : (errno = ENOSPC, -1);
    if (fd < 0) {
      Fail(day, target, Reason(errno));
      return;
    }
    const char* at = bytes.data();
    size_t left = bytes.size();
    int err = 0;
    while (left > 0) {
      ssize_t n = Allowed("write") ? ::write(fd, at, left) : (errno = ENOSPC, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        err = n < 0 ? errno : EIO;
        break;
      }
      at += n;
      left -= size_t(n);
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
      ::unlink(temp.c_str());
      Fail(day, target, Reason(err));
      return;
    }
    pending_.push_back({day, target, std::move(temp)});
  }

  void Flush() {
    if (pending_.empty()) return;
    int dirFd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool synced = dirFd >= 0 && Allowed("flush") && ::syncfs(dirFd) == 0;
    int syncErr = synced ? 0 : (errno ? errno : EIO);
    for (TPending& p : pending_) {
      if (!synced) {
        ::unlink(p.temp.c_str());
        Fail(p.day, p.target, Reason(syncErr));
      } else if (!Allowed("rename") || ::chmod(p.temp.c_str(), 0666 & ~CurrentUmask()) != 0 ||
                 ::rename(p.temp.c_str(), p.target.c_str()) != 0) {
        int err = errno ? errno : ENOSPC;
        ::unlink(p.temp.c_str());
        Fail(p.day, p.target, Reason(err));
      } else {
        ++result_.written;
      }
    }
    pending_.clear();
    if (dirFd >= 0) {
      ::fsync(dirFd);  // the renames themselves
      ::close(dirFd);
    }
  }

 private:
  static mode_t CurrentUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
  }

  void Fail(TDate day, const std::filesystem::path& target, const std::string& why) {
    result_.failedDays.push_back(day);
    result_.problems.push_back(ShortDate(day) + ": " + target.string() + " could not be written: " + why);
  }

  std::filesystem::path directory_;
  TExportResult& result_;
  std::vector<TPending> pending_;
};

struct TFormatInfo {
  TExportFormat format;
  const char* key;
  const char* name;
  const char* extension;
};

constexpr TFormatInfo kFormats[] = {
    {TExportFormat::kRtf, "rtf", "Rich Text Format (RTF)", ".RTF"},
    {TExportFormat::kHtml, "html", "HTML", ".html"},
    {TExportFormat::kMarkdown, "md", "Markdown", ".md"},
    {TExportFormat::kText, "txt", "plain text (UTF-8)", ".txt"},
    {TExportFormat::kPdf, "pdf", "PDF", ".pdf"},
};

const TFormatInfo& Info(TExportFormat format) {
  for (const TFormatInfo& f : kFormats) {
    if (f.format == format) return f;
  }
  return kFormats[0];
}

// True for the names an export writes, in any letter case: "yyyymmdd.EXT"
// and "yyyymmdd-yyyymmdd.EXT" for every format's extension.
bool IsExportFileName(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view stem = name.substr(0, dot), extension = name.substr(dot);
  bool known = false;
  for (const TFormatInfo& f : kFormats) known = known || EqualNoCase(extension, f.extension);
  if (!known) return false;
  if (stem.size() == 8) return ParseDayKey(stem).has_value();
  return stem.size() == 17 && stem[8] == '-' && ParseDayKey(stem.substr(0, 8)) && ParseDayKey(stem.substr(9));
}

std::string LoadFailure(TDate day) { return ShortDate(day) + ": the entry could not be read"; }

// Held on the export directory while an export writes there. Its temporary
// files stay closed until they are renamed, so the directory itself is locked
// (shared) to tell an export under way from one that was cut off; the files
// left by a cut-off export are removed first, when no other export is at work.
class TExportDirectoryLock {
 public:
  explicit TExportDirectoryLock(const std::filesystem::path& directory)
      : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) RemoveStaleTemporaries(directory, IsExportFileName);
    ::flock(fd_, LOCK_SH);
  }
  ~TExportDirectoryLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TExportDirectoryLock(const TExportDirectoryLock&) = delete;
  TExportDirectoryLock& operator=(const TExportDirectoryLock&) = delete;

 private:
  int fd_;
};

}  // namespace

void SetExportFaultHook(std::function<bool(std::string_view step)> hook) { FaultHook() = std::move(hook); }

const char* ExportFormatKey(TExportFormat format) { return Info(format).key; }
const char* ExportFormatName(TExportFormat format) { return Info(format).name; }
const char* ExportExtension(TExportFormat format) { return Info(format).extension; }
bool AlwaysOneFile(TExportFormat format) { return format == TExportFormat::kPdf; }

std::optional<TExportFormat> ExportFormatFromKey(std::string_view key) {
  for (const TFormatInfo& f : kFormats) {
    if (key == f.key) return f.format;
  }
  return std::nullopt;
}

std::filesystem::path ExportFileName(const std::filesystem::path& directory, TDate day, TExportFormat format) {
  return directory / (DayKey(day) + ExportExtension(format));
}

std::filesystem::path ExportRangeFileName(const std::filesystem::path& directory, TDate first, TDate last,
                                          TExportFormat format) {
  std::string stem = first == last ? DayKey(first) : DayKey(first) + "-" + DayKey(last);
  return directory / (stem + ExportExtension(format));
}

namespace {

// The entry's paragraphs as the format writes them, without a page around them.
std::string Body(TExportFormat format, richtext::TRTFTextIo& doc) {
  richtext::TStringStream out;
  if (format == TExportFormat::kHtml) {
    richtext::THtmlWriter writer(doc);
    writer.bodyOnly = true;
    writer.Write(out);
  } else if (format == TExportFormat::kMarkdown) {
    richtext::TMarkdownWriter(doc).Write(out);
  } else {
    return richtext::PlainTextLines(doc);
  }
  return out.bytes;
}

// The date and the entry as one part of a page.
std::string HeadedBody(TExportFormat format, TDate day, richtext::TRTFTextIo& doc) {
  const std::string date = LongDate(day);
  switch (format) {
    case TExportFormat::kHtml: return richtext::HtmlHeading(date) + Body(format, doc);
    case TExportFormat::kMarkdown: return richtext::MarkdownHeading(date) + Body(format, doc);
    default: return date + "\n\n" + Body(format, doc);
  }
}

// The entry's bytes read and written as the format's part of a page, under
// its date; empty when they cannot be read as an entry.
std::optional<std::string> HeadedEntry(TExportFormat format, TDate day, std::string_view bytes) {
  richtext::TRTFTextIo doc;
  if (doc.LoadFromStream(bytes) != richtext::ioOk) return std::nullopt;
  return HeadedBody(format, day, doc);
}

}  // namespace

std::optional<std::string> ExportedEntry(TExportFormat format, TDate day, std::string_view bytes, bool heading) {
  if (format == TExportFormat::kRtf && !heading) return std::string(bytes);
  if (format == TExportFormat::kPdf) return std::nullopt;
  if (format == TExportFormat::kRtf) {
    richtext::TRTFTextIo doc;
    if (doc.LoadFromStream(bytes) != richtext::ioOk) return std::nullopt;
    richtext::TRTFTextIo sheet;
    PutUnderDateHeading(sheet, doc, day);
    sheet.saveFormat = richtext::FormatRTF;
    richtext::TStringStream out;
    if (sheet.SaveToStream(out, true) != richtext::ioOk) return std::nullopt;
    return out.bytes;
  }
  std::optional<std::string> part = HeadedEntry(format, day, bytes);
  if (part && format == TExportFormat::kHtml) {
    part = richtext::HtmlPageStart(LongDate(day)) + *part + richtext::HtmlPageEnd();
  }
  return part;
}

TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory, const TDayProgress& progress) {
  return ExportEntries(store, first, last, directory, TExportOptions{}, progress);
}

TExportResult ExportEntries(const TEntryStore& store, TDate first, TDate last,
                            const std::filesystem::path& directory, const TExportOptions& options,
                            const TDayProgress& progress) {
  const TExportFormat format = options.format;
  const bool oneFile = AlwaysOneFile(format) || (options.oneFile && format == TExportFormat::kHtml);
  TExportResult result;
  {
    TExportDirectoryLock lock(directory);
    TBatchWriter writer(directory, result);
    if (format == TExportFormat::kPdf) {
      if (!options.renderPdf) throw std::logic_error("a PDF export needs a renderer");
      std::string pdf = first <= last ? options.renderPdf(first, last, result, progress) : std::string();
      if (!pdf.empty()) writer.Add(first, ExportRangeFileName(directory, first, last, format), pdf);
    } else {
      std::string page;  // one file: the entries so far
      bool any = false;
      auto fail = [&result](TDate day, std::string problem) {
        result.failedDays.push_back(day);
        result.problems.push_back(std::move(problem));
      };
      for (const auto& [day, file] : EntryFilesIn(store, first, last)) {
        if (progress) progress(day);
        TEntryRead read = store.ReadFile(day, file);
        if (read.status == TEntryRead::kNone) continue;
        if (read.status == TEntryRead::kUnreadable) {
          fail(day, read.problem);
          continue;
        }
        std::optional<std::string> part = oneFile ? HeadedEntry(format, day, read.bytes)
                                                  : ExportedEntry(format, day, read.bytes, options.heading);
        if (!part) {
          fail(day, LoadFailure(day));
        } else if (oneFile) {
          page += *part;
          any = true;
        } else {
          writer.Add(day, ExportFileName(directory, day, format), *part);
        }
      }
      if (any) {
        const std::string title = first == last ? LongDate(first) : LongDate(first) + " \u2013 " + LongDate(last);
        writer.Add(first, ExportRangeFileName(directory, first, last, format),
                   richtext::HtmlPageStart(title) + page + richtext::HtmlPageEnd());
      }
    }
    writer.Flush();
  }
  // Failures were found in two passes; name them in date order.
  std::vector<size_t> order(result.failedDays.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return result.failedDays[a] < result.failedDays[b]; });
  TExportResult sorted;
  sorted.written = result.written;
  for (size_t i : order) {
    sorted.failedDays.push_back(result.failedDays[i]);
    sorted.problems.push_back(result.problems[i]);
  }
  return sorted;
}

std::string ExportReport(const TExportResult& result, const std::string& directory, TExportFormat format) {
  std::string text = "Saved " + std::to_string(result.written) + " file(s) as " + ExportFormatName(format) +
                     "\rto directory: " + directory;
  if (!result.failedDays.empty()) {
    text += "\r\r" + std::to_string(result.failedDays.size()) +
            " entr" + (result.failedDays.size() == 1 ? "y was" : "ies were") + " not saved:";
    for (const std::string& p : result.problems) text += "\r" + p;
  }
  return text;
}

}  // namespace quillet
