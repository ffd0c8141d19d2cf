// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader's paragraphs and tables: inserting text, paragraph
// properties, table rows and cells, and finishing what was read.
#include <richtext/rtf_reader_impl.h>

#include <algorithm>
#include <utility>

namespace richtext {

void TRtfReader::Impl::Insert(TChar c) {
  if (c == kLineWord) {
    c = kLineBreak;
  } else if (c <= 3 || c == '\r' || c == '\n') {
    return;  // the object codes stand only for objects, written as \'01
  }
  TParagraph& p = Cur();
  if (p.text.size() == p.text.capacity()) Grow(p, 1);
  p.text.push_back(c);
  unapplied_ = true;
  if (doc_.IsRich()) {
    // East Asian characters take the font, size, bold and italic given for
    // double-byte text (\dbch with \af, \afs, \ab, \ai) where the document
    // gives them.
    TAttr attr = s_.attr;
    if (s_.dbch.Any() && c >= 0x1100 && IsDoubleByte(c)) {
      if (s_.dbch.font >= 0) attr.font = uint8_t(s_.dbch.font);
      if (s_.dbch.size != 0) attr.size = s_.dbch.size;
      attr.flags = (attr.flags & ~s_.dbch.given) | s_.dbch.flags;
    }
    if (!attrValid_ || !(attrCached_ == attr)) {
      TAttr a = attr;
      if (options_.markInserted) a.flags |= afAutomatic;
      attrIndex_ = doc_.Intern(a);
      attrCached_ = attr;
      attrValid_ = true;
    }
    p.attrs.push_back(attrIndex_);
  }
}

void TRtfReader::Impl::InsertRun(std::string_view run) {
  TParagraph& p = Cur();
  size_t size = p.text.size(), n = run.size();
  if (size + n > p.text.capacity()) Grow(p, n);
  p.text.resize(size + n);
  TChar* out = p.text.data() + size;
  for (size_t i = 0; i < n; ++i) out[i] = uint8_t(run[i]);
  unapplied_ = true;
  if (doc_.IsRich()) {
    if (!attrValid_ || !(attrCached_ == s_.attr)) {
      TAttr a = s_.attr;
      if (options_.markInserted) a.flags |= afAutomatic;
      attrIndex_ = doc_.Intern(a);
      attrCached_ = s_.attr;
      attrValid_ = true;
    }
    p.attrs.insert(p.attrs.end(), n, attrIndex_);
  }
}

// A paragraph grows to what the input can still hold of it (the bytes up to
// the next \par): a short one is then allocated once instead of doubling
// ten times, and a paragraph of 200 million characters needs room for about
// 200 million, not 256 million plus the 128 million it is copied from. Short
// paragraphs look no further than 4096 characters ahead, so that a picture
// before the \par does not make a one-word paragraph take its size.
void TRtfReader::Impl::Grow(TParagraph& p, size_t needed) {
  size_t size = p.text.size();
  size_t end = data_.find("\\par", pos_);
  size_t ahead = (end == std::string_view::npos ? data_.size() : end) - pos_ + needed + 16;
  size_t want = size < 4096 ? std::max(size * 2, std::min(size + ahead, size_t(4096)))
                            : std::max(size + ahead, size + size / 8);
  want = std::max(want, size + needed);
  p.text.reserve(want);
  if (doc_.IsRich()) p.attrs.reserve(want);
}

void TRtfReader::Impl::Rebase() {
  rebasePending_ = false;
  TParagraph& p = Cur();
  if (p.text.empty() && !ownProperties_) {
    ApplyState(p);
    // A closed border group ends the bordered block before this paragraph.
    if (rebaseHadBorder_ && !(s_.par.borderFlags & bfBorder)) EndBorderBlock();
  }
  rebaseHadBorder_ = false;
}

void TRtfReader::Impl::ClearBorders(TParagraphProps& props) {
  props.borderFlags = props.borderStyle = props.borderWidth = props.borderSpaceColor = props.borderColorHigh = 0;
}

void TRtfReader::Impl::ApplyState(TParagraph& p) {
  unapplied_ = false;
  TParagraphProps st = s_.par;
  if (s_.cellBorders && !p.IsTableCell()) ClearBorders(st);
  p.alignment = st.alignment;
  p.firstIndent = st.firstIndent;
  p.leftIndent = st.leftIndent;
  p.rightIndent = st.rightIndent;
  p.spaceBefore = st.spaceBefore;
  p.spaceAfter = st.spaceAfter;
  p.lineSpacing = st.lineSpacing;
  p.shadeColors = st.shadeColors;
  p.shadeColorsHigh = st.shadeColorsHigh;
  p.borderColorHigh = st.borderColorHigh;
  p.shading = st.shading;
  p.borderFlags = uint8_t((p.borderFlags & bfBlockEnds) | (st.borderFlags & ~bfBlockEnds));
  p.borderStyle = st.borderStyle;
  p.borderWidth = st.borderWidth;
  p.borderSpaceColor = st.borderSpaceColor;
  p.listKind = p.IsTableCell() ? uint8_t(lkNone) : st.listKind;
  p.listLevel = p.IsTableCell() ? 0 : st.listLevel;
  // A table cell has the tab stops stated in it: the writer states them for
  // every cell that has any.
  p.tabSet = !p.IsTableCell() || s_.tabStarted ? st.tabSet : 0;
}

// The bordered block of the paragraph before the one being read ends with
// it. A table cell's borders are the cell's own; they form no block. (Read
// first: a blank paragraph before may be shared, and is copied only to change.)
void TRtfReader::Impl::EndBorderBlock() {
  if (list_.size() < 2) return;
  const TParagraph& prev = *std::as_const(list_)[list_.size() - 2];
  if ((prev.borderFlags & bfBorder) && !prev.IsTableCell() && !(prev.borderFlags & bfBlockEnds)) {
    list_[list_.size() - 2]->borderFlags |= bfBlockEnds;
  }
}

// A table cell before the paragraph being read is the last of its row.
void TRtfReader::Impl::EndRowBefore() {
  if (list_.size() > 1 && std::as_const(list_)[list_.size() - 2]->IsTableCell()) {
    list_[list_.size() - 2]->flags &= ~pfMoreCells;
  }
}

void TRtfReader::Impl::NewParagraphAfter() {
  TParagraph& p = Cur();
  // Little room to spare is left: giving it back would copy the paragraph.
  auto slack = [](size_t capacity, size_t size) { return capacity > size + size / 8 + 16; };
  if (slack(p.text.capacity(), p.text.size())) p.text.shrink_to_fit();
  if (slack(p.attrs.capacity(), p.attrs.size())) p.attrs.shrink_to_fit();
  ShareBlankParagraph(list_);
  auto q = TParagraphPtr::Make();
  q->Props() = s_.par;
  q->flags = 0;
  q->layoutFlags = lfReformat | lfRepaint;
  q->tabSet = s_.par.tabSet;
  list_.push_back(std::move(q));
  ownProperties_ = false;
  s_.tabStarted = false;
  highSurrogate_ = 0;
  listTextNumbered_ = false;
  listTextFrom_ = listTextTo_ = 0;
}

// Gives the cells of the row just ended their places as fractions of the
// row, which spans up to its widest boundary. The fractions are rounded so
// that the boundaries the writer computes from them give the same fractions
// when read again, and the row's indents are the ones the writer uses.
void TRtfReader::Impl::FinishRow() {
  if (rowCells_.empty()) return;
  list_[rowCells_.back().first]->flags &= ~pfMoreCells;  // the row ends with its last cell
  int32_t largest = 0;
  for (auto [index, boundary] : rowCells_) largest = std::max(largest, boundary);
  int32_t textWidth = h_.pageWidth - h_.marginLeft - h_.marginRight;
  int32_t right = std::max(textWidth - largest - rowLeft_, 0);
  int total = 0;
  size_t n = 0;
  for (auto [index, boundary] : rowCells_) {
    TParagraph& p = *list_[index];
    // Without boundaries the cells share the row equally, the last taking
    // what the division leaves, so that the row ends at its width as one
    // read back from its boundaries does.
    int width = ++n < rowCells_.size() ? int(255 / rowCells_.size()) : std::max(255 - total, 1);
    if (largest > 0) {
      int end = boundary < 0 ? 255 : int((int64_t(510) * boundary / largest + 1) / 2);
      width = std::max(end - total, 1);
    }
    p.cellStart = uint8_t(std::clamp(total, 0, 255));
    p.cellWidth = uint8_t(std::clamp(width, 0, 255));
    total += width;
    p.rightIndent = right;
    p.leftIndent = rowLeft_;
  }
  rowCells_.clear();
  cellNumber_ = 0;
}

void TRtfReader::Impl::DropUnfinishedCell() {
  if (Cur().IsTableCell() && (rowCells_.empty() || rowCells_.back().first != list_.size() - 1)) {
    Cur().flags &= ~(pfTableCell | pfMoreCells | pfNotFirstCell);
  }
}

void TRtfReader::Impl::DropListText() {
  TParagraph& p = Cur();
  if (!p.IsListItem() || listTextTo_ <= listTextFrom_ || listTextTo_ > p.text.size()) return;
  p.text.erase(listTextFrom_, listTextTo_ - listTextFrom_);
  if (p.attrs.size() >= listTextTo_) {
    p.attrs.erase(p.attrs.begin() + long(listTextFrom_), p.attrs.begin() + long(listTextTo_));
  }
  listTextFrom_ = listTextTo_ = 0;
}

void TRtfReader::Impl::EndParagraph() {
  ApplyState(Cur());
  DropListText();
  DropUnfinishedCell();
  // A paragraph outside the table ends a row that had no \row.
  if (!Cur().IsTableCell() && cellNumber_ > 0) {
    EndRowBefore();
    FinishRow();
  }
  NewParagraphAfter();
}

// Both indents go on the tab grid. The first line is written as an offset
// from the left indent, and an offset is read within kMaxLength: a first line
// the grid puts further away is brought back a step at a time, so that the
// offset written reads back to the same place.
void TRtfReader::Impl::PutIndentsOnGrid(TParagraph& p) const {
  const int32_t left = h_.RoundToTabGrid(p.leftIndent);
  int32_t first = h_.RoundToTabGrid(p.leftIndent + p.firstIndent);
  if (const int32_t step = h_.TabGridStep()) {
    while (int64_t(first) - left > kMaxLength) first -= step;
    while (int64_t(first) - left < -kMaxLength) first += step;
  }
  p.leftIndent = left;
  p.firstIndent = first;
}

void TRtfReader::Impl::Finish() {
  // Reading that stopped early leaves the last paragraph with the state in force.
  if (unapplied_) ApplyState(Cur());
  DropListText();
  DropUnfinishedCell();
  FinishRow();
  // Blank paragraphs share with the one before them only: a paragraph met
  // again right after itself has been done already.
  const TParagraph* done = nullptr;
  for (auto& holder : list_) {
    if (holder.get() == done) continue;
    TParagraph& p = holder.ForEveryHolder();
    done = &p;
    PutIndentsOnGrid(p);
    p.layoutFlags |= lfReformat | lfRepaint;
    // A box or a side border has spacing, as reading its words gives it; a
    // cell's borders that end up on an ordinary paragraph get it too.
    if (!p.IsTableCell() && (p.borderFlags & (bfBox | bfLeft | bfRight)) && (p.borderSpaceColor >> 4) == 0) {
      p.borderSpaceColor |= 0x10;
    }
  }
}

void TRtfReader::Impl::ParagraphWord(const Keyword& kw, int32_t value) {
  auto& st = s_.par;
  CellDef& cell = cellDef_;
  // A paragraph's own border words start from no border, not from the
  // borders of the cell before it.
  if (s_.cellBorders && !cellBorder_ &&
      (kw.kind == K::Border || kw.kind == K::BorderStyle || kw.kind == K::BorderWidth ||
       kw.kind == K::BorderSpace || kw.kind == K::BorderColor)) {
    ClearBorders(st);
    s_.cellBorders = false;
  }
  // Border words describe the paragraph, or after \clbrdrX the table cell.
  auto borderBytes = [&](int which) {
    uint8_t& flags = cellBorder_ ? cell.border[0] : st.borderFlags;
    uint8_t& space = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
    static const uint8_t bits[] = {0x41, 0x05, 0x11, 0x09, 0x21, 0x81};
    flags |= bits[which];
    if ((which == 0 || which == 2 || which == 4) && (space >> 4) == 0) space |= 0x10;
  };
  switch (kw.kind) {
    case K::Pard: {
      if (Cur().text.empty()) EndBorderBlock();
      st = TParagraphProps{};
      s_.cellBorders = false;
      s_.parStyle = 0;
      tabSet_ = 0;
      s_.tabStarted = false;
      s_.tableMode = false;
      pendingFirst_ = 0;
      cellBorder_ = false;
      Cur().flags &= ~(pfTableCell);
      return;
    }
    case K::LeftIndent:
      st.leftIndent = std::max(value, 0);
      st.firstIndent = pendingFirst_;
      pendingFirst_ = 0;
      return;
    case K::FirstIndent:
      st.firstIndent = value;
      pendingFirst_ = value;
      return;
    case K::RightIndent:
      st.rightIndent = value;
      return;
    case K::ListKind:
      st.listKind = uint8_t(value);
      return;
    case K::ListLevel:
      st.listLevel = uint8_t(std::clamp(value - kw.value, 0, int(kMaxListLevel)));
      if (kw.value == 1 && st.listKind == lkNone) st.listKind = lkNumber;
      return;
    case K::ListOverride:
      // The label's text tells a numbered list from a bulleted one.
      st.listKind = value <= 0 ? lkNone : listTextNumbered_ ? lkNumber : lkBullet;
      return;
    case K::SpaceBefore:
      st.spaceBefore = value;
      return;
    case K::SpaceAfter:
      st.spaceAfter = value;
      return;
    case K::LineSpacing:
      st.lineSpacing = value;
      return;
    case K::Align:
      st.alignment = uint8_t(value);
      return;
    case K::Page:
      if (s_.dest == dText) Cur().flags |= pfPageBreak;
      return;
    case K::Keep:
      if (s_.dest == dText) Cur().flags |= pfKeep;
      return;
    case K::Tab:
      if (!s_.tabStarted) {
        tabSet_ = 0;
        st.tabSet = 0;
        s_.tabStarted = true;
      }
      h_.AddTab(value, pendingTab_);
      tabSet_ |= h_.scratchMask;
      st.tabSet = tabSet_;
      pendingTab_ = tkLeft;
      return;
    case K::TabKind:
      pendingTab_ = TTabKind(value);
      return;
    case K::Border:
      borderBytes(value);
      return;
    case K::BorderStyle:
      (cellBorder_ ? cell.border[1] : st.borderStyle) |= uint8_t(value);
      return;
    case K::BorderWidth:
      // Whole points, rounded; a thin line stays a line of one point.
      (cellBorder_ ? cell.border[2] : st.borderWidth) =
          uint8_t(value <= 0 ? 0 : std::clamp((value + 10) / 20, 1, 255));
      return;
    case K::BorderSpace: {
      uint8_t& b = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
      b = uint8_t((b & 0x0F) | (std::clamp(value / 56, 0, 15) << 4));
      return;
    }
    case K::BorderColor: {
      int c = std::clamp(value, 0, TTextHeader::kColors - 1);
      uint8_t& b = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
      b = uint8_t((b & 0xF0) | (c & 15));
      (cellBorder_ ? cell.borderColorHigh : st.borderColorHigh) = uint8_t(c >> 4);
      return;
    }
    case K::Shading:
      s_.shadingGroup = true;
      st.shading = uint8_t(std::clamp(value / 100, 0, 100));
      st.shadeColors = st.shadeColorsHigh = 0;
      return;
    case K::PatternColor:
      st.SetPatternColor(std::clamp(value, 0, TTextHeader::kColors - 1));
      return;
    case K::ShadeBack:
      st.SetShadeBackColor(std::clamp(value, 0, TTextHeader::kColors - 1));
      return;
    case K::RowDef:
      cells_.clear();
      cellDef_ = CellDef{};
      rowLeft_ = 0;
      cellBorder_ = false;
      s_.tableMode = true;
      return;
    case K::CellX:
      if (cells_.size() < kMaxRowCells) {
        cellDef_.boundary = std::max(value - rowLeft_, 0);
        cells_.push_back(cellDef_);
      }
      cellDef_ = CellDef{};
      cellBorder_ = false;
      return;
    case K::RowLeft:
      rowLeft_ = std::clamp(value, 0, kMaxRowLeft);
      st.leftIndent = rowLeft_;
      return;
    case K::RowGap: {
      int units = value / 56;
      if (value > 0 && units == 0) units = 1;
      cellSpacing_ = uint8_t(std::clamp(units, 0, 15));
      return;
    }
    case K::CellBorder:
      cellBorder_ = true;
      cell.border[0] |= uint8_t(value == 1 ? 0x05 : value == 2 ? 0x11 : value == 3 ? 0x09 : 0x21);
      return;
    case K::CellPattern:
    case K::CellBack: {
      // Kept as paragraph shading colours, so the cell's colours are set
      // through a paragraph record.
      TParagraphProps shade;
      shade.shadeColors = cell.shadeColors;
      shade.shadeColorsHigh = cell.shadeColorsHigh;
      int c = std::clamp(value, 0, TTextHeader::kColors - 1);
      kw.kind == K::CellPattern ? shade.SetPatternColor(c) : shade.SetShadeBackColor(c);
      cell.shadeColors = shade.shadeColors;
      cell.shadeColorsHigh = shade.shadeColorsHigh;
      return;
    }
    case K::CellMerge:
      return;
    case K::InTable: {
      if (s_.dest != dText) return;
      TParagraph& p = Cur();
      p.flags |= pfTableCell;
      size_t n = size_t(cellNumber_);
      if (n < cells_.size()) {
        const CellDef& c = cells_[n];
        st.borderFlags = c.border[0];
        st.borderStyle = c.border[1];
        st.borderWidth = c.border[2];
        st.borderSpaceColor = uint8_t((c.border[3] & 0x0F) | (cellSpacing_ << 4));
        st.borderColorHigh = c.borderColorHigh;
        st.shadeColors = c.shadeColors;
        st.shadeColorsHigh = c.shadeColorsHigh;
      }
      s_.cellBorders = false;  // the borders in force are this cell's own
      s_.tableMode = true;
      return;
    }
    case K::Cell: {
      if (s_.dest != dText) return;
      TParagraph& p = Cur();
      size_t n = size_t(cellNumber_);
      rowCells_.push_back({list_.size() - 1, n < cells_.size() ? cells_[n].boundary : -1});
      p.flags |= pfTableCell | pfMoreCells;
      if (cellNumber_ > 0) p.flags |= pfNotFirstCell;
      ++cellNumber_;
      st.leftIndent = rowLeft_;
      EndParagraph();
      if (size_t(cellNumber_) >= kMaxRowCells) FinishRow();
      s_.cellBorders = true;
      return;
    }
    case K::Row:
      EndRowBefore();
      FinishRow();
      return;
    case K::NestCell:
      if (s_.dest == dText) Insert(kTab);
      return;
    default:
      return;
  }
}

}  // namespace richtext
