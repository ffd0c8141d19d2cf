// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/print_plan.h>

namespace quillet {

int PixelsToTwips(int pixels, int dpi) {
  return dpi > 0 ? int(double(pixels) / dpi * 1440.0) : 0;
}

int InchesToPixels(double inches, int dpi) { return int(inches * dpi); }

int TruePageWidth(const TPrinterMetrics& m) { return m.printableWidth + 2 * m.offsetX; }
int TruePageHeight(const TPrinterMetrics& m) { return m.printableHeight + 2 * m.offsetY; }

TPageLayout SeparatePageLayout(const TPrinterMetrics& m, const TPrintMargins& margins) {
  TPageLayout p;
  p.height = PixelsToTwips(TruePageHeight(m), m.dpiY);
  p.width = PixelsToTwips(TruePageWidth(m), m.dpiX);
  p.left = int(margins.left * 1440);
  p.right = int(margins.right * 1440);
  p.top = int((margins.top + 0.3125) * 1440);
  p.bottom = int((margins.bottom + 0.25) * 1440);
  return p;
}

TMergedGeometry MergedGeometry(const TPrinterMetrics& m, const TPrintMargins& margins) {
  TMergedGeometry g;
  g.top = InchesToPixels(margins.top, m.dpiY) - m.offsetY;
  g.bottom = InchesToPixels(margins.bottom, m.dpiY) - m.offsetY;
  g.left = InchesToPixels(margins.left, m.dpiX) - m.offsetX;
  g.right = InchesToPixels(margins.right, m.dpiX) - m.offsetX;
  g.textWidth = m.printableWidth - g.left - g.right;
  g.bottomLimit = m.printableHeight - g.bottom;
  g.blockWidthTwips = PixelsToTwips(m.printableWidth, m.dpiX) - PixelsToTwips(g.left, m.dpiX) -
                      PixelsToTwips(g.right, m.dpiX);
  g.blockHeightTwips = PixelsToTwips(m.printableHeight, m.dpiY) - PixelsToTwips(g.top, m.dpiY) -
                       PixelsToTwips(g.bottom, m.dpiY);
  g.quarter = m.dpiY / 4;
  g.half = m.dpiY / 2;
  return g;
}

int FitLimit(const TMergedGeometry& g, int y, const std::function<long(int height)>& measure) {
  int limit = g.bottomLimit;
  while (g.quarter > 0 && y + g.quarter < limit && measure(limit - g.quarter - y) == 0) {
    limit -= g.quarter;
  }
  return limit;
}

TNextStart NextEntryStart(const TMergedGeometry& g, int limit) {
  TNextStart next;
  next.y = limit + g.quarter;
  next.newPage = next.y + g.half > g.bottomLimit;
  return next;
}

}  // namespace quillet
