#include <diary/dates.h>

#include <QLocale>
#include <QTime>

#include <cstdio>
#include <ctime>

namespace quillet {

using namespace std::chrono;

TDate MakeDate(int y, unsigned m, unsigned d) {
  return sys_days{year{y} / month{m} / day{d}};
}

TDate Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MakeDate(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday));
}

std::string TimeStampNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return text;
}

TDate FirstDate() { return MakeDate(1, 1, 1); }
TDate LastDate() { return MakeDate(9999, 12, 31); }

TDate PreviousDay(TDate date) { return date > FirstDate() ? date - days{1} : date; }
TDate NextDay(TDate date) { return date < LastDate() ? date + days{1} : date; }

std::string DayKey(TDate date) {
  year_month_day ymd{date};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u", int(ymd.year()), unsigned(ymd.month()),
                unsigned(ymd.day()));
  return buf;
}

std::optional<TDate> ParseDayKey(std::string_view key) {
  if (key.size() < 8) return std::nullopt;
  int fields[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  size_t pos = 0;
  for (int f = 0; f < 3; ++f) {
    for (int i = 0; i < widths[f]; ++i, ++pos) {
      char c = key[pos];
      if (c < '0' || c > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  year_month_day ymd{year{fields[0]}, month{unsigned(fields[1])}, day{unsigned(fields[2])}};
  if (fields[0] < 1 || !ymd.ok()) return std::nullopt;
  return sys_days{ymd};
}

TDate STOD(std::string_view key) { return ParseDayKey(key).value_or(Today()); }

std::string ShortDate(TDate date) {
  year_month_day ymd{date};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u/%02u/%04d", unsigned(ymd.month()), unsigned(ymd.day()),
                int(ymd.year()));
  return buf;
}

std::string LongDate(TDate date) {
  year_month_day ymd{date};
  QLocale locale = QLocale::system();
  int dayOfWeek = int(weekday{date}.iso_encoding());  // 1 = Monday, as Qt counts
  QString text = QStringLiteral("%1, %2 %3, %4")
                     .arg(locale.dayName(dayOfWeek, QLocale::LongFormat),
                          locale.monthName(int(unsigned(ymd.month())), QLocale::LongFormat))
                     .arg(unsigned(ymd.day()))
                     .arg(int(ymd.year()), 4, 10, QLatin1Char('0'));
  return text.toStdString();
}

std::string ShortTimeNow() {
  return QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
}

}  // namespace quillet
