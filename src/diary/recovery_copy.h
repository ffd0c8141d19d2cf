// SPDX-License-Identifier: GPL-3.0-or-later
/** The recovery copy: the shown page's unsaved text, kept on disk until it is saved or given up. */
#pragma once

#include <diary/entry_store.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

inline constexpr const char* kRecoveryFileName = "Recovery.QXR";

// The file: a short plain header naming the day and when the copy was taken,
// then the page's entry bytes stored exactly as an entry file of that day
// stores them (enciphered with the diary's password; never plaintext when
// there is one):
//
//   QUILLET RECOVERY 1\n
//   day 20261207\n
//   taken 1796745600\n        (seconds since 1970)
//   \n
//   ...the entry file's bytes...
struct TRecoveryCopy {
  enum Status { kNone, kOk, kUnreadable };
  Status status = kNone;
  TDate day;
  std::time_t taken = 0;
  std::string bytes;    // kOk: the page as the editor reads it
  std::string problem;  // kUnreadable: why, naming the file
};

fs::path RecoveryCopyName(const fs::path& diaryDir);  // "Recovery.QXR"

// Writes the copy of `day`'s page through the safe writer. Throws Error.
void WriteRecoveryCopy(const TEntryStore& store, TDate day, std::string_view page);

// Reads the copy, if there is one, with the store's password.
TRecoveryCopy ReadRecoveryCopy(const TEntryStore& store);

// True when the copy holds what the day's entry file holds now, so that it
// tells nothing new (the page was saved and the copy not yet removed).
bool RecoveryCopyIsSaved(const TEntryStore& store, const TRecoveryCopy& copy);

// Removes the copy; nothing when there is none. Throws Error on failure.
void RemoveRecoveryCopy(const fs::path& diaryDir);

// Moves a copy that cannot be read aside ("Recovery-unreadable-yyyymmddhhmmss.QXR"),
// never deleting it; gives its new path.
fs::path SetRecoveryCopyAside(const fs::path& diaryDir);

}  // namespace quillet
