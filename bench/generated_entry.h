// SPDX-License-Identifier: GPL-3.0-or-later
// Entry text for the benchmarks: paragraphs of diary words, every seventh word bold.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::bench {

// RTF of `paragraphs` paragraphs of about `length` characters each; `seed`
// varies the order of the words.
inline std::string GeneratedEntryRtf(int paragraphs, std::size_t length, int seed = 0) {
  std::string s = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
  const char* words[] = {"diary", "morning", "walked", "river", "light", "talked", "summer",
                         "train", "late", "again", "letters", "garden", "window", "quiet"};
  for (int p = 0; p < paragraphs; ++p) {
    std::size_t start = s.size();
    for (int w = 0; s.size() - start < length; ++w) {
      const char* word = words[(seed + p * 7 + w * 3) % 14];
      if (w % 7 == 3) {
        s += "{\\b ";
        s += word;
        s += "} ";
      } else {
        s += word;
        s += ' ';
      }
    }
    s += "\\par\n";
  }
  return s + "}";
}

}  // namespace quillet::bench
