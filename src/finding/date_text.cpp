// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/date_text.h>

#include <cctype>
#include <chrono>
#include <vector>

namespace quillet {
namespace {

bool Number(std::string_view& s, int maxDigits, int& value) {
  int digits = 0;
  value = 0;
  while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front())) && digits < maxDigits) {
    value = value * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++digits;
  }
  return digits > 0 && (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front())));
}

bool Skip(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

void SkipBlanks(std::string_view& s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
}

// "hh:mm[:ss][ AM|PM]"
bool TimeOfDay(std::string_view s) {
  int h = 0, m = 0, sec = 0;
  if (!Number(s, 2, h) || !Skip(s, ':') || !Number(s, 2, m)) return false;
  if (Skip(s, ':') && !Number(s, 2, sec)) return false;
  SkipBlanks(s);
  bool twelve = false;
  for (std::string_view mark : {"AM", "PM", "am", "pm"}) {
    if (s == mark) {
      twelve = true;
      s = {};
    }
  }
  if (!s.empty()) return false;
  return (twelve ? (h >= 1 && h <= 12) : h <= 23) && m <= 59 && sec <= 59;
}

// One piece of a short date pattern: a number field ('d', 'M' or 'y') or the
// literal text between fields.
struct TPatternPiece {
  char field = 0;
  std::string literal;
};

std::vector<TPatternPiece> PatternPieces(const QString& pattern) {
  std::vector<TPatternPiece> pieces;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
      while (i < pattern.size() && pattern[i] == c) ++i;
      pieces.push_back({char(c.unicode()), {}});
      continue;
    }
    if (pieces.empty() || pieces.back().field) pieces.push_back({});
    if (c != QLatin1Char('\'')) pieces.back().literal += QString(c).toStdString();
    ++i;
  }
  return pieces;
}

// Matches a literal of the pattern: its blanks may be left out or doubled.
bool Literal(std::string_view& s, std::string_view literal) {
  for (char c : literal) {
    if (c == ' ') {
      SkipBlanks(s);
    } else if (!Skip(s, c)) {
      return false;
    }
  }
  return true;
}

int FullYear(int year, size_t digits) {
  if (digits > 2) return year;
  using namespace std::chrono;
  int now = int(year_month_day{Today()}.year());
  int century = now - now % 100;
  year += century;
  if (year > now + 50) year -= 100;
  if (year < now - 50) year += 100;
  return year;
}

// "yyyy-mm-dd"; leaves s after the day when it matches.
bool IsoDate(std::string_view& s, int& year, int& month, int& day) {
  std::string_view t = s;
  std::string_view yearStart = t;
  if (!Number(t, 4, year) || yearStart.size() - t.size() != 4 || !Skip(t, '-') || !Number(t, 2, month) ||
      !Skip(t, '-') || !Number(t, 2, day))
    return false;
  s = t;
  return true;
}

// The date in the locale's pattern; leaves s after the date when it matches.
bool LocaleDate(std::string_view& s, const QLocale& locale, int& year, int& month, int& day) {
  const std::vector<TPatternPiece> pieces = PatternPieces(ShortDatePattern(locale));
  std::string_view t = s;
  int fieldsRead = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const TPatternPiece& piece = pieces[i];
    if (!piece.field) {
      if (fieldsRead == 0 || fieldsRead == 3) {
        // Text before the first field or after the last ("2024. 01. 05.") may be left out.
        std::string_view tried = t;
        if (Literal(tried, piece.literal)) t = tried;
      } else if (!Literal(t, piece.literal)) {
        return false;
      }
      continue;
    }
    std::string_view start = t;
    int value = 0;
    if (!Number(t, piece.field == 'y' ? 4 : 2, value)) return false;
    size_t digits = start.size() - t.size();
    if (piece.field == 'y') {
      if (digits == 3) return false;
      year = FullYear(value, digits);
    } else if (piece.field == 'M') {
      month = value;
    } else {
      day = value;
    }
    ++fieldsRead;
  }
  if (fieldsRead != 3) return false;
  s = t;
  return true;
}

}  // namespace

std::optional<TDate> ParseDateText(std::string_view s, const QLocale& locale) {
  SkipBlanks(s);
  int month = 0, day = 0, year = 0;
  if (!IsoDate(s, year, month, day) && !LocaleDate(s, locale, year, month, day)) return {};
  SkipBlanks(s);
  if (!s.empty() && !TimeOfDay(s)) return {};
  if (year < 1 || month < 1 || month > 12 || day < 1) return {};
  using namespace std::chrono;
  year_month_day ymd{std::chrono::year(year), std::chrono::month(unsigned(month)),
                     std::chrono::day(unsigned(day))};
  if (!ymd.ok()) return {};
  return sys_days(ymd);
}

std::string DateFormatShown(const QLocale& locale) { return ShortDatePattern(locale).toLower().toStdString(); }

std::string DateFormatMessage(const QLocale& locale) {
  return "Please use the date format " + DateFormatShown(locale) +
         "\r   Example: " + ShortDate(Today(), locale);
}

}  // namespace quillet
