// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to the first painted main window, on a diary of 5,000 entries,
// against the smallest Qt window program, in one run: both are started in
// turn, as whole processes, and the medians compared. Each probe writes the
// steady clock's reading once its first paint is through (first_paint.h); the time from the
// spawn to that reading is the start-up. What a process does after it (its
// closing down) is not start-up, and shows only in the processor time of the
// whole run.
//
//   startup_bench [RUNS] [DIR]   (default 15 runs of each; the diary is made in
//                                DIR and kept there, for startup_probe to be run on)
#include "diary_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Times {
  double paint;  // milliseconds from the spawn to the end of the first paint
  double cpu;    // processor milliseconds of the whole run
};

// Runs a probe to its end: when its first paint was through, and the
// processor time the whole run used (which a busy machine disturbs far less).
Times Run(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) {
    std::perror("startup_bench: pipe");
    std::exit(1);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "startup_bench: cannot start %s\n", args[0]);
    std::exit(1);
  }
  ::close(out[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(n));
  ::close(out[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  auto tv = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  double cpu = tv(usage.ru_utime) + tv(usage.ru_stime);
  posix_spawn_file_actions_destroy(&actions);
  const long long painted = std::atoll(said.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || painted <= 0) {
    std::fprintf(stderr, "startup_bench: %s failed\n", args[0]);
    std::exit(1);
  }
  const double paint = (painted - start.time_since_epoch().count()) / 1e6;
  return {paint, cpu};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  char templ[] = "/tmp/quillet-startup-XXXXXX";
  const bool keep = argc > 2;
  const std::string dir = keep ? std::string(argv[2]) : std::string(::mkdtemp(templ));
  // 5,000 entries ending today, so the window opens on a day with an entry.
  quillet::TDate first = quillet::Today();
  for (int i = 1; i < 5000; ++i) first = quillet::PreviousDay(first);
  quillet::bench::MakeDiary(dir, first, 5000);

  std::vector<double> qPaint, qCpu, mPaint, mCpu;
  Run({QUILLET_PROBE, "--diary-dir", dir});  // warm the caches for both
  Run({MINIMAL_PROBE});
  for (int i = 0; i < runs; ++i) {
    Times q = Run({QUILLET_PROBE, "--diary-dir", dir});
    Times m = Run({MINIMAL_PROBE});
    qPaint.push_back(q.paint);
    qCpu.push_back(q.cpu);
    mPaint.push_back(m.paint);
    mCpu.push_back(m.cpu);
  }
  if (!keep) std::filesystem::remove_all(dir);
  std::printf("start-up to first paint, median of %d runs (5,000 entries):\n", runs);
  std::printf("                   to first paint   processor, whole run\n");
  std::printf("  quillet          %7.1f ms       %7.1f ms\n", Median(qPaint), Median(qCpu));
  std::printf("  minimal window   %7.1f ms       %7.1f ms\n", Median(mPaint), Median(mCpu));
  std::printf("  ratio            %7.2f          %7.2f     (target <= 1.50 to first paint)\n",
              Median(qPaint) / Median(mPaint), Median(qCpu) / Median(mCpu));
  // The fastest runs are the ones the rest of the machine disturbed least.
  const double qBest = *std::min_element(qPaint.begin(), qPaint.end());
  const double mBest = *std::min_element(mPaint.begin(), mPaint.end());
  std::printf("  fastest runs: quillet %.1f ms, minimal window %.1f ms, ratio %.2f\n", qBest, mBest, qBest / mBest);
  return 0;
}
