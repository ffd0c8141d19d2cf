// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/writer.h>

#include <richtext/codepage.h>
#include <richtext/picture_codec.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <charconv>

namespace richtext {

// ---------------------------------------------------------------- plain text

TTextWriter::TTextWriter(TRTFText& doc, TWriteRange range, TWriteOptions options)
    : doc_(doc), range_(range), options_(options) {}

TIoResult TTextWriter::Write(TOutStream& out) {
  out_ = &out;
  error_ = ioOk;
  buffer_.clear();
  for (auto step : {&TTextWriter::Header, &TTextWriter::Body, &TTextWriter::Trailer}) {
    TIoResult r = (this->*step)();
    if (r == ioOk && !Flush()) r = ioFailed;
    if (r != ioOk) {
      error_ = r;
      break;
    }
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  return error_;
}

bool TTextWriter::Flush() {
  if (buffer_.empty()) return true;
  size_t n = out_->Write(buffer_.data(), buffer_.size());
  bool ok = n == buffer_.size();
  buffer_.clear();
  return ok;
}

void TTextWriter::PutNumber(long long n) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, n);
  buffer_.append(buf, size_t(end - buf));
}

size_t TTextWriter::LastPar() const { return std::min(range_.endPar, doc_.Size() - 1); }

size_t TTextWriter::To(size_t par) const {
  size_t len = doc_.Par(par).Length();
  return par == range_.endPar ? std::min(range_.endOffset, len) : len;
}

bool TTextWriter::HasBackground(const TAttr& a) const {
  return a.BackColor() != 0 &&
         !(options_.paperColor && doc_.Header().colors[size_t(a.BackColor())] == *options_.paperColor);
}

TIoResult TTextWriter::Body() {
  size_t last = LastPar();
  for (size_t i = range_.startPar; i <= last; ++i) {
    const TParagraph& p = doc_.Par(i);
    for (size_t k = From(i), e = To(i); k < e; ++k) {
      TChar c = p.text[k];
      if (c > 3) AppendUtf8(buffer_, c);  // object characters are no text
      if (buffer_.size() > 65536 && !Flush()) return ioFailed;
    }
    if (i < last) Put("\r\n");
    if (buffer_.size() > 65536 && !Flush()) return ioFailed;
  }
  return ioOk;
}

std::string PlainTextLines(TRTFText& doc) {
  TStringStream text;
  TTextWriter(doc).Write(text);  // a string takes every byte
  std::string out;
  out.reserve(text.bytes.size() + 1);
  for (size_t i = 0; i < text.bytes.size(); ++i) {
    if (text.bytes[i] == '\r' && i + 1 < text.bytes.size() && text.bytes[i + 1] == '\n') continue;
    out.push_back(text.bytes[i]);
  }
  if (!out.empty() && out.back() != '\n') out.push_back('\n');
  return out;
}

// ---------------------------------------------------------------- RTF

namespace {

constexpr const char* kLineEnd = "\n\r";  // after paragraph ends
constexpr const char* kCrLf = "\r\n";     // before picture data and in the trailer

const char* FamilyWord(uint32_t family) {
  switch (family & 0xF0) {
    case 0x20: return "\\fswiss";
    case 0x30: return "\\fmodern";
    case 0x40: return "\\fscript";
    case 0x50: return "\\fdecor";
    default: return "\\fnil";
  }
}

}  // namespace

TIoResult TRTFWriter::Header() {
  const TTextHeader& h = doc_.Header();
  Put("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl");
  auto font = [&](int number, const TFontEntry& f) {
    Put("{\\f");
    PutNumber(number);
    Put(FamilyWord(f.family));
    Put("\\fcharset");  // the keyword other programs know; the reader also takes the older \charset
    PutNumber(f.charset);
    Put(' ');
    // A name is read through the font's code page; a symbol font has none
    // of its own, so its name is read as the document's.
    EscapedText(FromUtf8Lenient(f.name), f.charset == 2 ? Escape::Cp1252 : Escaping(f));
    Put(";}");
  };
  if (!doc_.IsRich()) {
    font(0, h.fonts[doc_.insertionAttr.font < TTextHeader::kFonts ? doc_.insertionAttr.font : 0]);
  } else {
    for (int i = 0; i < TTextHeader::kFonts && !h.fonts[size_t(i)].name.empty(); ++i) {
      font(i, h.fonts[size_t(i)]);
    }
  }
  Put("}{\\colortbl");
  for (int i = 0; i < std::clamp(h.colorTableSize, 15, TTextHeader::kColors); ++i) {
    uint32_t c = h.colors[size_t(i)];
    Put("\\red");
    PutNumber(c & 0xFF);
    Put("\\green");
    PutNumber((c >> 8) & 0xFF);
    Put("\\blue");
    PutNumber((c >> 16) & 0xFF);
    Put(';');
  }
  Put('}');
  const std::pair<const char*, int32_t> page[] = {
      {"\\paperw", h.pageWidth}, {"\\paperh", h.pageHeight}, {"\\margl", h.marginLeft},
      {"\\margr", h.marginRight}, {"\\margt", h.marginTop},  {"\\margb", h.marginBottom}};
  for (auto [word, value] : page) {
    Put(word);
    PutNumber(value);
  }
  // The info strings are escaped like text, so that a brace in a title
  // cannot break the file.
  auto info = [&](const char* open, const std::string& value) {
    if (value.empty()) return;
    Put(open);
    EscapedText(FromUtf8Lenient(value), EscapeOfFont(0));  // read in the default font
    Put('}');
  };
  info("{\\title ", h.title);
  info("{\\subject\t", h.subject);
  info("{\\comment\t", h.comment);
  return ioOk;
}

TIoResult TRTFWriter::Body() {
  groups_.clear();
  rtfCode_ = hidden_ = false;
  size_t last = LastPar();
  int64_t total = 0;
  for (size_t i = range_.startPar; i <= last; ++i) total += int64_t(doc_.Par(i).Length());
  doc_.progress.Start(total);
  int64_t done = 0;
  for (size_t i = range_.startPar; i <= last; ++i) {
    ParagraphStart(i);
    Runs(i);
    ParagraphEnd(i, i == last);
    done += int64_t(doc_.Par(i).Length());
    doc_.progress.Update(done);
    if (error_ == ioOk && Pending() > 65536 && !Flush()) error_ = ioFailed;
    if (error_ != ioOk) break;
  }
  doc_.progress.Finish();
  return error_;
}

TIoResult TRTFWriter::Trailer() {
  EndRtfCode();
  while (!groups_.empty()) Pop();
  Put(kCrLf);
  Put('}');
  return ioOk;
}

void TRTFWriter::Push(GroupKind kind) {
  Group g{kind, groups_.empty() ? Saved{} : groups_.back().saved};
  groups_.push_back(std::move(g));
}

void TRTFWriter::Pop() {
  groups_.pop_back();
  Put('}');
}

void TRTFWriter::CloseDownTo(GroupKind kind) {
  while (groups_.size() > 1) {
    GroupKind k = groups_.back().kind;
    Pop();
    if (k == kind) break;
  }
}

void TRTFWriter::WriteTabs(uint64_t set) {
  // By position, not by their places in the tab table: a reader may number
  // them otherwise, and the same tab stops must give the same bytes.
  const TTextHeader& h = doc_.Header();
  std::vector<const TTabStop*> stops;
  for (int k = 0; k < TTextHeader::kTabs; ++k) {
    if (set >> k & 1) stops.push_back(&h.tabs[size_t(k)]);
  }
  std::sort(stops.begin(), stops.end(), [](const TTabStop* a, const TTabStop* b) {
    return a->position != b->position ? a->position < b->position : a->kind < b->kind;
  });
  for (const TTabStop* stop : stops) {
    const TTabStop& t = *stop;
    if (t.kind == tkRight) Put("\\tqr");
    if (t.kind == tkCenter) Put("\\tqc");
    if (t.kind == tkDecimal) Put("\\tqdec");
    Put("\\tx");
    PutNumber(t.position);
  }
}

namespace {

// Where a row definition puts a cell's right boundary, in twips. The row
// spans the text width less the indents of its first cell, and the boundary
// is rounded as the reader rounds the fraction, so that a boundary read back
// stays where it was. A row narrower than 256 twips is written 256 wide:
// fractions of 1/255 come back from boundaries only when a step is at least
// a twip. A row whose cells add up to more than its width ends at its width.
int64_t CellBoundary(int32_t textWidth, const TParagraphProps& first, const TParagraphProps& cell) {
  int64_t row = std::max<int64_t>(int64_t(textWidth) - first.rightIndent - first.leftIndent, 256);
  int end = std::min(cell.cellStart + cell.cellWidth, 255);
  return (row * end * 2 + 255) / 510 + first.leftIndent;
}

// The border flags a row definition writes for a cell: a box as its four
// sides, and no border at all without a side to draw it on.
uint8_t WrittenCellBorder(uint8_t flags) {
  uint8_t sides = flags & (bfTop | bfBottom | bfLeft | bfRight);
  if (flags & bfBox) sides = bfTop | bfBottom | bfLeft | bfRight;
  if (!(flags & bfBorder) || sides == 0) return 0;
  return uint8_t(bfBorder | sides | (flags & bfDouble));
}

// The line styles a cell's border has words for.
uint8_t WrittenCellStyle(uint8_t style) { return style & (bsDotted | bsHairline); }

// Compares what a row definition writes of two cells, each beside the first
// cell of its row: a cell without a border writes no line style, width or
// colour, and no cell a shading percentage; the gap between cells and the
// row's indent are the first cell's; rows whose widths differ only below
// the narrowest written width have their boundaries in the same places.
bool SameCell(int32_t textWidth, const TParagraphProps& aFirst, const TParagraphProps& a,
              const TParagraphProps& bFirst, const TParagraphProps& b) {
  uint8_t border = WrittenCellBorder(a.borderFlags);
  bool lines = border != 0;
  return border == WrittenCellBorder(b.borderFlags) &&
         (!lines || (WrittenCellStyle(a.borderStyle) == WrittenCellStyle(b.borderStyle) &&
                     a.borderWidth == b.borderWidth &&
                     a.borderColorHigh == b.borderColorHigh)) &&
         (aFirst.borderSpaceColor >> 4) == (bFirst.borderSpaceColor >> 4) &&
         (!lines || (a.borderSpaceColor & 15) == (b.borderSpaceColor & 15)) && a.shadeColors == b.shadeColors &&
         a.shadeColorsHigh == b.shadeColorsHigh &&
         CellBoundary(textWidth, aFirst, a) == CellBoundary(textWidth, bFirst, b) &&
         aFirst.leftIndent == bFirst.leftIndent;
}

}  // namespace

void TRTFWriter::WriteRowDefinition(size_t par) {
  const TParagraph& first = doc_.Par(par);
  Put("{\\pard\\trowd\\trgaph");
  PutNumber((first.borderSpaceColor >> 4) * 16 * 567 / 160);
  Put("\\trleft");
  PutNumber(first.leftIndent);
  const TTextHeader& h = doc_.Header();
  int32_t textWidth = h.pageWidth - h.marginLeft - h.marginRight;
  std::vector<TParagraphProps> cells;
  for (size_t i = par; i < doc_.Size() && cells.size() < kMaxRowCells; ++i) {
    const TParagraph& c = doc_.Par(i);
    if (!c.IsTableCell()) break;
    cells.push_back(c.Props());
    if (uint8_t border = WrittenCellBorder(c.borderFlags)) {
      const std::pair<uint8_t, const char*> sides[] = {
          {bfTop, "\\clbrdrt"}, {bfBottom, "\\clbrdrb"}, {bfLeft, "\\clbrdrl"}, {bfRight, "\\clbrdrr"}};
      for (auto [bit, word] : sides) {
        if (border & bit) {
          Put(word);
          Put(border & bfDouble ? "\\brdrdb" : "\\brdrs");
        }
      }
      Put("\\brdrw");
      PutNumber(c.borderWidth * 20);
      if (c.BorderColor() != 0) {
        Put("\\brdrcf");
        PutNumber(c.BorderColor());
      }
      uint8_t style = WrittenCellStyle(c.borderStyle);
      if (style & bsDotted) Put("\\brdrdot");
      if (style & bsHairline) Put("\\brdrhair");
    }
    // A cell has no word for a shading percentage: both colours are written.
    if (c.HasShadeColors()) {
      Put("\\clshdng\\clcfpat");
      PutNumber(c.PatternColor());
      Put("\\clcbpat");
      PutNumber(c.ShadeBackColor());
    }
    Put("\\cellx");
    PutNumber(CellBoundary(textWidth, first, c));
    if (c.IsLastCell()) break;
  }
  Put("\\intbl");
  Push(gkRow);
  Top() = Saved{};  // \pard above reset the paragraph properties
  Top().tableCell = true;
  Top().cells = std::move(cells);
}

// RTF code ends before the words that end a paragraph or a group: inside it
// a reader takes every byte as text up to \wprtf0.
void TRTFWriter::EndRtfCode() {
  if (!rtfCode_) return;
  Put("\\wprtf0");
  rtfCode_ = false;
}

void TRTFWriter::ParagraphStart(size_t par) {
  const TParagraph& p = doc_.Par(par);
  const TParagraph* prev = par > range_.startPar ? &doc_.Par(par - 1) : nullptr;
  bool hasBorder = p.borderFlags & bfBorder;
  if (groups_.empty()) {
    Push(gkBody);
    Put('{');
  }
  size_t depth = groups_.size();
  bool blockEnded = prev && !prev->IsTableCell() && (prev->borderFlags & bfBlockEnds);
  if (((Top().border[0] & bfBorder) && !hasBorder) || blockEnded ||
      (groups_.back().kind != gkRow && p.IsTableCell())) {
    CloseDownTo(gkBorder);
  }
  if (groups_.back().kind == gkRow) {
    bool close = !p.IsTableCell();
    if (!close && p.IsFirstCell()) {
      const std::vector<TParagraphProps>& saved = Top().cells;
      const TTextHeader& h = doc_.Header();
      int32_t textWidth = h.pageWidth - h.marginLeft - h.marginRight;
      size_t n = 0;
      for (size_t i = par; i < doc_.Size() && doc_.Par(i).IsTableCell() && n < kMaxRowCells; ++i, ++n) {
        if (n >= saved.size() || !SameCell(textWidth, doc_.Par(par), doc_.Par(i), saved[0], saved[n])) close = true;
        if (doc_.Par(i).IsLastCell()) {
          ++n;
          break;
        }
      }
      if (n != saved.size()) close = true;
    }
    if (close) CloseDownTo(gkRow);
  }
  if (Top().tabSet != 0 && Top().tabSet != p.tabSet) CloseDownTo(gkTabs);
  if (Top().listKind != lkNone &&
      (p.IsTableCell() || p.listKind != Top().listKind || p.listLevel != Top().listLevel)) {
    CloseDownTo(gkList);
  }
  if (p.flags & pfPageBreak) Put("\\page");
  // An empty last paragraph that follows a closed group states its
  // properties: with nothing after it, a reader could not tell it from one
  // inside the groups that the end of the document closes.
  bool force = groups_.size() < depth && par == LastPar() && par > range_.startPar &&
               From(par) >= To(par);

  shadingOpen_ = false;
  if (p.IsTableCell()) {
    if (groups_.back().kind == gkRow) {
      Put("\\intbl");
    } else {
      WriteRowDefinition(par);
    }
    WriteTabs(p.tabSet);
  } else {
    // Border block, shading group and keep, written with a trailing space.
    size_t mark = Pending();
    // A table cell's borders are the cell's own: a bordered paragraph after
    // one begins a block of its own. So does one whose block's group a
    // change of tab stops has closed.
    if (hasBorder && (!prev || prev->IsTableCell() || !(prev->borderFlags & bfBorder) ||
                      (prev->borderFlags & bfBlockEnds) || !(Top().border[0] & bfBorder))) {
      Push(gkBorder);
      Put('{');
      const std::pair<uint8_t, const char*> sides[] = {
          {bfBox, "\\box"}, {bfTop, "\\brdrt"}, {bfBottom, "\\brdrb"}, {bfLeft, "\\brdrl"}, {bfRight, "\\brdrr"}};
      bool anySide = false;
      for (auto [bit, word] : sides) {
        if (p.borderFlags & bit) {
          Put(word);
          Put(p.borderFlags & bfDouble ? "\\brdrdb" : "\\brdrs");
          anySide = true;
        }
      }
      // A double line without a side, as read from a lone \brdrdb.
      if (!anySide && (p.borderFlags & bfDouble)) Put("\\brdrdb");
      if (p.borderStyle & bsBar) Put("\\brdrbar");
      if (p.borderStyle & bsTableLine) Put("\\brdrtablin");
      Put("\\brdrw");
      PutNumber(p.borderWidth * 20);
      if (p.borderSpaceColor != 0 || p.borderColorHigh != 0) {
        Put("\\brsp");
        PutNumber((p.borderSpaceColor >> 4) * 16 * 567 / 160);
        Put("\\brdrcf");
        PutNumber(p.BorderColor());
      }
      if (p.borderStyle & bsDotted) Put("\\brdrdot");
      if (p.borderStyle & bsHairline) Put("\\brdrhair");
      Top().border[0] = p.borderFlags;
      Top().border[1] = p.borderStyle;
      Top().border[2] = p.borderWidth;
      Top().border[3] = p.borderSpaceColor;
    }
    if (Pending() > mark) Put(' ');
    // The tab group comes before the shading group, which closes after the
    // paragraph and so must hold nothing that outlives it.
    if (p.tabSet != Top().tabSet) {
      Push(gkTabs);
      Put('{');
      WriteTabs(p.tabSet);
      Top().tabSet = p.tabSet;
      Put(' ');
    }
    if (p.IsListItem() && Top().listKind == lkNone) OpenList(p);
    mark = Pending();
    // Shading without colours still paints (in the table's first colour), so
    // it is written as well.
    if (p.HasShadeColors() || p.shading != 0) {
      Put("{\\shading");
      if (p.shading != 0) {
        PutNumber(p.shading * 100);
      } else {
        Put(p.PatternColor() != 0 ? "10000" : "1");
      }
      Put("\\cfpat");
      PutNumber(p.PatternColor());
      // Shading 0 with a pattern colour is written, and read back, as full.
      int shading = p.shading != 0 || p.PatternColor() == 0 ? p.shading : 100;
      if (shading != 100) {
        Put("\\cbpat");
        PutNumber(p.ShadeBackColor());
      }
      shadingOpen_ = true;
      // What is written inside the shading group ends with it.
      beforeShading_ = Top();
    }
    if (p.flags & pfKeep) Put("\\keep");
    if (Pending() > mark) Put(' ');
  }
  // Alignment, indents and spacing, written with a trailing space.
  size_t mark = Pending();
  Saved& s = Top();
  if (force || p.alignment != s.alignment) {
    static const char* const words[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    Put(words[p.alignment & 3]);
    s.alignment = p.alignment;
  }
  if (!p.IsTableCell() && (force || p.firstIndent != s.firstIndent || p.leftIndent != s.leftIndent ||
                           p.rightIndent != s.rightIndent)) {
    Put("\\li");
    PutNumber(p.leftIndent);
    Put("\\fi");
    PutNumber(int64_t(p.firstIndent) - p.leftIndent);
    Put("\\ri");
    PutNumber(p.rightIndent);
    s.firstIndent = p.firstIndent;
    s.leftIndent = p.leftIndent;
    s.rightIndent = p.rightIndent;
  }
  if (force || p.IsTableCell() || p.spaceBefore != s.spaceBefore || p.lineSpacing != s.lineSpacing ||
      p.spaceAfter != s.spaceAfter) {
    Put("\\sb");
    PutNumber(p.spaceBefore);
    Put("\\sl");
    if (p.lineSpacing != 0) PutNumber(p.lineSpacing);
    Put("\\sa");
    PutNumber(p.IsTableCell() ? p.spaceBefore : p.spaceAfter);
    s.spaceBefore = p.spaceBefore;
    s.lineSpacing = p.lineSpacing;
    s.spaceAfter = p.spaceAfter;
  }
  if (Pending() > mark) Put(' ');
  if (p.IsListItem() && !p.IsTableCell()) ListLabel(par);
}

// Word processors read lists from the paragraph numbering words; those
// that know none show the label text instead. The group ends the list.
void TRTFWriter::OpenList(const TParagraph& p) {
  Push(gkList);
  Put("{{\\*\\pn");
  Put(p.listKind == lkBullet ? "\\pnlvlblt" : "\\pnlvlbody\\pndec\\pnstart1");
  if (p.listLevel > 0) {
    Put("\\ilvl");
    PutNumber(p.listLevel);
  }
  Put("\\pnindent");
  PutNumber(std::max(p.leftIndent - p.firstIndent, 0));
  if (p.listKind == lkBullet) {
    Put("{\\pntxtb ");
    EscapedText(U"\u2022", Escape::Cp1252);
    Put("}");
  } else {
    Put("{\\pntxta .}");
  }
  Put("}");
  Top().listKind = p.listKind;
  Top().listLevel = p.listLevel;
}

void TRTFWriter::ListLabel(size_t par) {
  Put("{\\pntext ");
  EscapedText(doc_.ListLabel(par), Escape::Cp1252);
  Put("\\tab}");
}

void TRTFWriter::ParagraphEnd(size_t par, bool last) {
  const TParagraph& p = doc_.Par(par);
  EndRtfCode();
  if (p.IsTableCell()) {
    Put("\\cell");
    if (p.IsLastCell()) Put("\\row");
    Put(kLineEnd);
  } else if (!last) {
    if (hidden_) {
      Put("\\plain");
      hidden_ = false;
    }
    Put("\\par");
    Put(kLineEnd);
  }
  // A shaded paragraph's own group closes after it, the last one included.
  if (shadingOpen_) {
    Put('}');
    Top() = beforeShading_;
  }
  shadingOpen_ = false;
}

namespace {

// A reader takes RTF code back byte for byte as Windows-1252 text: a
// character without a printable byte there, and an object, footnote or
// insertion point, is written as ordinary text.
TAttr WrittenAttr(TAttr a, TChar c) {
  if ((a.flags & afRtfCode) &&
      ((a.flags & (afObject | afInsertPoint | afFootnote)) || UnicodeToCp1252(c) < 32)) {
    a.flags &= ~afRtfCode;
  }
  return a;
}

}  // namespace

void TRTFWriter::Runs(size_t par) {
  const TParagraph& p = doc_.Par(par);
  size_t from = From(par), to = To(par);
  size_t i = from;
  while (i < to) {
    TAttr a = WrittenAttr(doc_.CharAttr(p, i), p.text[i]);
    size_t e = i + 1;
    bool single = (a.flags & (afObject | afInsertPoint | afFootnote)) || p.text[i] <= 3;
    if (!single) {
      while (e < to && p.text[e] > 3 && WrittenAttr(doc_.CharAttr(p, e), p.text[e]).SameRun(a) &&
             !(doc_.CharAttr(p, e).flags & (afObject | afInsertPoint | afFootnote))) {
        ++e;
      }
    }
    bool dropped = ((a.flags & afInsertPoint) && options_.dropInsertPoints) ||
                   ((a.flags & afAutomatic) && options_.dropAutomaticText);
    if (!dropped) {
      AttributePrefix(a);
      TChar c = p.text[i];
      if (a.flags & afFootnote) {
        Footnote(a);
      } else {
        if (c == kObjectByTag || c == kObjectById) Object(c, a);
        Text(p.text, i, e, a);
      }
    }
    i = e;
  }
}

void TRTFWriter::AttributePrefix(const TAttr& a) {
  bool code = a.flags & afRtfCode;
  if (rtfCode_) {
    if (code) return;
    Put("\\wprtf0");
    rtfCode_ = false;
  }
  Put("\\plain\\f");
  PutNumber(a.font);
  Put("\\fs");
  PutNumber(a.size == 0 ? 20 : a.size * 2);
  Put("\\cf");
  PutNumber(a.TextColor());
  if (HasBackground(a)) {
    Put("\\cb");
    PutNumber(a.BackColor());
    if (options_.backgroundAsShading) {
      Put("\\chcbpat");
      PutNumber(a.BackColor());
    }
  }
  const std::pair<uint32_t, const char*> words[] = {
      {afBold, "\\b"},         {afUnderline, "\\ul"}, {afDoubleUnderline, "\\uldb"},
      {afSuperscript, "\\super"}, {afSubscript, "\\sub"}, {afItalic, "\\i"},
      {afStrikeOut, "\\strike"}};
  for (auto [bit, word] : words) {
    if (a.flags & bit) Put(word);
  }
  if ((a.flags & afProtected) && !options_.noProtectionWords) Put("\\shad");
  hidden_ = a.flags & afHidden;
  if (hidden_) Put("\\v");
  if ((a.flags & afInsertPoint) && !options_.dropInsertPoints) {
    Put("\\inspnt");
    PutNumber(a.id);
  }
  if ((a.flags & afAutomatic) && !options_.dropAutomaticText) Put("\\inaut");
  // Last: every byte after it up to \wprtf0 is text.
  if (code) {
    Put("\\wprtf1");
    rtfCode_ = true;
  }
  Put(' ');
}

void TRTFWriter::Text(const TString& text, size_t from, size_t to, const TAttr& a) {
  std::u32string_view run(text.data() + from, to - from);
  if (a.flags & afRtfCode) {
    for (TChar c : run) Put(char(UnicodeToCp1252(c)));  // WrittenAttr keeps only these in code
    return;
  }
  EscapedText(run, EscapeOfFont(a.font));
}

// Byte escapes are read through the font's code page: Windows-1252 (or the
// document's page, which this writer leaves at Windows-1252) takes them as
// they are written, a symbol font takes the byte itself; any other page needs
// \uN.
TRTFWriter::Escape TRTFWriter::Escaping(const TFontEntry& f) {
  if (f.charset == 2) return TRTFWriter::Escape::Symbol;
  int page = CharsetCodePage(int(f.charset));
  return page == 0 || page == 1252 ? TRTFWriter::Escape::Cp1252 : TRTFWriter::Escape::UnicodeOnly;
}

TRTFWriter::Escape TRTFWriter::EscapeOfFont(size_t font) const {
  const TTextHeader& h = doc_.Header();
  return font < TTextHeader::kFonts ? Escaping(h.fonts[font]) : Escape::Cp1252;
}

void TRTFWriter::EscapedText(std::u32string_view text, Escape mode) {
  static const char hex[] = "0123456789abcdef";
  auto byteEscape = [&](unsigned b) {
    Put("\\'");
    Put(hex[b >> 4]);
    Put(hex[b & 15]);
  };
  auto unicode = [&](unsigned u) {
    Put("\\u");
    PutNumber(int16_t(uint16_t(u)));
    Put('?');
  };
  for (TChar c : text) {
    // A long run goes out in pieces rather than whole.
    if (Pending() > 65536 && error_ == ioOk && !Flush()) error_ = ioFailed;
    if (c == '\\' || c == '{' || c == '}') {
      Put('\\');
      Put(char(c));
    } else if (c == kTab) {
      Put("\\tab ");
    } else if (c == kLineBreak) {
      Put("\\line ");
    } else if (c >= 32 && c <= 126) {
      Put(char(c));
    } else if (c <= 3) {
      // object characters are written by Object
    } else if (mode == Escape::Symbol && c < 256) {
      byteEscape(c);
    } else if (int b = mode == Escape::Cp1252 ? UnicodeToCp1252(c) : -1; b >= 0) {
      byteEscape(unsigned(b));
    } else if (c >= 0x10000) {
      unicode(0xD800 + ((c - 0x10000) >> 10));
      unicode(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unicode(c);
    }
  }
}

void TRTFWriter::Hex(std::string_view bytes) {
  static const char hex[] = "0123456789abcdef";
  for (unsigned char b : bytes) {
    Put(hex[b >> 4]);
    Put(hex[b & 15]);
  }
}

void TRTFWriter::Object(TChar c, const TAttr& a) {
  TTextObject* o = doc_.ObjectOf(c, a);
  if (!o) return;
  const TPicture* pic = o->picture.get();
  auto goal = [&] {
    Put("\\picwgoal");
    PutNumber(o->width);
    Put("\\pichgoal");
    PutNumber(o->height);
  };
  auto size = [&] {
    Put("\\picw");
    PutNumber(pic->width);
    Put("\\pich");
    PutNumber(pic->height);
  };
  if (!o->fileName.empty()) {
    if (options_.pictureFileAsReference) {
      Put("\\{bmc ");
      EscapedText(FromUtf8Lenient(o->fileName), EscapeOfFont(a.font));
      Put("\\}");
      return;
    }
    Put("{\\*\\picfile");
    if (pic) size();
    goal();
    Put(" \"");
    EscapedText(FromUtf8Lenient(o->fileName), EscapeOfFont(a.font));
    Put("\"}");
    return;
  }
  if (o->tagged || !pic) {
    Put("\\wpobjtag");
    PutNumber(o->tag);
    Put("\\wpobjw");
    PutNumber(o->width);
    Put("\\wpobjh");
    PutNumber(o->height);
    Put(" \\'01");
    return;
  }
  using Kind = TPicture::Kind;
  // "{\pict" + kind word [+ bitmap words] + sizes, CR LF, the bytes in hex, "}".
  auto picture = [&](const char* word, std::string_view data, int64_t widthBytes = -1) {
    Put("{\\pict");
    Put(word);
    if (widthBytes >= 0) {
      Put("\\wbmbitspixel");
      PutNumber(pic->bitsPerPixel);
      Put("\\wbmplanes");
      PutNumber(pic->planes);
      Put("\\wbmwidthbytes");
      PutNumber(widthBytes);
    }
    size();
    goal();
    Put(kCrLf);
    Hex(data);
    Put('}');
  };
  std::string_view data = pic->data;
  switch (pic->kind) {
    case Kind::Metafile:
      picture("\\wmetafile8", data.substr(std::min(data.size(), TPicture::kPlaceableHeader)));
      return;
    case Kind::Png: picture("\\pngblip", data); return;
    case Kind::Jpeg: picture("\\jpegblip", data); return;
    case Kind::Emf: picture("\\emfblip", data); return;
    case Kind::Bitmap:
      if (!options_.writeBitmapAsDib) {
        picture("\\wbitmap0", data.substr(0, pic->BitmapBytes()), pic->widthBytes);
        return;
      }
      [[fallthrough]];
    default: {
      std::string bmp = pic->kind == Kind::Dib ? pic->data : BitmapToBmp(*pic);
      if (bmp.size() < TPicture::kBmpFileHeader) return;
      picture("\\dibitmap0", std::string_view(bmp).substr(TPicture::kBmpFileHeader),
              (int64_t(pic->width) * pic->bitsPerPixel + 7) / 8);
    }
  }
}

void TRTFWriter::Footnote(const TAttr& a) {
  TFootnote* f = doc_.FindFootnote(a.id);
  if (!f) return;
  std::u32string_view mark(&f->mark, 1);
  Put("{\\cs16\\super ");
  EscapedText(mark, EscapeOfFont(a.font));
  Escape inside = EscapeOfFont(4);  // the footnote text is written in font 4
  if (f->number == 0 || f->flag) {
    Put("{\\*\\footnote \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super ");
  } else {
    Put("{\\*\\footnote \\wpfnnr");
    PutNumber(f->number);
    Put(" \\pard\\plain \\s15\\widctlpar \\f4\\fs20\\lang1031 {\\cs16\\super\t");
  }
  EscapedText(mark, inside);
  Put("} ");
  EscapedText(f->text, inside);
  Put("}}");
}

}  // namespace richtext
