// SPDX-License-Identifier: GPL-3.0-or-later
/** The page decisions of printing that need no printer: units, geometry and the merged fit. */
#pragma once

#include <functional>

namespace quillet {

// Printer numbers. Every conversion drops its fraction (toward zero), never rounds.
struct TPrinterMetrics {
  int dpiX = 0, dpiY = 0;                  // resolution, dots per inch on each axis
  int printableWidth = 0, printableHeight = 0;  // printer pixels
  int offsetX = 0, offsetY = 0;            // unprintable margin at the left and top
};

struct TPrintMargins {  // inches
  double top = 1.0, left = 1.0, right = 1.0, bottom = 1.0;
};

int PixelsToTwips(int pixels, int dpi);  // trunc(pixels / dpi * 1440)
int InchesToPixels(double inches, int dpi);

// The sheet in printer pixels: the printable size plus the unprintable margins,
// taken as equal on opposite sides.
int TruePageWidth(const TPrinterMetrics& m);
int TruePageHeight(const TPrinterMetrics& m);

// The page of one entry printed on its own pages, in twips: the sheet with the
// print margins, and room above and below for the header and footer bands.
struct TPageLayout {
  int left = 0, right = 0, top = 0, bottom = 0, width = 0, height = 0;
};
TPageLayout SeparatePageLayout(const TPrinterMetrics& m, const TPrintMargins& margins);

// The merged layout's frame, in printer pixels relative to the printable area.
struct TMergedGeometry {
  int top = 0, bottom = 0, left = 0, right = 0;
  int textWidth = 0;     // printable width - left - right
  int bottomLimit = 0;   // printable height - bottom
  int blockWidthTwips = 0, blockHeightTwips = 0;
  int quarter = 0, half = 0;  // a quarter and a half inch down the page
};
TMergedGeometry MergedGeometry(const TPrinterMetrics& m, const TPrintMargins& margins);

// The lower edge of the block for the rest of an entry starting at `y`: from the
// bottom limit, stepped up a quarter inch at a time while the rest still fits.
// `measure(height)` gives the first line that does not fit in that height from
// y, or 0 when every remaining line fits.
int FitLimit(const TMergedGeometry& g, int y, const std::function<long(int height)>& measure);

// Where the next entry starts after a block ending at `limit`: a quarter inch
// below, and whether that needs a new page (less than half an inch left).
struct TNextStart {
  int y = 0;
  bool newPage = false;
};
TNextStart NextEntryStart(const TMergedGeometry& g, int limit);

}  // namespace quillet
