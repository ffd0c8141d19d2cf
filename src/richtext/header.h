// SPDX-License-Identifier: GPL-3.0-or-later
/** The document-wide tables: colours, fonts, tab stops, page size and margins, info strings. */
#pragma once

#include <richtext/defs.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace richtext {

// a * b / c rounded to the nearest integer, halves away from zero; a result
// past the range of int32_t is its nearest end.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

struct TFontEntry {
  std::string name;      // UTF-8, at most 31 characters; empty marks a free entry
  uint32_t family = 0;   // family and pitch byte; the family is in the high nibble
  uint32_t charset = 0;  // character set number as RTF gives it (0 ANSI, 2 symbol, ...)
};

struct TTabStop {
  int32_t position = 0;  // twips; 0 marks a free entry
  int32_t pixels = 0;
  TTabKind kind = tkLeft;
};

class TTextHeader {
 public:
  static constexpr int kColors = 256;  // the first 16 are the standard table
  static constexpr int kFonts = 99;
  static constexpr int kTabs = 64;
  static constexpr int kFontNameLength = 31;

  TTextHeader();

  // Colours: 0x00BBGGRR, red in the low byte.
  std::array<uint32_t, kColors> colors;
  // The entries the colour table is written with: the standard 15, or all
  // that a document brought with it when it named more.
  int colorTableSize = 15;

  int xResolution = 96;  // pixels per inch
  int yResolution = 96;
  bool richText = true;  // lines carry attributes
  bool inchUnits = true; // tab grid 144 twips; centimetres: 141

  std::array<TFontEntry, kFonts> fonts;

  // Tab table: entries with their order by position (free entries last).
  std::array<TTabStop, kTabs> tabs;
  std::array<uint8_t, kTabs> tabOrder;
  uint64_t scratchMask = 0;  // the tab bits that the last AddTab set
  TTabKind defaultTabKind = tkLeft;
  char decimalSeparator = '.';
  // Called when all 64 tab entries are taken, so that unused ones can be freed.
  std::function<void()> onTabsFull;

  // Page, in twips.
  int32_t pageWidth = 12240;
  int32_t pageHeight = 15840;
  int32_t pageValue = 1;  // kept with the page size; no meaning of its own
  int32_t marginLeft = 1880;
  int32_t marginRight = 1880;
  int32_t marginTop = 1440;
  int32_t marginBottom = 1440;
  bool facingPages = false;
  bool landscape = false;

  std::string title, subject, comment;  // UTF-8

  // Text width and height of the page in pixels at the current resolution.
  int TextWidthPixels() const;
  int TextHeightPixels() const;
  int TwipsToPixelsX(int32_t twips) const { return MulDiv(twips, xResolution, 1440); }
  int TwipsToPixelsY(int32_t twips) const { return MulDiv(twips, yResolution, 1440); }
  // Changes the resolution and recomputes the pixel positions of the tab stops.
  void SetResolution(int x, int y);

  // The number of a font, adding it to the first free entry when it is new.
  // Names compare on their first 31 characters without regard to letter case.
  // 99 when the table is full.
  int FontNumber(const std::string& name);
  // The number of a colour: its first entry, else a new entry after the
  // used ones, else (all taken) the nearest one.
  int ColorNumber(uint32_t color);

  // Tab stops. FindTab looks for an entry of equal position and kind (tkAll
  // matches any kind), then again with the position rounded to the tab grid;
  // -1 when none. FindTabInSet considers only the entries in `set`.
  int FindTab(int32_t position, TTabKind kind) const;
  int FindTabInSet(int32_t position, TTabKind kind, uint64_t set) const;
  // Adds a tab stop; its bit is left in scratchMask (empty when none was added).
  void AddTab(int32_t position, TTabKind kind);
  // Frees the entries whose bits are not in `used` (the union of every
  // paragraph's tab set); nothing when `used` equals the previous union.
  void CollectTabs(uint64_t used);
  // The tab grid's step in twips; 0 without a grid (no resolution known).
  int32_t TabGridStep() const;
  int32_t RoundToTabGrid(int32_t twips) const;
  void SortTabs();

 private:
  int FindTabExact(int32_t position, TTabKind kind, uint64_t set) const;
  uint64_t lastUsedTabs_ = ~uint64_t(0);
};

}  // namespace richtext
