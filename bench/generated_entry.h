// SPDX-License-Identifier: GPL-3.0-or-later
// Entry text for the benchmarks: paragraphs of diary words, every seventh word bold.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::bench {

// Diary words in English, and in German (written as RTF: \'e4 is an a umlaut).
inline constexpr const char* kEnglishWords[] = {"diary", "morning", "walked", "river", "light", "talked", "summer",
                                                "train", "late", "again", "letters", "garden", "window", "quiet"};
inline constexpr const char* kGermanWords[] = {"Tagebuch", "Morgen", "spazierte", "Fluss", "Licht",
                                               "sprach", "Sommer", "Zug", "sp\\'e4t", "wieder",
                                               "Briefe", "Garten", "Fenster", "ruhig"};

// RTF of `paragraphs` paragraphs of about `length` characters each; `seed`
// varies the order of the words.
inline std::string GeneratedEntryRtf(int paragraphs, std::size_t length, int seed = 0,
                                     const char* const (&words)[14] = kEnglishWords) {
  std::string s = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
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
