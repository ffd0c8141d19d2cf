// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_builder.h>
#include <decoration/program_data.h>
#include <decoration/spell_engine.h>
#include <decoration/word_ranks.h>

#include <base/safe_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <set>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::vector<std::string> kWords = {
    "BOOK", "BOOKS", "THE", "THEN", "THEY", "THERE", "THIS", "TEA", "TEN", "TEE", "TOE", "TEXT",
    "RECEIVE", "RECEIVED", "DOG", "HOUSE", "HORSE", "WORD", "WORDS", "ABOUT", "ABOVE", "ART",
    "CAT", "CAR", "CART", "SPELL", "SPELLING", "CHECK", "CHECKER", "YET", "RETURN", "RAT"};

class SpellEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_ = dir_.Write("quillet.dct", BuildMainDictionary(kWords, "test", 40).bytes);
    ASSERT_TRUE(engine_.OpenDictionary(main_));
    user_ = engine_.CreateUserDictionary(dir_ / "quilletu.dct", {});
    ASSERT_GE(user_, 2);
  }
  TempDir dir_;
  fs::path main_;
  TSpellEngine engine_;
  int user_ = -1;
};

TEST_F(SpellEngineTest, LooksWordsUpInEverySegmentAndTheUserDictionary) {
  EXPECT_TRUE(engine_.MainDictionaryOpen());
  EXPECT_EQ(engine_.DictionaryName, main_.string());
  EXPECT_FALSE(engine_.OpenDictionary(main_));  // one main dictionary at a time
  for (const char* w : {"book", "Spelling", "RETURN", "cat", "x", "", "dog's", "Words's"}) {
    EXPECT_TRUE(engine_.IsWordCorrect(w)) << w;
  }
  for (const char* w : {"boook", "dogs", "catt", "catt's"}) EXPECT_FALSE(engine_.IsWordCorrect(w)) << w;
}

TEST_F(SpellEngineTest, AddedWordsAreFoundAndKeptInTheFile) {
  EXPECT_FALSE(engine_.IsWordCorrect("quillet"));
  EXPECT_TRUE(engine_.AddWord("Quillet", user_));
  EXPECT_TRUE(engine_.IsWordCorrect("QUILLET"));
  EXPECT_TRUE(engine_.IsWordCorrect("quillet's"));

  TSpellEngine other;  // a second engine sees the file, and the first sees its additions
  ASSERT_TRUE(other.OpenDictionary(main_));
  int index = other.OpenUserDictionary(dir_ / "quilletu.dct");
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(other.IsWordCorrect("quillet"));
  EXPECT_TRUE(other.AddWord("diary", index));
  EXPECT_TRUE(engine_.IsWordCorrect("diary"));
}

TEST_F(SpellEngineTest, AWordThatCannotBeAddedSaysWhy) {
  std::string before = ReadFile(dir_ / "quilletu.dct");
  EXPECT_FALSE(engine_.AddWord("abcdefghijklmnopqrstuvwxyz", user_));  // 26 letters
  EXPECT_EQ(engine_.LastError(),
            "\"abcdefghijklmnopqrstuvwxyz\" is longer than 25 letters and cannot be added to the dictionary.");
  EXPECT_FALSE(engine_.AddWord("word", -1));
  EXPECT_FALSE(engine_.AddWord("word", user_ + 1));
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  EXPECT_FALSE(engine_.AddWord("quillet", user_));
  SetWriteFaultHook({});
  EXPECT_EQ(engine_.LastError(), "Unable to write to " + (dir_ / "quilletu.dct").string());
  EXPECT_FALSE(engine_.IsWordCorrect("quillet"));
  EXPECT_EQ(ReadFile(dir_ / "quilletu.dct"), before);
}

TEST_F(SpellEngineTest, RemovedWordsAreGoneAndAFailedWriteLosesNothing) {
  for (const char* w : {"quillet", "diary", "zebra"}) ASSERT_TRUE(engine_.AddWord(w, user_));
  EXPECT_EQ(engine_.UserWords(user_), (std::vector<std::string>{"DIARY", "QUILLET", "ZEBRA"}));

  std::string before = ReadFile(dir_ / "quilletu.dct");
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  EXPECT_FALSE(engine_.RemoveWords({"diary"}, user_));
  SetWriteFaultHook({});
  EXPECT_EQ(engine_.LastError(), "Unable to write to " + (dir_ / "quilletu.dct").string());
  EXPECT_EQ(ReadFile(dir_ / "quilletu.dct"), before);
  EXPECT_TRUE(engine_.IsWordCorrect("diary"));

  EXPECT_TRUE(engine_.RemoveWords({"Diary"}, user_));
  EXPECT_FALSE(engine_.IsWordCorrect("diary"));
  EXPECT_TRUE(engine_.IsWordCorrect("zebra"));
  TSpellEngine other;  // the file says the same to a new reader, which can add to it
  int index = other.OpenUserDictionary(dir_ / "quilletu.dct");
  EXPECT_EQ(other.UserWords(index), (std::vector<std::string>{"QUILLET", "ZEBRA"}));
  EXPECT_TRUE(other.AddWord("pear", index));
  EXPECT_EQ(engine_.UserWords(user_), (std::vector<std::string>{"PEAR", "QUILLET", "ZEBRA"}));
  EXPECT_FALSE(engine_.RemoveWords({"pear"}, -1));
}

// The search reads the user dictionary's tree whole and keeps it: a word added
// or taken out here, or added by another reader of the file, changes the next list.
TEST_F(SpellEngineTest, SuggestionsFollowTheUserDictionaryAsItChanges) {
  auto suggests = [&](const char* typed, const char* word) {
    const auto& s = engine_.GetSuggestions(typed);
    return std::find(s.begin(), s.end(), word) != s.end();
  };
  EXPECT_FALSE(suggests("quilet", "quillet"));
  ASSERT_TRUE(engine_.AddWord("quillet", user_));
  EXPECT_TRUE(suggests("quilet", "quillet"));

  TSpellEngine other;
  int index = other.OpenUserDictionary(dir_ / "quilletu.dct");
  ASSERT_TRUE(other.AddWord("zebra", index));
  EXPECT_TRUE(suggests("zebbra", "zebra"));

  ASSERT_TRUE(engine_.RemoveWords({"quillet"}, user_));
  EXPECT_FALSE(suggests("quilet", "quillet"));
  EXPECT_TRUE(suggests("zebbra", "zebra"));
}

TEST_F(SpellEngineTest, UserDictionariesGetIndexesFromTwoOn) {
  EXPECT_EQ(user_, 2);
  auto copy = dir_.Write("second.dct", ReadFile(dir_ / "quilletu.dct"));
  EXPECT_EQ(engine_.OpenUserDictionary(copy), 3);
  EXPECT_EQ(engine_.OpenUserDictionary(main_), 0);  // a main dictionary is not taken
  EXPECT_EQ(engine_.OpenUserDictionary(dir_ / "missing.dct"), -1);
  EXPECT_EQ(engine_.CreateUserDictionary(dir_ / "no" / "such" / "dir.dct", {}), -1);
  auto damaged = dir_.Write("damaged.dct", "USER DICTIONARY");
  EXPECT_EQ(engine_.OpenUserDictionary(damaged), -1);
  EXPECT_NE(engine_.LastError().find("is damaged"), std::string::npos);
  int index = engine_.CreateUserDictionary(dir_ / "listed.dct", {"zebra", "apple"});
  EXPECT_EQ(index, 4);
  EXPECT_TRUE(engine_.IsWordCorrect("zebra"));
}

TEST_F(SpellEngineTest, SuggestionsAreRankedCasedAndEachListedOnce) {
  auto& s = engine_.GetSuggestions("teh");
  ASSERT_FALSE(s.empty());
  EXPECT_LE(s.size(), 10u);
  EXPECT_EQ(std::set<std::string>(s.begin(), s.end()).size(), s.size());
  EXPECT_NE(std::find(s.begin(), s.end(), "the"), s.end());
  EXPECT_EQ(engine_.GetSuggestions("Teh").front()[0], engine_.GetSuggestions("teh").front()[0] - 32);
  EXPECT_EQ(engine_.GetSuggestions("recieve").front(), "receive");
  EXPECT_EQ(engine_.GetSuggestions("Recieve").front(), "Receive");
  EXPECT_EQ(engine_.GetSuggestions("RECIEVE").front(), "RECEIVE");
  engine_.SetMaxSuggestions(3);
  EXPECT_EQ(engine_.GetSuggestions("teh").size(), 3u);
  engine_.SetMaxSuggestions(250);
  EXPECT_EQ(engine_.MaxSuggestions(), 220);
}

TEST_F(SpellEngineTest, RunTogetherWordsAreSplit) {
  auto has = [&](const char* word, const char* split) {
    auto& s = engine_.GetSuggestions(word);
    return std::find(s.begin(), s.end(), split) != s.end();
  };
  EXPECT_TRUE(has("abook", "a book"));  // begins with A: the first part may be one letter
  EXPECT_TRUE(has("ABOOK", "A BOOK"));
  EXPECT_TRUE(has("thedog", "the dog"));
  EXPECT_FALSE(has("bbook", "b book"));
}

TEST_F(SpellEngineTest, AWordFarFromEveryWordGetsNoFiller) {
  // Nothing is within two slips of "zzz": no list of unrelated words.
  EXPECT_TRUE(engine_.GetSuggestions("zzz").empty());
  EXPECT_TRUE(engine_.GetSuggestions("xqj").empty());
}

// A small dictionary with its rank file: rank 1 the common words.
fs::path RankedDictionary(TempDir& dir, const std::vector<std::vector<std::string>>& levels) {
  std::vector<std::string> all;
  for (const auto& l : levels) all.insert(all.end(), l.begin(), l.end());
  auto main = dir.Write("ranked.dct", BuildMainDictionary(all, "test").bytes);
  dir.Write("ranked.rnk", TWordRanks::Format(levels, "test"));
  return main;
}

TEST(SpellEngine, AtEqualCostTheCommonerWordComesFirst) {
  TempDir dir;
  TSpellEngine engine;
  // TAN, TEN and TIN are each one vowel away from "ton"; TEN is the common one.
  ASSERT_TRUE(engine.OpenDictionary(RankedDictionary(dir, {{"TEN"}, {"TIN"}, {"TAN"}})));
  EXPECT_EQ(engine.GetSuggestions("tun"), (std::vector<std::string>{"ten", "tin", "tan"}));
  TSpellEngine unranked;  // without the rank file: the shorter, then word order
  ASSERT_TRUE(unranked.OpenDictionary(dir.Write("plain.dct", BuildMainDictionary({"TEN", "TIN", "TAN"}, "x").bytes)));
  EXPECT_EQ(unranked.GetSuggestions("tun"), (std::vector<std::string>{"tan", "ten", "tin"}));
}

TEST(SpellEngine, RunTogetherWordsAreSplitOnlyIntoCommonWordsAndAfterEveryOneSlipWord) {
  TempDir dir;
  TSpellEngine engine;
  ASSERT_TRUE(engine.OpenDictionary(RankedDictionary(dir, {{"THIS", "THE", "DOG", "IS"}, {"TH", "ISS"}})));
  // "Th iss" would be two words, but "th" and "iss" are rare: it is not offered.
  EXPECT_EQ(engine.GetSuggestions("Thiss"), (std::vector<std::string>{"This", "The"}));
  // "this is" is a split of two common words, after "This", one slip away.
  EXPECT_EQ(engine.GetSuggestions("Thisis"), (std::vector<std::string>{"This", "This is"}));
  EXPECT_EQ(engine.GetSuggestions("thedog"), (std::vector<std::string>{"the dog"}));
}

TEST(SpellEngine, WithoutAMainDictionaryOnlyTheUserDictionaryIsSearched) {
  TempDir dir;
  TSpellEngine engine;
  engine.DictionaryName = (dir / "missing.dct").string();
  int user = engine.CreateUserDictionary(dir / "quilletu.dct", {"hello"});
  EXPECT_TRUE(engine.IsWordCorrect("hello"));
  EXPECT_FALSE(engine.IsWordCorrect("world"));
  EXPECT_FALSE(engine.MainDictionaryOpen());
  EXPECT_NE(engine.LastError().find("missing.dct"), std::string::npos);
  // Once it is there, the next lookup opens it.
  dir.Write("missing.dct", BuildMainDictionary({"WORLD"}, "x").bytes);
  EXPECT_TRUE(engine.IsWordCorrect("world"));
  EXPECT_TRUE(engine.AddWord("again", user));
}

// Everyday slips with the shipped dictionary and its ranks: the intended word
// comes first, in the letter case of the word as typed.
TEST(SpellEngine, TheShippedDictionaryPutsTheIntendedWordFirst) {
  TSpellEngine engine;
  ASSERT_TRUE(engine.OpenDictionary(QUILLET_MAIN_DICTIONARY)) << engine.LastError();
  struct Case {
    const char* typed;
    const char* first;
  } cases[] = {
      {"Thiss", "This"}, {"tset", "test"}, {"teh", "the"}, {"TEH", "THE"}, {"Teh", "The"},  // the new user's
      {"hte", "the"}, {"hwat", "what"}, {"taht", "that"}, {"adn", "and"},                  // swaps
      {"recieve", "receive"}, {"freind", "friend"}, {"thier", "their"}, {"wierd", "weird"},
      {"wich", "which"}, {"untill", "until"}, {"occured", "occurred"}, {"tommorow", "tomorrow"},  // doubling
      {"accomodate", "accommodate"}, {"embarass", "embarrass"}, {"writting", "writing"},
      {"definately", "definitely"}, {"seperate", "separate"}, {"independant", "independent"},  // vowels
      {"speling", "spelling"}, {"begining", "beginning"}, {"goverment", "government"},        // dropped
      {"wroking", "working"}, {"dont", "don't"}, {"Dont", "Don't"}, {"DONT", "DON'T"},
      {"keybosrd", "keyboard"}, {"diarg", "diary"}, {"hapoy", "happy"},                     // keyboard
      {"SPELING", "SPELLING"}, {"Goverment", "Government"},
  };
  for (const Case& c : cases) {
    auto& s = engine.GetSuggestions(c.typed);
    ASSERT_FALSE(s.empty()) << c.typed;
    EXPECT_EQ(s.front(), c.first) << c.typed;
    EXPECT_LE(s.size(), 10u);
    EXPECT_EQ(std::set<std::string>(s.begin(), s.end()).size(), s.size()) << c.typed;
  }
}

TEST(SpellEngine, TheShippedDictionaryKnowsEverydayEnglish) {
  TSpellEngine engine;
  ASSERT_TRUE(engine.OpenDictionary(QUILLET_MAIN_DICTIONARY)) << engine.LastError();
  for (const char* w : {"diary", "Yesterday", "wasn't", "friend's", "beautiful", "caf\xE9"}) {
    EXPECT_TRUE(engine.IsWordCorrect(w)) << w;
  }
  EXPECT_FALSE(engine.IsWordCorrect("recieve"));
  auto& s = engine.GetSuggestions("recieve");
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front(), "receive");
}

TEST(ProgramData, TheDiaryDirectoryComesFirstThenTheBuildTree) {
  TempDir dir;
  EXPECT_EQ(MainDictionaryPath(dir.path()), fs::path(QUILLET_MAIN_DICTIONARY));
  auto own = dir.Write("Quillet.DCT", "own");
  EXPECT_EQ(MainDictionaryPath(dir.path()), own);
  EXPECT_EQ(UserDictionaryPath(dir.path()), dir / "quilletu.dct");
  EXPECT_EQ(FindProgramData(dir.path(), "nowhere.dat"), dir / "nowhere.dat");
}

}  // namespace
}  // namespace quillet
