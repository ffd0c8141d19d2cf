#include <diary/entry_store.h>

#include <diary/ascii.h>
#include <diary/cipher.h>
#include <diary/diary_folder.h>
#include <diary/paths.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>
#include <cstring>

namespace quillet {

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
  ForEachEntryItem(diaryDir_, [&](const fs::directory_entry& item) {
    std::string name = item.path().filename().string();
    std::string_view key = std::string_view(name).substr(0, name.find('.'));
    if (key.size() != 8) return;
    if (auto d = ParseDayKey(key)) files.emplace(*d, item.path());
  });
  return files;
}

TEntryRead TEntryStore::ReadFile(TDate date, const fs::path& path) const {
  TEntryRead result;
  std::error_code ec;
  if (!fs::exists(path, ec)) return result;
  // The message is only built when something goes wrong: a scan reads thousands of entries.
  auto where = [&] { return "The entry of " + LongDate(date) + " (" + path.string() + ")"; };
  try {
    result.bytes = password_.empty() ? ReadWholeFile(path) : DecipherFile(path, password_);
  } catch (const std::exception& e) {
    result.status = TEntryRead::kUnreadable;
    result.problem = where() + " cannot be read: " + e.what();
    return result;
  }
  if (!LooksLikeEntry(result.bytes)) {
    result.status = TEntryRead::kUnreadable;
    result.bytes.clear();
    result.problem = where() + " does not hold an entry" +
                     (password_.empty() ? std::string(" (it may be enciphered with a password)")
                                        : std::string(" readable with the diary's password")) +
                     ".";
    return result;
  }
  result.status = TEntryRead::kOk;
  return result;
}

void TEntryStore::Write(TDate date, std::string_view bytes) const {
  CreateEntriesDirectory();
  fs::path path = EntryPath(date);
  if (password_.empty()) {
    WriteFileSafely(path, bytes);
  } else {
    EncipherToFile(bytes, path, password_);
  }
}

void TEntryStore::Remove(TDate date) const {
  fs::path path = EntryPath(date);
  std::error_code ec;
  if (!fs::remove(path, ec) && ec && ec != std::errc::no_such_file_or_directory) {
    throw Error("Unable to delete " + path.string() + ": " + ec.message());
  }
}

template <class F>
void TEntryStore::ForEachEntryName(F each) const {
  ForEachEntryItem(diaryDir_, [&](const fs::directory_entry& item) {
    std::string name = item.path().filename().string();
    each(std::string_view(name).substr(0, name.find('.')));
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
