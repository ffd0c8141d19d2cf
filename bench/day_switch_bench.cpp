// Leaving a day with a changed 3 KB entry and showing the next day's 3 KB
// entry in the main window: save, load, layout and paint, with and without a
// password. Offscreen; the figure is the median of the timed moves.
#include "diary_fixture.h"

#include <app/main_screen.h>
#include <richtext/ui/rich_text.h>

#include "../tests/support/recording_messenger.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace quillet;
using Clock = std::chrono::steady_clock;

void BM_LeaveChangedDayShowNext(benchmark::State& state) {
  const bool withPassword = state.range(0) != 0;
  char templ[] = "/tmp/quillet-bench-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(templ);
  const TDate first = MakeDate(2020, 1, 1);
  const int days = 400;
  bench::MakeDiary(dir, first, days, withPassword ? "bench password" : "");
  testing::RecordingMessenger messages;  // any message would show in the counters
  std::vector<double> ms;
  {
    TMainScreen w(dir);
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
BENCHMARK(BM_LeaveChangedDayShowNext)->Arg(0)->Arg(1)->ArgName("password")->Iterations(300)
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
