// SPDX-License-Identifier: GPL-3.0-or-later
/** Calendar days of the diary: day keys, the short and long date formats, day arithmetic. */
#pragma once

#include <QLocale>

class QDateTime;

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

// Dates shown to the user follow a locale, by default the user's (QLocale()).
// The C locale the program meets without LANG speaks as American English does.
QLocale DateLocale(const QLocale& locale = QLocale());

// The locale's short date pattern in QDate's letters with two-digit day and
// month and a four-digit year, so that a date can be read back without a
// century guess: "MM/dd/yyyy" in the US and the C locale, "dd.MM.yyyy" in Germany.
QString ShortDatePattern(const QLocale& locale = QLocale());

// The date in that pattern: "12/07/2026" in the US, "07.12.2026" in Germany.
std::string ShortDate(TDate date, const QLocale& locale = QLocale());

// The locale's long date: "Monday, December 7, 2026" in the US,
// "Montag, 7. Dezember 2026" in Germany.
std::string LongDate(TDate date, const QLocale& locale = QLocale());

// A moment as the lists and messages show it: the short date above and the
// locale's short time, "12/07/2026 3:04 PM" in the US, "07.12.2026 15:04" in Germany.
std::string ShortDateTime(const QDateTime& at, const QLocale& locale = QLocale());

// The current time in the locale's short time format, as inserted by Ctrl+T.
std::string ShortTimeNow(const QLocale& locale = QLocale());

}  // namespace quillet
