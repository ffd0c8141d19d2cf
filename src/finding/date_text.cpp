#include <finding/date_text.h>

#include <cctype>
#include <chrono>

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

}  // namespace

std::optional<TDate> ParseDateText(std::string_view s) {
  SkipBlanks(s);
  int month = 0, day = 0, year = 0;
  std::string_view start = s;
  if (!Number(s, 2, month) || !Skip(s, '/') || !Number(s, 2, day) || !Skip(s, '/')) return {};
  std::string_view yearStart = s;
  if (!Number(s, 4, year)) return {};
  size_t yearDigits = yearStart.size() - s.size();
  (void)start;
  if (yearDigits <= 2) {
    using namespace std::chrono;
    int now = int(year_month_day{Today()}.year());
    int century = now - now % 100;
    year += century;
    if (year > now + 50) year -= 100;
    if (year < now - 50) year += 100;
  } else if (yearDigits == 3) {
    return {};
  }
  SkipBlanks(s);
  if (!s.empty() && !TimeOfDay(s)) return {};
  if (year < 1 || month < 1 || month > 12 || day < 1) return {};
  using namespace std::chrono;
  year_month_day ymd{std::chrono::year(year), std::chrono::month(unsigned(month)),
                     std::chrono::day(unsigned(day))};
  if (!ymd.ok()) return {};
  return sys_days(ymd);
}

std::string DateFormatMessage() {
  return "Please use the date format mm/dd/yyyy\r   Example: " + ShortDate(Today());
}

}  // namespace quillet
