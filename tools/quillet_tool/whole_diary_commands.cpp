// SPDX-License-Identifier: GPL-3.0-or-later
// search, export and print: work on every entry of a range of days.
#include "tool.h"

#include <base/error.h>
#include <base/safe_file.h>
#include <finding/export.h>
#include <finding/search.h>
#include <finding/ui/print_job.h>

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>
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

int Export(TArgs& args) {
  TEntryStore store = OpenDiary(args.DiaryDir());
  TRange range = RangeOptions(args, store);
  const std::filesystem::path dir = args.Operands(1)[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) throw Failure("no such directory: " + dir.string());
  TExportResult r = ExportEntries(store, range.first, range.last, dir);
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

  // Fonts and painting need a GUI application, but never a display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "quillet-tool";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "quillet-tool print: %s\n", text.toLocal8Bit().constData());
    }
  });
  QGuiApplication app(argc, argv);

  // The PDF is written beside its target and renamed over it once complete.
  const std::filesystem::path target = *pdf;
  std::filesystem::path temp = target;
  temp += ".part" + std::to_string(getpid());
  TPrintOutcome outcome;
  std::string failure;
  int pages = 0;
  {
    QPdfWriter writer(QString::fromStdString(temp.string()));
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    TPrintJob job(store, writer);
    outcome = job.Run(range.first, range.last, merged);
    failure = job.Failure();
    pages = job.EntriesPrinted() > 0 || merged ? job.Pages() : 0;
  }
  if (outcome != TPrintOutcome::kCompleted || pages == 0) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    if (outcome != TPrintOutcome::kCompleted) throw Failure(failure);
    throw Failure("no entry to print between " + DayKey(range.first) + " and " + DayKey(range.last));
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw Failure("cannot write " + target.string() + ": " + ec.message());
  }
  std::printf("%d\n", pages);
  return 0;
}

}  // namespace

void AddWholeDiaryCommands(std::vector<TCommand>& commands) {
  commands.push_back({"search", "TEXT [--from DAYKEY] [--to DAYKEY]",
                      "the day keys of the entries holding TEXT (letter case aside; * is a wildcard)",
                      Search});
  commands.push_back({"export", "[--from DAYKEY] [--to DAYKEY] DIR",
                      "entries as plain RTF files DIR/yyyymmdd.RTF; prints the count", Export});
  commands.push_back({"print", "[--from DAYKEY] [--to DAYKEY] [--merged] --pdf FILE",
                      "entries printed to a PDF file, each on its own pages or merged; prints the page count",
                      Print});
}

}  // namespace quillet::tool
