// SPDX-License-Identifier: GPL-3.0-or-later
/** Basic types of the rich-text engine: characters, character attributes, error texts. */
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace richtext {

// A character of the document is a Unicode code point. A few codes below 32
// have meanings of their own.
using TChar = char32_t;
using TString = std::u32string;

enum : TChar {
  kObjectByTag = 1,  // object character bound to an object by its tag
  kObjectById = 2,   // object character bound to an object by its internal id
  kTab = 9,
  kLineBreak = 10,   // line break inside a paragraph
};

// Style and role flags of a character.
enum : uint32_t {
  afBold = 0x0001,
  afItalic = 0x0002,
  afUnderline = 0x0004,
  afStrikeOut = 0x0008,
  afDoubleUnderline = 0x0010,  // also marks hyperlinks
  afSelected = 0x0020,         // painting only, never stored
  afSuperscript = 0x0040,
  afSubscript = 0x0080,
  afHidden = 0x0100,
  afProtected = 0x0200,
  afRtfCode = 0x0400,          // the characters are raw RTF
  afFootnote = 0x0800,         // footnote anchor; id = footnote id
  afInsertPoint = 0x1000,      // id = numeric tag
  afAutomatic = 0x2000,
  afObject = 0x4000,           // id = object tag or internal id
  afWordMark = 0x40000,        // set only while painting by a word check
};

// The attributes of one character. Characters with equal records form a run.
struct TAttr {
  uint8_t font = 0;      // index into the header font table, 0..98
  uint8_t colors = 0;    // low nibble text colour, high nibble background colour
  uint8_t size = 0;      // points; 0 means the default size, 10 points
  uint8_t reserved = 0;  // kept as read
  uint32_t flags = 0;
  uint16_t id = 0;       // object, footnote or insertion-point id
  // The high nibbles of both colour indexes (text low, background high), for
  // colour tables of more than 16 entries: an index is 0..255.
  uint8_t colorsHigh = 0;

  int TextColor() const { return (colors & 0x0F) | (colorsHigh & 0x0F) << 4; }
  int BackColor() const { return colors >> 4 | (colorsHigh & 0xF0); }
  void SetTextColor(int c) {
    colors = uint8_t((colors & 0xF0) | (c & 0x0F));
    colorsHigh = uint8_t((colorsHigh & 0xF0) | ((c >> 4) & 0x0F));
  }
  void SetBackColor(int c) {
    colors = uint8_t((colors & 0x0F) | ((c & 0x0F) << 4));
    colorsHigh = uint8_t((colorsHigh & 0x0F) | (c & 0xF0));
  }

  // Equal font, size, colours and flags: the characters belong to one run.
  bool SameRun(const TAttr& o) const {
    return font == o.font && size == o.size && colors == o.colors && colorsHigh == o.colorsHigh &&
           flags == o.flags;
  }
  bool operator==(const TAttr&) const = default;
};

enum TAlignment : uint8_t { alLeft = 0, alRight = 1, alCenter = 2, alJustify = 3 };

enum TTabKind : uint8_t { tkLeft = 0, tkRight = 1, tkCenter = 2, tkDecimal = 3, tkAll = 4 };

// The engine reports misuse and exhausted limits with an exception carrying a
// fixed text; malformed input never raises.
class EEngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kErrNewParagraph = "Out of Memory in\tNewParagraph";
inline constexpr const char* kErrLineTooLong = "Line longer then\t10000 character!";
inline constexpr const char* kErrAttribPtr = "Error AttribPtr()";
inline constexpr const char* kErrLastLine = "l=nil in Get_LastLine";
inline constexpr const char* kErrReaderArgs = "Wrong Arguments in\tTWPRTFReader";
inline constexpr const char* kErrPlainReaderArgs = "Wrong Arguments";
inline constexpr const char* kErrAppendSelf = "Cannot perform FastAppendText(self)";
inline constexpr const char* kErrNoObject = "No object was defined";
inline constexpr const char* kErrTooManyObjects = "Too many objects in\tAddObject";
inline constexpr const char* kErrTooManyFootnotes = "Too many footnotes in\tAddFootnote";

// Result codes of loading, saving and writing.
enum TIoResult : uint8_t { ioOk = 0, ioOutOfMemory = 2, ioFailed = 7 };

}  // namespace richtext
