// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/dates.h>

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(DayKey, IsYearMonthDayWithLeadingZeros) {
  EXPECT_EQ(DayKey(MakeDate(2026, 12, 7)), "20261207");
  EXPECT_EQ(DayKey(MakeDate(1, 1, 1)), "00010101");
  EXPECT_EQ(DayKey(MakeDate(9999, 12, 31)), "99991231");
  EXPECT_LT(DayKey(MakeDate(2026, 9, 30)), DayKey(MakeDate(2026, 10, 1)));
}

TEST(STOD, ReadsValidKeysAndGivesTodayForAnythingElse) {
  struct Case {
    const char* key;
    std::optional<TDate> date;  // nothing: today
  } cases[] = {
      {"20240229", MakeDate(2024, 2, 29)},
      {"20261207", MakeDate(2026, 12, 7)},
      {"00010101", MakeDate(1, 1, 1)},
      {"20000229", MakeDate(2000, 2, 29)},
      {"20240229XYZ", MakeDate(2024, 2, 29)},  // only the first eight characters count
      {"20230229", {}},                        // not a leap year
      {"19000229", {}},                        // century, not a leap year
      {"20241301", {}},
      {"20240100", {}},
      {"20240431", {}},
      {"00000101", {}},
      {"2024022", {}},  // too short
      {"", {}},
      {"README", {}},
      {"2024 229", {}},
      {"+2024010", {}},
      {"-0010101", {}},
  };
  TDate today = Today();
  for (const Case& c : cases) {
    EXPECT_EQ(STOD(c.key), c.date.value_or(today)) << c.key;
    EXPECT_EQ(ParseDayKey(c.key).has_value(), c.date.has_value()) << c.key;
  }
}

TEST(DayArithmetic, CrossesMonthsYearsAndLeapDays) {
  EXPECT_EQ(PreviousDay(MakeDate(2024, 3, 1)), MakeDate(2024, 2, 29));
  EXPECT_EQ(PreviousDay(MakeDate(2023, 3, 1)), MakeDate(2023, 2, 28));
  EXPECT_EQ(NextDay(MakeDate(2024, 2, 28)), MakeDate(2024, 2, 29));
  EXPECT_EQ(NextDay(MakeDate(2026, 12, 31)), MakeDate(2027, 1, 1));
  EXPECT_EQ(PreviousDay(MakeDate(2027, 1, 1)), MakeDate(2026, 12, 31));
  EXPECT_EQ(NextDay(MakeDate(2026, 4, 30)), MakeDate(2026, 5, 1));
  // The range ends where a four-digit day key ends.
  EXPECT_EQ(PreviousDay(FirstDate()), FirstDate());
  EXPECT_EQ(NextDay(LastDate()), LastDate());
}

TEST(DateFormats, ShortAndLong) {
  EXPECT_EQ(ShortDate(MakeDate(2026, 12, 7)), "12/07/2026");
  EXPECT_EQ(ShortDate(MakeDate(987, 1, 5)), "01/05/0987");
  // The tests run in the C locale, whose names are English.
  EXPECT_EQ(LongDate(MakeDate(2026, 12, 7)), "Monday, December 7, 2026");
  EXPECT_EQ(LongDate(MakeDate(2024, 2, 29)), "Thursday, February 29, 2024");
  EXPECT_EQ(LongDate(MakeDate(2027, 1, 3)), "Sunday, January 3, 2027");
}

TEST(DateFormats, FollowTheLocale) {
  struct {
    QLocale locale;
    const char* shortDate;
    const char* longDate;
    const char* pattern;
  } cases[] = {
      {QLocale::c(), "12/10/2026", "Thursday, December 10, 2026", "MM/dd/yyyy"},
      {QLocale(QLocale::English, QLocale::UnitedStates), "12/10/2026", "Thursday, December 10, 2026",
       "MM/dd/yyyy"},
      {QLocale(QLocale::German, QLocale::Germany), "10.12.2026", "Donnerstag, 10. Dezember 2026", "dd.MM.yyyy"},
      {QLocale(QLocale::English, QLocale::UnitedKingdom), "10/12/2026", "Thursday, 10 December 2026",
       "dd/MM/yyyy"},
  };
  for (auto& c : cases) {
    const std::string name = c.locale.name().toStdString();
    EXPECT_EQ(ShortDate(MakeDate(2026, 12, 10), c.locale), c.shortDate) << name;
    EXPECT_EQ(LongDate(MakeDate(2026, 12, 10), c.locale), c.longDate) << name;
    EXPECT_EQ(ShortDatePattern(c.locale), c.pattern) << name;
  }
  // The default locale is the one used when none is given.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(LongDate(MakeDate(2026, 12, 10)), "Donnerstag, 10. Dezember 2026");
  QLocale::setDefault(QLocale::c());
}

}  // namespace
}  // namespace quillet
