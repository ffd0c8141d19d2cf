// SPDX-License-Identifier: GPL-3.0-or-later
/** The engine's measuring and drawing seam implemented with Qt: fonts, a QPainter surface, pictures. */
#pragma once

#include <richtext/objects.h>
#include <richtext/platform.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <map>
#include <memory>
#include <tuple>

namespace richtext {

QFont ToQFont(const TFontSpec& fontSpec);
// A Qt string as the engine's characters (code points).
TString ToTString(const QString& text);
QColor ToQColor(uint32_t bgr);
uint32_t FromQColor(const QColor& color);

// Metrics of real fonts on a paint device (the screen by default).
class TQtFontMetrics : public TFontMetrics {
 public:
  explicit TQtFontMetrics(QPaintDevice* device = nullptr) : device_(device) {}
  int Dpi() const override;
  int CharWidth(const TFontSpec& font, TChar c) override;
  int Ascent(const TFontSpec& font) override;
  int Descent(const TFontSpec& font) override;

 private:
  const QFontMetrics& Metrics(const TFontSpec& font);
  QPaintDevice* device_;
  std::map<std::tuple<std::string, int, bool, bool, bool>, std::unique_ptr<QFontMetrics>> cache_;
};

// Decodes the pictures of a document for drawing: BMP/DIB, device bitmaps,
// PNG and JPEG through Qt's image readers, Windows metafiles through our own
// player. An undecodable picture gives a null image.
QImage DecodePicture(const TPicture& picture);
// A picture of the document that holds the image as PNG, at its pixel size.
std::shared_ptr<TPicture> PngPicture(const QImage& image);

class TQtSurface : public TSurface {
 public:
  TQtSurface(QPainter& painter, bool printer) : painter_(painter), printer_(printer) {}
  bool IsPrinter() const override { return printer_; }
  uint32_t HighlightColor() const override;
  uint32_t HighlightTextColor() const override;
  void FillRect(int x, int y, int width, int height, uint32_t color) override;
  void DrawText(const TFontSpec& font, int x, int baseline, std::u32string_view text,
                const int* advances, uint32_t color) override;
  void Line(int x1, int y1, int x2, int y2, uint32_t color, int width, TPenStyle style) override;
  bool DrawPicture(const TPicture& picture, int x, int y, int width, int height) override;
  void DrawLabel(int x, int y, int width, int height, const std::string& text) override;

 private:
  QPainter& painter_;
  bool printer_;
  TFontSpec font_{"", -1};  // the last font asked for, and Qt's for it
  QFont qfont_;
  QRawFont raw_;
};

}  // namespace richtext
