// SPDX-License-Identifier: GPL-3.0-or-later
/** Walking the days of a range: which days hold an entry, found with one look at Entries/. */
#pragma once

#include <diary/entry_store.h>

#include <functional>
#include <map>
#include <set>

namespace quillet {

// The days from `first` to `last` inclusive that hold an entry file, read from
// one listing of Entries/, so a day without an entry costs no file system call.
// Empty when first is later than last.
std::set<TDate> EntryDaysIn(const TEntryStore& store, TDate first, TDate last);
// The same days with their entry files, so that reading them looks nothing up again.
std::map<TDate, fs::path> EntryFilesIn(const TEntryStore& store, TDate first, TDate last);

// Calls `each` for every calendar day from `first` to `last` inclusive, in date
// order, with whether it holds an entry. `each` gives false to stop the walk.
void WalkDays(const TEntryStore& store, TDate first, TDate last,
              const std::function<bool(TDate day, bool hasEntry)>& each);

// Called for each day with an entry before it is worked on (a status line).
using TDayProgress = std::function<void(TDate day)>;

}  // namespace quillet
