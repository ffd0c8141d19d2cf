// SPDX-License-Identifier: GPL-3.0-or-later
// The days people type to go to, read against a fixed today.
#include <finding/date_words.h>

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(DateWords, ReadsFiguresAndWords) {
  const TDate friday = MakeDate(2026, 6, 5);
  struct Case {
    const char* text;
    TDate reference;
    TDate expected;
  } cases[] = {
      {"06/01/2026", friday, MakeDate(2026, 6, 1)},
      {"6/1/2026", friday, MakeDate(2026, 6, 1)},
      {"2026-06-01", friday, MakeDate(2026, 6, 1)},
      {"2024-2-29", friday, MakeDate(2024, 2, 29)},
      {"today", friday, friday},
      {"  Today ", friday, friday},
      {"yesterday", friday, MakeDate(2026, 6, 4)},
      {"tomorrow", friday, MakeDate(2026, 6, 6)},
      {"yesterday", MakeDate(2026, 3, 1), MakeDate(2026, 2, 28)},
      {"last friday", friday, MakeDate(2026, 5, 29)},  // a week back on the day itself
      {"Last Thursday", friday, MakeDate(2026, 6, 4)},
      {"last sat", friday, MakeDate(2026, 5, 30)},
      {"next monday", friday, MakeDate(2026, 6, 8)},
      {"2 days ago", friday, MakeDate(2026, 6, 3)},
      {"1 day ago", friday, MakeDate(2026, 6, 4)},
      {"3 weeks ago", friday, MakeDate(2026, 5, 15)},
      {"1 month ago", MakeDate(2026, 3, 31), MakeDate(2026, 2, 28)},  // cut to the month's end
      {"2 years ago", MakeDate(2024, 2, 29), MakeDate(2022, 2, 28)},
      {"1 march", friday, MakeDate(2026, 3, 1)},
      {"march 1", friday, MakeDate(2026, 3, 1)},
      {"Mar 1st", friday, MakeDate(2026, 3, 1)},
      {"1 march 2020", friday, MakeDate(2020, 3, 1)},
      {"March 1, 2020", friday, MakeDate(2020, 3, 1)},
      {"29 february 2024", friday, MakeDate(2024, 2, 29)},
  };
  for (const Case& c : cases) {
    TDateWords r = ParseDateWords(c.text, c.reference);
    ASSERT_TRUE(r.day.has_value()) << c.text << ": " << r.problem;
    EXPECT_EQ(DayKey(*r.day), DayKey(c.expected)) << c.text;
    EXPECT_TRUE(r.problem.empty()) << c.text;
  }
}

TEST(DateWords, BadInputSaysWhatWouldDo) {
  const TDate friday = MakeDate(2026, 6, 5);
  for (const char* text : {"", "   ", "someday", "13/01/2026", "2026-02-30", "30 february", "29 feb 2026",
                           "march", "last", "last blursday", "three days ago", "2 fortnights ago",
                           "1 march 20", "ma 1"}) {
    TDateWords r = ParseDateWords(text, friday);
    EXPECT_FALSE(r.day.has_value()) << text;
    EXPECT_NE(r.problem.find("today"), std::string::npos) << text << ": " << r.problem;
    if (*text && std::string(text) != "   ") {
      EXPECT_NE(r.problem.find(std::string("\"") + text + "\""), std::string::npos) << r.problem;
    }
  }
}

}  // namespace
}  // namespace quillet
