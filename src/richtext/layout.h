// SPDX-License-Identifier: GPL-3.0-or-later
/** Line layout: measuring paragraphs and cutting them into display lines that fit the wrap width. */
#pragma once

#include <richtext/document.h>
#include <richtext/platform.h>

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace richtext {

struct TLayoutOptions {
  bool showHiddenText = false;
  bool hideInsertPoints = false;
  bool hideAutomaticText = false;
  int maxCharsPerLine = 0;  // 0: no limit
};

// One display line of a paragraph, in device pixels.
struct TDisplayLine {
  uint32_t start = 0;   // first character of the line in its paragraph
  uint32_t length = 0;
  int32_t top = 0;      // from the top of the paragraph
  int32_t height = 0;
  int32_t ascent = 0;
  int32_t left = 0;     // offset of the line from the text area's left edge
  int32_t right = 0;    // offset from its right edge
  int32_t width = 0;    // what the characters use, from `left`
  // Justification: the stretched spaces of the line advance `gap` pixels
  // instead of their width, the first `extra` of them one pixel more.
  int32_t gap = 0;
  int32_t extra = 0;
  int32_t stretched = 0;  // how many spaces stretch (all but the line's last)
};

struct TParagraphLayout {
  std::vector<TDisplayLine> lines;
  std::vector<int16_t> widths;   // measured width of each character
  std::vector<int16_t> heights;  // and its height and ascent
  std::vector<int16_t> ascents;
  // What the paragraph adds to the document's height. The cells of a table
  // row stand side by side: they all start at the row's top, the last cell
  // carries the row's height and the others add nothing.
  int32_t height = 0;
  int32_t contentHeight = 0;  // the height of the paragraph's own lines
  int32_t rowHeight = 0;      // a table cell: the height of its row (its tallest cell)
  bool valid = false;
  // An invalid layout that one replacement of characters made stale: it is
  // mended (only the lines from the edit on are wrapped again) instead of
  // being laid out anew.
  bool mendable = false;
  uint32_t editOffset = 0, editRemoved = 0, editInserted = 0;
  void Drop() { valid = mendable = false; }
};

// Keeps the layout of a document for one device and one wrap width. The
// document's change notices invalidate single paragraphs, so an edit costs
// the layout of the paragraph edited; paragraph tops are prefix sums kept in
// a Fenwick tree.
// A page of a paginated document: where it starts, and why.
struct TPageStart {
  size_t par = 0;
  size_t line = 0;
  bool forced = false;  // the paragraph asks for a new page
};

class TLayout : public TDocumentListener {
 public:
  TLayout(TRTFText& doc, TFontMetrics& metrics);
  ~TLayout() override;
  TLayout(const TLayout&) = delete;
  TLayout& operator=(const TLayout&) = delete;

  TLayoutOptions options;

  // The width lines wrap at, in pixels (the window's, or the page's text width).
  void SetWrapWidth(int pixels);
  int WrapWidth() const { return wrapWidth_; }
  void Invalidate();  // after a change of options, metrics or header

  const TParagraphLayout& Paragraph(size_t i);
  int64_t ParagraphTop(size_t i);
  int64_t TotalHeight();
  // The paragraph that holds the pixel row y (the last one below the end).
  size_t ParagraphAt(int64_t y);

  TFontSpec FontOf(const TAttr& a) const;
  // The advance of each character of a text drawn apart from the paragraphs
  // (a list item's label).
  std::vector<int> TextAdvances(const TFontSpec& font, std::u32string_view text) const;
  int DefaultTabWidth() const;
  int Dpi() const { return metrics_.Dpi(); }
  // The next stop after x in a paragraph (x from the text area's left edge):
  // its position and kind; without a stop, the next multiple of the default
  // tab width strictly beyond x, kind left.
  int NextTabStop(const TParagraph& p, int x, int cellOffset, TTabKind& kind) const;
  int TwipsX(int32_t twips) const { return MulDiv(twips, metrics_.Dpi() * zoom_ / 100, 1440); }
  int TwipsY(int32_t twips) const { return MulDiv(twips, metrics_.Dpi() * zoom_ / 100, 1440); }
  // Zoom in percent: fonts, indents and pictures grow with it.
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }
  // The left and right offsets of a paragraph's text, in pixels.
  void Offsets(const TParagraph& p, bool firstLine, int& left, int& right) const;
  // A table cell's left and right edges from the text area's left edge.
  void CellEdges(const TParagraph& p, int& left, int& right) const;
  // The first and last paragraph of the table row that holds paragraph i
  // (i itself for a paragraph outside a table).
  size_t RowFirst(size_t i) const;
  size_t RowLast(size_t i) const;
  // The cell of the row holding paragraph i that stands at x (from the text
  // area's left edge): the one whose edges hold x, else the nearest.
  size_t CellAt(size_t i, int x);
  // The line of a paragraph at y pixels below the paragraph's top (the last
  // line below its end).
  size_t LineAt(size_t par, int64_t y);
  // Where the text after the tab at k starts, for a tab met at x in `line`.
  int TabAdvance(const TParagraph& p, const TParagraphLayout& pl, size_t k, int x,
                 const TDisplayLine& line) const;

  // Where a line's text starts, from the text area's left edge, after its
  // alignment; and the advance of each of its characters as drawn (tabs to
  // their stops, stretched spaces of justified lines).
  int LineStart(size_t par, const TDisplayLine& line);
  std::vector<int> Advances(size_t par, const TDisplayLine& line);
  // The line of a paragraph that holds an offset (the caret's line).
  size_t LineOf(size_t par, size_t offset);
  // The offset nearest to x (from the text area's left edge) in a line, and
  // the x of an offset.
  size_t OffsetAt(size_t par, size_t lineIndex, int x);
  int XOf(size_t par, size_t lineIndex, size_t offset);

  // Cuts the document into pages of `pageHeight` pixels: a page ends before
  // a line that would pass its bottom (a page holds at least one line), and
  // before the first line of a paragraph that starts a new page.
  std::vector<TPageStart> Paginate(int pageHeight);

  // How many paragraphs hold a layout (lines and widths) now.
  size_t LayoutsHeld() const;
  // How many paragraphs were laid out, and how many display lines were
  // wrapped, since the counters were last cleared.
  size_t layoutCount = 0;
  size_t rewrapCount = 0;

  void ParagraphChanged(size_t index) override;
  void TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) override;
  void ParagraphsInserted(size_t index, size_t count) override;
  void ParagraphsRemoved(size_t index, size_t count) override;
  void DocumentReset() override;

 private:
  struct FontCache {
    int ascent = 0, descent = 0;
    int16_t low[256];
    std::unordered_map<TChar, int16_t> high;
  };
  FontCache& Font(const TAttr& a);
  int CharWidth(FontCache& f, const TFontSpec& fontSpec, TChar c);
  void Measure(size_t i, TParagraphLayout& out);
  void MeasureRange(size_t i, TParagraphLayout& out, size_t from, size_t to);
  // Cuts one line from `start` on; gives where the next one starts.
  size_t WrapLine(const TParagraph& p, const TParagraphLayout& pl, size_t start, bool first,
                  TDisplayLine& line);
  // Widths, justification and heights of lines from..to-1, then every top.
  void FinishLines(size_t i, TParagraphLayout& out, size_t from, size_t to);
  void Mend(size_t i, TParagraphLayout& out);
  void LayOutRow(size_t first, size_t last);
  void InvalidateRow(size_t i);
  void Wrap(size_t i, TParagraphLayout& out);
  void LineHeight(size_t i, const TParagraphLayout& pl, TDisplayLine& line, bool first, bool last);
  bool Hidden(const TAttr& a) const;

  void SetHeight(size_t i, int32_t height);
  void RebuildTree();

  TRTFText& doc_;
  TFontMetrics& metrics_;
  int wrapWidth_ = 600;
  int zoom_ = 100;
  // Paragraphs not laid out since the last reset have none.
  std::vector<std::unique_ptr<TParagraphLayout>> layouts_;
  TParagraphLayout& Slot(size_t i) {
    if (!layouts_[i]) layouts_[i] = std::make_unique<TParagraphLayout>();
    return *layouts_[i];
  }
  void Drop(size_t i) {
    if (layouts_[i]) layouts_[i]->Drop();
    heightKnown_[i] = false;
  }
  // Frees a layout made only to be measured when it is one line, cheap to
  // make again; a longer paragraph keeps its layout, to be mended on edits.
  void Release(size_t i, bool kept) {
    if (!kept && layouts_[i] && layouts_[i]->lines.size() <= 1) layouts_[i].reset();
  }
  bool Kept(size_t i) const { return layouts_[i] && layouts_[i]->valid; }
  std::vector<bool> heightKnown_;  // the tree holds the paragraph's height
  std::vector<int64_t> tree_;     // Fenwick tree of paragraph heights
  std::vector<int32_t> heights_;  // the heights the tree holds
  size_t firstInvalid_ = 0;       // every paragraph before it is laid out
  std::map<std::tuple<std::string, int, bool, bool, bool>, FontCache> fonts_;
};

}  // namespace richtext
