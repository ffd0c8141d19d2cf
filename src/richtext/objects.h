// SPDX-License-Identifier: GPL-3.0-or-later
/** Embedded objects (pictures), footnotes and the display presets of a document. */
#pragma once

#include <richtext/defs.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace richtext {

// A picture as bytes. Decoding and drawing happen in the display layer.
struct TPicture {
  enum class Kind : uint8_t {
    None,
    Metafile,  // Windows metafile with its 22-byte placeable header in front
    Dib,       // device-independent bitmap as a BMP file (14-byte file header in front)
    Bitmap,    // device-dependent bitmap: rows of raw bits
    Png,
    Jpeg,
    Emf,       // enhanced metafile, kept but not drawn
  };
  Kind kind = Kind::None;
  std::string data;
  int32_t width = 0;   // pixels
  int32_t height = 0;  // pixels
  int bitsPerPixel = 0;
  int planes = 1;
  int widthBytes = 0;  // bytes per row of a device-dependent bitmap

  static constexpr size_t kPlaceableHeader = 22;
  static constexpr size_t kBmpFileHeader = 14;

  // The bytes a device-dependent bitmap's rows take: what is stored of its
  // data, whatever more a file gave.
  size_t BitmapBytes() const {
    if (widthBytes <= 0 || height <= 0) return 0;
    uint64_t rows = uint64_t(height) * uint64_t(planes > 1 ? planes : 1);
    if (rows > SIZE_MAX / uint64_t(widthBytes)) return SIZE_MAX;
    return size_t(rows * uint64_t(widthBytes));
  }
};

struct TTextObject {
  std::shared_ptr<TPicture> picture;  // none: drawn as a placeholder
  uint16_t tag = 0;     // from \wpobjtag, or assigned from 2000 up
  uint16_t id = 0;      // internal id, assigned 1, 2, ... when no tag is given
  bool inUse = false;
  int32_t width = 0;    // twips
  int32_t height = 0;   // twips
  bool tagged = false;  // written as a tagged object
  std::string fileName; // for a picture given by file name
  bool ownsFile = false;
  int verticalAlign = 0;
  std::string name;     // shown in a placeholder
};

struct TFootnote {
  TChar mark = '?';
  int number = 0;
  uint16_t id = 0;
  TString text;
  bool flag = false;
};

// A three-state switch of a display preset.
enum TThreeState : uint8_t { tsIgnore, tsTRUE, tsFALSE };

// A display preset for flagged text (insertion points, hyperlinks, ...).
// Setting a property to its current value does nothing; any other change
// calls OnChange with the preset's mask and whether layout must be redone.
class TCharacterAttr {
 public:
  explicit TCharacterAttr(uint32_t mask = 0) : mask_(mask) {}

  std::function<void(const TCharacterAttr& sender, uint32_t mask, bool reformat)> OnChange;
  uint32_t Mask() const { return mask_; }

  TThreeState Bold() const { return bold_; }
  TThreeState Italic() const { return italic_; }
  TThreeState Underline() const { return underline_; }
  TThreeState StrikeOut() const { return strikeOut_; }
  TThreeState SuperScript() const { return superScript_; }
  TThreeState SubScript() const { return subScript_; }
  bool Hidden() const { return hidden_; }
  uint32_t UnderlineColor() const { return underlineColor_; }
  uint32_t TextColor() const { return textColor_; }
  uint32_t BackgroundColor() const { return backgroundColor_; }
  bool UseUnderlineColor() const { return useUnderlineColor_; }
  bool UseTextColor() const { return useTextColor_; }
  bool UseBackgroundColor() const { return useBackgroundColor_; }

  void SetBold(TThreeState v) { Set(bold_, v, true); }
  void SetItalic(TThreeState v) { Set(italic_, v, true); }
  void SetUnderline(TThreeState v) { Set(underline_, v, false); }
  void SetStrikeOut(TThreeState v) { Set(strikeOut_, v, false); }
  void SetSuperScript(TThreeState v) { Set(superScript_, v, true); }
  void SetSubScript(TThreeState v) { Set(subScript_, v, true); }
  void SetHidden(bool v) { Set(hidden_, v, true); }
  void SetUnderlineColor(uint32_t c) { SetColor(underlineColor_, useUnderlineColor_, c); }
  void SetTextColor(uint32_t c) { SetColor(textColor_, useTextColor_, c); }
  void SetBackgroundColor(uint32_t c) { SetColor(backgroundColor_, useBackgroundColor_, c); }
  void SetUseUnderlineColor(bool v);
  void SetUseTextColor(bool v) { Set(useTextColor_, v, false); }
  void SetUseBackgroundColor(bool v) { Set(useBackgroundColor_, v, false); }

 private:
  template <class T>
  void Set(T& field, T value, bool reformat) {
    if (field == value) return;
    field = value;
    Notify(reformat);
  }
  void SetColor(uint32_t& field, bool& use, uint32_t value);
  void Notify(bool reformat) {
    if (OnChange) OnChange(*this, mask_, reformat);
  }

  uint32_t mask_;
  TThreeState bold_ = tsIgnore, italic_ = tsIgnore, underline_ = tsIgnore;
  TThreeState strikeOut_ = tsIgnore, superScript_ = tsIgnore, subScript_ = tsIgnore;
  bool hidden_ = false;
  uint32_t underlineColor_ = 0, textColor_ = 0, backgroundColor_ = 0;
  bool useUnderlineColor_ = false, useTextColor_ = false, useBackgroundColor_ = false;
};

}  // namespace richtext
