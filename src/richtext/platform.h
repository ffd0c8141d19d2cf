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
