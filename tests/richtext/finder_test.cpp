// SPDX-License-Identifier: GPL-3.0-or-later
#include "doc_builder.h"

#include <richtext/finder.h>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;
using testing::Text;

struct Found {
  size_t pos, len;
  bool operator==(const Found&) const = default;
};

std::vector<Found> FindAll(TTextFinder& f, const TString& text) {
  std::vector<Found> out;
  f.ToStart();
  while (f.FindNext(text)) out.push_back({f.FoundPosition(), f.FoundLength()});
  return out;
}

TEST(Finder, ForwardAcrossParagraphs) {
  Doc d;
  d.Para(0, U"ab");
  d.Para(1, U"cd abc");
  TTextFinder f(d.doc);
  EXPECT_EQ(FindAll(f, U"c"), (std::vector<Found>{{3, 1}, {8, 1}}));  // paragraph ends count one
  EXPECT_EQ(FindAll(f, U"AB"), (std::vector<Found>{{0, 2}, {6, 2}}));
  f.caseSensitive = true;
  EXPECT_TRUE(FindAll(f, U"AB").empty());
  EXPECT_TRUE(FindAll(f, U"bc d").empty());  // never across a paragraph end
}

TEST(Finder, WholeWordsAndLetters) {
  Doc d;
  d.Para(0, U"and an Ähre \x00E4hre 3an");
  TTextFinder f(d.doc);
  f.wholeWord = true;
  EXPECT_EQ(FindAll(f, U"an"), (std::vector<Found>{{4, 2}, {18, 2}}));  // digits separate
  f.wholeWord = false;
  EXPECT_EQ(FindAll(f, U"\x00E4hre").size(), 2u);  // Ä matches ä without regard to case
  EXPECT_TRUE(TTextFinder::IsSeparator(' '));
  EXPECT_TRUE(TTextFinder::IsSeparator('7'));
  EXPECT_FALSE(TTextFinder::IsSeparator(0x0160));  // Š, a Windows-1252 letter
  EXPECT_FALSE(TTextFinder::IsSeparator(0x0416));  // Ж
}

TEST(Finder, Wildcards) {
  Doc d;
  d.Para(0, U"Dear diary, today was dry.");
  TTextFinder f(d.doc);
  f.wildcard = '*';
  // From a head to the nearest tail; "D" matches "d" without regard to case.
  EXPECT_EQ(FindAll(f, U"d*y"), (std::vector<Found>{{0, 10}, {14, 3}, {22, 3}}));
  EXPECT_EQ(FindAll(f, U"to*"), (std::vector<Found>{{12, 2}}));
  // The wildcard alone walks word by word.
  std::vector<TString> words;
  f.ToStart();
  while (f.FindNext(U"*")) words.push_back(f.FoundText());
  EXPECT_EQ(words, (std::vector<TString>{U"Dear", U"diary", U"today", U"was", U"dry"}));
}

TEST(Finder, Backward) {
  Doc d;
  d.Para(0, U"one two");
  d.Para(1, U"two one");
  TTextFinder f(d.doc);
  f.ToEnd();
  std::vector<size_t> at;
  while (f.FindPrevious(U"one")) at.push_back(f.FoundPosition());
  EXPECT_EQ(at, (std::vector<size_t>{12, 0}));
}

TEST(Finder, AttributeFilter) {
  Doc d;
  d.Para(0, U"plain ");
  d.Add(0, U"plain", Doc::With(afBold));
  TTextFinder f(d.doc);
  f.attrFilter = 0x04;
  f.reference.flags = afBold;
  EXPECT_EQ(FindAll(f, U"plain"), (std::vector<Found>{{6, 5}}));
}

TEST(Finder, ReplaceKeepsTheFirstCharactersAttribute) {
  Doc d;
  d.Para(0, U"a ");
  d.Add(0, U"cat", Doc::With(afItalic));
  d.Add(0, U" sat", Doc::Plain());
  TTextFinder f(d.doc);
  f.ToStart();
  ASSERT_TRUE(f.FindNext(U"cat"));
  f.ReplaceFound(U"tiger");
  EXPECT_EQ(Text(d.doc), "a tiger sat");
  EXPECT_EQ(f.FoundLength(), 5u);
  EXPECT_EQ(d.doc.CharAttr(d.doc.Par(0), 6).flags, afItalic);
  EXPECT_TRUE(f.FindNext(U"sat"));  // the search goes on after the replacement
  EXPECT_EQ(f.FoundPosition(), 8u);
}

TEST(Finder, ReplaceAllCountsAndStopsOnEscape) {
  Doc d;
  TString text;
  for (int i = 0; i < 100; ++i) text += U"ab ";
  d.Para(0, text);
  TTextFinder f(d.doc);
  f.ToStart();
  EXPECT_EQ(f.ReplaceAll(U"ab", U"xyz"), 100);
  EXPECT_EQ(d.doc.Par(0).text.substr(0, 8), U"xyz xyz ");

  int checks = 0;
  f.escapePressed = [&] { return ++checks == 2; };  // held at the second check
  f.ToStart();
  EXPECT_EQ(f.ReplaceAll(U"xyz", U"q"), 60);
}


TEST(Finder, AWordEndLetterEndsWordsAndEveryWalkMovesOn) {
  // With a letter as the word end, the wildcard alone once matched nothing
  // before that letter, and the walks stood still there.
  Doc d;
  d.Para(0, U"banana bread");
  TTextFinder f(d.doc);
  f.wildcard = '*';
  f.wordEnd = 'a';
  std::vector<TString> words;
  f.ToStart();
  for (int i = 0; i < 20 && f.FindNext(U"*"); ++i) words.push_back(f.FoundText());
  EXPECT_EQ(words, (std::vector<TString>{U"b", U"n", U"n", U"bre", U"d"}));

  int checks = 0;
  f.escapePressed = [&] { return ++checks > 100; };  // stops a runaway loop
  f.ToStart();
  EXPECT_EQ(f.ReplaceAll(U"*", U"x"), 5);
  EXPECT_EQ(Text(d.doc), "xaxaxa xax");

  Doc back;
  back.Para(0, U"banana bread");
  TTextFinder b(back.doc);
  b.wildcard = '*';
  b.wordEnd = 'a';
  words.clear();
  b.ToEnd();
  for (int i = 0; i < 20 && b.FindPrevious(U"*"); ++i) words.push_back(b.FoundText());
  EXPECT_EQ(words, (std::vector<TString>{U"d", U"bre", U"n", U"n", U"b"}));
}

TEST(Finder, WildcardSearchesStayLinear) {
  // A head on every character and no tail anywhere: each head used to send a
  // scan to the paragraph end.
  const size_t n = 40000;
  Doc d;
  d.Para(0, TString(n, U'a'));
  d.Para(1, TString(n / 2, U'a') + U"z" + TString(n / 2, U'a'));
  TTextFinder f(d.doc);
  f.wildcard = '*';
  f.ToStart();
  EXPECT_FALSE(f.FindNext(U"a*q"));
  EXPECT_LT(f.Comparisons(), 6 * n);

  size_t before = f.Comparisons();
  f.ToEnd();
  ASSERT_TRUE(f.FindPrevious(U"a*z"));  // the head nearest the end with a tail after it
  EXPECT_EQ(f.FoundPosition(), n + 1 + n / 2 - 1);
  EXPECT_EQ(f.FoundLength(), 2u);
  EXPECT_FALSE(f.FindPrevious(U"a*q"));
  EXPECT_LT(f.Comparisons() - before, 12 * n);

  // Walking every match of a long paragraph costs about one pass in each direction.
  TString pairs;
  for (size_t i = 0; i < n / 4; ++i) pairs += U"ab, ";
  Doc p;
  p.Para(0, pairs);
  TTextFinder g(p.doc);
  g.wildcard = '*';
  EXPECT_EQ(FindAll(g, U"a*b").size(), n / 4);
  EXPECT_EQ(FindAll(g, U"*").size(), n / 4);
  size_t forward = g.Comparisons();
  EXPECT_LT(forward, 4 * n);
  size_t back = 0;
  g.ToEnd();
  while (g.FindPrevious(U"a*b")) ++back;
  EXPECT_EQ(back, n / 4);
  EXPECT_LT(g.Comparisons() - forward, 6 * n);
}

TEST(Finder, SkippingSearchFindsWhatTheCharacterByCharacterSearchFinds) {
  // An attribute filter that every character passes makes the finder try
  // every position; without it the pattern's skip table jumps. Both must
  // give the same matches.
  Doc d;
  d.Para(0, U"Dear Diary, the old MILL by the mill-race; millers mill. \x00C4hre \x00E4hre");
  d.Para(1, U"");
  d.Para(2, U"mi ll mill\x0416 \x0436ill Mississippi iss issi iss");
  d.Para(3, U"aaaaab aab ab b a*b");
  struct Case {
    const char* name;
    const char32_t* text;
    bool wholeWord, caseSensitive;
  } cases[] = {
      {"letters in any case", U"mill", false, false},
      {"upper-case pattern", U"MILL", false, false},
      {"case kept", U"mill", false, true},
      {"whole words", U"mill", true, false},
      {"repeats in the pattern", U"issi", false, false},
      {"accented capitals", U"\x00E4HRE", false, false},
      {"Cyrillic", U"\x0416ill", false, false},
      {"wildcard", U"m*l", false, false},
      {"wildcard, whole words", U"m*l", true, false},
      {"wildcard in the tail", U"a*a*b", false, false},
      {"wildcard first", U"*b", false, false},
      {"one letter", U"b", false, false},
      {"longer than a paragraph", U"aaaaab aab ab b a*b and more", false, false},
  };
  for (const Case& c : cases) {
    TTextFinder quick(d.doc), slow(d.doc);
    for (TTextFinder* f : {&quick, &slow}) {
      f->wildcard = '*';
      f->wholeWord = c.wholeWord;
      f->caseSensitive = c.caseSensitive;
    }
    slow.attrFilter = 0x04;  // not bold, like every character
    slow.reference = Doc::Plain();
    std::vector<Found> expected = FindAll(slow, c.text);
    EXPECT_EQ(FindAll(quick, c.text), expected) << c.name;
    EXPECT_LE(quick.Comparisons(), slow.Comparisons()) << c.name;
  }
}

TEST(Finder, ALongPatternLooksAtFewCharacters) {
  const size_t n = 100000;
  Doc d;
  d.Para(0, TString(n, U'x') + U" Quetzalcoatl");
  TTextFinder f(d.doc);
  ASSERT_TRUE(f.FindNext(U"quetzalcoatl"));
  EXPECT_EQ(f.FoundPosition(), n + 1);
  EXPECT_LT(f.Comparisons(), n / 5);  // a jump of the pattern's length on each x
}

TEST(Finder, BackwardWildcardMatchesEndAtOrBeforeThePosition) {
  Doc d;
  d.Para(0, U"Dear diary, today was dry.");
  TTextFinder f(d.doc);
  f.wildcard = '*';
  std::vector<Found> at;
  f.ToEnd();
  while (f.FindPrevious(U"d*y")) at.push_back({f.FoundPosition(), f.FoundLength()});
  // "Dear diary" is not found: from before "diary" the nearest y lies ahead.
  EXPECT_EQ(at, (std::vector<Found>{{22, 3}, {14, 3}, {5, 5}}));
  at.clear();
  f.ToEnd();
  while (f.FindPrevious(U"*y")) at.push_back({f.FoundPosition(), f.FoundLength()});
  EXPECT_EQ(at, (std::vector<Found>{{24, 1}, {16, 1}, {9, 1}}));
}

}  // namespace
}  // namespace richtext
