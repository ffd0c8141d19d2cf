// SPDX-License-Identifier: GPL-3.0-or-later
/** Finding and replacing text in a document, and walking it word by word. */
#pragma once

#include <richtext/document.h>
#include <richtext/folded_search.h>

#include <functional>
#include <optional>

namespace richtext {

// Positions are absolute character indexes: the characters of each
// paragraph, and one more for each paragraph end. Matches never cross a
// paragraph end.
class TTextFinder {
 public:
  explicit TTextFinder(TRTFText& doc) : doc_(doc) {}

  // Options.
  bool caseSensitive = false;
  TChar wildcard = 0;         // 0: none; the editor uses '*'
  TChar wordEnd = 0;          // a word run also ends here (a space: the end of a word)
  bool wordSpan = false;      // the wildcard alone matches one whole word
  bool skipHiddenAndObjects = false;
  bool wholeWord = false;
  // Attribute filter: 0x01 same font, 0x02 same size, 0x04 bold, 0x08
  // underline, 0x10 italic, 0x20 double underline, 0x40 same text colour,
  // 0x80 same background colour, compared with `reference`.
  uint8_t attrFilter = 0;
  TAttr reference;
  bool objectFilter = false, insertPointFilter = false;
  std::optional<uint16_t> filterId;
  bool keepPosition = false;  // search from the position itself, not after the last match
  // Asked after every 30 replacements of ReplaceAll; true stops it (Escape held).
  std::function<bool()> escapePressed;

  // Moves to the paragraph holding `index` (0 or less: the start); gives
  // the index of that paragraph's first character.
  size_t SetPosition(long index);
  void ToStart();
  void ToEnd();

  bool FindNext(const TString& text);
  bool FindPrevious(const TString& text);
  // Replaces every match after the current position; gives the count.
  int ReplaceAll(const TString& find, const TString& replace);
  // Replaces the match with `text`, in the attribute of the match's first character.
  void ReplaceFound(const TString& text);
  void Reset();

  bool Found() const { return found_; }
  size_t FoundPosition() const { return found_ ? foundPos_ : 0; }
  size_t FoundLength() const { return found_ ? foundLen_ : 0; }
  TString FoundText() const;
  int ReplaceCount() const { return replaceCount_; }
  // Characters compared by CharMatches since the finder was made: the work a
  // search has done, so that its cost can be checked against the text's length.
  size_t Comparisons() const { return comparisons_; }
  size_t Position() const { return parStart_ + offset_; }

  static bool IsSeparator(TChar c);
  // The apostrophes (' and U+2019) that belong to a word when they stand
  // between two of its letters: "wasn't" is one word.
  static bool IsWordApostrophe(TChar c) { return c == '\'' || c == 0x2019; }
  bool CharMatches(TChar textChar, TChar patternChar, const TAttr& attr) const;

 private:
  struct Pattern {
    TString head, tail;
    bool hasWildcard = false;
    TFoldedPattern headFind, tailFind;  // the same, for searches without attribute filters
  };
  Pattern Prepare(const TString& text) const;
  bool SearchForward(const TString& text);
  bool SearchBackward(const TString& text);
  // Finds the pattern in paragraph `par` starting at or after `from` (forward)
  // or ending at or before `from` (backward); gives start and length.
  bool MatchAt(const TParagraph& p, const TString& pat, size_t at) const;
  bool WholeWordAt(const TParagraph& p, size_t at, size_t length) const;
  bool Filtered() const;
  // The first position from `at` on where `pat` matches, or npos.
  size_t NextMatch(const TParagraph& p, const TString& pat, const TFoldedPattern& quick,
                   size_t at) const;
  bool FindIn(size_t par, size_t from, const Pattern& pat, bool forward, size_t& start,
              size_t& length) const;
  bool IsWordChar(const TParagraph& p, size_t i) const;
  bool IsLetterOfWord(const TParagraph& p, size_t i) const;
  bool IsShown(const TParagraph& p, size_t i) const;
  bool FindWord(size_t par, size_t from, size_t& start, size_t& length) const;
  bool FindWordBefore(size_t par, size_t from, size_t& start, size_t& length) const;
  void SetFound(size_t par, size_t start, size_t length);

  TRTFText& doc_;
  size_t par_ = 0, parStart_ = 0, offset_ = 0;
  bool found_ = false;
  size_t foundPos_ = 0, foundLen_ = 0;
  TAttr foundAttr_;
  TString lastReplacement_;
  int replaceCount_ = 0;
  mutable size_t comparisons_ = 0;
};

}  // namespace richtext
