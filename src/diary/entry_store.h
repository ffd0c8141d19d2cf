// SPDX-License-Identifier: GPL-3.0-or-later
/** The entry store: one file per day in Entries/, read and written through memory only. */
#pragma once

#include <diary/dates.h>
#include <diary/entry_key.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// What reading one day's entry gave.
struct TEntryRead {
  enum Status { kNone, kOk, kUnreadable };
  Status status = kNone;
  std::string bytes;    // kOk: the entry as the editor reads it (RTF or text)
  std::string problem;  // kUnreadable: a message that names the day and the file
};

// An entry that was deleted: its file kept in Deleted/, as it was.
struct TDeletedEntry {
  TDate day;
  std::string deletedAt;  // "yyyymmddhhmmss", local time
  fs::path file;
};

// The entry files of one diary directory. With a key the files hold the
// enciphered RTF; deciphering goes through memory, so no plaintext of an
// enciphered diary is written anywhere. Every write goes through a temporary
// file that replaces the entry only when complete. Entry files are found
// under any letter case of their names; new ones are written as "yyyymmdd.QXE".
class TEntryStore {
 public:
  explicit TEntryStore(fs::path diaryDir) : diaryDir_(std::move(diaryDir)) {}

  const fs::path& DiaryDir() const { return diaryDir_; }
  // How entries are enciphered: none until a key is set.
  const TEntryKey& Key() const { return key_; }
  void SetKey(TEntryKey key) { key_ = std::move(key); }
  // The old cipher under `password` (none when it is empty).
  void SetPassword(std::string password) { key_ = TEntryKey::Compatible(std::move(password)); }

  fs::path EntriesDirectory() const;
  // Creates Entries/ with every missing parent; throws Error when it cannot.
  void CreateEntriesDirectory() const;

  // The entry file of a day: the existing file in whatever case, else the name to write.
  fs::path EntryPath(TDate date) const;
  bool Exists(TDate date) const;

  // Reads and deciphers a day's entry. A file that cannot be read, that does
  // not decrypt, or whose content is neither RTF nor text (a wrong password
  // gives such bytes), gives kUnreadable with the reason.
  TEntryRead Read(TDate date) const;
  // The same for a file already found, e.g. in one listing of Entries/ (EntryFiles).
  TEntryRead ReadFile(TDate date, const fs::path& path) const;
  // Every entry file by its day, from one listing of Entries/.
  std::map<TDate, fs::path> EntryFiles() const;
  // Enciphers (with a password) and writes the entry; throws Error with the
  // reason and leaves the old file intact when the write fails.
  void Write(TDate date, std::string_view bytes) const;
  // The bytes an entry file of the day holds for the entry's `bytes`, and
  // back: what Write stores and ReadFile reads, for copies kept elsewhere.
  std::string Encode(TDate date, std::string_view bytes) const;
  TEntryRead Decode(TDate date, std::string stored, const fs::path& shownAs) const;

  // Takes a day's entry out of the diary: the file moves, as it is, to
  // Deleted/ ("yyyymmdd_yyyymmddhhmmss.QXE"), where nothing reads it and
  // nothing removes it. Nothing when the day has no entry. Throws Error on failure.
  void Remove(TDate date) const;
  fs::path DeletedDirectory() const;  // "Deleted"
  // The deleted entries, the latest day first, and the latest deletion first within a day.
  std::vector<TDeletedEntry> DeletedEntries() const;
  // Puts a deleted entry back on its day; the day's entry, if it has one, is
  // deleted first (kept in Deleted/). Throws Error on failure.
  void Restore(const TDeletedEntry& deleted) const;

  // The earliest and latest entry dates, or today when no entry lies before
  // (after) today. Names that are not day keys are passed over.
  TDate FirstDiaryRecord() const;
  TDate LastDiaryRecord() const;
  // Every entry date, in date order.
  std::vector<TDate> EntryDates() const;
  // The days of a month that have an entry file, ascending.
  std::vector<int> EntryDays(int year, unsigned month) const;

  // The plain scratch file an older version left behind ("Eraseme.rtf" in any
  // case) is removed; gives whether one was there.
  bool DeleteStaleScratch() const;

 private:
  // Calls `each` with the day key part of every "*.QXE" name in Entries/.
  template <class F>
  void ForEachEntryName(F each) const;

  fs::path diaryDir_;
  TEntryKey key_;
};

// True when the bytes can be an entry: RTF, or text without control bytes
// other than tab, line and page ends.
bool LooksLikeEntry(std::string_view bytes);

}  // namespace quillet
