// SPDX-License-Identifier: GPL-3.0-or-later
/** The entries written on today's month and day in earlier years. */
#pragma once

#include <finding/search.h>

#include <vector>

namespace quillet {

// The entries of `today`'s month and day in the years before, newest first,
// each with the first line of its text in `line` (position and length 0).
// On 28 February of a year without a 29th, the 29ths of earlier leap years
// come too. An entry that cannot be read is listed with that said in its line.
std::vector<TSearchHit> EntriesOnThisDay(const TEntryStore& store, TDate today);

}  // namespace quillet
