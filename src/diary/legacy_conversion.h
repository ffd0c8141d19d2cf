// SPDX-License-Identifier: GPL-3.0-or-later
/** The one-time conversion of the old single-table diary (QUILLET.DBF) into entry files. */
#pragma once

#include <diary/entry_key.h>

#include <diary/dates.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// "QUILLET.DBF" in the diary directory, in any letter case.
fs::path LegacyTableFileName(const fs::path& diaryDir);

// The memo file that the table's version byte calls for, in any letter case:
// "QUILLET.FPT", or "QUILLET.DBT" for a dBase III table; empty when none.
fs::path LegacyMemoFileName(const fs::path& diaryDir);

// Whether start-up offers the conversion: the diary has no "Entries"
// directory, and it holds "QUILLET.DBF" with the memo file that the table's
// version byte calls for ("QUILLET.FPT", or "QUILLET.DBT" for a dBase III table).
bool LegacyConversionNeeded(const fs::path& diaryDir);

// "Entries.converting": where the entries are written until every record is
// converted; then it is renamed to "Entries". A left-over one is removed first.
fs::path ConversionStagingDir(const fs::path& diaryDir);

// What the conversion is doing for one day, for the progress window:
// Processing while the entry is read, Encrypting while it is enciphered.
enum class TConversionPhase : uint8_t { Processing, Encrypting };
using TConversionProgress = std::function<void(TDate day, TConversionPhase phase)>;

struct TConversionReport {
  // A record that did not become an entry file although it is not deleted.
  struct Skipped {
    uint32_t record;   // counted from 1, in physical order
    std::string date;  // its DATE, with trailing blanks removed
  };
  // A day that two or more records share: their texts were joined, in record order.
  struct Merged {
    TDate day;
    std::vector<uint32_t> records;
  };

  bool completed = false;  // "Entries" now holds every converted entry
  std::string failure;     // why not, for the user; nothing is left of the attempt
  uint32_t entriesWritten = 0;
  std::vector<Skipped> skipped;
  std::vector<Merged> merged;

  // One line for each skipped record and joined day, for the window and the tool:
  //   Record 4 was not converted: its DATE "../x" is not a date.
  //   Records 2 and 7 share the date 12/07/2026: their texts were joined in record order.
  std::vector<std::string> Lines() const;
};

// Converts every record of the old table into an entry file named after its
// DATE, enciphered with `key` (in memory: no plaintext file is written when
// the diary has a password). Deleted records are left
// out; records whose DATE is not a valid day key are left out and reported;
// records sharing a DATE are joined into one entry and reported. The entries
// are written into ConversionStagingDir, which becomes "Entries" only when
// every record has been converted: any failure removes it, leaves no
// "Entries" behind and gives the reason. The old files are only read.
// `progress` (may be empty) is called before each entry, and before it is
// enciphered; the window repaints there.
TConversionReport PerformConversion(const fs::path& diaryDir, const TEntryKey& key,
                                    const TConversionProgress& progress = {});
// The same with the compatible cipher under `password` (none when empty).
TConversionReport PerformConversion(const fs::path& diaryDir, std::string_view password,
                                    const TConversionProgress& progress = {});

}  // namespace quillet
