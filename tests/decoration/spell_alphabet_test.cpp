// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/spell_alphabet.h>

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(SpellAlphabet, LetterCodesFollowTheAlphabetAndLowerCaseSharesThem) {
  struct Case {
    uint8_t c, code;
  } cases[] = {{'A', 0},  {'Z', 25},   {'a', 0},    {'z', 25},   {'\'', 26}, {'-', 27},
               {0x8A, 28}, {0x9A, 28}, {0x8C, 29}, {0x9C, 29}, {0x9F, 30}, {0xFF, 30},
               {0xC0, 31}, {0xCF, 46}, {0xE9, 40}, {0xD0, 47}, {0xD6, 53}, {0xF6, 53},
               {0xD8, 54}, {0xDF, 61}, {0xFE, 60}, {0xF0, 62}, {'`', 63},  {'3', 0},
               {0xD7, 0},  {0xF7, 0},  {' ', 0}};
  for (auto [c, code] : cases) {
    EXPECT_EQ(LetterCode(c), code) << int(c);
  }
  for (int code = 0; code < 64; ++code) EXPECT_EQ(LetterCode(CodeLetter(uint8_t(code))), code);
}

TEST(SpellAlphabet, UpperCaseKeepsEthAndDivisionSign) {
  EXPECT_EQ(UpperWord("caf\xE9 \x9A\x9C\xFF\xF0\xF7\xDF"), "CAF\xC9 \x8A\x8C\x9F\xF0\xF7\xDF");
}

TEST(SpellAlphabet, DictionaryWordsHoldOnlyWhatTheAlphabetCanStore) {
  EXPECT_EQ(DictionaryWord(U"café"), "caf\xE9");
  EXPECT_EQ(DictionaryWord(U"don\u2019t"), "don't");
  EXPECT_EQ(DictionaryWord(U"Œuvre"), "\x8Cuvre");
  EXPECT_EQ(DictionaryWord(U"Łódź"), std::nullopt);   // beyond Windows-1252
  EXPECT_EQ(DictionaryWord(U"3rd"), std::nullopt);    // a digit would be stored as A
  EXPECT_EQ(DictionaryWord(U"x\u00D7y"), std::nullopt);
}

TEST(SpellAlphabet, CasePatterns) {
  struct Case {
    const char *typed, *suggestion, *shown;
  } cases[] = {
      {"teh", "THE", "the"},
      {"Teh", "THE", "The"},
      {"TEH", "THE", "THE"},           // no lower-case letter: stays upper case
      {"abook", "A BOOK", "a book"},
      {"ABOOK", "A BOOK", "A BOOK"},
      {"Abook", "A BOOK", "A book"},   // the space is not a letter
      {"McDonlad", "MCDONALD", "McDonald"},
      {"iPhon", "IPHONE", "iPhone"},
      {"Dont", "DON'T", "Don't"},
      {"caf\xC9", "CAF\xC9S", "caf\xC9s"},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyCasePattern(c.typed, c.suggestion), c.shown) << c.typed;
}

}  // namespace
}  // namespace quillet
