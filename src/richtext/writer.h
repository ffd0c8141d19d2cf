// SPDX-License-Identifier: GPL-3.0-or-later
/** The plain-text writer and the RTF writer. */
#pragma once

#include <richtext/document.h>
#include <richtext/stream.h>

#include <optional>
#include <string>
#include <vector>

namespace richtext {

// What to write: a range of the document, from (startPar, startOffset) up to
// (endPar, endOffset), end exclusive; the whole document by default.
struct TWriteRange {
  size_t startPar = 0, startOffset = 0;
  size_t endPar = size_t(-1), endOffset = size_t(-1);
};

struct TWriteOptions {
  bool dropInsertPoints = false;   // leave out runs flagged as insertion points
  bool dropAutomaticText = false;  // leave out automatic text
  bool writeBitmapAsDib = false;   // bitmaps as device-independent bitmaps
  bool pictureFileAsReference = false;
  bool noProtectionWords = false;  // protected text without \shad
  // A character background is also written as \chcbpat, the word other
  // word processors read it from (copies for the clipboard; entries keep \cb alone).
  bool backgroundAsShading = false;
  // A character background of this colour (0x00BBGGRR) is the page's own and
  // is not written: copies for other programs carry no background that the
  // text does not show.
  std::optional<uint32_t> paperColor;
};

// Walks the document; by itself it writes plain text: the characters of each
// paragraph as UTF-8, with CR LF between paragraphs.
class TTextWriter {
 public:
  TTextWriter(TRTFText& doc, TWriteRange range = {}, TWriteOptions options = {});
  virtual ~TTextWriter() = default;

  // Header, Body, Trailer; each runs only when the one before succeeded.
  TIoResult Write(TOutStream& out);

 protected:
  virtual TIoResult Header() { return ioOk; }
  virtual TIoResult Body();
  virtual TIoResult Trailer() { return ioOk; }

  // Output is gathered and handed to the stream in large pieces; a stream
  // that stores fewer bytes than asked gives error 7.
  void Put(std::string_view bytes) { buffer_.append(bytes); }
  void Put(char c) { buffer_.push_back(c); }
  void PutNumber(long long n);
  size_t Pending() const { return buffer_.size(); }
  bool Flush();

  // The paragraphs and the part of each that the range covers.
  size_t LastPar() const;
  size_t From(size_t par) const { return par == range_.startPar ? range_.startOffset : 0; }
  size_t To(size_t par) const;
  // Whether a character's background is one to write.
  bool HasBackground(const TAttr& a) const;

  TRTFText& doc_;
  TWriteRange range_;
  TWriteOptions options_;
  TIoResult error_ = ioOk;

 private:
  TOutStream* out_ = nullptr;
  std::string buffer_;
};

// The document's text as UTF-8, one line per paragraph ending in LF: what a
// terminal, a script or a plain-text export shows of an entry.
std::string PlainTextLines(TRTFText& doc);

class TRTFWriter : public TTextWriter {
 public:
  using TTextWriter::TTextWriter;

 protected:
  TIoResult Header() override;
  TIoResult Body() override;
  TIoResult Trailer() override;

 private:
  enum GroupKind { gkBody = 0, gkTabs = 1, gkRow = 2, gkBorder = 3, gkList = 4 };
  struct Saved {
    int32_t firstIndent = 0, leftIndent = 0, rightIndent = 0;
    int32_t spaceBefore = 0, spaceAfter = 0, lineSpacing = 0;
    uint8_t alignment = 0;
    bool tableCell = false;
    uint8_t border[4] = {0, 0, 0, 0};
    uint64_t tabSet = 0;
    uint8_t listKind = 0, listLevel = 0;  // the list whose group is open
    std::vector<TParagraphProps> cells;  // for a table row
  };
  struct Group {
    GroupKind kind;
    Saved saved;
  };

  void Push(GroupKind kind);
  void Pop();
  void CloseDownTo(GroupKind kind);
  Saved& Top() { return groups_.back().saved; }

  void ParagraphStart(size_t par);
  void ParagraphEnd(size_t par, bool last);
  void WriteRowDefinition(size_t par);
  void WriteTabs(uint64_t set);
  // A list's group with its numbering words, and an item's label as text.
  void OpenList(const TParagraph& p);
  void ListLabel(size_t par);
  void EndRtfCode();
  void Runs(size_t par);
  void AttributePrefix(const TAttr& a);
  void Text(const TString& text, size_t from, size_t to, const TAttr& a);
  void Object(TChar c, const TAttr& a);
  void Footnote(const TAttr& a);
  // How characters above 126 are written: a reader decodes \'xx through the
  // code page of the font in force, so a byte escape is used only where that
  // page is Windows-1252 (or the font is a symbol font), \uN everywhere else.
  enum class Escape { Cp1252, Symbol, UnicodeOnly };
  Escape EscapeOfFont(size_t font) const;
  static Escape Escaping(const TFontEntry& f);
  void EscapedText(std::u32string_view text, Escape mode);
  void Hex(std::string_view bytes);

  std::vector<Group> groups_;
  bool rtfCode_ = false;     // the previous run was RTF code
  bool hidden_ = false;      // the previous run was hidden
  bool shadingOpen_ = false; // this paragraph opened a shading group
  Saved beforeShading_;      // what the reader returns to when that group closes
};

}  // namespace richtext
