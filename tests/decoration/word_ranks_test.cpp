// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/word_ranks.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::TempDir;

constexpr std::string_view kHead = "QUILLET WORD RANKS\r\nby hand\r\n\x1A";

// Words in any order, listed twice, with lines the reader does not take: each
// word gets the rank of the first well-formed "=N" above its first listing.
TEST(WordRanks, EachWordHasTheRankItIsFirstListedUnder) {
  TempDir dir;
  const std::string body =
      "BEFORE\n"            // before any rank: no rank
      "=1\r\nTHE\r\nDOG\n"  // CR LF or LF
      "\n"
      "=2\nZEBRA\nTHE\nCAF\xC9\nABACUS\n"
      "=0\nNOUGHT\n"        // no such rank: the words under it are not taken
      "=x\nLETTER\n"
      "=1\nCAFE\nABACUS\n"  // a word again, lower: its first rank stays
      "=4\n";
  TWordRanks ranks;
  ASSERT_TRUE(ranks.Load(dir.Write("r.rnk", std::string(kHead) + body)));
  struct Case {
    const char* word;
    int rank;
  } cases[] = {{"THE", 1},    {"DOG", 1},    {"ZEBRA", 2}, {"CAF\xC9", 2}, {"CAFE", 1},    {"ABACUS", 2},
               {"BEFORE", 4}, {"NOUGHT", 4}, {"LETTER", 4}, {"UNKNOWN", 4}, {"", 4},       {"A", 4}};
  for (const Case& c : cases) EXPECT_EQ(ranks.Rank(c.word), c.rank) << c.word;
}

// A file that is not a rank file, or lists no word, gives no ranks: every word is 1.
TEST(WordRanks, AFileWithoutRanksLeavesEveryWordCommon) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"no-banner.rnk", "=1\nTHE\n=2\n"},
      {"no-end.rnk", "QUILLET WORD RANKS\r\nby hand\r\n=1\nTHE\n=2\n"},
      {"no-words.rnk", std::string(kHead) + "=1\n=2\n"},
      {"empty.rnk", ""},
  };
  for (const Case& c : cases) {
    TWordRanks ranks;
    EXPECT_FALSE(ranks.Load(dir.Write(c.name, c.bytes))) << c.name;
    EXPECT_TRUE(ranks.Empty()) << c.name;
    EXPECT_EQ(ranks.Rank("THE"), 1) << c.name;
  }
  TWordRanks missing;
  EXPECT_FALSE(missing.Load(dir / "missing.rnk"));
  EXPECT_EQ(missing.Rank("THE"), 1);
  // A second load replaces the first.
  TWordRanks again;
  ASSERT_TRUE(again.Load(dir.Write("one.rnk", std::string(kHead) + "=1\nTHE\n=2\n")));
  EXPECT_EQ(again.Rank("DOG"), 2);
  EXPECT_FALSE(again.Load(dir / "missing.rnk"));
  EXPECT_EQ(again.Rank("DOG"), 1);
}

}  // namespace
}  // namespace quillet
