// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/date_words.h>

#include <finding/date_text.h>

#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace quillet {
namespace {

using namespace std::chrono;

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : std::string(text) + ' ') {
    if (std::isspace(uint8_t(c)) || c == ',') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += char(std::tolower(uint8_t(c)));
    }
  }
  return words;
}

std::optional<int> Number(std::string_view s) {
  int n = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return n;
}

// 1 to 12 for a month's English name or its first three letters.
std::optional<unsigned> MonthNumber(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
      "november", "december"};
  for (unsigned m = 0; m < 12; ++m) {
    if (word == kMonths[m] || (word.size() >= 3 && kMonths[m].substr(0, word.size()) == word)) return m + 1;
  }
  return std::nullopt;
}

// 0 (Sunday) to 6 for a weekday's English name or its first three letters.
std::optional<unsigned> WeekdayNumber(std::string_view word) {
  static constexpr std::array<std::string_view, 7> kDays = {"sunday", "monday", "tuesday", "wednesday",
                                                            "thursday", "friday", "saturday"};
  for (unsigned d = 0; d < 7; ++d) {
    if (word == kDays[d] || (word.size() >= 3 && kDays[d].substr(0, word.size()) == word)) return d;
  }
  return std::nullopt;
}

std::optional<TDate> Day(int year, unsigned month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  const year_month_day ymd{std::chrono::year(year), std::chrono::month(month), std::chrono::day(unsigned(day))};
  if (!ymd.ok()) return std::nullopt;
  return sys_days(ymd);
}

// A number of months back, the day kept or cut to the end of the month.
std::optional<TDate> MonthsBack(TDate from, int months) {
  const year_month_day ymd{from};
  int total = int(ymd.year()) * 12 + int(unsigned(ymd.month())) - 1 - months;
  if (total < 12) return std::nullopt;
  const std::chrono::year y(total / 12);
  const std::chrono::month m(unsigned(total % 12 + 1));
  const std::chrono::day last = year_month_day_last(y, month_day_last(m)).day();
  return sys_days(year_month_day(y, m, std::min(ymd.day(), last)));
}

std::optional<TDate> FromWords(const std::vector<std::string>& w, TDate reference) {
  const int year = int(year_month_day{reference}.year());
  if (w.size() == 1) {
    if (w[0] == "today") return reference;
    if (w[0] == "yesterday") return reference - days(1);
    if (w[0] == "tomorrow") return reference + days(1);
  }
  if (w.size() == 2 && (w[0] == "last" || w[0] == "next")) {
    if (auto wd = WeekdayNumber(w[1])) {
      const unsigned today = weekday(reference).c_encoding();
      if (w[0] == "last") return reference - days((today + 7 - *wd - 1) % 7 + 1);
      return reference + days((*wd + 7 - today - 1) % 7 + 1);
    }
    if (w[1] == "week") return reference + days(w[0] == "last" ? -7 : 7);
  }
  if (w.size() == 3 && w[2] == "ago") {
    auto n = Number(w[0]);
    if (!n || *n < 0 || *n > 100000) return std::nullopt;
    std::string unit = w[1];
    if (unit.size() > 1 && unit.back() == 's') unit.pop_back();
    if (unit == "day") return reference - days(*n);
    if (unit == "week") return reference - days(7 * *n);
    if (unit == "month") return MonthsBack(reference, *n);
    if (unit == "year") return MonthsBack(reference, 12 * *n);
    return std::nullopt;
  }
  // "1 march [2020]" and "march 1 [2020]"; "1st" as well as "1".
  if (w.size() == 2 || w.size() == 3) {
    auto dayNumber = [](std::string s) {
      for (std::string_view end : {"st", "nd", "rd", "th"}) {
        if (s.size() > 2 && s.ends_with(end)) s.resize(s.size() - 2);
      }
      return Number(s);
    };
    std::optional<unsigned> month;
    std::optional<int> day;
    if ((month = MonthNumber(w[0]))) {
      day = dayNumber(w[1]);
    } else if ((month = MonthNumber(w[1]))) {
      day = dayNumber(w[0]);
    }
    if (!month || !day) return std::nullopt;
    int y = year;
    if (w.size() == 3) {
      auto given = Number(w[2]);
      if (!given || w[2].size() != 4) return std::nullopt;
      y = *given;
    }
    return Day(y, *month, *day);
  }
  return std::nullopt;
}

}  // namespace

TDateWords ParseDateWords(std::string_view text, TDate reference) {
  TDateWords result;
  const std::vector<std::string> words = Words(text);
  if (words.empty()) {
    result.problem = "Type a date, for example today, yesterday, last friday, 3 weeks ago, march 1 or " +
                     ShortDate(reference) + ".";
    return result;
  }
  std::string joined;
  for (const std::string& w : words) joined += (joined.empty() ? "" : " ") + w;
  // The short date of the user's locale and ISO yyyy-mm-dd, as the date boxes take them.
  if (auto d = ParseDateText(joined)) {
    result.day = d;
  } else if (auto named = FromWords(words, reference)) {
    result.day = named;
  }
  if (result.day && (*result.day < FirstDate() || *result.day > LastDate())) result.day.reset();
  if (!result.day) {
    result.problem = "\"" + std::string(text) + "\" is not a date Quillet knows. Try today, yesterday, " +
                     "last friday, 3 weeks ago, march 1, 1 march 2020, " + DayKey(reference).substr(0, 4) +
                     "-03-01 or " + ShortDate(reference) + ".";
  }
  return result;
}

}  // namespace quillet
