// SPDX-License-Identifier: GPL-3.0-or-later
/** Figures about the whole diary: entries, words, first and last day, the longest run of days written. */
#pragma once

#include <diary/entry_store.h>
#include <richtext/defs.h>

#include <optional>
#include <string>
#include <vector>

namespace quillet {

struct TDiaryStatistics {
  int entries = 0;
  size_t words = 0;
  std::optional<TDate> first, last;
  int longestStreak = 0;            // consecutive days with an entry
  std::optional<TDate> streakStart;  // the first day of the earliest longest run
  std::vector<std::string> problems;  // entries whose words could not be counted
};

// Words as people count them: runs of characters between spaces, tabs and
// paragraph ends ("don't stop, 3 times" is four words).
size_t CountWords(std::u32string_view text);
// The characters that part words: spaces, tabs, line breaks, object marks and
// the other codes below 33, and the Unicode spaces.
bool IsWordGap(char32_t c);
// Characters as the status bar counts them: every character of the text,
// spaces and tabs included; paragraph ends, line breaks and pictures or icons
// (object marks, codes 1 and 2) are not characters of the text.
size_t CountCharacters(std::u32string_view text);

TDiaryStatistics DiaryStatistics(const TEntryStore& store);

// The figures as the statistics window shows them, one per line.
std::string StatisticsText(const TDiaryStatistics& s);

}  // namespace quillet
