/** Calendar days of the diary: day keys, the short and long date formats, day arithmetic. */
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// A diary date is a whole calendar day. Dates run from 1 January 0001 to
// 31 December 9999, the range a four-digit day key can name.
using TDate = std::chrono::sys_days;

TDate MakeDate(int year, unsigned month, unsigned day);  // the date must be valid
TDate Today();                                          // in local time
// "yyyymmddhhmmss", now in local time: stamps the names of kept files.
std::string TimeStampNow();
TDate FirstDate();                                      // 1 January 0001
TDate LastDate();                                       // 31 December 9999

// The calendar day before and after; they stop at the ends of the range.
TDate PreviousDay(TDate date);
TDate NextDay(TDate date);

// "yyyymmdd": names an entry and sorts in date order. 7 December 2026 -> "20261207".
std::string DayKey(TDate date);

// Reads the first eight characters of a day key as year, month and day.
// Gives nothing when they are not eight digits or not a real date.
std::optional<TDate> ParseDayKey(std::string_view key);

// Day key to date; today's date when the key is not a valid date. Never fails.
TDate STOD(std::string_view key);

// "mm/dd/yyyy", the short date format of the whole program: "12/07/2026".
std::string ShortDate(TDate date);

// "dddd, mmmm d, yyyy" with names in the system language: "Monday, December 7, 2026".
std::string LongDate(TDate date);

// The current time in the system's short time format, as inserted by Ctrl+T.
std::string ShortTimeNow();

}  // namespace quillet
