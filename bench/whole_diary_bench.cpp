// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-diary commands on a generated 20-year diary: 7,305 days, about
// 5,000 entries of 2 to 4 KB. Search for a text found only in the last entry,
// against `grep -ril` over the same entries as plain RTF files in the same
// run, under the old cipher, under strong encryption and with no password, in
// this process and as a whole `quillet-tool search` run (for strong
// encryption its one key derivation is also timed apart, as `kdf_s`); export
// of every entry; merged printing to PDF in pages per second; the results
// panel's first and last hit.
#include <finding/export.h>
#include <finding/search.h>
#include <finding/ui/print_job.h>
#include <finding/ui/search_results_panel.h>

#include <diary/cipher.h>
#include <diary/passwords.h>
#include <diary/strong_cipher.h>

#include <QApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <sys/resource.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPassword = "BENCH MARK";
constexpr const char* kNeedle = "Quetzalcoatl";

// How the generated diary is kept: the benchmarks' argument.
enum TProtection { kOldCipher = 0, kStrong = 1, kNoPassword = 2 };

struct GeneratedDiary {
  fs::path root;
  fs::path plain;  // the same entries as plain RTF, for grep
  TDate first, last;
  TEntryStore store{fs::path()};
  int entries = 0;
  size_t bytes = 0;

  explicit GeneratedDiary(TProtection protection) {
    // $TMPDIR picks the file system (e.g. /dev/shm against a disk).
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillet-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    plain = root / "plain";
    fs::create_directories(plain);
    store = TEntryStore(root / "diary");
    fs::create_directories(store.DiaryDir());
    if (protection == kStrong) {
      TSecretKey key = TSecretKey::Random();
      WriteKeyFile(KeyFileName(store.DiaryDir()), key, kPassword);
      WriteStoredProtection(store.DiaryDir(), {TCipher::Strong, ""});
      store.SetKey(TEntryKey::Strong(std::move(key)));
    } else if (protection == kOldCipher) {
      WriteStoredProtection(store.DiaryDir(), {TCipher::Compatible, kPassword});
      store.SetPassword(kPassword);
    }
    first = MakeDate(2005, 1, 1);
    last = first + std::chrono::days(7304);
    const char* words[] = {"morning", "walked", "river", "light", "talked", "summer", "train",
                           "late", "again", "letters", "garden", "window", "quiet", "Diary",
                           "rain", "coffee", "friends", "evening", "read", "wrote"};
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
    TDate lastEntry = first;
    for (TDate d = first; d <= last; d = NextDay(d)) {
      if (d != last && next() % 100 >= 68) continue;  // about two days in three
      size_t target = 2048 + next() % 2048;
      std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\\f0\\fs20 ";
      int w = 0;
      while (rtf.size() < target) {
        const char* word = words[next() % 20];
        if (w % 11 == 5) {
          rtf += "{\\b ";
          rtf += word;
          rtf += "} ";
        } else if (w % 17 == 3) {
          rtf += "caf\\'e9 ";
        } else {
          rtf += word;
          rtf += ' ';
        }
        if (++w % 40 == 0) rtf += "\\par\n";
      }
      if (d == last) rtf += kNeedle;
      rtf += "\\par}";
      store.Write(d, rtf);
      std::ofstream(plain / (DayKey(d) + ".RTF"), std::ios::binary) << rtf;
      ++entries;
      bytes += rtf.size();
      lastEntry = d;
    }
  }
  ~GeneratedDiary() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

GeneratedDiary& Diary(TProtection protection = kOldCipher) {
  static GeneratedDiary compatible(kOldCipher);
  if (protection == kOldCipher) return compatible;
  if (protection == kStrong) {
    static GeneratedDiary encrypted(kStrong);
    return encrypted;
  }
  static GeneratedDiary open(kNoPassword);
  return open;
}

double CpuSeconds(int who) {
  rusage u;
  getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// One iteration: the search, then grep over the plain copies; the search's time is the figure.
void BM_SearchVsGrep(benchmark::State& state) {
  GeneratedDiary& d = Diary(TProtection(state.range(0)));
  const std::string grep = "grep -ril " + std::string(kNeedle) + " " + d.plain.string() + " > /dev/null";
  double searchTotal = 0, grepTotal = 0, searchCpu = 0, grepCpu = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    double c0 = CpuSeconds(RUSAGE_SELF);
    TSearchResult r = SearchEntries(d.store, d.first, d.last, kNeedle);
    searchCpu += CpuSeconds(RUSAGE_SELF) - c0;
    double search = Seconds(t0);
    if (r.found != d.last) state.SkipWithError("the search did not find the last entry");
    t0 = Clock::now();
    c0 = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(grep.c_str()) != 0) state.SkipWithError("grep failed");
    grepCpu += CpuSeconds(RUSAGE_CHILDREN) - c0;
    double g = Seconds(t0);
    state.SetIterationTime(search);
    searchTotal += search;
    grepTotal += g;
  }
  state.counters["entries"] = d.entries;
  state.counters["MB"] = double(d.bytes) / 1e6;
  state.counters["search_s"] = searchTotal / double(state.iterations());
  state.counters["grep_s"] = grepTotal / double(state.iterations());
  state.counters["x_grep"] = searchTotal / grepTotal;  // wall clock
  state.counters["x_grep_cpu"] = searchCpu / grepCpu;  // processor time, less hurt by a busy machine
}
BENCHMARK(BM_SearchVsGrep)->Arg(kOldCipher)->Arg(kStrong)->Arg(kNoPassword)->ArgName("protection")->UseManualTime()->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The whole process: `quillet-tool search` with the password on its standard
// input, against the whole `grep -ril` process.
void BM_ToolSearchVsGrep(benchmark::State& state) {
  const TProtection protection = TProtection(state.range(0));
  GeneratedDiary& d = Diary(protection);
  const std::string grep = "grep -ril " + std::string(kNeedle) + " " + d.plain.string() + " > /dev/null";
  const std::string tool = "echo '" + std::string(kPassword) + "' | " QUILLET_TOOL " --diary-dir " +
                           d.store.DiaryDir().string() + " search " + kNeedle + " > /dev/null";
  double toolTotal = 0, grepTotal = 0, toolCpu = 0, grepCpu = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    double c0 = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(tool.c_str()) != 0) state.SkipWithError("quillet-tool search failed");
    const double t = Seconds(t0);
    toolCpu += CpuSeconds(RUSAGE_CHILDREN) - c0;
    t0 = Clock::now();
    c0 = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(grep.c_str()) != 0) state.SkipWithError("grep failed");
    grepCpu += CpuSeconds(RUSAGE_CHILDREN) - c0;
    grepTotal += Seconds(t0);
    state.SetIterationTime(t);
    toolTotal += t;
  }
  state.counters["tool_s"] = toolTotal / double(state.iterations());
  state.counters["grep_s"] = grepTotal / double(state.iterations());
  state.counters["x_grep"] = toolTotal / grepTotal;
  state.counters["x_grep_cpu"] = toolCpu / grepCpu;  // the shells that start them included
  if (protection == kStrong) {
    // The passphrase's key derivation, which every run pays once whatever the diary's size.
    auto t0 = Clock::now();
    UnlockKeyFile(KeyFileName(d.store.DiaryDir()), kPassword);
    const double kdf = Seconds(t0);
    state.counters["kdf_s"] = kdf;
    state.counters["x_grep_without_kdf"] = (toolTotal / double(state.iterations()) - kdf) /
                                           (grepTotal / double(state.iterations()));
  }
}
BENCHMARK(BM_ToolSearchVsGrep)->Arg(kOldCipher)->Arg(kStrong)->Arg(kNoPassword)->ArgName("protection")->UseManualTime()->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The results panel's search, as the window runs it: the time from starting
// the panel to the first entry shown in its list (every entry holds "garden";
// the newest alone holds the needle, so both come first), and to its end
// listing every entry that holds "garden". The list fills through the event
// loop, so the figures include handing each hit from the worker thread.
void BM_ResultsPanelSearch(benchmark::State& state) {
  GeneratedDiary& d = Diary();
  double firstTotal = 0, allTotal = 0;
  int hits = 0;
  for (auto _ : state) {
    TSearchResultsPanel panel;
    double first = -1;
    Clock::time_point t0;
    QObject::connect(panel.Results()->model(), &QAbstractItemModel::rowsInserted, [&] {
      if (first < 0) first = Seconds(t0);
    });
    QEventLoop loop;
    QObject::connect(&panel, &TSearchResultsPanel::Finished, [&](int n, const QString&) {
      hits = n;
      loop.quit();
    });
    t0 = Clock::now();
    panel.Start(d.store, d.first, d.last, "garden", {});
    loop.exec();
    const double all = Seconds(t0);
    state.SetIterationTime(all);
    firstTotal += first;
    allTotal += all;
  }
  state.counters["first_result_ms"] = 1000 * firstTotal / double(state.iterations());
  state.counters["all_results_ms"] = 1000 * allTotal / double(state.iterations());
  state.counters["results"] = hits;
}
BENCHMARK(BM_ResultsPanelSearch)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ExportAll(benchmark::State& state) {
  GeneratedDiary& d = Diary();
  const fs::path out = d.root / "export";
  fs::create_directories(out);
  double cpu = 0;
  for (auto _ : state) {
    double c0 = CpuSeconds(RUSAGE_SELF);
    TExportResult r = ExportEntries(d.store, d.first, d.last, out);
    cpu += CpuSeconds(RUSAGE_SELF) - c0;
    if (r.written != d.entries) state.SkipWithError("not every entry was exported");
  }
  state.counters["files"] = d.entries;
  state.counters["cpu_s"] = cpu / double(state.iterations());  // user and system, whole process
}
BENCHMARK(BM_ExportAll)->Iterations(3)->Unit(benchmark::kMillisecond);

// Merged printing of the whole diary to a PDF at 600 dpi.
void BM_PrintMergedPdf(benchmark::State& state) {
  GeneratedDiary& d = Diary();
  int pages = 0;
  for (auto _ : state) {
    QPdfWriter writer(QString::fromStdString((d.root / "diary.pdf").string()));
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    TPrintJob job(d.store, writer);
    if (job.Run(d.first, d.last, true) != TPrintOutcome::kCompleted) state.SkipWithError(job.Failure().c_str());
    pages += job.Pages();
  }
  state.counters["pages"] = double(pages) / double(state.iterations());
  state.counters["pages_per_s"] = benchmark::Counter(double(pages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrintMergedPdf)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
