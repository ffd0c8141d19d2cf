// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/diary_statistics.h>

#include <finding/day_walk.h>
#include <richtext/io.h>

namespace quillet {

bool IsWordGap(char32_t c) {
  // Object marks (codes 1 and 2) are pictures and icons, not words.
  return c <= 32 || c == 0xA0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200B);
}

size_t CountWords(std::u32string_view text) {
  size_t words = 0;
  bool inWord = false;
  for (char32_t c : text) {
    const bool gap = IsWordGap(c);
    if (!gap && !inWord) ++words;
    inWord = !gap;
  }
  return words;
}

size_t CountCharacters(std::u32string_view text) {
  size_t characters = 0;
  for (char32_t c : text) {
    characters += c != richtext::kObjectByTag && c != richtext::kObjectById && c != richtext::kLineBreak;
  }
  return characters;
}

TDiaryStatistics DiaryStatistics(const TEntryStore& store) {
  TDiaryStatistics s;
  richtext::TRTFTextIo doc;
  doc.SetMemoryFormat(false);
  std::optional<TDate> previous;
  int run = 0;
  for (const auto& [day, file] : EntryFilesIn(store, FirstDate(), LastDate())) {
    TEntryRead read = store.ReadFile(day, file);
    if (read.status == TEntryRead::kNone) continue;
    ++s.entries;
    if (!s.first) s.first = day;
    s.last = day;
    run = previous && *previous + std::chrono::days(1) == day ? run + 1 : 1;
    if (run > s.longestStreak) {
      s.longestStreak = run;
      s.streakStart = day - std::chrono::days(run - 1);
    }
    previous = day;
    if (read.status != TEntryRead::kOk || doc.LoadFromStream(read.bytes) != richtext::ioOk) {
      s.problems.push_back(read.status == TEntryRead::kOk
                               ? "The entry of " + LongDate(day) + " cannot be read as RTF."
                               : read.problem);
      continue;
    }
    for (size_t i = 0; i < doc.Size(); ++i) s.words += CountWords(doc.Par(i).text);
  }
  return s;
}

std::string StatisticsText(const TDiaryStatistics& s) {
  if (s.entries == 0) return "The diary has no entries yet.";
  std::string text = "Entries: " + std::to_string(s.entries) + "\rWords: " + std::to_string(s.words) +
                     "\rFirst day: " + LongDate(*s.first) + "\rLast day: " + LongDate(*s.last) +
                     "\rLongest streak: " + std::to_string(s.longestStreak) +
                     (s.longestStreak == 1 ? " day" : " days, from ") +
                     (s.longestStreak == 1 ? std::string() : LongDate(*s.streakStart));
  if (!s.problems.empty()) {
    text += "\rThe words of " + std::to_string(s.problems.size()) + " entr" +
            (s.problems.size() == 1 ? "y" : "ies") + " could not be counted:";
    for (const std::string& p : s.problems) text += "\r" + p;
  }
  return text;
}

}  // namespace quillet
