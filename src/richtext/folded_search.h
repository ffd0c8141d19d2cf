// SPDX-License-Identifier: GPL-3.0-or-later
/** Finding a pattern in text without regard to letter case, by Boyer-Moore-Horspool skips. */
#pragma once

#include <richtext/defs.h>
#include <richtext/unicode.h>

#include <array>
#include <string_view>
#include <vector>

namespace richtext {

// The lower case the finder compares letters in; ASCII without a call.
inline TChar FoldCase(TChar c) {
  if (c < 0x80) return (c - 'A' < 26u) ? c + 32 : c;
  return ToLower(c);
}

// A pattern lower-cased once, with a skip table over the low byte of each
// character, so that most characters of a text are never looked at: after a
// mismatch the search moves on by the distance from the last occurrence of
// the text's character under the pattern's end. The text is lower-cased one
// character at a time as it is read, so positions are those of the text.
//
// Example: "Mill" in "the old MILL" is tried at 0 ("the "), skips 4 to
// "old ", then 4 again to "MILL", which matches: found at 8.
class TFoldedPattern {
 public:
  TFoldedPattern() = default;
  // A pattern character equal to `wildcard` (0: none) stands for any one character.
  TFoldedPattern(std::u32string_view pattern, bool caseSensitive, TChar wildcard);

  // The first position from `from` on where the pattern lies wholly before
  // `end`, or npos. `compared` grows by the characters of the text looked at.
  size_t Find(std::u32string_view text, size_t from, size_t end, size_t& compared) const;
  size_t size() const { return pattern_.size(); }

  static constexpr size_t npos = std::u32string_view::npos;

 private:
  TChar Fold(TChar c) const { return caseSensitive_ ? c : FoldCase(c); }
  bool Matches(TChar text, size_t k) const { return any_[k] || Fold(text) == pattern_[k]; }

  TString pattern_;
  std::vector<bool> any_;  // the positions of the wildcard
  std::array<uint32_t, 256> skip_{};
  bool caseSensitive_ = false;
};

}  // namespace richtext
