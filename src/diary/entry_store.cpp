// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/entry_store.h>

#include <diary/ascii.h>
#include <diary/diary_folder.h>
#include <diary/paths.h>
#include <diary/strong_cipher.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <cstdio>

namespace quillet {
namespace {

// The number a deletion's file name carries after its stamp ("-2" for the
// second deletion of a day in one second), 1 when it carries none.
int DeletionNumber(const fs::path& file) {
  const std::string stem = file.stem().string();
  return stem.size() > 24 && stem[23] == '-' ? std::atoi(stem.c_str() + 24) : 1;
}

}  // namespace

fs::path TEntryStore::EntriesDirectory() const { return EntriesDir(diaryDir_); }

void TEntryStore::CreateEntriesDirectory() const {
  CreatePrivateDirectory(EntriesDirectory());
}

fs::path TEntryStore::EntryPath(TDate date) const { return EntryFileName(diaryDir_, date); }

bool TEntryStore::Exists(TDate date) const {
  // Anything but a folder under an entry's name is the day's entry: what is
  // not a regular file (a named pipe, a device) then reads as unreadable, and
  // is never written over.
  std::error_code ec;
  const fs::file_status status = fs::status(EntryPath(date), ec);
  return fs::exists(status) && !fs::is_directory(status);
}

bool LooksLikeEntry(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && std::strchr(" \t\r\n", bytes[i]) && bytes[i] != '\0') ++i;
  if (bytes.substr(i, 5) == "{\\rtf") return true;
  for (unsigned char c : bytes) {
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
  }
  return true;
}

TEntryRead TEntryStore::Read(TDate date) const { return ReadFile(date, EntryPath(date)); }

std::map<TDate, fs::path> TEntryStore::EntryFiles() const {
  std::map<TDate, fs::path> files;
  ForEachEntryFileName(diaryDir_, [&](const fs::path& entries, std::string_view name) {
    std::string_view key = name.substr(0, name.find('.'));
    if (key.size() != 8) return;
    if (auto d = ParseDayKey(key)) files.emplace(*d, entries / name);
  });
  return files;
}

TEntryRead TEntryStore::ReadFile(TDate date, const fs::path& path) const {
  std::string stored;
  try {
    stored = ReadWholeFile(path);
  } catch (const std::exception& e) {
    // Whether the file is there is only asked when it cannot be read: a scan
    // reads thousands of entries that are.
    std::error_code ec;
    if (!fs::exists(path, ec)) return {};
    TEntryRead result;
    result.status = TEntryRead::kUnreadable;
    result.problem = "The entry of " + LongDate(date) + " (" + path.string() + ") cannot be read: " + e.what();
    return result;
  }
  return Decode(date, std::move(stored), path);
}

std::string TEntryStore::Encode(TDate date, std::string_view bytes) const {
  return key_.Encode(date, bytes);
}

TEntryRead TEntryStore::Decode(TDate date, std::string stored, const fs::path& shownAs) const {
  TEntryRead result;
  // The message is only built when something goes wrong: a scan reads thousands of entries.
  auto where = [&] { return "The entry of " + LongDate(date) + " (" + shownAs.string() + ")"; };
  auto unreadable = [&](const std::string& why) {
    result.status = TEntryRead::kUnreadable;
    result.bytes.clear();
    result.problem = where() + why;
    return result;
  };
  if (key_.Cipher() != TCipher::Strong && IsStrongEntry(stored)) {
    return unreadable(" is encrypted with a passphrase, but the diary is not set up for one.");
  }
  if (key_.Cipher() == TCipher::Strong && !IsStrongEntry(stored)) {
    return unreadable(" is not encrypted with the diary's key.");
  }
  try {
    result.bytes = key_.Decode(date, std::move(stored));
  } catch (const Error&) {
    return unreadable(
        " cannot be decrypted with the diary's key: it was damaged or cut short, belongs to "
        "another day, or comes from another diary.");
  }
  if (!LooksLikeEntry(result.bytes)) {
    switch (key_.Cipher()) {
      case TCipher::None:
        return unreadable(" does not hold an entry (it may be enciphered with a password).");
      case TCipher::Compatible:
        return unreadable(" does not hold an entry readable with the diary's password.");
      case TCipher::Strong:
        return unreadable(" does not hold an entry.");
    }
  }
  result.status = TEntryRead::kOk;
  return result;
}

void TEntryStore::Write(TDate date, std::string_view bytes) const {
  CreateEntriesDirectory();
  WriteFileSafely(EntryPath(date), Encode(date, bytes));
}

void TEntryStore::Remove(TDate date) const {
  fs::path path = EntryPath(date);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return;
  const fs::path deleted = DeletedDirectory();
  CreatePrivateDirectory(deleted);
  // The file moves as it is, enciphered or not; a name taken by an earlier
  // deletion in the same second gets a number.
  const std::string stamp = DayKey(date) + "_" + TimeStampNow();
  fs::path target = deleted / (stamp + ".QXE");
  for (int n = 2; fs::exists(fs::symlink_status(target, ec)); ++n) {
    target = deleted / (stamp + "-" + std::to_string(n) + ".QXE");
  }
  if (::rename(path.c_str(), target.c_str()) != 0) {
    throw Error("Unable to delete " + path.string() + ": it cannot be moved to " +
                deleted.string() + ". " + std::strerror(errno));
  }
  SyncDirectoryOf(target);
  SyncDirectoryOf(path);
}

fs::path TEntryStore::DeletedDirectory() const { return FindNoCase(diaryDir_, "Deleted"); }

std::vector<TDeletedEntry> TEntryStore::DeletedEntries() const {
  std::vector<TDeletedEntry> found;
  std::error_code ec;
  for (fs::directory_iterator it(DeletedDirectory(), ec), end; !ec && it != end; it.increment(ec)) {
    // "yyyymmdd_yyyymmddhhmmss.QXE", perhaps with "-N" before the extension.
    const std::string name = it->path().filename().string();
    if (name.size() < 27 || name[8] != '_' || !IsEntryFileName(name)) continue;
    std::optional<TDate> day = ParseDayKey(std::string_view(name).substr(0, 8));
    const std::string stamp = name.substr(9, 14);
    if (!day || stamp.find_first_not_of("0123456789") != std::string::npos) continue;
    found.push_back({*day, stamp, it->path()});
  }
  std::sort(found.begin(), found.end(), [](const TDeletedEntry& a, const TDeletedEntry& b) {
    if (a.day != b.day) return a.day > b.day;
    if (a.deletedAt != b.deletedAt) return a.deletedAt > b.deletedAt;
    return DeletionNumber(a.file) > DeletionNumber(b.file);
  });
  return found;
}

void TEntryStore::Restore(const TDeletedEntry& deleted) const {
  // What the day holds now is kept among the deleted ones first, so a crash
  // between the two moves leaves both there.
  Remove(deleted.day);
  CreateEntriesDirectory();
  const fs::path target = EntryPath(deleted.day);
  if (::rename(deleted.file.c_str(), target.c_str()) != 0) {
    throw Error("Unable to restore " + deleted.file.string() + " to " + target.string() + ". " +
                std::strerror(errno));
  }
  SyncDirectoryOf(target);
  SyncDirectoryOf(deleted.file);
}

template <class F>
void TEntryStore::ForEachEntryName(F each) const {
  ForEachEntryFileName(diaryDir_, [&](const fs::path&, std::string_view name) {
    each(name.substr(0, name.find('.')));
  });
}

TDate TEntryStore::FirstDiaryRecord() const {
  TDate best = Today();
  ForEachEntryName([&](std::string_view key) { best = std::min(best, STOD(key)); });
  return best;
}

TDate TEntryStore::LastDiaryRecord() const {
  TDate best = Today();
  ForEachEntryName([&](std::string_view key) { best = std::max(best, STOD(key)); });
  return best;
}

std::vector<TDate> TEntryStore::EntryDates() const {
  std::vector<TDate> dates;
  ForEachEntryName([&](std::string_view key) {
    if (key.size() != 8) return;
    if (auto d = ParseDayKey(key)) dates.push_back(*d);
  });
  std::sort(dates.begin(), dates.end());
  dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
  return dates;
}

std::vector<int> TEntryStore::EntryDays(int year, unsigned month) const {
  std::vector<int> days;
  if (year < 1 || year > 9999 || month < 1 || month > 12) return days;
  using namespace std::chrono;
  ForEachEntryName([&](std::string_view key) {
    if (key.size() != 8) return;
    auto d = ParseDayKey(key);
    if (!d) return;
    year_month_day ymd{*d};
    if (int(ymd.year()) == year && unsigned(ymd.month()) == month) {
      days.push_back(int(unsigned(ymd.day())));
    }
  });
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

bool TEntryStore::DeleteStaleScratch() const {
  fs::path scratch = FindNoCase(diaryDir_, "Eraseme.rtf");
  std::error_code ec;
  return fs::remove(scratch, ec);
}

}  // namespace quillet
