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

}  // namespace
}  // namespace richtext
