// SPDX-License-Identifier: GPL-3.0-or-later
// search, export and print: work on every entry of a range of days.
#include "tool.h"

#include <base/error.h>
#include <base/safe_file.h>
#include <finding/export.h>
#include <finding/search.h>
#include <finding/ui/print_job.h>

#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <unistd.h>

namespace quillet::tool {
namespace {

struct TRange {
  TDate first, last;
};

TDate DayOption(TArgs& args, const std::string& name, TDate fallback) {
  std::optional<std::string> key = args.TakeOption(name);
  if (!key) return fallback;
  return DayKeyArgument(*key, name);
}

// --from and --to; without them, every entry (from the first to the last entry day).
TRange RangeOptions(TArgs& args, const TEntryStore& store) {
  TRange r;
  r.first = DayOption(args, "--from", store.FirstDiaryRecord());
  r.last = DayOption(args, "--to", store.LastDiaryRecord());
  return r;
}

void Complain(const std::vector<std::string>& problems) {
  for (const std::string& p : problems) std::fprintf(stderr, "quillet-tool: %s\n", p.c_str());
}

int Search(TArgs& args) {
  TEntryStore store = OpenDiary(args.DiaryDir());
  // Without bounds every entry is searched: no listing is needed to find the first and last.
  TRange range{DayOption(args, "--from", FirstDate()), DayOption(args, "--to", LastDate())};
  const std::string text = args.Operands(1)[0];
  if (text.empty()) throw UsageError("the text to look for is empty");
  TSearchResult r = SearchAllEntries(store, range.first, range.last, text, [](TDate day) {
    std::printf("%s\n", DayKey(day).c_str());
    return true;
  });
  const std::vector<std::string>& problems = r.problems;
  std::fflush(stdout);
  if (problems.empty()) return 0;
  Complain(problems);
  std::fprintf(stderr, "quillet-tool search: %zu entr%s could not be searched\n", problems.size(),
               problems.size() == 1 ? "y" : "ies");
  return 1;
}

// Fonts and painting need a GUI application, but never a display.
void StartPainting(const char* command) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "quillet-tool";
  static char* argv[] = {name, nullptr};
  static const char* shown = command;
  shown = command;
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "quillet-tool %s: %s\n", shown, text.toLocal8Bit().constData());
    }
  });
  static QGuiApplication app(argc, argv);
}

int Export(TArgs& args) {
  std::optional<std::string> key = args.TakeOption("--format");
  TExportOptions options;
  options.oneFile = args.TakeFlag("--one-file");
  options.heading = args.TakeFlag("--heading");
  if (key) {
    std::optional<TExportFormat> format = ExportFormatFromKey(*key);
    if (!format) throw UsageError("--format: '" + *key + "' is not one of rtf, html, md, txt, pdf");
    options.format = *format;
  }
  if (options.oneFile && options.format != TExportFormat::kHtml && !AlwaysOneFile(options.format)) {
    throw UsageError("--one-file: only an HTML export is put into one file (a PDF always is)");
  }
  TEntryStore store = OpenDiary(args.DiaryDir());
  TRange range = RangeOptions(args, store);
  const std::filesystem::path dir = args.Operands(1)[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw Failure("no such directory: " + dir.string());
  if (options.format == TExportFormat::kPdf) {
    StartPainting("export");
    options.renderPdf = PdfExportRenderer(store);
  }
  TExportResult r = ExportEntries(store, range.first, range.last, dir, options);
  std::printf("%d\n", r.written);
  if (r.failedDays.empty()) return 0;
  Complain(r.problems);
  return 1;
}

int Print(TArgs& args) {
  const bool merged = args.TakeFlag("--merged");
  std::optional<std::string> pdf = args.TakeOption("--pdf");
  TEntryStore store = OpenDiary(args.DiaryDir());
  TRange range = RangeOptions(args, store);
  args.Operands(0);
  if (!pdf || pdf->empty()) throw UsageError("--pdf FILE is needed");

  StartPainting("print");
  TPdfPrint printed = PrintToPdf(store, range.first, range.last, merged);
  if (printed.outcome != TPrintOutcome::kCompleted) throw Failure(printed.failure);
  if (printed.pages == 0) {
    throw Failure("no entry to print between " + DayKey(range.first) + " and " + DayKey(range.last));
  }
  // The PDF is written beside its target and renamed over it once complete.
  const std::filesystem::path target = *pdf;
  std::filesystem::path temp = target;
  temp += ".part" + std::to_string(getpid());
  std::error_code ec;
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  bool written = f && std::fwrite(printed.bytes.data(), 1, printed.bytes.size(), f) == printed.bytes.size();
  if (f && std::fclose(f) != 0) written = false;
  if (written) std::filesystem::rename(temp, target, ec);
  if (!written || ec) {
    const std::string why = !written ? std::strerror(errno) : ec.message();
    std::filesystem::remove(temp, ec);
    throw Failure("cannot write " + target.string() + ": " + why);
  }
  std::printf("%d\n", printed.pages);
  return 0;
}

}  // namespace

void AddWholeDiaryCommands(std::vector<TCommand>& commands) {
  commands.push_back({"search", "TEXT [--from DAYKEY] [--to DAYKEY]",
                      "the day keys of the entries holding TEXT (letter case aside; * is a wildcard)",
                      Search});
  commands.push_back({"export",
                      "[--from DAYKEY] [--to DAYKEY] [--format rtf|html|md|txt|pdf] [--one-file] [--heading] DIR",
                      "entries as files DIR/yyyymmdd.RTF (.html, .md, .txt), or the range as one file "
                      "(--one-file for HTML; PDF always), each headed by its date (RTF: with --heading); "
                      "prints the count",
                      Export});
  commands.push_back({"print", "[--from DAYKEY] [--to DAYKEY] [--merged] --pdf FILE",
                      "entries printed to a PDF file, each on its own pages or merged; prints the page count",
                      Print});
}

}  // namespace quillet::tool
