// SPDX-License-Identifier: GPL-3.0-or-later
/** The seam through which the engine measures text: fonts and their metrics on a device. */
#pragma once

#include <richtext/defs.h>

#include <string>

namespace richtext {

// A font as the engine asks for it: a family name, a size in points and styles.
struct TFontSpec {
  std::string name;  // UTF-8; empty: the device's default family
  int points = 10;
  bool bold = false;
  bool italic = false;
  bool strikeOut = false;
  bool symbol = false;  // a symbol font: characters are code points of its own map

  bool operator==(const TFontSpec&) const = default;
};

// Text metrics of one device (the screen, a printer) in its pixels. The Qt
// side answers with real fonts; tests answer with fixed numbers.
class TFontMetrics {
 public:
  virtual ~TFontMetrics() = default;
  virtual int Dpi() const = 0;
  virtual int CharWidth(const TFontSpec& font, TChar c) = 0;
  virtual int Ascent(const TFontSpec& font) = 0;
  virtual int Descent(const TFontSpec& font) = 0;
};

}  // namespace richtext

namespace richtext {

struct TPicture;

enum class TPenStyle : uint8_t { Solid, Dash, Dot, DashDot };

// A place to draw: the editor window, a printer page, an image. Coordinates
// are device pixels; colours are 0x00BBGGRR as the colour table holds them.
class TSurface {
 public:
  virtual ~TSurface() = default;
  virtual bool IsPrinter() const = 0;
  virtual uint32_t HighlightColor() const = 0;      // selected text background
  virtual uint32_t HighlightTextColor() const = 0;  // selected text
  virtual void FillRect(int x, int y, int width, int height, uint32_t color) = 0;
  // Puts out a run in one call: the characters from x on, their baseline at
  // `baseline`, each followed by its advance.
  virtual void DrawText(const TFontSpec& font, int x, int baseline, std::u32string_view text,
                        const int* advances, uint32_t color) = 0;
  virtual void Line(int x1, int y1, int x2, int y2, uint32_t color, int width,
                    TPenStyle style = TPenStyle::Solid) = 0;
  // Draws a picture stretched into the rectangle; false when it cannot.
  virtual bool DrawPicture(const TPicture& picture, int x, int y, int width, int height) = 0;
  // The text of a placeholder, written inside its frame.
  virtual void DrawLabel(int x, int y, int width, int height, const std::string& text) = 0;
};

}  // namespace richtext
