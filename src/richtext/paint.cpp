// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/paint.h>

#include <algorithm>
#include <cmath>

namespace richtext {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;

// A preset's three-state switch applied to a style.
void Apply(TThreeState s, bool& value) {
  if (s == tsTRUE) value = true;
  if (s == tsFALSE) value = false;
}

// The relative luminance of a colour (0x00BBGGRR), 0 for black to 1 for white,
// as the contrast ratio of readable text is reckoned.
double Luminance(uint32_t color) {
  auto channel = [](uint32_t c) {
    const double v = (c & 0xFF) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(color) + 0.7152 * channel(color >> 8) + 0.0722 * channel(color >> 16);
}

double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Text at least this much lighter or darker than its ground reads well.
constexpr double kReadableContrast = 4.5;

// The colour mixed with white, a tenth at a time, until it reads on `back`.
uint32_t LightenedToRead(uint32_t color, uint32_t back) {
  uint32_t mixed = color;
  for (int tenth = 1; tenth <= 10 && Contrast(mixed, back) < kReadableContrast; ++tenth) {
    mixed = 0;
    for (int shift : {0, 8, 16}) {
      const uint32_t c = (color >> shift) & 0xFF;
      mixed |= (c + (255 - c) * uint32_t(tenth) / 10) << shift;
    }
  }
  return mixed;
}

}  // namespace

bool TPainter::Selected(size_t par, size_t offset) const {
  TPosition p{par, offset};
  return options.selStart < options.selEnd && options.selStart <= p && p < options.selEnd;
}

uint32_t TPainter::Shading(const TParagraph& p) const {
  if (!p.HasShadeColors() && p.shading == 0) return kNone;
  int index = p.shading <= 50 ? p.ShadeBackColor() : p.PatternColor();
  return doc_.Header().colors[size_t(index)];
}

TRunLook TPainter::Look(const TAttr& a, bool printing, uint32_t shading) const {
  const TTextHeader& h = doc_.Header();
  TRunLook look;
  const TCharacterAttr* preset = nullptr;
  if (a.flags & afInsertPoint) {
    preset = &doc_.insertPointAttr;
  } else if (a.flags & afDoubleUnderline) {
    preset = &doc_.hyperlinkTextAttr;
  } else if (a.flags & afAutomatic) {
    preset = &doc_.automaticTextAttr;
  } else if (a.flags & afProtected) {
    preset = &doc_.protectedTextAttr;
  }
  look.textColor = h.colors[size_t(a.TextColor())];
  look.backColor = a.BackColor() != 0 ? h.colors[size_t(a.BackColor())]
                                      : (printing ? 0xFFFFFF : options.paperColor);
  if (preset && preset->UseTextColor()) look.textColor = preset->TextColor();
  if (preset && preset->UseBackgroundColor()) look.backColor = preset->BackgroundColor();
  if (shading != kNone && a.BackColor() == 0) look.backColor = shading;
  // Dark paper on screen: black ink would vanish, so it shows light, and
  // other dark inks (dark blue, dark red...) are lightened until they read on
  // their ground; the document keeps its colours, and printing them.
  if (options.lightInk && !printing) {
    look.textColor = look.textColor == 0 ? kLightInk : LightenedToRead(look.textColor, look.backColor);
  }

  look.font = layout_.FontOf(TAttr{a.font, 0, a.size, 0, 0, 0});
  look.font.bold = a.flags & afBold;
  look.font.italic = a.flags & afItalic;
  look.font.strikeOut = a.flags & afStrikeOut;
  look.underline = a.flags & afUnderline;
  look.raise = a.flags & (afSuperscript | afFootnote);
  look.lower = !look.raise && (a.flags & afSubscript);
  look.mark = a.flags & afWordMark;
  look.lineColor = look.mark ? 0x0000FF : look.textColor;
  if (preset) {
    Apply(preset->Bold(), look.font.bold);
    Apply(preset->Italic(), look.font.italic);
    Apply(preset->StrikeOut(), look.font.strikeOut);
    Apply(preset->Underline(), look.underline);
    Apply(preset->SuperScript(), look.raise);
    Apply(preset->SubScript(), look.lower);
    if (look.raise && look.lower) look.lower = false;
    if (preset->UseUnderlineColor()) look.lineColor = preset->UnderlineColor();
  }
  // Raised and lowered text is two thirds as large, as the layout measured it.
  int points = a.size == 0 ? 10 : a.size;
  if ((look.raise || look.lower) && points > 1) points = points * 2 / 3;
  if (layout_.Zoom() != 100) points = std::max(1, points * layout_.Zoom() / 100);
  look.font.points = points;
  return look;
}

void TPainter::Zigzag(TSurface& s, int x1, int x2, int baseline, uint32_t color) {
  for (int zx = x1; zx + 3 <= x2; zx += 3) s.Line(zx + 2, baseline, zx - 1, baseline + 2, color, 1);
}

void TPainter::Paint(TSurface& s, int originX, int64_t originY, int clipTop, int clipBottom) {
  objects_.clear();
  handleDrawn_ = false;
  if (doc_.Size() == 0) return;
  pages_.clear();
  if (options.showPageBreak && options.pageHeight > 0 && !s.IsPrinter()) {
    pages_ = layout_.Paginate(options.pageHeight);
  }
  // Start a paragraph early: the row or bordered paragraph above may draw
  // its bottom line on the first row to repaint. Cells of a row share its top.
  size_t first = layout_.ParagraphAt(std::max<int64_t>(0, clipTop - originY));
  first = layout_.RowFirst(first);
  if (first > 0) first = layout_.RowFirst(first - 1);
  size_t par = first;
  for (; par < doc_.Size(); ++par) {
    int64_t top = originY + layout_.ParagraphTop(par);
    if (top >= clipBottom) break;
    const TParagraph& p = doc_.Par(par);
    const TParagraphLayout& pl = layout_.Paragraph(par);
    if (p.IsTableCell()) PaintCell(s, par, originX, top, clipTop, clipBottom);
    for (size_t li = 0; li < pl.lines.size(); ++li) {
      int64_t lineTop = top + pl.lines[li].top;
      if (lineTop + pl.lines[li].height <= clipTop || lineTop >= clipBottom) continue;
      PaintLine(s, par, li, originX, int(lineTop));
    }
  }
  // Borders go on top of the text of every cell, so that neighbours share their lines.
  for (size_t k = first; k < par; ++k) {
    PaintBorders(s, k, originX, int(originY + layout_.ParagraphTop(k)));
  }
}

long TPainter::PaintPage(TSurface* surface, long firstLine, int originX, int top, int bottom) {
  long number = 0;
  int y = top;
  for (size_t par = 0; par < doc_.Size(); ++par) {
    const TParagraphLayout& pl = layout_.Paragraph(par);
    if (layout_.RowLast(par) > par) {
      // A table row is printed whole, its cells side by side; it counts the
      // lines of all its cells.
      size_t last = layout_.RowLast(par);
      long lines = 0;
      for (size_t k = par; k <= last; ++k) lines += long(layout_.Paragraph(k).lines.size());
      if (number + lines > firstLine) {
        if (y + pl.rowHeight > bottom && y > top) return number;
        if (surface) PaintRow(*surface, par, originX, y);
        y += pl.rowHeight;
      }
      number += lines;
      par = last;
      continue;
    }
    for (size_t li = 0; li < pl.lines.size(); ++li, ++number) {
      if (number < firstLine) continue;
      int h = pl.lines[li].height;
      if (y + h > bottom && y > top) return number;
      if (surface) PaintLine(*surface, par, li, originX, y);
      y += h;
    }
  }
  return 0;
}

size_t TPainter::PaintRow(TSurface& s, size_t first, int originX, int top) {
  size_t last = layout_.RowLast(first);
  for (size_t k = first; k <= last; ++k) {
    PaintCell(s, k, originX, top, top, top + layout_.Paragraph(k).rowHeight);
    const TParagraphLayout& pl = layout_.Paragraph(k);
    for (size_t li = 0; li < pl.lines.size(); ++li) PaintLine(s, k, li, originX, top + pl.lines[li].top);
  }
  for (size_t k = first; k <= last; ++k) PaintBorders(s, k, originX, top);
  return last + 1;
}

void TPainter::PaintCell(TSurface& s, size_t par, int originX, int64_t top, int clipTop,
                         int clipBottom) {
  const TParagraph& p = doc_.Par(par);
  const TParagraphLayout& pl = layout_.Paragraph(par);
  int64_t bottom = top + pl.rowHeight;
  if (bottom <= clipTop || top >= clipBottom) return;
  // The cell's own shading fills all of it; below its text, the row's height.
  uint32_t shading = Shading(p);
  uint32_t paper = s.IsPrinter() ? 0xFFFFFF : options.paperColor;
  int left, right;
  layout_.CellEdges(p, left, right);
  if (shading != kNone) {
    s.FillRect(originX + left, int(top), right - left, pl.rowHeight, shading);
  } else if (pl.rowHeight > pl.contentHeight) {
    s.FillRect(originX + left, int(top + pl.contentHeight), right - left,
               pl.rowHeight - pl.contentHeight, paper);
  }
}

void TPainter::PaintLine(TSurface& s, size_t par, size_t lineIndex, int originX, int top) {
  const TParagraph& p = doc_.Par(par);
  const TParagraphLayout& pl = layout_.Paragraph(par);
  const TDisplayLine& line = pl.lines[lineIndex];
  bool printing = s.IsPrinter();
  uint32_t shading = Shading(p);
  uint32_t rest = shading != kNone ? shading : (printing ? 0xFFFFFF : options.paperColor);
  int wrap = layout_.WrapWidth();

  int x = originX + layout_.LineStart(par, line);
  std::vector<int> adv = layout_.Advances(par, line);
  int baseline = top + line.ascent;
  int lineStartX = originX + line.left;

  if (line.length == 0 && !p.IsTableCell()) {
    s.FillRect(lineStartX, top, std::max(0, wrap - line.left - line.right), line.height, rest);
  }

  // The tallest character of the line sets the underline's thickness.
  int tallest = 0;
  for (size_t k = line.start; k < line.start + line.length; ++k) {
    if (!(doc_.CharAttr(p, k).flags & afObject)) tallest = std::max<int>(tallest, pl.heights[k]);
  }
  int penWidth = tallest / 20 + 1;

  size_t end = line.start + line.length;
  int xRun = x;  // where the text goes on (x of the next run)
  // Printing shows no selection.
  auto selectedAt = [&](size_t k) { return !printing && Selected(par, k); };
  for (size_t k = line.start; k < end;) {
    TAttr a = doc_.CharAttr(p, k);
    bool selected = selectedAt(k);
    // The run: up to 100 characters of one look; a tab starts a run, an
    // object ends one.
    size_t e = k + 1;
    if (!(a.flags & afObject)) {
      while (e < end && e - k < kMaxRun && p.text[e] != kTab &&
             doc_.CharAttr(p, e) == a && selectedAt(e) == selected &&
             !(doc_.CharAttr(p, e).flags & afObject)) {
        ++e;
      }
    }
    TRunLook look = Look(a, printing, shading);
    uint32_t textColor = look.textColor, backColor = look.backColor;
    if (selected) {
      textColor = s.HighlightTextColor();
      backColor = s.HighlightColor();
    }
    std::u32string text;
    std::vector<int> advances;
    int runX = xRun;
    for (size_t m = k; m < e; ++m) {
      TChar c = p.text[m];
      int w = adv[m - line.start];
      text.push_back(c < 32 ? U' ' : c);
      advances.push_back(w);
      xRun += w;
    }
    int runWidth = xRun - runX;
    if (e == end && look.font.italic && !advances.empty()) {
      advances.back() += 8;
      xRun += 8;
      runWidth += 8;
    }
    int runBaseline = baseline;
    int ascent = pl.ascents[k];
    if (look.raise) runBaseline -= ascent / 3;
    if (look.lower) runBaseline += ascent / 5;

    if (a.flags & afObject) {
      TTextObject* o = doc_.ObjectOf(p.text[k], a);
      int w = pl.widths[k], h = pl.heights[k];
      int oy = baseline - pl.ascents[k];
      s.FillRect(runX, top, runWidth, line.height, backColor);
      if (o) {
        bool drawn = o->picture && s.DrawPicture(*o->picture, runX, oy, w, h);
        if (!drawn) {
          if (o->picture) {
            // A picture that cannot be drawn is dropped, so that later paints skip it.
            o->picture.reset();
          }
          s.Line(runX, oy, runX + w - 1, oy, 0, 1);
          s.Line(runX + w - 1, oy, runX + w - 1, oy + h - 1, 0, 1);
          s.Line(runX + w - 1, oy + h - 1, runX, oy + h - 1, 0, 1);
          s.Line(runX, oy + h - 1, runX, oy, 0, 1);
          if (!o->name.empty() || !o->fileName.empty()) {
            s.DrawLabel(runX, oy, w, h, o->name.empty() ? o->fileName : o->name);
          } else {
            s.Line(runX, oy, runX + w - 1, oy + h - 1, 0, 1);
            s.Line(runX + w - 1, oy, runX, oy + h - 1, 0, 1);
          }
        }
        if (Selected(par, k)) {
          s.Line(runX, oy, runX + w - 1, oy, 0, 1);
          s.Line(runX + w - 1, oy, runX + w - 1, oy + h - 1, 0, 1);
          s.Line(runX + w - 1, oy + h - 1, runX, oy + h - 1, 0, 1);
          s.Line(runX, oy + h - 1, runX, oy, 0, 1);
          if (!printing && !handleDrawn_) {
            s.Line(runX + w - 6, oy + h - 1, runX + w - 1, oy + h - 1, 0, 3);
            handleDrawn_ = true;
          }
        }
        if (objects_.size() < kMaxObjectRects) objects_.push_back({o, runX, oy, w, h});
      }
      k = e;
      continue;
    }

    s.FillRect(runX, top, runWidth, line.height, backColor);
    s.DrawText(look.font, runX, runBaseline, text, advances.data(), textColor);
    if (look.underline && !(look.mark && !printing)) {
      s.Line(runX, runBaseline + 1, runX + runWidth, runBaseline + 1, look.lineColor, penWidth);
    } else if (look.mark && !printing) {
      Zigzag(s, runX, runX + runWidth, runBaseline, look.lineColor);
    }
    k = e;
  }
  if (lineIndex == 0 && p.IsListItem()) PaintListLabel(s, par, originX, baseline, printing, shading);
  // The rest of the line up to the right edge of the text area.
  int right = originX + wrap - line.right;
  if (xRun < right) s.FillRect(xRun, top, right - xRun, line.height, rest);

  // A page begins here: a line across the text area, on the screen only:
  // dashed where the paragraph asks for it, dotted where the page is full.
  if (!printing) {
    bool forced = lineIndex == 0 && (p.flags & pfPageBreak);
    auto it = std::lower_bound(pages_.begin(), pages_.end(), std::make_pair(par, lineIndex),
                               [](const TPageStart& a, const std::pair<size_t, size_t>& b) {
                                 return std::make_pair(a.par, a.line) < b;
                               });
    bool automatic = it != pages_.end() && it->par == par && it->line == lineIndex && !it->forced &&
                     !(par == 0 && lineIndex == 0);
    if (forced || automatic) {
      TPenStyle style = forced && automatic ? TPenStyle::DashDot : forced ? TPenStyle::Dash : TPenStyle::Dot;
      s.Line(originX, top, originX + wrap, top, 0, 1, style);
    }
  }
}

void TPainter::PaintListLabel(TSurface& s, size_t par, int originX, int baseline, bool printing,
                              uint32_t shading) {
  const TParagraph& p = doc_.Par(par);
  // The label takes the look of the item's first character.
  TAttr a = p.text.empty() ? doc_.insertionAttr : doc_.CharAttr(p, 0);
  a.flags &= ~(afObject | afFootnote | afInsertPoint);
  TRunLook look = Look(a, printing, shading);
  TString label = doc_.ListLabel(par);
  std::vector<int> advances = layout_.TextAdvances(look.font, label);
  int x = originX + layout_.TwipsX(p.firstIndent) + 1;
  s.DrawText(look.font, x, baseline, label, advances.data(), look.textColor);
}

void TPainter::PaintBorders(TSurface& s, size_t par, int originX, int top) {
  const TParagraph& p = doc_.Par(par);
  if (!(p.borderFlags & bfBorder)) return;
  const TParagraphLayout& pl = layout_.Paragraph(par);
  uint32_t color = doc_.Header().colors[size_t(p.BorderColor())];
  int width = 1;
  if (!(p.borderStyle & bsHairline) && p.borderWidth > 0) {
    width = std::max(1, MulDiv(p.borderWidth, layout_.Dpi(), 72));
  }
  TPenStyle style = (p.borderStyle & bsDotted) ? TPenStyle::Dot : TPenStyle::Solid;
  bool box = p.borderFlags & bfBox;
  bool twice = p.borderFlags & bfDouble;
  auto draw = [&](int x1, int y1, int x2, int y2, int dx, int dy) {
    s.Line(x1, y1, x2, y2, color, width, style);
    if (twice) s.Line(x1 + dx, y1 + dy, x2 + dx, y2 + dy, color, width, style);
  };
  int d = 2 * width;
  if (p.IsTableCell()) {
    // A cell's lines frame the cell across its row's height; neighbours
    // draw their common line on the same pixels.
    int left, right;
    layout_.CellEdges(p, left, right);
    left += originX;
    right += originX;
    int bottom = top + pl.rowHeight;
    if (box || (p.borderFlags & bfTop)) draw(left, top, right, top, 0, d);
    if (box || (p.borderFlags & bfBottom)) draw(left, bottom, right, bottom, 0, -d);
    if (box || (p.borderFlags & bfLeft)) draw(left, top, left, bottom, d, 0);
    if (box || (p.borderFlags & bfRight)) draw(right, top, right, bottom, -d, 0);
    return;
  }
  int left, right, dummy;
  layout_.Offsets(p, false, left, dummy);
  right = layout_.WrapWidth() - dummy;
  left += originX - 1;
  right += originX;
  int bottom = top + pl.height - 1;
  // A block of bordered paragraphs has its top line on the first, its bottom on the last.
  bool firstOfBlock = par == 0 || !(doc_.Par(par - 1).borderFlags & bfBorder) ||
                      (doc_.Par(par - 1).borderFlags & bfBlockEnds);
  bool lastOfBlock = par + 1 >= doc_.Size() || !(doc_.Par(par + 1).borderFlags & bfBorder) ||
                     (p.borderFlags & bfBlockEnds);
  if ((box || (p.borderFlags & bfTop)) && firstOfBlock) draw(left, top, right, top, 0, d);
  if ((box || (p.borderFlags & bfBottom)) && lastOfBlock) draw(left, bottom, right, bottom, 0, -d);
  if (box || (p.borderFlags & bfLeft)) draw(left, top, left, bottom, d, 0);
  if (box || (p.borderFlags & bfRight)) draw(right, top, right, bottom, -d, 0);
  if (p.borderStyle & bsTableLine) {
    const TTextHeader& h = doc_.Header();
    for (int k = 0; k < TTextHeader::kTabs; ++k) {
      if (!(p.tabSet >> k & 1) || h.tabs[size_t(k)].position == 0) continue;
      int x = originX + layout_.TwipsX(h.tabs[size_t(k)].position);
      if (x > left && x < right) s.Line(x, top, x, bottom, color, width, style);
    }
  }
}

}  // namespace richtext
