// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/editor.h>

#include <richtext/finder.h>

#include <algorithm>

namespace richtext {

// ---------------------------------------------------------------- positions

size_t TEditor::Absolute(TPosition p) const {
  size_t n = 0;
  for (size_t i = 0; i < p.par && i < doc_.Size(); ++i) n += doc_.Par(i).Length() + 1;
  return n + p.offset;
}

TPosition TEditor::FromAbsolute(size_t index) const {
  for (size_t i = 0; i < doc_.Size(); ++i) {
    size_t len = doc_.Par(i).Length();
    if (index <= len) return {i, index};
    index -= len + 1;
  }
  return End();
}

TPosition TEditor::End() const { return {doc_.Size() - 1, doc_.Par(doc_.Size() - 1).Length()}; }

TPosition TEditor::Clamp(TPosition p) const {
  if (p.par >= doc_.Size()) return End();
  p.offset = std::min(p.offset, doc_.Par(p.par).Length());
  return p;
}

void TEditor::MoveTo(TPosition p, bool extend) {
  caret = Clamp(p);
  if (!extend) anchor = caret;
  FollowCaret();
}

void TEditor::Select(TPosition anchorAt, TPosition caretAt) {
  anchor = Clamp(anchorAt);
  caret = Clamp(caretAt);
  FollowCaret();
}

void TEditor::SelectAll() { Select({0, 0}, End()); }

std::optional<TAttr> TEditor::AttrAt(TPosition p) const {
  if (!doc_.IsRich()) return std::nullopt;
  p = Clamp(p);
  const TParagraph* par = &doc_.Par(p.par);
  size_t k = p.offset > 0 ? p.offset - 1 : 0;
  if (par->Length() == 0) {
    if (p.par == 0 || doc_.Par(p.par - 1).Length() == 0) return std::nullopt;
    par = &doc_.Par(p.par - 1);
    k = par->Length() - 1;
  }
  TAttr a = doc_.CharAttr(*par, k);
  // What a character is (a picture, a footnote mark, an insertion point, a
  // field's text) does not carry over to typed text; how it looks does.
  a.flags &= ~uint32_t(afObject | afFootnote | afInsertPoint | afAutomatic | afSelected | afWordMark);
  a.id = 0;
  return a;
}

void TEditor::FollowCaret() {
  std::optional<TAttr> a = holdInsertion_ ? std::nullopt : AttrAt(caret);
  if (a) doc_.insertionAttr = *a;
  if (OnCaretMoved) OnCaretMoved();
}

void TEditor::CharLeft(bool extend) {
  if (!extend && HasSelection()) return MoveTo(SelStart(), false);
  TPosition p = caret;
  if (p.offset > 0) {
    --p.offset;
  } else if (p.par > 0) {
    p = {p.par - 1, doc_.Par(p.par - 1).Length()};
  }
  MoveTo(p, extend);
}

void TEditor::CharRight(bool extend) {
  if (!extend && HasSelection()) return MoveTo(SelEnd(), false);
  TPosition p = caret;
  if (p.offset < doc_.Par(p.par).Length()) {
    ++p.offset;
  } else if (p.par + 1 < doc_.Size()) {
    p = {p.par + 1, 0};
  }
  MoveTo(p, extend);
}

void TEditor::WordLeft(bool extend) {
  TPosition p = caret;
  if (p.offset == 0) return CharLeft(extend);
  const TString& t = doc_.Par(p.par).text;
  while (p.offset > 0 && TTextFinder::IsSeparator(t[p.offset - 1])) --p.offset;
  while (p.offset > 0 && !TTextFinder::IsSeparator(t[p.offset - 1])) --p.offset;
  MoveTo(p, extend);
}

void TEditor::WordRight(bool extend) {
  TPosition p = caret;
  const TString& t = doc_.Par(p.par).text;
  if (p.offset >= t.size()) return CharRight(extend);
  while (p.offset < t.size() && !TTextFinder::IsSeparator(t[p.offset])) ++p.offset;
  while (p.offset < t.size() && t[p.offset] == ' ') ++p.offset;
  MoveTo(p, extend);
}

void TEditor::SelectWordAt(TPosition p) {
  p = Clamp(p);
  const TString& t = doc_.Par(p.par).text;
  size_t b = p.offset, e = p.offset;
  while (b > 0 && !TTextFinder::IsSeparator(t[b - 1])) --b;
  while (e < t.size() && !TTextFinder::IsSeparator(t[e])) ++e;
  Select({p.par, b}, {p.par, e});
}

void TEditor::SelectParagraphAt(TPosition p) {
  p = Clamp(p);
  Select({p.par, 0}, p.par + 1 < doc_.Size() ? TPosition{p.par + 1, 0} : TPosition{p.par, doc_.Par(p.par).Length()});
}

// ---------------------------------------------------------------- ranges

TFragment TEditor::Copy(TPosition a, TPosition b) const {
  TFragment f;
  f.paragraphs.clear();
  for (size_t i = a.par; i <= b.par; ++i) {
    const TParagraph& p = doc_.Par(i);
    size_t from = i == a.par ? a.offset : 0;
    size_t to = i == b.par ? b.offset : p.Length();
    TParagraph q;
    q.Props() = p.Props();
    q.text = p.text.substr(from, to - from);
    if (!p.attrs.empty()) q.attrs.assign(p.attrs.begin() + std::ptrdiff_t(from), p.attrs.begin() + std::ptrdiff_t(to));
    f.paragraphs.push_back(std::move(q));
  }
  return f;
}

TPosition TEditor::Apply(TPosition a, TPosition b, const TFragment& with) {
  bool rich = doc_.IsRich();
  if (a.par == b.par && with.paragraphs.size() == 1) {
    // Within one paragraph: replaced in place, so that an edit of a long
    // paragraph moves its tail once and the layout mends only what changed.
    TParagraph& p = doc_.MutablePar(a.par);
    const TParagraph& from = with.paragraphs[0];
    size_t removed = b.offset - a.offset;
    p.text.replace(a.offset, removed, from.text);
    if (rich) {
      auto at = p.attrs.erase(p.attrs.begin() + std::ptrdiff_t(a.offset),
                              p.attrs.begin() + std::ptrdiff_t(b.offset));
      if (from.attrs.size() == from.text.size()) {
        p.attrs.insert(at, from.attrs.begin(), from.attrs.end());
      } else {
        p.attrs.insert(at, from.text.size(), doc_.Intern(doc_.insertionAttr));
      }
    }
    doc_.TouchText(a.par, a.offset, removed, from.text.size());
    return {a.par, a.offset + from.text.size()};
  }
  TParagraph& last = doc_.MutablePar(b.par);
  TString tail = last.text.substr(b.offset);
  std::vector<uint16_t> tailAttrs;
  if (rich) tailAttrs.assign(last.attrs.begin() + std::ptrdiff_t(b.offset), last.attrs.end());
  if (b.par > a.par) doc_.RemoveParagraphs(a.par + 1, b.par - a.par);

  TParagraph& first = doc_.MutablePar(a.par);
  first.text.erase(a.offset);
  if (rich) first.attrs.erase(first.attrs.begin() + std::ptrdiff_t(a.offset), first.attrs.end());
  const std::vector<TParagraph>& ps = with.paragraphs;
  auto append = [&](TParagraph& to, const TParagraph& from) {
    to.text += from.text;
    if (rich) {
      if (from.attrs.size() == from.text.size()) {
        to.attrs.insert(to.attrs.end(), from.attrs.begin(), from.attrs.end());
      } else {
        to.attrs.insert(to.attrs.end(), from.text.size(), doc_.Intern(doc_.insertionAttr));
      }
    }
  };
  append(first, ps[0]);
  TPosition end{a.par, first.Length()};
  if (ps.size() > 1) {
    TRTFText::ParagraphList list;
    for (size_t i = 1; i < ps.size(); ++i) {
      auto q = TParagraphPtr::Make();
      q->Props() = ps[i].Props();
      append(*q, ps[i]);
      list.push_back(std::move(q));
    }
    end = {a.par + ps.size() - 1, list.back()->Length()};
    doc_.InsertParagraphs(a.par + 1, std::move(list));
  }
  TParagraph& endPar = doc_.MutablePar(end.par);
  endPar.text += tail;
  if (rich) endPar.attrs.insert(endPar.attrs.end(), tailAttrs.begin(), tailAttrs.end());
  doc_.Touch(a.par);
  if (end.par != a.par) doc_.Touch(end.par);
  return end;
}

TPosition TEditor::Replace(TPosition a, TPosition b, const TFragment& with) {
  a = Clamp(a);
  b = Clamp(b);
  if (b < a) std::swap(a, b);
  Record r;
  r.caretBefore = caret;
  r.anchorBefore = anchor;
  r.start = a;
  r.endBefore = b;
  r.removed = Copy(a, b);
  r.inserted = with;
  r.endAfter = Apply(a, b, with);
  caret = anchor = r.endAfter;
  FollowCaret();
  r.caretAfter = caret;
  r.anchorAfter = anchor;
  Push(std::move(r));
  Changed();
  return caret;
}

TFragment TEditor::TextFragment(const TString& text, const TAttr& attr) {
  TFragment f;
  uint16_t ai = doc_.IsRich() ? doc_.Intern(attr) : 0;
  f.paragraphs[0].text = text;
  if (doc_.IsRich()) f.paragraphs[0].attrs.assign(text.size(), ai);
  return f;
}

// ---------------------------------------------------------------- editing

void TEditor::InsertText(const TString& text) {
  if (readOnly || text.empty()) return;
  TPosition at = SelStart();
  if (doc_.IsProtected(at.par, at.offset)) return;
  TAttr attr = doc_.insertionAttr;
  attr.flags &= ~afHidden;  // typing never makes hidden text
  TString clean;
  for (TChar c : text) clean.push_back(c == '\r' ? TChar(kLineBreak) : c);
  bool typing = clean.size() == 1 && !HasSelection();
  if (!doc_.insertMode && !HasSelection() && clean.size() == 1 &&
      caret.offset < doc_.Par(caret.par).Length()) {
    anchor = {caret.par, caret.offset + 1};  // overwrite replaces the next character
  }
  Replace(SelStart(), SelEnd(), TextFragment(clean, attr));
  // Consecutive typing merges into one record, a word at a time.
  if (typing && done_ >= 2) {
    Record& prev = history_[done_ - 2];
    Record& cur = history_[done_ - 1];
    bool wordBreak = clean[0] == ' ' && !prev.inserted.paragraphs[0].text.empty() &&
                     prev.inserted.paragraphs[0].text.back() != ' ';
    if (prev.typing && prev.group == cur.group && prev.endAfter == cur.start && cur.removed.Empty() &&
        prev.inserted.paragraphs.size() == 1 && !wordBreak) {
      prev.inserted.paragraphs[0].text += cur.inserted.paragraphs[0].text;
      auto& pa = prev.inserted.paragraphs[0].attrs;
      auto& ca = cur.inserted.paragraphs[0].attrs;
      pa.insert(pa.end(), ca.begin(), ca.end());
      prev.endAfter = cur.endAfter;
      prev.caretAfter = cur.caretAfter;
      prev.anchorAfter = cur.anchorAfter;
      history_.pop_back();
      --done_;
      return;
    }
  }
  if (typing) history_[done_ - 1].typing = true;
}

void TEditor::InsertFragment(const TFragment& f) {
  if (readOnly) return;
  TPosition at = SelStart();
  if (doc_.IsProtected(at.par, at.offset)) return;
  Replace(SelStart(), SelEnd(), f);
}

void TEditor::Enter() {
  if (readOnly) return;
  TPosition at = SelStart();
  const TParagraph& p = doc_.Par(at.par);
  if (p.IsTableCell()) return InsertText(TString(1, kLineBreak));
  // Enter on an empty list item ends the list there.
  if (p.IsListItem() && p.text.empty() && !HasSelection()) {
    return ChangeParagraphs([this](TParagraphProps& props) { SetListProps(props, lkNone, 0, doc_.Header()); });
  }
  TFragment f;
  f.paragraphs.resize(2);
  // The new paragraph takes over the properties, but not a page break.
  f.paragraphs[1].Props() = p.Props();
  f.paragraphs[1].flags &= uint8_t(~pfPageBreak);
  if (p.borderFlags & bfBlockEnds) {
    f.paragraphs[1].borderFlags = f.paragraphs[1].borderStyle = 0;
    f.paragraphs[1].borderWidth = f.paragraphs[1].borderSpaceColor = 0;
    f.paragraphs[1].borderColorHigh = 0;
  }
  // The formatting chosen at the caret goes on into the new paragraph, as it
  // would have gone on in the old one.
  holdInsertion_ = true;
  Replace(SelStart(), SelEnd(), f);
  holdInsertion_ = false;
}

void TEditor::PageBreak() {
  if (readOnly) return;
  DeleteSelection();
  if (caret.offset == 0) {
    ChangeParagraphs([&](TParagraphProps& q) { q.flags ^= pfPageBreak; });
    return;
  }
  BeginGroup();
  Enter();
  ChangeParagraphs([](TParagraphProps& q) { q.flags |= pfPageBreak; });
  EndGroup();
}

bool TEditor::DeleteSelection() {
  if (readOnly || !HasSelection()) return false;
  Replace(SelStart(), SelEnd(), TFragment{});
  return true;
}

void TEditor::Backspace() {
  if (readOnly || DeleteSelection()) return;
  if (caret.offset == 0) {
    if (caret.par == 0 || doc_.Par(caret.par).IsTableCell()) return;
    Replace({caret.par - 1, doc_.Par(caret.par - 1).Length()}, caret, TFragment{});
    return;
  }
  Replace({caret.par, caret.offset - 1}, caret, TFragment{});
}

void TEditor::Delete() {
  if (readOnly || DeleteSelection()) return;
  const TParagraph& p = doc_.Par(caret.par);
  if (caret.offset < p.Length()) {
    Replace(caret, {caret.par, caret.offset + 1}, TFragment{});
  } else if (caret.par + 1 < doc_.Size() && !p.IsTableCell()) {
    Replace(caret, {caret.par + 1, 0}, TFragment{});
  } else if (caret.par + 1 >= doc_.Size()) {
    // At the very end only the last paragraph's borders, shading and flags go.
    ChangeParagraphs([](TParagraphProps& q) {
      q.borderFlags = q.borderStyle = q.borderWidth = q.borderSpaceColor = q.borderColorHigh = 0;
      q.shading = q.shadeColors = q.shadeColorsHigh = 0;
      q.flags = 0;
    });
  }
}

void TEditor::ChangeAttributes(const std::function<void(TAttr&)>& change) {
  change(doc_.insertionAttr);
  if (readOnly || !HasSelection() || !doc_.IsRich()) return;
  TPosition a = SelStart(), b = SelEnd(), keepCaret = caret, keepAnchor = anchor;
  TFragment f = Copy(a, b);
  for (TParagraph& p : f.paragraphs) {
    for (uint16_t& i : p.attrs) {
      TAttr at = doc_.AttrOf(i);
      change(at);
      i = doc_.Intern(at);
    }
  }
  TAttr insertion = doc_.insertionAttr;
  Replace(a, b, f);
  caret = keepCaret;
  anchor = keepAnchor;
  doc_.insertionAttr = insertion;
  history_[done_ - 1].caretAfter = caret;
  history_[done_ - 1].anchorAfter = anchor;
}

void TEditor::ChangeParagraphs(const std::function<void(TParagraphProps&)>& change) {
  if (readOnly) return;
  Record r;
  r.caretBefore = r.caretAfter = caret;
  r.anchorBefore = r.anchorAfter = anchor;
  r.start = r.endBefore = r.endAfter = caret;
  size_t from = SelStart().par, to = SelEnd().par;
  // A table cell takes the rest of its row along.
  while (to + 1 < doc_.Size() && doc_.Par(to).IsTableCell() && !doc_.Par(to).IsLastCell()) ++to;
  for (size_t i = from; i <= to; ++i) {
    TParagraph& p = doc_.MutablePar(i);
    r.propsBefore.push_back({i, p.Props()});
    TParagraphProps props = p.Props();
    change(props);
    props.layoutFlags = p.layoutFlags;
    p.Props() = props;
    r.propsAfter.push_back({i, props});
    doc_.Touch(i);
  }
  r.removed = r.inserted = TFragment{};
  Push(std::move(r));
  Changed();
}

void TEditor::ToggleList(uint8_t kind) {
  bool all = true;
  for (size_t i = SelStart().par; i <= SelEnd().par; ++i) all = all && doc_.Par(i).listKind == kind;
  uint8_t to = all ? uint8_t(lkNone) : kind;
  ChangeParagraphs([&](TParagraphProps& props) { SetListProps(props, to, props.listLevel, doc_.Header()); });
}

bool TEditor::ChangeListLevel(int delta) {
  const TParagraph& p = doc_.Par(SelStart().par);
  if (readOnly || !p.IsListItem() || (!HasSelection() && caret.offset != 0)) return false;
  ChangeParagraphs([&](TParagraphProps& props) {
    if (props.listKind == lkNone) return;
    int level = props.listLevel + delta;
    if (level < 0) return SetListProps(props, lkNone, 0, doc_.Header());
    SetListProps(props, props.listKind, uint8_t(std::min<int>(level, kMaxListLevel)), doc_.Header());
  });
  return true;
}

// ---------------------------------------------------------------- history

void TEditor::Push(Record r) {
  history_.resize(done_);
  r.group = groupDepth_ > 0 ? groupId_ : 0;
  history_.push_back(std::move(r));
  ++done_;
  const size_t kLimit = 1000;
  if (history_.size() > kLimit) {
    history_.erase(history_.begin());
    --done_;
  }
}

void TEditor::BeginGroup() {
  if (groupDepth_++ == 0) groupId_ = nextGroup_++;
}

void TEditor::EndGroup() {
  if (groupDepth_ > 0) --groupDepth_;
}

void TEditor::Step(bool back) {
  if ((back ? !CanUndo() : !CanRedo()) || readOnly) return;
  int group = history_[back ? done_ - 1 : done_].group;
  do {
    Record& r = history_[back ? --done_ : done_++];
    const auto& props = back ? r.propsBefore : r.propsAfter;
    for (auto& [i, p] : props) {
      if (i < doc_.Size()) {
        doc_.MutablePar(i).Props() = p;
        doc_.Touch(i);
      }
    }
    if (props.empty()) {
      if (back) {
        Apply(r.start, r.endAfter, r.removed);
      } else {
        Apply(r.start, r.endBefore, r.inserted);
      }
    }
    caret = back ? r.caretBefore : r.caretAfter;
    anchor = back ? r.anchorBefore : r.anchorAfter;
  } while (group != 0 && (back ? done_ > 0 && history_[done_ - 1].group == group
                               : done_ < history_.size() && history_[done_].group == group));
  FollowCaret();
  Changed();
}

void TEditor::ClearHistory() {
  history_.clear();
  done_ = 0;
}

void TEditor::Changed() {
  if (OnChange) OnChange();
}

}  // namespace richtext
