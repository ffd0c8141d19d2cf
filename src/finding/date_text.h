/** Dates typed into the option dialogs: "mm/dd/yyyy", a time of day may follow. */
#pragma once

#include <diary/dates.h>

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Reads a date typed in the short date format: month, day and year separated
// by "/", each without leading zeros if the user likes ("1/5/2024"); a year of
// one or two digits falls within 50 years of today. A time of day may follow
// after a space ("12/07/2026 10:30", "12/07/2026 10:30 PM"). Gives nothing
// for anything else, including month 13 or 30 February.
std::optional<TDate> ParseDateText(std::string_view text);

// "Please use the date format mm/dd/yyyy\r   Example: <today>".
std::string DateFormatMessage();

}  // namespace quillet
