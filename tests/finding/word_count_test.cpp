// SPDX-License-Identifier: GPL-3.0-or-later
// The running word count of a document, edited as the editor edits it.
#include <finding/diary_statistics.h>
#include <finding/word_count.h>

#include <richtext/editor.h>
#include <richtext/io.h>
#include <richtext/unicode.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace quillet {

void PrintTo(const TTextCount& n, std::ostream* out) {
  *out << n.words << " words, " << n.characters << " characters";
}

namespace {

using richtext::TEditor;
using richtext::TPosition;

// The figures counted afresh over the whole text, the paragraphs joined by
// line breaks (which, like paragraph ends, are neither words nor characters).
TTextCount Recount(const richtext::TRTFText& doc) {
  std::u32string all;
  for (size_t i = 0; i < doc.Size(); ++i) all += (i ? U"\n" : U"") + doc.Par(i).text;
  return {CountWords(all), CountCharacters(all)};
}

std::string Text(const richtext::TRTFText& doc) {
  std::u32string all;
  for (size_t i = 0; i < doc.Size(); ++i) all += (i ? U"|" : U"") + doc.Par(i).text;
  return richtext::ToUtf8(all);
}

TEST(WordCounter, FollowsEveryKindOfEdit) {
  struct Case {
    const char* name;
    std::function<void(TEditor&)> edit;
    const char* text;  // paragraphs parted by |
    TTextCount count;
  } cases[] = {
      {"typing a word at the end", [](TEditor& e) { e.MoveTo({1, 15}, false), e.InsertText(U" six"); },
       "one two|three four five six", {6, 26}},
      {"a letter inside a word", [](TEditor& e) { e.MoveTo({0, 2}, false), e.InsertText(U"x"); },
       "onxe two|three four five", {5, 23}},
      {"a space inside a word", [](TEditor& e) { e.MoveTo({1, 2}, false), e.InsertText(U" "); },
       "one two|th ree four five", {6, 23}},
      {"a paragraph split inside a word", [](TEditor& e) { e.MoveTo({1, 3}, false), e.Enter(); },
       "one two|thr|ee four five", {6, 22}},
      {"an empty paragraph at the end", [](TEditor& e) { e.MoveTo({1, 15}, false), e.Enter(); },
       "one two|three four five|", {5, 22}},
      {"joining with Backspace", [](TEditor& e) { e.MoveTo({1, 0}, false), e.Backspace(); },
       "one twothree four five", {4, 22}},
      {"joining with Delete", [](TEditor& e) { e.MoveTo({0, 7}, false), e.Delete(); },
       "one twothree four five", {4, 22}},
      {"deleting across the paragraph end",
       [](TEditor& e) { e.Select({0, 4}, {1, 6}), e.DeleteSelection(); }, "one four five", {3, 13}},
      {"a word removed with Backspace",
       [](TEditor& e) {
         e.MoveTo({0, 3}, false);
         for (int i = 0; i < 3; ++i) e.Backspace();
       },
       " two|three four five", {4, 19}},
      {"pasting two paragraphs at the start",
       [](TEditor& e) { e.InsertFragment(e.Copy({0, 0}, {1, 5})); },
       "one two|threeone two|three four five", {7, 34}},
      {"pasting into the middle of a word",
       [](TEditor& e) { e.MoveTo({0, 5}, false), e.InsertFragment(e.Copy({1, 6}, {1, 15})); },
       "one tfour fivewo|three four five", {6, 31}},
      {"letters before the first word", [](TEditor& e) { e.MoveTo({0, 0}, false), e.InsertText(U"so"); },
       "soone two|three four five", {5, 24}},
      {"a space at a word's end", [](TEditor& e) { e.MoveTo({0, 3}, false), e.InsertText(U" "); },
       "one  two|three four five", {5, 23}},
      {"typing over a selection", [](TEditor& e) { e.Select({0, 0}, {0, 3}), e.InsertText(U"a b"); },
       "a b two|three four five", {6, 22}},
      {"a space replaced by a hyphen", [](TEditor& e) { e.Select({0, 3}, {0, 4}), e.InsertText(U"-"); },
       "one-two|three four five", {4, 22}},
      {"undoing a split", [](TEditor& e) { e.MoveTo({0, 3}, false), e.Enter(), e.Undo(); },
       "one two|three four five", {5, 22}},
      {"undoing a join and redoing it",
       [](TEditor& e) { e.MoveTo({1, 0}, false), e.Backspace(), e.Undo(), e.Redo(); },
       "one twothree four five", {4, 22}},
      {"everything deleted", [](TEditor& e) { e.SelectAll(), e.DeleteSelection(); }, "", {0, 0}},
      {"a picture and a line break are not characters",
       [](TEditor& e) { e.MoveTo({0, 3}, false), e.InsertText(U"\x0002\n"); },
       "one\x02\n two|three four five", {5, 22}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    richtext::TRTFTextIo doc;
    ASSERT_EQ(doc.LoadFromStream("one two\r\nthree four five"), richtext::ioOk);
    TEditor editor(doc);
    TWordCounter counter(doc);
    ASSERT_EQ(counter.Total(), (TTextCount{5, 22}));  // counted before the edit: it is followed
    c.edit(editor);
    EXPECT_EQ(Text(doc), c.text);
    EXPECT_EQ(counter.Total(), c.count);
    EXPECT_EQ(counter.Total(), Recount(doc));
  }
}

// Keys at random places, the count asked for after each: it always matches
// a count of the whole text afresh.
TEST(WordCounter, RandomTypingAlwaysMatchesACountAfresh) {
  richtext::TRTFTextIo doc;
  ASSERT_EQ(doc.LoadFromStream("one two\r\nthree four five"), richtext::ioOk);
  TEditor editor(doc);
  TWordCounter counter(doc);
  std::mt19937 random(7);
  const std::u32string keys = U"ab  \t.\x00A0\x0002";
  for (int step = 0; step < 2000; ++step) {
    const size_t par = random() % doc.Size();
    editor.MoveTo({par, random() % (doc.Par(par).Length() + 1)}, false);
    switch (random() % 8) {
      case 0: editor.Backspace(); break;
      case 1: editor.Delete(); break;
      case 2: editor.Enter(); break;
      case 3: editor.Undo(); break;
      default: editor.InsertText(std::u32string(1 + random() % 3, keys[random() % keys.size()]));
    }
    ASSERT_EQ(counter.Total(), Recount(doc)) << "step " << step << ": " << Text(doc);
  }
}

TEST(WordCounter, AnotherDocumentLoadedIsCountedAnew) {
  richtext::TRTFTextIo doc;
  TWordCounter counter(doc);
  int told = 0;
  counter.OnChange = [&told] { ++told; };
  EXPECT_EQ(counter.Total(), (TTextCount{0, 0}));
  ASSERT_EQ(doc.LoadFromStream("{\\rtf1\\ansi Dear diary,\\par it {\\b rained} all day.\\par}"), richtext::ioOk);
  EXPECT_GT(told, 0);
  EXPECT_EQ(counter.Total(), (TTextCount{6, 29}));
  EXPECT_EQ(counter.Total(), Recount(doc));
  doc.Clear();
  EXPECT_EQ(counter.Total(), (TTextCount{0, 0}));
}

TEST(WordCounter, CountsASelectionWithTheWordsCutAtItsEnds) {
  richtext::TRTFTextIo doc;
  ASSERT_EQ(doc.LoadFromStream("one two\r\nthree four five\r\n\r\nsix"), richtext::ioOk);
  TWordCounter counter(doc);
  struct Case {
    TPosition from, to;
    TTextCount count;
  } cases[] = {
      {{0, 0}, {0, 0}, {0, 0}},          // nothing
      {{0, 1}, {0, 2}, {1, 1}},          // a letter of a word
      {{0, 2}, {0, 5}, {2, 3}},          // "e t": two words cut
      {{0, 4}, {1, 5}, {2, 8}},          // "two" and "three" across the end
      {{1, 6}, {0, 0}, {3, 13}},         // backwards
      {{0, 0}, {3, 3}, {6, 25}},         // everything, the empty paragraph too
      {{0, 7}, {3, 0}, {3, 15}},         // from a paragraph end to a paragraph start
      {{2, 0}, {9, 0}, {1, 3}},          // beyond the end: to the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(counter.Between(c.from, c.to), c.count)
        << c.from.par << ":" << c.from.offset << " to " << c.to.par << ":" << c.to.offset;
  }
  EXPECT_EQ(counter.Between({0, 0}, {3, 3}), counter.Total());
}

}  // namespace
}  // namespace quillet
