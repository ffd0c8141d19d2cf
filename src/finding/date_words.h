// SPDX-License-Identifier: GPL-3.0-or-later
/** Reading the day a user types to go to: dates in figures and the words people use for days. */
#pragma once

#include <diary/dates.h>

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct TDateWords {
  std::optional<TDate> day;
  std::string problem;  // why the text names no day, when it does not
};

// The day `text` names, counted from `reference` (today). Letter case and
// extra spaces do not matter. Understood, with 5 June 2026 (a Friday) as the
// reference:
//   "06/01/2026"     the short date format          -> 1 June 2026
//   "2026-06-01"     ISO                            -> 1 June 2026
//   "today", "yesterday", "tomorrow"                -> 5, 4, 6 June 2026
//   "last friday"    the latest Friday before today -> 29 May 2026
//   "next monday"    the first Monday after today   -> 8 June 2026
//   "2 days ago", "3 weeks ago", "1 month ago", "1 year ago"
//   "1 march", "march 1", "mar 1"   in the reference's year -> 1 March 2026
//   "1 march 2020", "march 1, 2020"                 -> 1 March 2020
TDateWords ParseDateWords(std::string_view text, TDate reference);

}  // namespace quillet
