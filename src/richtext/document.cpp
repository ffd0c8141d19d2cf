// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/document.h>

#include <richtext/unicode.h>

#include <algorithm>
#include <utility>

namespace richtext {

namespace {

uint64_t AttrKey(const TAttr& a) {
  uint64_t key = uint64_t(a.font) | uint64_t(a.colors) << 8 | uint64_t(a.size) << 16 |
                 uint64_t(a.reserved) << 24 | uint64_t(a.flags) << 32;
  return key ^ (uint64_t(a.id) | uint64_t(a.colorsHigh) << 16) * 0x9E3779B97F4A7C15ull;
}

}  // namespace

// ---------------------------------------------------------------- progress

void TProgress::Start(int64_t total) {
  Range r{std::max<int64_t>(total, 1), 0, 100};
  if (!ranges_.empty()) {
    r.low = last_ < 0 ? ranges_.back().low : last_;
    r.high = ranges_.back().high;
  }
  ranges_.push_back(r);
}

void TProgress::Update(int64_t position) {
  if (ranges_.empty() || !OnProgress) return;
  const Range& r = ranges_.back();
  int64_t pos = std::clamp<int64_t>(position, 0, r.total);
  int percent = r.low + int((r.high - r.low) * pos / r.total);
  if (percent != last_) {
    last_ = percent;
    OnProgress(percent);
  }
}

void TProgress::Finish() {
  if (!ranges_.empty()) ranges_.pop_back();
  if (ranges_.empty()) last_ = -1;
}

// ---------------------------------------------------------------- paragraphs

TParagraphPtr& TParagraphPtr::operator=(TParagraphPtr&& o) noexcept {
  if (this != &o) {
    Release();
    p_ = o.p_;
    o.p_ = nullptr;
  }
  return *this;
}

void TParagraphPtr::Release() {
  if (p_ && p_->sharers.extra > 0) {
    --p_->sharers.extra;
  } else {
    delete p_;
  }
  p_ = nullptr;
}

TParagraphPtr TParagraphPtr::Share() const {
  if (p_->sharers.extra == UINT8_MAX) return TParagraphPtr(new TParagraph(*p_));
  ++p_->sharers.extra;
  return TParagraphPtr(p_);
}

TParagraph* TParagraphPtr::Own() {
  if (p_ && p_->sharers.extra > 0) {
    auto* copy = new TParagraph(*p_);
    --p_->sharers.extra;
    p_ = copy;
  }
  return p_;
}

void ShareBlankParagraph(std::vector<TParagraphPtr>& list) {
  if (list.size() < 2) return;
  const TParagraphPtr& prev = list[list.size() - 2];
  const TParagraph& last = *std::as_const(list.back());
  auto blank = [](const TParagraph& p) { return p.text.empty() && p.attrs.empty() && !p.IsTableCell(); };
  if (prev.get() != &last && blank(last) && blank(*prev) && last.Props() == prev->Props()) {
    list.back() = prev.Share();
  }
}

// ---------------------------------------------------------------- document

TRTFText::TRTFText() {
  attrTable_.push_back(TAttr{});
  attrIndex_[0].push_back(0);
  insertionAttr.size = 10;
  defaultAttr.size = 10;
  insertPointAttr.SetTextColor(0x0000FF);
  hyperlinkTextAttr.SetUnderlineColor(0xFF0000);
  hyperlinkTextAttr.SetUnderline(tsTRUE);
  header_.onTabsFull = [this] { CollectTabs(); };
  paragraphs_.push_back(TParagraphPtr::Make());
}

TRTFText::~TRTFText() = default;

size_t TRTFText::ParagraphCount() const { return IsEmpty() ? 0 : paragraphs_.size(); }

size_t TRTFText::TotalLength() const {
  size_t n = 0;
  for (const auto& p : paragraphs_) n += p->Length() + 1;
  return n;
}

size_t TRTFText::NewParagraph(size_t after) {
  try {
    auto p = TParagraphPtr::Make();
    size_t at = 0;
    if (after != size_t(-1) && after < paragraphs_.size()) {
      const TParagraph& a = *paragraphs_[after];
      p->firstIndent = a.firstIndent;
      p->leftIndent = a.leftIndent;
      p->rightIndent = a.rightIndent;
      p->spaceBefore = a.spaceBefore;
      p->spaceAfter = a.spaceAfter;
      p->lineSpacing = a.lineSpacing;
      p->alignment = a.alignment;
      p->flags = a.flags;
      p->shadeColors = a.shadeColors;
      p->shadeColorsHigh = a.shadeColorsHigh;
      p->shading = a.shading;
      if (!a.IsTableCell()) p->tabSet = a.tabSet;
      if (!(a.borderFlags & bfBlockEnds)) {
        p->borderFlags = a.borderFlags;
        p->borderStyle = a.borderStyle;
        p->borderWidth = a.borderWidth;
        p->borderSpaceColor = a.borderSpaceColor;
        p->borderColorHigh = a.borderColorHigh;
      }
      at = after + 1;
    }
    paragraphs_.insert(paragraphs_.begin() + std::ptrdiff_t(at), std::move(p));
    NotifyInserted(at, 1);
    return at;
  } catch (const std::bad_alloc&) {
    throw EEngineError(kErrNewParagraph);
  }
}

void TRTFText::InsertParagraphs(size_t at, ParagraphList list) {
  size_t count = list.size();
  if (count == 0) return;
  paragraphs_.insert(paragraphs_.begin() + std::ptrdiff_t(at),
                     std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
  NotifyInserted(at, count);
}

void TRTFText::RemoveParagraphs(size_t at, size_t count) {
  count = std::min(count, paragraphs_.size() - at);
  if (count == 0) return;
  paragraphs_.erase(paragraphs_.begin() + std::ptrdiff_t(at),
                    paragraphs_.begin() + std::ptrdiff_t(at + count));
  if (paragraphs_.empty()) paragraphs_.push_back(TParagraphPtr::Make());
  NotifyRemoved(at, count);
}

void TRTFText::SetParagraphs(ParagraphList list) {
  if (list.empty()) list.push_back(TParagraphPtr::Make());
  paragraphs_ = std::move(list);
  NotifyReset();
}

uint16_t TRTFText::Intern(const TAttr& a) {
  std::vector<uint16_t>& bucket = attrIndex_[AttrKey(a)];
  for (uint16_t i : bucket) {
    if (attrTable_[i] == a) return i;
  }
  if (attrTable_.size() >= 0xFFFF) {
    // Every distinct record has had its index; free the ones nothing uses.
    std::vector<bool> used(attrTable_.size(), false);
    used[0] = true;
    for (const auto& p : paragraphs_) {
      for (uint16_t i : p->attrs) used[i] = true;
    }
    std::vector<uint16_t> remap(attrTable_.size(), 0);
    std::vector<TAttr> table;
    for (size_t i = 0; i < attrTable_.size(); ++i) {
      if (!used[i]) continue;
      remap[i] = uint16_t(table.size());
      table.push_back(attrTable_[i]);
    }
    if (table.size() >= 0xFFFF) throw EEngineError("Too many different character attributes");
    for (auto& p : paragraphs_) {
      for (uint16_t& i : p->attrs) i = remap[i];
    }
    attrTable_ = std::move(table);
    attrIndex_.clear();
    for (size_t i = 0; i < attrTable_.size(); ++i) attrIndex_[AttrKey(attrTable_[i])].push_back(uint16_t(i));
    return Intern(a);
  }
  uint16_t index = uint16_t(attrTable_.size());
  attrTable_.push_back(a);
  bucket.push_back(index);
  return index;
}

TAttr TRTFText::CharAttr(const TParagraph& p, size_t i) const {
  if (p.attrs.empty() || i >= p.attrs.size()) {
    if (IsRich() && i < p.text.size()) throw EEngineError(kErrAttribPtr);
    return insertionAttr;
  }
  return attrTable_[p.attrs[i]];
}

void TRTFText::SetCharAttr(TParagraph& p, size_t i, const TAttr& a) {
  if (!IsRich()) throw EEngineError(kErrAttribPtr);
  p.attrs[i] = Intern(a);
}

long TRTFText::ReplaceText(size_t par, const TAttr* attr, const TString& text, size_t oldLength,
                           size_t index) {
  TParagraph& p = MutablePar(par);
  index = std::min(index, p.Length());
  oldLength = std::min(oldLength, p.Length() - index);
  if (IsRich()) {
    TAttr a = attr ? *attr : (index < p.Length() ? CharAttr(p, index) : insertionAttr);
    uint16_t ai = Intern(a);
    p.attrs.erase(p.attrs.begin() + std::ptrdiff_t(index),
                  p.attrs.begin() + std::ptrdiff_t(index + oldLength));
    p.attrs.insert(p.attrs.begin() + std::ptrdiff_t(index), text.size(), ai);
  }
  p.text.replace(index, oldLength, text);
  Touch(par);
  return long(text.size()) - long(oldLength);
}

bool TRTFText::InsertChar(size_t par, TChar c, size_t pos) {
  TParagraph& p = MutablePar(par);
  pos = std::min(pos, p.Length());
  if (IsProtected(par, pos)) return false;
  uint16_t ai = IsRich() ? Intern(insertionAttr) : 0;
  if (!insertMode && pos < p.Length()) {
    p.text[pos] = c;
    if (IsRich()) p.attrs[pos] = ai;
  } else {
    p.text.insert(p.text.begin() + std::ptrdiff_t(pos), c);
    if (IsRich()) p.attrs.insert(p.attrs.begin() + std::ptrdiff_t(pos), ai);
  }
  Touch(par);
  return true;
}

void TRTFText::DeleteChar(size_t par, size_t pos) {
  TParagraph& p = MutablePar(par);
  if (pos < p.Length()) {
    DeleteRange(par, pos, 1);
    return;
  }
  if (p.IsTableCell() || par + 1 >= paragraphs_.size()) return;
  TParagraph& next = MutablePar(par + 1);
  if (p.Length() == 0) p.Props() = next.Props();
  p.text += next.text;
  if (IsRich()) p.attrs.insert(p.attrs.end(), next.attrs.begin(), next.attrs.end());
  RemoveParagraphs(par + 1, 1);
  Touch(par);
}

void TRTFText::SplitParagraph(size_t par, size_t pos) {
  size_t n = NewParagraph(par);
  TParagraph& p = MutablePar(par);
  TParagraph& q = MutablePar(n);
  pos = std::min(pos, p.Length());
  q.text = p.text.substr(pos);
  p.text.erase(pos);
  if (IsRich()) {
    q.attrs.assign(p.attrs.begin() + std::ptrdiff_t(pos), p.attrs.end());
    p.attrs.erase(p.attrs.begin() + std::ptrdiff_t(pos), p.attrs.end());
  }
  Touch(par);
  Touch(n);
}

void TRTFText::InsertTextAt(size_t par, size_t index, const TString& text, const TAttr* attr) {
  ReplaceText(par, attr ? attr : &defaultAttr, text, 0, index);
}

void TRTFText::DeleteRange(size_t par, size_t index, size_t count) {
  TParagraph& p = MutablePar(par);
  if (index >= p.Length()) return;
  count = std::min(count, p.Length() - index);
  p.text.erase(index, count);
  if (IsRich()) {
    p.attrs.erase(p.attrs.begin() + std::ptrdiff_t(index),
                  p.attrs.begin() + std::ptrdiff_t(index + count));
  }
  Touch(par);
}

void TRTFText::SetParagraphText(size_t n, const TString& text, const TAttr* attr) {
  ReplaceText(n, attr ? attr : &defaultAttr, text, Par(n).Length(), 0);
}

size_t TRTFText::AppendParagraph(const TString& text, const TAttr* attr) {
  size_t n = IsEmpty() ? 0 : NewParagraph(paragraphs_.size() - 1);
  SetParagraphText(n, text, attr);
  return n;
}

void TRTFText::Clear() {
  paragraphs_.clear();
  paragraphs_.push_back(TParagraphPtr::Make());
  objects_.clear();
  IndexObjects();
  FreeFootnotes();
  attrTable_.assign(1, TAttr{});
  attrIndex_.clear();
  attrIndex_[0].push_back(0);
  if (header_.fonts[0].name.empty()) header_.fonts[0].name = "Arial";
  insertionAttr.font = 0;
  if (insertionAttr.size == 0) insertionAttr.size = 10;
  NotifyReset();
}

void TRTFText::SetMemoryFormat(bool rich) {
  if (rich == IsRich()) return;
  if (rich) {
    uint16_t ai = Intern(insertionAttr);
    for (auto& p : paragraphs_) p->attrs.assign(p->text.size(), ai);
  } else {
    for (auto& p : paragraphs_) {
      p->attrs.clear();
      p->attrs.shrink_to_fit();
    }
  }
  header_.richText = rich;
  for (size_t i = 0; i < paragraphs_.size(); ++i) Touch(i);
}

bool TRTFText::IsProtected(size_t par, size_t pos) {
  const TParagraph& p = Par(par);
  if ((p.flags & pfProtected) && (protection & ppParProtected)) return true;
  if (pos >= p.Length() || !IsRich()) return false;
  uint32_t f = CharAttr(p, pos).flags;
  bool hit = ((f & afProtected) && (protection & ppProtected)) ||
             ((f & afInsertPoint) && (protection & ppIsInsertpoint) && !inserting) ||
             ((f & afAutomatic) && (protection & ppAutomatic)) ||
             ((f & afHidden) && (protection & ppHidden));
  if (hit && OnTextRun) {
    // The run: consecutive characters sharing the flags above the low byte.
    uint32_t high = f & ~0xFFu;
    size_t b = pos, e = pos + 1;
    while (b > 0 && (CharAttr(p, b - 1).flags & ~0xFFu) == high) --b;
    while (e < p.Length() && e - b < 254 && (CharAttr(p, e).flags & ~0xFFu) == high) ++e;
    OnTextRun(p.text.substr(b, e - b), CharAttr(p, pos).id);
  }
  return hit;
}

namespace {

// Moves `next` to the first number from `next` up that is not taken; false
// when every number up to 65535 is taken.
template <class Taken>
bool NextFree(uint16_t& next, Taken taken) {
  for (uint32_t v = next; v <= 0xFFFF; ++v) {
    if (!taken(uint16_t(v))) {
      next = uint16_t(v);
      return true;
    }
  }
  return false;
}

}  // namespace

TTextObject* TRTFText::AddObject(std::shared_ptr<TPicture> picture, int tag) {
  auto o = std::make_unique<TTextObject>();
  if (tag == -1) {
    if (!NextFree(nextTag_, [&](uint16_t v) { return objectsByTag_.count(v) > 0; })) {
      throw EEngineError(kErrTooManyObjects);
    }
    o->tag = nextTag_;
  } else if (tag == 0) {
    if (!NextFree(nextId_, [&](uint16_t v) { return objectsById_.count(v) > 0; })) {
      throw EEngineError(kErrTooManyObjects);
    }
    o->id = nextId_;
  } else {
    o->tag = uint16_t(tag);
  }
  if (!picture && OnProvideObject) OnProvideObject(o->tag, *o);
  if (picture) o->picture = std::move(picture);
  if (o->picture) {
    o->width = MulDiv(o->picture->width, 1440, header_.xResolution);
    o->height = MulDiv(o->picture->height, 1440, header_.yResolution);
  }
  if (o->tag != 0) objectsByTag_.emplace(o->tag, o.get());
  if (o->id != 0) objectsById_.emplace(o->id, o.get());
  objects_.push_back(std::move(o));
  return objects_.back().get();
}

TTextObject* TRTFText::FindObject(uint16_t tag, uint16_t id) {
  if (tag != 0) {
    auto it = objectsByTag_.find(tag);
    return it == objectsByTag_.end() ? nullptr : it->second;
  }
  if (id == 0) return nullptr;
  auto it = objectsById_.find(id);
  return it == objectsById_.end() ? nullptr : it->second;
}

TTextObject* TRTFText::ObjectOf(TChar c, const TAttr& a) {
  if (c == kObjectByTag) return FindObject(a.id, 0);
  if (c == kObjectById) return FindObject(0, a.id);
  return nullptr;
}

TTextObject* TRTFText::FindObjectByFile(const std::string& name) {
  for (auto& o : objects_) {
    if (!o->fileName.empty() && Utf8EqualNoCase(o->fileName, name)) return o.get();
  }
  return nullptr;
}

void TRTFText::MarkObjectsUnused() {
  for (auto& o : objects_) o->inUse = false;
}

void TRTFText::FreeUnusedObjects() {
  std::erase_if(objects_, [](const auto& o) { return !o->inUse; });
  IndexObjects();
}

void TRTFText::IndexObjects() {
  objectsByTag_.clear();
  objectsById_.clear();
  for (auto& o : objects_) {
    if (o->tag != 0) objectsByTag_.emplace(o->tag, o.get());
    if (o->id != 0) objectsById_.emplace(o->id, o.get());
  }
  nextTag_ = 2000;
  nextId_ = 1;
}

TFootnote& TRTFText::AddFootnote(TChar mark, int number, const TString& text) {
  if (!NextFree(nextFootnote_, [&](uint16_t v) { return footnotesById_.count(v) > 0; })) {
    throw EEngineError(kErrTooManyFootnotes);
  }
  footnotes_.push_back(TFootnote{mark, number, nextFootnote_, text, false});
  footnotesById_.emplace(nextFootnote_, footnotes_.size() - 1);
  return footnotes_.back();
}

TFootnote* TRTFText::FindFootnote(uint16_t id) {
  auto it = footnotesById_.find(id);
  return it == footnotesById_.end() ? nullptr : &footnotes_[it->second];
}

void TRTFText::FreeFootnotes() {
  footnotes_.clear();
  footnotesById_.clear();
  nextFootnote_ = 1;
}

TString TRTFText::ListLabel(size_t par) const {
  const TParagraph& p = Par(par);
  if (!p.IsListItem()) return {};
  if (p.listKind == lkBullet) return U"\u2022";
  int number = 1;
  for (size_t i = par; i-- > 0;) {
    const TParagraph& q = Par(i);
    if (!q.IsListItem() || q.listLevel < p.listLevel) break;
    if (q.listLevel > p.listLevel) continue;  // a nested item between two of this level
    if (q.listKind != p.listKind) break;       // a bulleted run at this level ends the count
    ++number;
  }
  std::string digits = std::to_string(number) + ".";
  return TString(digits.begin(), digits.end());
}

void SetListProps(TParagraphProps& p, uint8_t kind, uint8_t level, const TTextHeader& h) {
  if (p.flags & pfTableCell) return;
  level = std::min(level, kMaxListLevel);
  if (kind == lkNone) {
    if (p.listKind != lkNone) p.leftIndent = p.firstIndent = 0;
    level = 0;
  } else {
    int32_t step = h.RoundToTabGrid(kListIndentStep);
    p.leftIndent = (level + 1) * step;
    p.firstIndent = level * step;
  }
  p.listKind = kind;
  p.listLevel = level;
}

void TRTFText::CollectTabs() {
  uint64_t used = 0;
  for (const auto& p : paragraphs_) used |= p->tabSet;
  header_.CollectTabs(used);
}

void TRTFText::RemoveListener(TDocumentListener* l) { std::erase(listeners_, l); }

void TRTFText::Touch(size_t par) {
  paragraphs_[par]->layoutFlags |= lfReformat | lfRepaint;
  for (TDocumentListener* l : listeners_) l->ParagraphChanged(par);
}

void TRTFText::TouchText(size_t par, size_t offset, size_t removed, size_t inserted) {
  paragraphs_[par]->layoutFlags |= lfReformat | lfRepaint;
  for (TDocumentListener* l : listeners_) l->TextReplaced(par, offset, removed, inserted);
}

void TRTFText::NotifyInserted(size_t at, size_t count) {
  for (TDocumentListener* l : listeners_) l->ParagraphsInserted(at, count);
}

void TRTFText::NotifyRemoved(size_t at, size_t count) {
  for (TDocumentListener* l : listeners_) l->ParagraphsRemoved(at, count);
}

void TRTFText::NotifyReset() {
  for (TDocumentListener* l : listeners_) l->DocumentReset();
}

}  // namespace richtext
