// SPDX-License-Identifier: GPL-3.0-or-later
/** What the command-line tools share: wrong usage prints the usage text and
 ** exits 2; failed work prints "TOOL: message" and exits 1. */
#pragma once

#include <cstdio>
#include <string>

namespace quillet::cli {

inline int Usage(const char* usage) {
  std::fputs(usage, stderr);
  return 2;
}

inline int Fail(const char* tool, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
  return 1;
}

}  // namespace quillet::cli
