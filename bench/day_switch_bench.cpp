// SPDX-License-Identifier: GPL-3.0-or-later
// Leaving a day with a changed 3 KB entry and showing the next day's 3 KB
// entry in the main window: save, load, layout and paint, with no password,
// the old cipher and strong encryption. Offscreen; the figure is the median
// of the timed moves.
#include "diary_fixture.h"

#include <app/main_screen.h>
#include <base/safe_file.h>
#include <diary/entry_store.h>
#include <richtext/ui/rich_text.h>

#include "../tests/support/recording_messenger.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

void BM_LeaveChangedDayShowNext(benchmark::State& state) {
  const int protection = int(state.range(0));  // 0 none, 1 the old cipher, 2 strong
  char templ[] = "/tmp/quillet-bench-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(templ);
  const TDate first = MakeDate(2020, 1, 1);
  const int days = 400;
  std::optional<TEntryKey> key;
  if (protection == 2) {
    key = bench::MakeStrongDiary(dir, first, days, "bench passphrase");
  } else {
    bench::MakeDiary(dir, first, days, protection == 1 ? "BENCH" : "");
  }
  testing::RecordingMessenger messages;  // any message would show in the counters
  std::vector<double> ms;
  {
    TMainScreen w(dir, key);
    w.show();
    w.FormActivate();
    w.GoToDay(first);
    int moved = 0;
    for (auto _ : state) {
      state.PauseTiming();
      if (++moved == days - 1) {
        w.GoToDay(first);
        moved = 0;
      }
      w.RichText1()->InsertText(QStringLiteral("x"));  // the change that makes leaving save
      state.ResumeTiming();
      auto start = Clock::now();
      w.NextButtonClick();
      w.RichText1()->Repaint();
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
  state.counters["p90_ms"] = ms.empty() ? 0 : ms[ms.size() * 9 / 10];
  state.counters["messages"] = double(messages.shown.size());
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LeaveChangedDayShowNext)->Arg(0)->Arg(1)->Arg(2)->ArgName("protection")->Iterations(300)
    ->Unit(benchmark::kMillisecond);

// Typing in the middle of a 1 MB entry in the main window, with the recovery
// copy kept as the program keeps it and with its writes held off. Copies are
// written while typing goes on, so a keystroke that meets one pays for it
// (p99_ms); every 50 keys typing also pauses (untimed). copy_ms is how long
// one copy of the page takes.
void BM_TypeInMainWindow(benchmark::State& state) {
  const bool recovery = state.range(0) != 0;
  char templ[] = "/tmp/quillet-bench-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(templ);
  const TDate day = MakeDate(2020, 1, 1);
  TEntryStore(dir).Write(day, bench::GeneratedEntryRtf(5000, 200, 1));
  WriteFileSafely(dir / "QX.INI", "[Opening Screen]\nshow=0\n");
  testing::RecordingMessenger messages;
  std::vector<double> ms;
  double copyMs = 0;
  {
    TMainScreen w(dir);
    w.resize(800, 700);
    w.show();
    w.FormActivate();
    w.GoToDay(day);
    w.RecoveryTimer()->blockSignals(!recovery);
    richtext::TRichText& edit = *w.RichText1();
    edit.Editor().MoveTo({2500, 100}, false);
    edit.EnsureCaretVisible();
    QApplication::processEvents();
    for (auto _ : state) {
      if (ms.size() % 50 == 49) {
        state.PauseTiming();
        const auto until = Clock::now() + std::chrono::milliseconds(TMainScreen::kRecoveryDelayMs + 200);
        while (Clock::now() < until) QApplication::processEvents(QEventLoop::AllEvents, 50);
        state.ResumeTiming();
      }
      auto start = Clock::now();
      edit.InsertText(QStringLiteral("x"));
      QApplication::processEvents();
      edit.Repaint();
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    auto start = Clock::now();
    w.WriteRecoveryCopyNow();
    copyMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    w.CancelButtonClick();
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
  state.counters["p99_ms"] = ms.empty() ? 0 : ms[ms.size() * 99 / 100];
  state.counters["copy_ms"] = copyMs;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TypeInMainWindow)->Arg(0)->Arg(1)->ArgName("recovery")->Iterations(200)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
