// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/folded_search.h>

#include <algorithm>

namespace richtext {

TFoldedPattern::TFoldedPattern(std::u32string_view pattern, bool caseSensitive, TChar wildcard)
    : caseSensitive_(caseSensitive) {
  const size_t m = pattern.size();
  pattern_.resize(m);
  any_.resize(m);
  for (size_t k = 0; k < m; ++k) {
    any_[k] = wildcard != 0 && pattern[k] == wildcard;
    pattern_[k] = Fold(pattern[k]);
  }
  // Characters that share a low byte share a slot and so the smallest shift
  // of any of them: never too far. A wildcard limits every shift.
  skip_.fill(uint32_t(std::max<size_t>(m, 1)));
  for (size_t k = 0; k + 1 < m; ++k) {
    const uint32_t shift = uint32_t(m - 1 - k);
    if (any_[k]) {
      for (uint32_t& s : skip_) s = std::min(s, shift);
    } else {
      skip_[pattern_[k] & 0xFF] = shift;
    }
  }
}

size_t TFoldedPattern::Find(std::u32string_view text, size_t from, size_t end, size_t& compared) const {
  const size_t m = pattern_.size();
  end = std::min(end, text.size());
  if (m == 0) return from <= end ? from : npos;
  for (size_t at = from; at + m <= end;) {
    const TChar last = Fold(text[at + m - 1]);
    ++compared;
    if (any_[m - 1] || last == pattern_[m - 1]) {
      size_t k = m - 1;
      while (k > 0 && (++compared, Matches(text[at + k - 1], k - 1))) --k;
      if (k == 0) return at;
    }
    at += skip_[last & 0xFF];
  }
  return npos;
}

}  // namespace richtext
