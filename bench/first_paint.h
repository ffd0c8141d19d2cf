// SPDX-License-Identifier: GPL-3.0-or-later
// How a start-up probe tells startup_bench that its first paint is through:
// the steady clock's reading, in nanoseconds, on a line of standard output.
#pragma once

#include <chrono>
#include <cstdio>

namespace quillet::bench {

inline void SayFirstPaintDone() {
  std::printf("%lld\n", static_cast<long long>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::fflush(stdout);
}

}  // namespace quillet::bench
