// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/finder.h>

#include <richtext/unicode.h>

#include <algorithm>

namespace richtext {

bool TTextFinder::IsSeparator(TChar c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  // Letters of Windows-1252 above 127.
  if (c == 0x160 || c == 0x152 || c == 0x161 || c == 0x153 || c == 0x178) return false;
  if (c >= 0xC0 && c <= 0xFF) return c == 0xD7 || c == 0xF7;
  if (c < 0x100) return true;
  // Beyond Latin-1 everything counts as a letter but punctuation and symbols.
  if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) ||
      (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF0F) || c == 0xFEFF) {
    return true;
  }
  return false;
}

bool TTextFinder::CharMatches(TChar t, TChar p, const TAttr& a) const {
  ++comparisons_;
  bool filtered = attrFilter || objectFilter || insertPointFilter;
  if (filtered && doc_.IsRich()) {
    if (objectFilter && (!(a.flags & afObject) || (filterId && a.id != *filterId))) return false;
    if (insertPointFilter && (!(a.flags & afInsertPoint) || (filterId && a.id != *filterId))) {
      return false;
    }
    const TAttr& r = reference;
    if ((attrFilter & 0x01) && a.font != r.font) return false;
    if ((attrFilter & 0x02) && a.size != r.size) return false;
    if ((attrFilter & 0x40) && a.TextColor() != r.TextColor()) return false;
    if ((attrFilter & 0x80) && a.BackColor() != r.BackColor()) return false;
    auto same = [&](uint8_t bit, uint32_t flag) {
      return !(attrFilter & bit) || (a.flags & flag) == (r.flags & flag);
    };
    if (!same(0x04, afBold) || !same(0x08, afUnderline) || !same(0x10, afItalic) ||
        !same(0x20, afDoubleUnderline)) {
      return false;
    }
  }
  if (wildcard != 0 && p == wildcard) return true;
  if (caseSensitive) return t == p;
  return ToLower(t) == ToLower(p);
}

TTextFinder::Pattern TTextFinder::Prepare(const TString& text) const {
  Pattern pat;
  TString t = text.substr(0, 255);
  size_t w = wildcard ? t.find(wildcard) : TString::npos;
  if (w != TString::npos) {
    pat.hasWildcard = true;
    pat.head = t.substr(0, w);
    pat.tail = text.substr(w + 1, 255);
  } else {
    pat.head = t;
  }
  if (!Filtered()) {
    pat.headFind = TFoldedPattern(pat.head, caseSensitive, wildcard);
    pat.tailFind = TFoldedPattern(pat.tail, caseSensitive, wildcard);
  }
  return pat;
}

size_t TTextFinder::SetPosition(long index) {
  par_ = 0;
  parStart_ = 0;
  offset_ = 0;
  if (index <= 0) return 0;
  size_t rest = size_t(index);
  while (par_ + 1 < doc_.Size() && rest > doc_.Par(par_).Length()) {
    rest -= doc_.Par(par_).Length() + 1;
    parStart_ += doc_.Par(par_).Length() + 1;
    ++par_;
  }
  offset_ = std::min(rest, doc_.Par(par_).Length());
  return parStart_;
}

void TTextFinder::ToStart() {
  found_ = false;
  foundLen_ = 0;
  SetPosition(0);
}

void TTextFinder::ToEnd() {
  found_ = false;
  foundLen_ = 0;
  SetPosition(0x0FFFFFFF);
}

void TTextFinder::Reset() {
  caseSensitive = false;
  wildcard = wordEnd = 0;
  wordSpan = skipHiddenAndObjects = wholeWord = false;
  attrFilter = 0;
  reference = TAttr{};
  objectFilter = insertPointFilter = false;
  filterId.reset();
  keepPosition = false;
  lastReplacement_.clear();
  replaceCount_ = 0;
  ToStart();
}

TString TTextFinder::FoundText() const {
  if (!found_) return {};
  return doc_.Par(par_).text.substr(offset_, foundLen_);
}

void TTextFinder::SetFound(size_t par, size_t start, size_t length) {
  while (par_ < par) {
    parStart_ += doc_.Par(par_).Length() + 1;
    ++par_;
  }
  while (par_ > par) {
    --par_;
    parStart_ -= doc_.Par(par_).Length() + 1;
  }
  offset_ = start;
  found_ = true;
  foundPos_ = parStart_ + start;
  foundLen_ = length;
  const TParagraph& p = doc_.Par(par);
  foundAttr_ = start < p.Length() ? doc_.CharAttr(p, start) : doc_.insertionAttr;
}

bool TTextFinder::Filtered() const {
  return (attrFilter || objectFilter || insertPointFilter) && doc_.IsRich();
}

bool TTextFinder::MatchAt(const TParagraph& p, const TString& pat, size_t at) const {
  if (at + pat.size() > p.Length()) return false;
  // The attributes are only looked up when a filter asks for them.
  static const TAttr kNoAttr{};
  const bool filtered = Filtered();
  for (size_t k = 0; k < pat.size(); ++k) {
    if (!CharMatches(p.text[at + k], pat[k], filtered ? doc_.CharAttr(p, at + k) : kNoAttr)) {
      return false;
    }
  }
  return !wholeWord || WholeWordAt(p, at, pat.size());
}

bool TTextFinder::WholeWordAt(const TParagraph& p, size_t at, size_t length) const {
  if (at > 0 && !IsSeparator(p.text[at - 1])) return false;
  size_t end = at + length;
  return end >= p.Length() || IsSeparator(p.text[end]);
}

// Without attribute filters the characters alone decide, and the pattern's
// skip table jumps over most of them; with filters every position is tried.
size_t TTextFinder::NextMatch(const TParagraph& p, const TString& pat, const TFoldedPattern& quick,
                              size_t at) const {
  const size_t len = p.Length();
  if (!Filtered()) {
    for (;; ++at) {
      at = quick.Find(p.text, at, len, comparisons_);
      if (at == TString::npos || !wholeWord || WholeWordAt(p, at, pat.size())) return at;
    }
  }
  for (; at + pat.size() <= len; ++at) {
    if (MatchAt(p, pat, at)) return at;
  }
  return TString::npos;
}

bool TTextFinder::IsShown(const TParagraph& p, size_t i) const {
  if (!skipHiddenAndObjects) return true;
  uint32_t f = doc_.CharAttr(p, i).flags;
  return !(f & (afHidden | afObject)) && p.text[i] > 3;
}

bool TTextFinder::IsLetterOfWord(const TParagraph& p, size_t i) const {
  TChar c = p.text[i];
  return !IsSeparator(c) && !(wordEnd != 0 && c == wordEnd) && IsShown(p, i);
}

// Letters, and apostrophes with a letter on either side.
bool TTextFinder::IsWordChar(const TParagraph& p, size_t i) const {
  if (IsLetterOfWord(p, i)) return true;
  return IsWordApostrophe(p.text[i]) && i > 0 && i + 1 < p.Length() && IsShown(p, i) &&
         IsLetterOfWord(p, i - 1) && IsLetterOfWord(p, i + 1);
}

// A word is a run of word characters; the word-end character ends a run like a
// separator does, so a word is never empty and every walk moves on.
bool TTextFinder::FindWord(size_t par, size_t from, size_t& start, size_t& length) const {
  const TParagraph& p = doc_.Par(par);
  size_t i = from;
  while (i < p.Length() && !IsWordChar(p, i)) ++i;
  if (i >= p.Length()) return false;
  size_t e = i;
  while (e < p.Length() && IsWordChar(p, e)) ++e;
  start = i;
  length = e - i;
  return true;
}

// The last word that starts at or before `from`, found by walking back from it.
bool TTextFinder::FindWordBefore(size_t par, size_t from, size_t& start, size_t& length) const {
  const TParagraph& p = doc_.Par(par);
  if (p.Length() == 0) return false;
  size_t i = std::min(from, p.Length() - 1);
  while (!IsWordChar(p, i)) {
    if (i == 0) return false;
    --i;
  }
  while (i > 0 && IsWordChar(p, i - 1)) --i;
  size_t e = i;
  while (e < p.Length() && IsWordChar(p, e)) ++e;
  start = i;
  length = e - i;
  return true;
}

// A wildcard match runs from a head to the nearest tail after it. Both walks
// stay linear: forward, when no tail follows one head, none follows a later
// head either, so the paragraph has no match; backward, the nearest tail is
// carried along as the head position moves towards the paragraph start.
bool TTextFinder::FindIn(size_t par, size_t from, const Pattern& pat, bool forward,
                         size_t& start, size_t& length) const {
  const TParagraph& p = doc_.Par(par);
  const size_t len = p.Length();
  if (pat.hasWildcard && pat.head.empty() && pat.tail.empty()) {
    return forward ? FindWord(par, from, start, length)
                   : FindWordBefore(par, from, start, length);
  }
  const size_t h = pat.head.size(), t = pat.tail.size();
  if (forward) {
    const size_t at = NextMatch(p, pat.head, pat.headFind, from);
    if (at == TString::npos) return false;
    start = at;
    if (t == 0) {
      length = h;
      return true;
    }
    const size_t k = NextMatch(p, pat.tail, pat.tailFind, at + h);
    if (k == TString::npos) return false;
    length = k + t - at;
    return true;
  }
  // Backward: matches whose last character lies at or before `from`.
  const size_t limit = std::min(from + 1, len);
  if (limit < h) return false;
  size_t nearestTail = TString::npos;
  for (size_t at = limit - h + 1; at-- > 0;) {
    size_t headEnd = at + h;
    if (t > 0 && headEnd + t <= limit && MatchAt(p, pat.tail, headEnd)) nearestTail = headEnd;
    if (!MatchAt(p, pat.head, at)) continue;
    if (t == 0) {
      start = at;
      length = h;
      return true;
    }
    if (nearestTail != TString::npos) {
      start = at;
      length = nearestTail + t - at;
      return true;
    }
  }
  return false;
}

bool TTextFinder::SearchForward(const TString& text) {
  Pattern pat = Prepare(text);
  if (!pat.hasWildcard && pat.head.empty()) return found_ = false;
  size_t from = offset_;
  for (size_t par = par_; par < doc_.Size(); ++par, from = 0) {
    size_t s, l;
    if (FindIn(par, from, pat, true, s, l)) {
      SetFound(par, s, l);
      return true;
    }
  }
  found_ = false;
  return false;
}

bool TTextFinder::SearchBackward(const TString& text) {
  Pattern pat = Prepare(text);
  if (!pat.hasWildcard && pat.head.empty()) return found_ = false;
  long from = long(offset_);
  for (long par = long(par_); par >= 0; --par) {
    size_t s, l;
    if (from >= 0 && FindIn(size_t(par), size_t(from), pat, false, s, l)) {
      SetFound(size_t(par), s, l);
      return true;
    }
    if (par > 0) from = long(doc_.Par(size_t(par - 1)).Length());
  }
  found_ = false;
  return false;
}

bool TTextFinder::FindNext(const TString& text) {
  if (!keepPosition) SetPosition(long(parStart_ + offset_ + (found_ ? foundLen_ : 0)));
  return SearchForward(text);
}

bool TTextFinder::FindPrevious(const TString& text) {
  long pos = long(parStart_ + offset_) - 1;
  if (pos < 0) return found_ = false;
  SetPosition(pos);
  // SetPosition lands on a paragraph end as its last offset.
  return SearchBackward(text);
}

void TTextFinder::ReplaceFound(const TString& text) {
  if (!found_) return;
  TAttr attr = foundAttr_;
  doc_.ReplaceText(par_, &attr, text, foundLen_, offset_);
  foundLen_ = text.size();
  lastReplacement_ = text;
}

int TTextFinder::ReplaceAll(const TString& find, const TString& replace) {
  replaceCount_ = 0;
  bool keep = keepPosition;
  if (!keepPosition) SetPosition(long(parStart_ + offset_ + (found_ ? foundLen_ : 0)));
  keepPosition = true;
  found_ = false;
  while (SearchForward(find)) {
    bool empty = foundLen_ == 0;
    ReplaceFound(replace);
    ++replaceCount_;
    // Go on after the replacement; after an empty match also past the
    // character it stood before, so the loop always moves through the text.
    offset_ += foundLen_ + (empty ? 1 : 0);
    found_ = false;
    if (replaceCount_ % 30 == 0 && escapePressed && escapePressed()) break;
  }
  keepPosition = keep;
  return replaceCount_;
}

}  // namespace richtext
