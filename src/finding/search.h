/** Searching every entry of a range for a text, deciphered in memory. */
#pragma once

#include <finding/day_walk.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct TSearchResult {
  std::optional<TDate> found;         // the first day whose entry holds the text
  std::vector<TDate> skippedDays;     // entries that could not be read or deciphered
  std::vector<std::string> problems;  // one line per skipped entry, naming the day and why
};

// Looks through the entries from `first` to `last` inclusive, earliest first,
// and stops at the first that holds `text` (UTF-8). The matching rule is the
// editor finder's: letters match without regard to case and "*" stands for any
// run of characters. An entry that cannot be read, deciphered or loaded is
// skipped and named in the result; it never ends the scan. No plaintext
// touches the disk. `progress` is called before each entry is read.
TSearchResult SearchEntries(const TEntryStore& store, TDate first, TDate last,
                            std::string_view text, const TDayProgress& progress = {});

// Every entry of the range that holds the text, in date order, from one
// listing of Entries/; `match` is called for each and gives false to stop.
// The result's `found` is the last match; skipped entries are named as above.
TSearchResult SearchAllEntries(const TEntryStore& store, TDate first, TDate last,
                               std::string_view text, const std::function<bool(TDate day)>& match);

// Whether an entry's bytes (RTF or plain text) hold the text by that rule.
bool EntryHoldsText(std::string_view entryBytes, std::string_view text);

// The sentence that names the days a search could not look into, or empty.
std::string SkippedDaysMessage(const TSearchResult& result);

}  // namespace quillet
