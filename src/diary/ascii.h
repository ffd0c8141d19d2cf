// SPDX-License-Identifier: GPL-3.0-or-later
/** ASCII letter case, as the diary's file and setting names are compared. */
#pragma once

#include <string_view>

namespace quillet {

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace quillet
