// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_builder.h>
#include <decoration/spell_checker.h>

#include <base/error.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;
namespace fs = std::filesystem;

// Every checker of a test keeps its personal word lists in the test's own
// folder: the diary directory for ours, Enchant's configuration folder for the
// others (pointed at a temporary folder before any broker starts).
class SpellCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ENCHANT_CONFIG_DIR", (dir_ / "enchant").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    fs::create_directories(dir_ / "enchant");
    dir_.Write("diary/quillet.dct",
               BuildMainDictionary({"HOUSE", "HORSE", "THE", "THIS", "DIARY"}, "test", 40).bytes);
  }
  fs::path Diary() const { return dir_ / "diary"; }
  TempDir dir_;
};

bool Has(const std::vector<std::string>& list, const std::string& word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

TEST_F(SpellCheckerTest, ChecksSuggestsAndAddsInEachLanguage) {
  struct Case {
    const char* lang;
    const char* known;
    const char* misspelt;
    const char* suggestion;
    const char* added;
    fs::path personalList;  // where the added word is kept
  } cases[] = {
      {"en", "house", "hous", "house", "Quillet", Diary() / "quilletu.dct"},
      {"de_DE", "Haus", "Hauss", "Haus", "Quilletwörter", dir_ / "enchant" / "de_DE.dic"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lang);
    std::unique_ptr<TSpellChecker> checker = OpenSpellChecker(c.lang, Diary());
    EXPECT_TRUE(checker->Check(c.known));
    EXPECT_FALSE(checker->Check(c.misspelt));
    EXPECT_TRUE(Has(checker->Suggest(c.misspelt), c.suggestion));
    EXPECT_FALSE(checker->Check(c.added));
    ASSERT_TRUE(checker->Add(c.added)) << checker->LastError();
    EXPECT_TRUE(checker->Check(c.added));
    // Kept: a checker opened afterwards knows it too.
    EXPECT_TRUE(OpenSpellChecker(c.lang, Diary())->Check(c.added));
    ASSERT_TRUE(fs::exists(c.personalList));
  }
  EXPECT_NE(ReadFile(dir_ / "enchant" / "de_DE.dic").find("Quilletwörter"), std::string::npos);
  // German words are not English ones.
  EXPECT_FALSE(OpenSpellChecker("en", Diary())->Check("Quilletwörter"));
}

TEST_F(SpellCheckerTest, ListsEnglishFirstThenTheInstalledDictionaries) {
  std::vector<std::string> langs = InstalledSpellLanguages();
  ASSERT_FALSE(langs.empty());
  EXPECT_EQ(langs[0], "en");
  EXPECT_TRUE(Has(langs, "de_DE"));
  EXPECT_FALSE(Has(langs, "en_US"));  // answered by our own dictionaries
  EXPECT_TRUE(std::is_sorted(langs.begin() + 1, langs.end()));
}

TEST_F(SpellCheckerTest, ALanguageWithoutDictionaryIsRefusedWithItsName) {
  try {
    OpenSpellChecker("xx_YY", Diary());
    FAIL() << "opened";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "no spelling dictionary for the language 'xx_YY'");
  }
}

}  // namespace
}  // namespace quillet
