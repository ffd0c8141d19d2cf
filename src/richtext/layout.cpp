// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/layout.h>

#include <algorithm>

namespace richtext {

TLayout::TLayout(TRTFText& doc, TFontMetrics& metrics) : doc_(doc), metrics_(metrics) {
  doc_.AddListener(this);
  DocumentReset();
}

TLayout::~TLayout() { doc_.RemoveListener(this); }

void TLayout::SetWrapWidth(int pixels) {
  if (pixels == wrapWidth_) return;
  wrapWidth_ = pixels;
  Invalidate();
}

void TLayout::SetZoom(int percent) {
  percent = std::clamp(percent, 10, 500);
  if (percent == zoom_) return;
  zoom_ = percent;
  Invalidate();
}

void TLayout::Invalidate() {
  for (size_t k = 0; k < layouts_.size(); ++k) Drop(k);
  fonts_.clear();
  firstInvalid_ = 0;
}

// ---------------------------------------------------------------- changes

// A row's height is its tallest cell's: a change in one cell lays out the row.
void TLayout::InvalidateRow(size_t i) {
  if (i >= layouts_.size() || i >= doc_.Size()) return;
  size_t first = RowFirst(i), last = std::min(RowLast(i), layouts_.size() - 1);
  for (size_t k = first; k <= last; ++k) Drop(k);
  firstInvalid_ = std::min(firstInvalid_, first);
}

void TLayout::ParagraphChanged(size_t index) {
  if (index < layouts_.size()) Drop(index);
  firstInvalid_ = std::min(firstInvalid_, index);
  InvalidateRow(index);
}

void TLayout::TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) {
  if (index >= layouts_.size()) return;
  if (!layouts_[index]) return ParagraphChanged(index);
  TParagraphLayout& l = *layouts_[index];
  bool inRow = doc_.Par(index).IsTableCell() && RowFirst(index) != RowLast(index);
  if (!l.valid || inRow || l.lines.empty()) return ParagraphChanged(index);  // two edits: laid out anew
  l.valid = false;
  l.mendable = true;
  l.editOffset = uint32_t(offset);
  l.editRemoved = uint32_t(removed);
  l.editInserted = uint32_t(inserted);
  firstInvalid_ = std::min(firstInvalid_, index);
}

void TLayout::ParagraphsInserted(size_t index, size_t count) {
  layouts_.resize(layouts_.size() + count);
  std::move_backward(layouts_.begin() + std::ptrdiff_t(index), layouts_.end() - std::ptrdiff_t(count),
                     layouts_.end());
  for (size_t k = index; k < index + count; ++k) layouts_[k].reset();
  heightKnown_.insert(heightKnown_.begin() + std::ptrdiff_t(index), count, false);
  heights_.insert(heights_.begin() + std::ptrdiff_t(index), count, 0);
  // The paragraph before may take its empty-line height from its neighbour.
  if (index > 0) Drop(index - 1);
  firstInvalid_ = std::min(firstInvalid_, index == 0 ? 0 : index - 1);
  if (index > 0) InvalidateRow(index - 1);
  for (size_t k = index; k < index + count; ++k) InvalidateRow(k);
  if (index + count < doc_.Size()) InvalidateRow(index + count);
  RebuildTree();
}

void TLayout::ParagraphsRemoved(size_t index, size_t count) {
  count = std::min(count, layouts_.size() - index);
  layouts_.erase(layouts_.begin() + std::ptrdiff_t(index),
                 layouts_.begin() + std::ptrdiff_t(index + count));
  heights_.erase(heights_.begin() + std::ptrdiff_t(index),
                 heights_.begin() + std::ptrdiff_t(index + count));
  heightKnown_.erase(heightKnown_.begin() + std::ptrdiff_t(index),
                     heightKnown_.begin() + std::ptrdiff_t(index + count));
  if (layouts_.size() < doc_.Size()) {  // the document keeps one paragraph
    layouts_.resize(doc_.Size());
    heightKnown_.resize(doc_.Size(), false);
    heights_.resize(doc_.Size(), 0);
  }
  if (index < layouts_.size()) Drop(index);
  firstInvalid_ = std::min(firstInvalid_, index);
  if (index > 0) InvalidateRow(index - 1);
  InvalidateRow(index);
  RebuildTree();
}

void TLayout::DocumentReset() {
  layouts_.clear();
  layouts_.resize(doc_.Size());
  heightKnown_.assign(doc_.Size(), false);
  heights_.assign(doc_.Size(), 0);
  firstInvalid_ = 0;
  RebuildTree();
}

// ---------------------------------------------------------------- heights

void TLayout::RebuildTree() {
  size_t n = heights_.size();
  tree_.assign(n + 1, 0);
  for (size_t i = 0; i < n; ++i) {
    tree_[i + 1] += heights_[i];
    size_t parent = (i + 1) + ((i + 1) & (~(i + 1) + 1));
    if (parent <= n) tree_[parent] += tree_[i + 1];
  }
}

void TLayout::SetHeight(size_t i, int32_t height) {
  heightKnown_[i] = true;
  int64_t delta = int64_t(height) - heights_[i];
  if (delta == 0) return;
  heights_[i] = height;
  for (size_t k = i + 1; k < tree_.size(); k += k & (~k + 1)) tree_[k] += delta;
}

const TParagraphLayout& TLayout::Paragraph(size_t i) {
  TParagraphLayout& l = Slot(i);
  if (!l.valid) {
    size_t first = RowFirst(i), last = RowLast(i);
    if (first == last && l.mendable &&
        l.widths.size() + l.editInserted == doc_.Par(i).Length() + l.editRemoved) {
      Mend(i, l);
      l.valid = true;
      l.mendable = false;
      ++layoutCount;
      SetHeight(i, l.height);
    } else if (first == last) {
      Measure(i, l);
      Wrap(i, l);
      l.valid = true;
      l.mendable = false;
      ++layoutCount;
      SetHeight(i, l.height);
    } else {
      LayOutRow(first, last);
    }
  }
  return l;
}

void TLayout::LayOutRow(size_t first, size_t last) {
  int32_t row = 0;
  for (size_t k = first; k <= last; ++k) {
    TParagraphLayout& l = Slot(k);
    if (!l.valid) {
      Measure(k, l);
      Wrap(k, l);
      l.valid = true;
      ++layoutCount;
    }
    row = std::max(row, l.contentHeight);
  }
  for (size_t k = first; k <= last; ++k) {
    TParagraphLayout& l = Slot(k);
    l.rowHeight = row;
    l.height = k == last ? row : 0;
    SetHeight(k, l.height);
  }
}

// Rows are runs of cells: a cell that is not the first of its row follows one
// that announces more cells. Rows hold at most 64 cells; a longer run is cut.
size_t TLayout::RowFirst(size_t i) const {
  size_t k = i;
  while (k > 0 && i - k < 63 && (doc_.Par(k).flags & pfNotFirstCell) && doc_.Par(k).IsTableCell() &&
         doc_.Par(k - 1).IsTableCell() && (doc_.Par(k - 1).flags & pfMoreCells)) {
    --k;
  }
  return k;
}

size_t TLayout::RowLast(size_t i) const {
  size_t first = RowFirst(i), k = i;
  while (k + 1 < doc_.Size() && k + 1 - first < 64 && doc_.Par(k).IsTableCell() &&
         (doc_.Par(k).flags & pfMoreCells) && doc_.Par(k + 1).IsTableCell() &&
         (doc_.Par(k + 1).flags & pfNotFirstCell)) {
    ++k;
  }
  return k;
}

size_t TLayout::CellAt(size_t i, int x) {
  size_t first = RowFirst(i), last = RowLast(i);
  size_t best = last;
  int bestDistance = 1 << 30;
  for (size_t k = first; k <= last; ++k) {
    int left, right;
    CellEdges(doc_.Par(k), left, right);
    if (x >= left && x < right) return k;
    int distance = x < left ? left - x : x - right + 1;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = k;
    }
  }
  return best;
}

size_t TLayout::LineAt(size_t par, int64_t y) {
  const TParagraphLayout& pl = Paragraph(par);
  auto after = std::upper_bound(pl.lines.begin() + 1, pl.lines.end(), y,
                                [](int64_t at, const TDisplayLine& l) { return at < l.top; });
  return size_t(after - pl.lines.begin()) - 1;
}

int64_t TLayout::ParagraphTop(size_t i) {
  // Paragraphs laid out here only for their heights keep no layout: a long
  // document holds the lines and widths of the paragraphs shown, not of all.
  for (size_t k = firstInvalid_; k < i && k < layouts_.size(); ++k) {
    if (heightKnown_[k]) continue;
    bool kept = Kept(k);
    Paragraph(k);
    Release(k, kept);
  }
  firstInvalid_ = std::max(firstInvalid_, i);
  int64_t sum = 0;
  for (size_t k = i; k > 0; k -= k & (~k + 1)) sum += tree_[k];
  return sum;
}

size_t TLayout::LayoutsHeld() const {
  return size_t(std::count_if(layouts_.begin(), layouts_.end(), [](const auto& l) { return l != nullptr; }));
}

int64_t TLayout::TotalHeight() {
  size_t n = layouts_.size();
  int64_t top = ParagraphTop(n - 1);
  return top + Paragraph(n - 1).height;
}

size_t TLayout::ParagraphAt(int64_t y) {
  TotalHeight();  // every height known
  // Descend the tree for the last paragraph whose top is at or above y.
  size_t pos = 0, step = 1;
  while (step * 2 < tree_.size()) step *= 2;
  int64_t rest = y;
  for (; step > 0; step /= 2) {
    if (pos + step < tree_.size() && tree_[pos + step] <= rest) {
      pos += step;
      rest -= tree_[pos];
    }
  }
  return std::min(pos, layouts_.size() - 1);
}

// ---------------------------------------------------------------- measuring

TFontSpec TLayout::FontOf(const TAttr& a) const {
  TFontSpec f;
  const TTextHeader& h = doc_.Header();
  if (a.font < TTextHeader::kFonts) {
    f.name = h.fonts[a.font].name;
    f.symbol = h.fonts[a.font].charset == 2;
  }
  f.points = a.size == 0 ? 10 : a.size;
  // Raised and lowered text is drawn two thirds as large.
  if ((a.flags & (afSuperscript | afSubscript | afFootnote)) && f.points > 1) f.points = f.points * 2 / 3;
  if (zoom_ != 100) f.points = std::max(1, f.points * zoom_ / 100);
  f.bold = a.flags & afBold;
  f.italic = a.flags & afItalic;
  f.strikeOut = a.flags & afStrikeOut;
  return f;
}

TLayout::FontCache& TLayout::Font(const TAttr& a) {
  TFontSpec fontSpec = FontOf(a);
  auto key = std::make_tuple(fontSpec.name, fontSpec.points, fontSpec.bold, fontSpec.italic, fontSpec.symbol);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  FontCache& f = fonts_[key];
  f.ascent = std::max(1, metrics_.Ascent(fontSpec));
  f.descent = std::max(0, metrics_.Descent(fontSpec));
  for (int c = 0; c < 256; ++c) f.low[c] = -1;
  return f;
}

int TLayout::CharWidth(FontCache& f, const TFontSpec& fontSpec, TChar c) {
  if (c < 256) {
    if (f.low[c] < 0) f.low[c] = int16_t(std::max(1, metrics_.CharWidth(fontSpec, c)));
    return f.low[c];
  }
  auto it = f.high.find(c);
  if (it != f.high.end()) return it->second;
  int16_t w = int16_t(std::max(1, metrics_.CharWidth(fontSpec, c)));
  f.high.emplace(c, w);
  return w;
}

bool TLayout::Hidden(const TAttr& a) const {
  return ((a.flags & afHidden) && !options.showHiddenText) ||
         ((a.flags & afInsertPoint) && options.hideInsertPoints) ||
         ((a.flags & afAutomatic) && options.hideAutomaticText);
}

void TLayout::Measure(size_t i, TParagraphLayout& out) {
  size_t n = doc_.Par(i).Length();
  out.widths.assign(n, 0);
  out.heights.assign(n, 0);
  out.ascents.assign(n, 0);
  MeasureRange(i, out, 0, n);
}

void TLayout::MeasureRange(size_t i, TParagraphLayout& out, size_t from, size_t to) {
  const TParagraph& p = doc_.Par(i);
  // Characters of one run share their font: it is looked up once per run.
  TAttr runAttr;
  FontCache* f = nullptr;
  TFontSpec fontSpec;
  for (size_t k = from; k < to; ++k) {
    TAttr a = doc_.CharAttr(p, k);
    out.widths[k] = out.heights[k] = out.ascents[k] = 0;
    if (Hidden(a)) continue;
    if (!f || !(a == runAttr)) {
      f = &Font(a);
      fontSpec = FontOf(a);
      runAttr = a;
    }
    TChar c = p.text[k];
    int height = f->ascent + f->descent, ascent = f->ascent, width;
    if (a.flags & afObject) {
      TTextObject* o = doc_.ObjectOf(c, a);
      if (o) {
        o->inUse = true;
        width = TwipsX(o->width);
        height = TwipsY(o->height);
        switch (o->verticalAlign) {
          case 1: ascent = height - 2; break;
          case 2: ascent = f->ascent; break;
          case 3: ascent = height / 2; break;
          default:
            ascent = height;
            height += f->descent;
        }
      } else {
        width = 0;
      }
    } else {
      // A tab is measured as a space; where it lands is decided when wrapping.
      width = CharWidth(*f, fontSpec, c == kTab ? U' ' : c);
    }
    out.widths[k] = int16_t(std::clamp(width, 0, 32767));
    out.heights[k] = int16_t(std::clamp(height, 1, 32767));
    out.ascents[k] = int16_t(std::clamp(ascent, 0, 32767));
  }
}

// ---------------------------------------------------------------- wrapping

int TLayout::DefaultTabWidth() const {
  int dpi = metrics_.Dpi();
  dpi = dpi * zoom_ / 100;
  return std::max(1, doc_.Header().inchUnits ? dpi * 100 / 300 : dpi * 100 / 254);
}

int TLayout::NextTabStop(const TParagraph& p, int x, int cellOffset, TTabKind& kind) const {
  const TTextHeader& h = doc_.Header();
  for (uint8_t idx : h.tabOrder) {
    if (idx >= TTextHeader::kTabs || !(p.tabSet >> idx & 1)) continue;
    const TTabStop& t = h.tabs[idx];
    if (t.position == 0) continue;
    int at = TwipsX(t.position) + cellOffset;
    if (at > x) {
      kind = t.kind;
      return at;
    }
  }
  kind = tkLeft;
  int d = DefaultTabWidth();
  return (x / d + 1) * d;
}

std::vector<int> TLayout::TextAdvances(const TFontSpec& font, std::u32string_view text) const {
  std::vector<int> advances;
  for (TChar c : text) advances.push_back(metrics_.CharWidth(font, c));
  return advances;
}

void TLayout::CellEdges(const TParagraph& p, int& left, int& right) const {
  int l = TwipsX(p.leftIndent), r = TwipsX(p.rightIndent);
  int row = std::max(wrapWidth_ - l - r, 0);
  left = l + row * p.cellStart / 255;
  right = l + row * std::min(p.cellStart + p.cellWidth, 255) / 255;
}

void TLayout::Offsets(const TParagraph& p, bool firstLine, int& left, int& right) const {
  int32_t border = 0;
  int n = p.borderSpaceColor >> 4;
  if ((p.borderFlags & bfBorder) && n > 0) border = n * 567 / 10;
  if (p.IsTableCell()) {
    // The text keeps off the cell's lines by its border spacing, at least 3 pixels.
    int cellLeft, cellRight;
    CellEdges(p, cellLeft, cellRight);
    int inset = std::max(TwipsX(border), 3);
    left = cellLeft + inset;
    right = std::max(wrapWidth_ - cellRight + inset, 0);
    return;
  }
  // A list item's label stands in its first-line indent; its text starts at
  // the left indent on every line.
  bool hanging = firstLine && !p.IsListItem();
  left = TwipsX((hanging ? p.firstIndent : p.leftIndent) + border) + ((p.flags & pfNotFirstCell) ? 0 : 1);
  right = TwipsX(p.rightIndent + border);
}

int TLayout::TabAdvance(const TParagraph& p, const TParagraphLayout& pl, size_t k, int x,
                        const TDisplayLine& line) const {
  TTabKind kind;
  int cellOffset = p.IsTableCell() ? line.left : 0;
  int stop = NextTabStop(p, line.left + x, cellOffset, kind) - line.left;
  if (kind != tkLeft) {
    // Right, centre and decimal stops place the text up to the next tab.
    int seg = 0;
    for (size_t m = k + 1; m < p.text.size() && p.text[m] != kTab && p.text[m] != kLineBreak; ++m) {
      if (kind == tkDecimal && p.text[m] == TChar(doc_.Header().decimalSeparator)) break;
      seg += pl.widths[m];
    }
    stop = kind == tkCenter ? stop - seg / 2 : stop - seg;
  }
  return std::max(x, stop);
}

size_t TLayout::WrapLine(const TParagraph& p, const TParagraphLayout& pl, size_t start, bool first,
                         TDisplayLine& line) {
  ++rewrapCount;
  const TString& text = p.text;
  size_t n = text.size();
  bool spreadTabs = p.alignment == alRight || p.alignment == alCenter;
  Offsets(p, first, line.left, line.right);
  int avail = wrapWidth_ - line.left - line.right;
  if (avail <= 0) avail = 16;
  int x = 0;  // from the line's left offset
  size_t k = start, end = TString::npos;
  size_t afterSpace = TString::npos, afterTab = TString::npos;
  while (k < n) {
    TChar c = text[k];
    int w = pl.widths[k];
    if (c == kLineBreak) {
      end = ++k;
      break;
    }
    if (c == kTab && !spreadTabs && w > 0) {
      x = TabAdvance(p, pl, k, x, line);
      afterTab = ++k;
      continue;
    }
    if (c == ' ' || c == kTab) {
      x += w;
      afterSpace = ++k;
      continue;
    }
    if (x + w >= avail && k > start) {
      if (afterSpace != TString::npos && afterSpace - 1 >= start + 2) {
        end = afterSpace;
      } else if (afterTab != TString::npos && afterTab - 1 > start) {
        end = afterTab;
      } else {
        end = k;
      }
      break;
    }
    x += w;
    ++k;
    if (options.maxCharsPerLine > 0 && k - start >= size_t(options.maxCharsPerLine)) {
      end = k;
      break;
    }
  }
  if (end == TString::npos) end = k;
  line.start = uint32_t(start);
  line.length = uint32_t(end - start);
  return end;
}

void TLayout::Wrap(size_t i, TParagraphLayout& out) {
  const TParagraph& p = doc_.Par(i);
  out.lines.clear();
  size_t start = 0;
  do {
    TDisplayLine line;
    start = WrapLine(p, out, start, out.lines.empty(), line);
    out.lines.push_back(line);
  } while (start < p.Length());
  FinishLines(i, out, 0, out.lines.size());
}

// An edit of a long paragraph wraps the lines from the one before the edit
// on, until a line starts where an old line started after the edit: from
// there the text and so its lines are as they were, only moved. The line
// before the edited one is wrapped too, since the first word after it
// decides where it breaks.
void TLayout::Mend(size_t i, TParagraphLayout& out) {
  const TParagraph& p = doc_.Par(i);
  size_t o = out.editOffset, removed = out.editRemoved, inserted = out.editInserted;
  for (std::vector<int16_t>* v : {&out.widths, &out.heights, &out.ascents}) {
    v->erase(v->begin() + std::ptrdiff_t(o), v->begin() + std::ptrdiff_t(o + removed));
    v->insert(v->begin() + std::ptrdiff_t(o), inserted, int16_t(0));
  }
  MeasureRange(i, out, o, o + inserted);

  std::vector<TDisplayLine> old = std::move(out.lines);
  auto after = std::upper_bound(old.begin(), old.end(), o,
                                [](size_t offset, const TDisplayLine& l) { return offset < l.start; });
  size_t edited = size_t(std::max<std::ptrdiff_t>(0, (after - old.begin()) - 1));
  size_t from = edited > 0 ? edited - 1 : 0;
  out.lines.assign(old.begin(), old.begin() + std::ptrdiff_t(from));
  int64_t shift = int64_t(inserted) - int64_t(removed);
  size_t start = old[from].start, m = from + 1;
  do {
    TDisplayLine line;
    start = WrapLine(p, out, start, out.lines.empty(), line);
    out.lines.push_back(line);
    if (start >= p.Length()) break;
    // The first old line that starts after the edit and not before this point.
    while (m < old.size() && (old[m].start < o + removed || int64_t(old[m].start) + shift < int64_t(start))) ++m;
    if (m < old.size() && old[m].start >= o + removed && int64_t(old[m].start) + shift == int64_t(start)) {
      size_t wrapped = out.lines.size();
      for (size_t k = m; k < old.size(); ++k) {
        TDisplayLine moved = old[k];
        moved.start = uint32_t(int64_t(moved.start) + shift);
        out.lines.push_back(moved);
      }
      FinishLines(i, out, from, wrapped);
      return;
    }
  } while (true);
  FinishLines(i, out, from, out.lines.size());
}

void TLayout::FinishLines(size_t i, TParagraphLayout& out, size_t from, size_t to) {
  const TParagraph& p = doc_.Par(i);
  const TString& text = p.text;
  bool spreadTabs = p.alignment == alRight || p.alignment == alCenter;
  for (size_t li = from; li < to; ++li) {
    TDisplayLine& line = out.lines[li];
    bool first = li == 0, last = li + 1 == out.lines.size();
    int x = 0, spaces = 0, spaceWidth = 0;
    for (size_t k = line.start; k < line.start + line.length; ++k) {
      TChar c = text[k];
      if (c == kTab && !spreadTabs && out.widths[k] > 0) {
        x = TabAdvance(p, out, k, x, line);
      } else {
        x += out.widths[k];
      }
      if (c == ' ') {
        ++spaces;
        spaceWidth += out.widths[k];
      }
    }
    line.width = x;
    line.gap = line.extra = line.stretched = 0;
    int avail = std::max(wrapWidth_ - line.left - line.right, 16);
    if (p.alignment == alJustify && spaces >= 2 && (!last || (p.flags & pfJustifyLast))) {
      int w = spaceWidth + avail - x - 6;
      if (w > 0) {
        line.stretched = spaces - 1;
        line.gap = w / line.stretched;
        line.extra = w % line.stretched;
      }
    }
    LineHeight(i, out, line, first, last);
  }
  int32_t top = from > 0 ? out.lines[from - 1].top + out.lines[from - 1].height : 0;
  for (size_t li = from; li < out.lines.size(); ++li) {
    out.lines[li].top = top;
    top += out.lines[li].height;
  }
  out.height = out.contentHeight = out.rowHeight = top;
}

void TLayout::LineHeight(size_t i, const TParagraphLayout& pl, TDisplayLine& line, bool first,
                         bool last) {
  const TParagraph& p = doc_.Par(i);
  int height = 0, ascent = 0, spaceHeight = 0, spaceAscent = 0;
  for (size_t k = line.start; k < line.start + line.length; ++k) {
    if (pl.widths[k] == 0 && pl.heights[k] == 0) continue;  // hidden
    if (p.text[k] == ' ' || p.text[k] == kTab || p.text[k] == kLineBreak) {
      if (pl.heights[k] > spaceHeight) {
        spaceHeight = pl.heights[k];
        spaceAscent = pl.ascents[k];
      }
      continue;
    }
    if (pl.heights[k] > height) {
      height = pl.heights[k];
      ascent = pl.ascents[k];
    }
  }
  if (height == 0 && spaceHeight > 0) {
    height = spaceHeight;
    ascent = spaceAscent;
  }
  if (height == 0) {
    // An empty line: the previous paragraph's last character, or the
    // font that typing would use.
    const TParagraph* prev = i > 0 ? &doc_.Par(i - 1) : nullptr;
    TAttr a = prev && prev->Length() > 0 ? doc_.CharAttr(*prev, prev->Length() - 1) : doc_.insertionAttr;
    FontCache& f = Font(a);
    height = f.ascent + f.descent;
    ascent = f.ascent;
    if (height <= 0) {
      height = 16;
      ascent = 14;
    }
  }
  int s = TwipsY(p.lineSpacing);
  if (s > 0 && s > height) {
    ascent += (s - height) / 2;
    height = s;
  } else if (s < 0) {
    int exact = -s;
    ascent = std::max(0, ascent - (height - exact) / 2);
    height = exact;
  }
  if (first) {
    int before = TwipsY(p.spaceBefore);
    height = std::max(0, height + before);
    ascent = std::max(0, ascent + before);
  }
  if (last) height = std::max(0, height + TwipsY(p.spaceAfter));
  line.height = height;
  line.ascent = ascent;
}

// ---------------------------------------------------------------- positions

int TLayout::LineStart(size_t par, const TDisplayLine& line) {
  const TParagraph& p = doc_.Par(par);
  int x = line.left;
  int free = wrapWidth_ - line.right - line.left - line.width;
  if (p.alignment == alRight && free > 0) x += free;
  if (p.alignment == alCenter && free > 1) x += free / 2;
  return x;
}

std::vector<int> TLayout::Advances(size_t par, const TDisplayLine& line) {
  const TParagraph& p = doc_.Par(par);
  const TParagraphLayout& pl = Paragraph(par);
  bool spreadTabs = p.alignment == alRight || p.alignment == alCenter;
  std::vector<int> out;
  out.reserve(line.length);
  int x = LineStart(par, line) - line.left;
  int stretched = 0;
  for (size_t k = line.start; k < line.start + line.length; ++k) {
    TChar c = p.text[k];
    int w = pl.widths[k];
    if (c == kTab && !spreadTabs && w > 0) {
      w = TabAdvance(p, pl, k, x, line) - x;
    } else if (c == ' ' && stretched < line.stretched) {
      w = line.gap + (stretched < line.extra ? 1 : 0);
      ++stretched;
    }
    out.push_back(w);
    x += w;
  }
  return out;
}

size_t TLayout::LineOf(size_t par, size_t offset) {
  const TParagraphLayout& pl = Paragraph(par);
  // The last line that starts at or before the offset.
  auto after = std::upper_bound(pl.lines.begin() + 1, pl.lines.end(), offset,
                                [](size_t o, const TDisplayLine& l) { return o < l.start; });
  return size_t(after - pl.lines.begin()) - 1;
}

size_t TLayout::OffsetAt(size_t par, size_t lineIndex, int x) {
  const TDisplayLine& line = Paragraph(par).lines[lineIndex];
  std::vector<int> adv = Advances(par, line);
  int cx = LineStart(par, line);
  // The position after a line's last character belongs to the next line,
  // and none comes after a line break.
  size_t end = line.length;
  bool lastLine = lineIndex + 1 == Paragraph(par).lines.size();
  if (end > 0 && (!lastLine || doc_.Par(par).text[line.start + end - 1] == kLineBreak)) --end;
  for (size_t k = 0; k < end; ++k) {
    if (x < cx + adv[k] / 2) return line.start + k;
    cx += adv[k];
  }
  return line.start + end;
}

int TLayout::XOf(size_t par, size_t lineIndex, size_t offset) {
  const TDisplayLine& line = Paragraph(par).lines[lineIndex];
  std::vector<int> adv = Advances(par, line);
  int x = LineStart(par, line);
  for (size_t k = line.start; k < offset && k < line.start + line.length; ++k) x += adv[k - line.start];
  return x;
}

std::vector<TPageStart> TLayout::Paginate(int pageHeight) {
  std::vector<TPageStart> pages{TPageStart{}};
  int used = 0;
  auto place = [&](size_t par, size_t li, int h) {
    bool forced = li == 0 && (doc_.Par(par).flags & pfPageBreak) && (par > 0);
    if (forced || (used + h > pageHeight && used > 0)) {
      pages.push_back({par, li, forced});
      used = 0;
    }
    used += h;
  };
  for (size_t par = 0; par < doc_.Size(); ++par) {
    bool kept = Kept(par);
    const TParagraphLayout& pl = Paragraph(par);
    size_t last = RowLast(par);
    if (last != par || RowFirst(par) != par) {
      // A table row goes on one page whole.
      place(par, 0, pl.rowHeight);
      Release(par, kept);
      par = last;
      continue;
    }
    for (size_t li = 0; li < pl.lines.size(); ++li) place(par, li, pl.lines[li].height);
    Release(par, kept);
  }
  return pages;
}

}  // namespace richtext
