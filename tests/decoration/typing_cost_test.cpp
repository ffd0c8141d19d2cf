// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_builder.h>
#include <decoration/dictionary_file.h>
#include <decoration/typing_cost.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace quillet {
namespace {

// What each kind of slip costs, from the word meant to the word typed.
TEST(TypingCost, EachKindOfSlipHasItsCost) {
  struct Case {
    const char* intended;
    const char* typed;
    int cost;
  } cases[] = {
      {"TEST", "TEST", 0},
      {"THE", "TEH", slip::kSwap},
      {"THE", "HTE", slip::kSwap},  // the first letter swapped: no first-letter penalty
      {"SPELLING", "SPELING", slip::kDoubling},
      {"UNTIL", "UNTILL", slip::kDoubling},
      {"WHICH", "WICH", slip::kDigraphH},
      {"DON'T", "DONT", slip::kPunctuation},
      {"CAF\xC9", "CAFE", slip::kAccent},
      {"SEPARATE", "SEPERATE", slip::kVowel},
      {"TEST", "TESR", slip::kNeighbour},
      {"CAT", "KAT", slip::kSoundAlike + slip::kFirstLetter},
      {"WORD", "WORDS", slip::kExtra},
      {"WORDS", "WORD", slip::kMissing},
      {"HOUSE", "HORSE", slip::kOther},
      {"BAT", "CAT", slip::kOther + slip::kFirstLetter},
      {"ACCOMMODATE", "ACOMODATE", 2 * slip::kDoubling},
  };
  for (const Case& c : cases) EXPECT_EQ(TypingCost(c.intended, c.typed), c.cost) << c.intended << " " << c.typed;
  // The order the suggestions follow: a swap, a doubling, a vowel, a neighbouring key, a stranger.
  EXPECT_LT(slip::kDoubling, slip::kSwap);
  EXPECT_LT(slip::kSwap, slip::kNeighbour);
  EXPECT_LT(slip::kNeighbour, slip::kOther);
}

// The tree search finds exactly the words the cost function puts within the limit.
TEST(TypingCost, TheTreeSearchFindsEveryWordWithinTheLimit) {
  const std::vector<std::string> words = {"THE", "THEN", "THEY", "TEA", "TEN", "TEE", "TOE", "HE", "HAT",
                                          "WHAT", "TEST", "TESTS", "SET", "TET", "TWEET", "TOTAL"};
  testing::TempDir dir;
  auto records = OpenMainDictionary(dir.Write("m.dct", BuildMainDictionary(words, "x", 20).bytes));
  ASSERT_GT(records.size(), 1u);  // several segments
  for (const char* typed : {"TEH", "TSET", "HWAT", "T"}) {
    std::map<std::string, int> found;
    for (auto& r : records) {
      int limit = 14;
      long budget = 1'000'000;
      WalkNearWords(*r, typed, limit, [&](const std::string& w, int cost) { found[w] = cost; }, budget);
    }
    std::map<std::string, int> expected;
    for (const std::string& w : words) {
      if (int cost = TypingCost(w, typed); cost <= 14) expected[w] = cost;
    }
    EXPECT_EQ(found, expected) << typed;
  }
}

}  // namespace
}  // namespace quillet
