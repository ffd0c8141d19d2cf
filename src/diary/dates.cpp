// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/dates.h>

#include <QDate>
#include <QDateTime>
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

QLocale DateLocale(const QLocale& locale) {
  if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
  return locale;
}

QString ShortDatePattern(const QLocale& locale) {
  const QString format = DateLocale(locale).dateFormat(QLocale::ShortFormat);
  QString pattern;
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) {  // a quoted literal is copied as it stands
      qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
      end = end < 0 ? format.size() : end + 1;
      pattern += format.mid(i, end - i);
      i = end;
      continue;
    }
    qsizetype run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    if (c == QLatin1Char('y')) {
      pattern += QStringLiteral("yyyy");
    } else if ((c == QLatin1Char('d') || c == QLatin1Char('M')) && run == 1) {
      pattern += QString(2, c);
    } else {
      pattern += format.mid(i, run);
    }
    i += run;
  }
  return pattern;
}

namespace {
QDate ToQDate(TDate date) {
  year_month_day ymd{date};
  return QDate(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
}
}  // namespace

std::string ShortDate(TDate date, const QLocale& locale) {
  const QLocale shown = DateLocale(locale);
  return shown.toString(ToQDate(date), ShortDatePattern(shown)).toStdString();
}

std::string LongDate(TDate date, const QLocale& locale) {
  return DateLocale(locale).toString(ToQDate(date), QLocale::LongFormat).toStdString();
}

std::string ShortDateTime(const QDateTime& at, const QLocale& locale) {
  const QLocale shown = DateLocale(locale);
  return (shown.toString(at.date(), ShortDatePattern(shown)) + QLatin1Char(' ') +
          shown.toString(at.time(), QLocale::ShortFormat))
      .toStdString();
}

std::string ShortTimeNow(const QLocale& locale) {
  return locale.toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
}

}  // namespace quillet
