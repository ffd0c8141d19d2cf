// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/day_walk.h>

namespace quillet {

std::set<TDate> EntryDaysIn(const TEntryStore& store, TDate first, TDate last) {
  std::set<TDate> days;
  if (first > last) return days;
  for (TDate d : store.EntryDates()) {
    if (d >= first && d <= last) days.insert(d);
  }
  return days;
}

std::map<TDate, fs::path> EntryFilesIn(const TEntryStore& store, TDate first, TDate last) {
  std::map<TDate, fs::path> files;
  if (first > last) return files;
  files = store.EntryFiles();
  files.erase(files.begin(), files.lower_bound(first));
  files.erase(files.upper_bound(last), files.end());
  return files;
}

void WalkDays(const TEntryStore& store, TDate first, TDate last,
              const std::function<bool(TDate day, bool hasEntry)>& each) {
  std::set<TDate> days = EntryDaysIn(store, first, last);
  for (TDate d = first; d <= last; d = NextDay(d)) {
    if (!each(d, days.count(d) != 0)) return;
    if (d == LastDate()) return;
  }
}

}  // namespace quillet
