// SPDX-License-Identifier: GPL-3.0-or-later
/** Dates typed into the option dialogs: the locale's short date or yyyy-mm-dd, a time of day may follow. */
#pragma once

#include <diary/dates.h>

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Reads a date typed in the locale's short date format (ShortDatePattern):
// day, month and year in the locale's order and with its separators, each
// without leading zeros if the user likes ("1/5/2024" in the US, "5.1.2024"
// in Germany); a year of one or two digits falls within 50 years of today.
// The ISO form "2024-01-05" is read in every locale. A time of day may follow
// after a space ("12/07/2026 10:30", "12/07/2026 10:30 PM"). Gives nothing
// for anything else, including month 13 or 30 February.
std::optional<TDate> ParseDateText(std::string_view text, const QLocale& locale = QLocale());

// The short date format as the user is told it: "mm/dd/yyyy", "dd.mm.yyyy".
std::string DateFormatShown(const QLocale& locale = QLocale());

// "Please use the date format mm/dd/yyyy\r   Example: <today>", with the
// locale's pattern and today's date in it.
std::string DateFormatMessage(const QLocale& locale = QLocale());

}  // namespace quillet
