// SPDX-License-Identifier: GPL-3.0-or-later
/** Painting: display lines drawn run by run with their fonts, colours, marks and pictures. */
#pragma once

#include <richtext/layout.h>
#include <richtext/platform.h>

#include <vector>

namespace richtext {

// A position in the document: a paragraph and a character offset in it.
struct TPosition {
  size_t par = 0;
  size_t offset = 0;
  auto operator<=>(const TPosition&) const = default;
};

// The colour black and automatic text is drawn in on dark paper.
constexpr uint32_t kLightInk = 0xE6E6E6;
// The paper of a dark page.
constexpr uint32_t kDarkPaper = 0x262626;

struct TPaintOptions {
  uint32_t paperColor = 0xFFFFFF;  // the control's colour; white when printing
  bool lightInk = false;           // on dark paper: black and automatic text is drawn light, dark inks lightened
  bool showPageBreak = true;
  int pageHeight = 0;              // pixels of a page's text; 0: no automatic breaks shown
  TPosition selStart, selEnd;      // the selection; empty when equal
};

// Where an object was drawn in the last paint, for hit tests.
struct TObjectRect {
  TTextObject* object;
  int x, y, width, height;
};

// How one run looks: the font and colours after the presets.
struct TRunLook {
  TFontSpec font;
  uint32_t textColor = 0, backColor = 0, lineColor = 0;
  bool underline = false, raise = false, lower = false, mark = false;
};

class TPainter {
 public:
  TPainter(TRTFText& doc, TLayout& layout) : doc_(doc), layout_(layout) {}

  TPaintOptions options;

  // Paints the lines that meet the rows clipTop..clipBottom of the surface;
  // the document's top-left corner is at (originX, originY).
  void Paint(TSurface& surface, int originX, int64_t originY, int clipTop, int clipBottom);
  // Paints one display line whose top is at `top`.
  void PaintLine(TSurface& surface, size_t par, size_t lineIndex, int originX, int top);
  // Paints a whole table row, its cells side by side, its top at `top`;
  // `first` is the row's first cell. Gives the paragraph after the row.
  size_t PaintRow(TSurface& surface, size_t first, int originX, int top);
  // Fills one printed page: the lines from `firstLine` (counted over the whole
  // document) go into the rows top..bottom-1 at `originX`, a table row kept
  // whole; with no surface it only measures. Gives the first line that did
  // not fit, or 0 when every remaining line did.
  long PaintPage(TSurface* surface, long firstLine, int originX, int top, int bottom);

  // The font and colours of a run; selection colours are the surface's.
  TRunLook Look(const TAttr& attr, bool printing, uint32_t shading) const;
  // Draws a list item's bullet or number in its first-line indent.
  void PaintListLabel(TSurface& s, size_t par, int originX, int baseline, bool printing, uint32_t shading);
  const std::vector<TObjectRect>& ObjectRects() const { return objects_; }

  // The wavy line under marked text: from x1 to x2, from the baseline down.
  static void Zigzag(TSurface& s, int x1, int x2, int baseline, uint32_t color);

  static constexpr size_t kMaxRun = 100;
  static constexpr size_t kMaxObjectRects = 30;

 private:
  bool Selected(size_t par, size_t offset) const;
  // The shading colour of a paragraph, or none (0xFFFFFFFF).
  uint32_t Shading(const TParagraph& p) const;
  void PaintBorders(TSurface& s, size_t par, int originX, int top);
  // A table cell's background over its row's height.
  void PaintCell(TSurface& s, size_t par, int originX, int64_t top, int clipTop, int clipBottom);

  TRTFText& doc_;
  TLayout& layout_;
  std::vector<TObjectRect> objects_;
  std::vector<TPageStart> pages_;  // where automatic page breaks fall, for the markers
  bool handleDrawn_ = false;
};

}  // namespace richtext
