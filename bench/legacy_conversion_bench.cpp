// SPDX-License-Identifier: GPL-3.0-or-later
// Converting an old diary table of 10,000 records with 3 KB memos into entry
// files, with and without a password: one whole conversion into a fresh
// diary directory per repetition, as a user's first start does it. The
// directory is made under $TMPDIR (default /tmp); file creation on the disk
// behind it is most of the time.
#include <diary/dates.h>
#include <diary/legacy_conversion.h>

#include "../tests/support/legacy_table_writer.h"
#include "../tests/support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace quillet;

constexpr int kRecords = 10000;
constexpr size_t kMemoBytes = 3 * 1024;

void WriteTable(const testing::TempDir& dir) {
  std::vector<testing::LegacyRecord> records;
  records.reserve(kRecords);
  TDate day = MakeDate(1995, 1, 1);
  for (int i = 0; i < kRecords; ++i, day = NextDay(day)) {
    std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    while (text.size() < kMemoBytes - 6) text += "Walked to the harbour and back. ";
    text.resize(kMemoBytes - 6);
    text += "\\par }";
    records.push_back({DayKey(day), std::move(text)});
  }
  auto bytes = testing::WriteLegacyTable(records, testing::LegacyLayout::FoxPro2);
  dir.Write("QUILLET.DBF", bytes.dbf);
  dir.Write("QUILLET.FPT", bytes.memo);
}

void BM_Convert10000Entries(benchmark::State& state, const char* password) {
  // The diaries are removed only when the program ends: thousands of files
  // deleted just before would slow the file system's next creations, which a
  // user's one conversion never meets.
  static std::vector<std::unique_ptr<testing::TempDir>> diaries;
  testing::TempDir& dir = *diaries.emplace_back(std::make_unique<testing::TempDir>());
  WriteTable(dir);
  for (auto _ : state) {
    TConversionReport report = PerformConversion(dir.path(), password);
    if (!report.completed || report.entriesWritten != kRecords) {
      state.SkipWithError(report.failure.c_str());
      break;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
}
BENCHMARK_CAPTURE(BM_Convert10000Entries, NoPassword, "")
    ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_Convert10000Entries, Password, "Secret 1")
    ->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseRealTime();

// N records of one day joined into one entry: the time should grow with N,
// not with N squared.
void BM_JoinRecordsOfOneDay(benchmark::State& state) {
  const int n = int(state.range(0));
  std::vector<testing::LegacyRecord> records;
  for (int i = 0; i < n; ++i) {
    records.push_back({"20261207", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Note " +
                                        std::to_string(i) + ": the train was late again.\\par }"});
  }
  auto bytes = testing::WriteLegacyTable(records, testing::LegacyLayout::FoxPro2);
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = std::make_unique<testing::TempDir>();
    dir->Write("QUILLET.DBF", bytes.dbf);
    dir->Write("QUILLET.FPT", bytes.memo);
    state.ResumeTiming();
    TConversionReport report = PerformConversion(dir->path(), "");
    if (!report.completed || report.entriesWritten != 1) {
      state.SkipWithError(report.failure.c_str());
      break;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * n);
}
BENCHMARK(BM_JoinRecordsOfOneDay)->Arg(200)->Arg(800)->Arg(3200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
