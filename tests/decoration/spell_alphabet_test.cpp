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

TEST(SpellAlphabet, SoundKeys) {
  using K = TSoundKey;
  struct Case {
    const char* word;
    K key;
  } cases[] = {
      {"ROBERT", {'R', 1, 6, 3}},   // vowels go, consonants become classes
      {"RUPERT", {'R', 1, 6, 3}},
      {"PFISTER", {'P', 1, 2, 3}},  // the first letter is not classed; cut to four
      {"TYMCZAK", {'T', 5, 2, 0}},  // later repeats of a class go, padded with 0
      {"BOBBY", {'B', 1, 0, 0}},
      {"O'NEIL", {'O', 7, 5, 4}},
      {"A0", {'A', 'O', 0, 0}},     // digits: 0 reads as O, 1 and 7 as I
      {"X17", {'X', 'I', 0, 0}},
      {"D\xC9J\xC0", {'D', 2, 0, 0}},
      {"A", {'A', 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(SoundKey(c.word), c.key) << c.word;
  // Padding from a source fills the missing places from it.
  K target{'B', 6, 5, 0};
  EXPECT_EQ(SoundKey("B", target), target);
  EXPECT_EQ(SoundKey("BRO", target), target);
  EXPECT_EQ(SoundKey("BL", target), (K{'B', 4, 5, 0}));
}

TEST(SpellAlphabet, SimilarityScores) {
  struct Case {
    const char *candidate, *word;
    int score;
  } cases[] = {
      {"HELLO", "HELO", 66},   // HEL (6), then O against O is a one-letter range: 6 of 9
      {"THE", "TEH", 66},      // T, then H: 4 of 6
      {"BROWN", "BRWON", 60},  // BR, then O: 6 of 10
      {"DON'T", "DONT", 100},  // apostrophes of the candidate do not count
      {"ABC", "XYZ", 0},
      {"A", "A", 0},           // one-letter ranges are never compared
      {"A BOOK", "ABOOK", 72}, // BO, then OK (A against A is left alone): 8 of 11
  };
  for (const Case& c : cases) EXPECT_EQ(SimilarityScore(c.candidate, c.word), c.score) << c.candidate;
}

TEST(SpellAlphabet, RankedListKeepsTheBestInOrderAndEachWordOnce) {
  TRankedList list(3);
  list.Insert("B", 50);
  list.Insert("C", 50);  // equal scores: the first found stays ahead
  list.Insert("A", 90);
  list.Insert("B", 50);  // listed already
  list.Insert("D", 50);  // would rank fourth: not kept
  list.Insert("E", 70);  // pushes C out
  std::vector<std::string> words;
  for (const auto& e : list.Entries()) words.push_back(e.word);
  EXPECT_EQ(words, (std::vector<std::string>{"A", "E", "B"}));
}

TEST(SpellAlphabet, FirstLetterAlternatives) {
  EXPECT_EQ(FirstLetterAlternatives('T'), "YRT");
  EXPECT_EQ(FirstLetterAlternatives('A'), "EDA\xC0\xC1\xC2\xC3\xC4\xC5\xC6");
  EXPECT_EQ(FirstLetterAlternatives(0xC4), FirstLetterAlternatives('A'));
  EXPECT_EQ(FirstLetterAlternatives(0xDF), "PVNB\xDF");
  EXPECT_EQ(FirstLetterAlternatives(0x9F), "TUY\x9F\xDD");
  EXPECT_EQ(FirstLetterAlternatives('-'), "-");
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
