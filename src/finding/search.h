// SPDX-License-Identifier: GPL-3.0-or-later
/** Searching every entry of a range for a text, deciphered in memory. */
#pragma once

#include <finding/day_walk.h>

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct TSearchResult {
  std::optional<TDate> found;         // the first day whose entry holds the text
  size_t foundPosition = 0, foundLength = 0;  // its first match in that entry
  std::vector<TDate> skippedDays;     // entries that could not be read or deciphered
  std::vector<std::string> problems;  // one line per skipped entry, naming the day and why
};

// How the words of a search text are matched, beyond the finder's rule.
struct TSearchOptions {
  bool wholeWords = false;  // a match stands between separators
  bool allWords = false;    // every word of the text, anywhere in the entry, in any order
};

// One entry that holds the text: where its first match lies (absolute
// character positions, as the editor counts them) and the line around it.
struct TSearchHit {
  TDate day;
  size_t position = 0, length = 0;
  std::string line;  // UTF-8, at most about 80 characters of the match's paragraph
};

// Looks through the entries from `first` to `last` inclusive, earliest first,
// and stops at the first that holds `text` (UTF-8). The matching rule is the
// editor finder's: letters match without regard to case and "*" stands for any
// run of characters. An entry that cannot be read, deciphered or loaded is
// skipped and named in the result; it never ends the scan. No plaintext
// touches the disk. `progress` is called before each entry is read.
TSearchResult SearchEntries(const TEntryStore& store, TDate first, TDate last,
                            std::string_view text, const TDayProgress& progress = {},
                            const TSearchOptions& options = {});

// Every entry of the range that holds the text, in date order, from one
// listing of Entries/; `match` is called for each and gives false to stop.
// The result's `found` is the last match; skipped entries are named as above.
TSearchResult SearchAllEntries(const TEntryStore& store, TDate first, TDate last,
                               std::string_view text, const std::function<bool(TDate day)>& match);

// Every entry of the range that holds the text, newest first, each given to
// `hit` as soon as it is found. `stop`, when given, is asked before each
// entry: once it is true the search ends. Skipped entries are named as above.
TSearchResult SearchHits(const TEntryStore& store, TDate first, TDate last, std::string_view text,
                         const TSearchOptions& options, const std::function<void(const TSearchHit&)>& hit,
                         const std::atomic<bool>* stop = nullptr);

// Whether an entry's bytes (RTF or plain text) hold the text by that rule.
bool EntryHoldsText(std::string_view entryBytes, std::string_view text);

// The sentence that names the days a search could not look into, or empty.
std::string SkippedDaysMessage(const TSearchResult& result);

}  // namespace quillet
