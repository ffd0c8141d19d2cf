// SPDX-License-Identifier: GPL-3.0-or-later
/** The RTF reader's inside, shared by its parts: the tokenizer (reader.cpp),
 ** destinations and header tables (rtf_header.cpp, rtf_keywords.cpp),
 ** paragraphs and tables (rtf_paragraphs.cpp) and pictures (rtf_pictures.cpp). **/
#pragma once

#include <richtext/reader.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace richtext {
namespace rtf {

// Where the characters read go.
enum Dest : uint8_t {
  dText = 0,
  dSkip = 1,
  dFontTable = 2,
  dColorTable = 3,
  dPicture = 4,
  dPictureFile = 5,
  dTitle = 6,
  dComment = 7,
  dSubject = 8,
  dFootnote = 9,
  dStyleSheet = 10,  // between the style entries
  dStyleEntry = 11,  // one style: its character words are kept
  dListNumbering = 12,  // \pn: a list's numbering words, no text
  dListText = 13,       // \pntext, \listtext: the label as text, for readers without lists
};

enum class K : uint8_t {
  // characters and specials (the tokenizer)
  Char, Par, Sect, Bin, Unicode, UnicodeSkip,
  // destinations, header tables, document and character properties
  FontTable, ColorTable, ListNumbering, ListText, Title, Subject, Comment, Footnote, Transparent, SkipDest, Upr,
  StyleSheet, Style, StyleBasedOn,
  Plain, CharClass, AssocFont, AssocSize, AssocFlag, Flag, Super, NoSuperSub, UlNone, Font, FontSize,
  TextColor, BackColor, Highlight, InsPoint, InAuto, RtfCode, FootnoteNumber, FootnoteMark,
  Paper, Margin, Facing, Landscape, Ignore, DefaultFont, AnsiCodePage, CodePageWord,
  FontFamily, FontCharset, FontCodePage, Red, Green, Blue,
  // paragraph properties (Pard to ShadeBack) and tables
  Pard, LeftIndent, FirstIndent, RightIndent, SpaceBefore, SpaceAfter, LineSpacing, Align,
  Page, Keep, Tab, TabKind, Border, BorderWidth, BorderSpace, BorderColor, BorderStyle,
  Shading, PatternColor, ListKind, ListLevel, ListOverride, ShadeBack,
  RowDef, CellX, RowLeft, RowGap, CellBorder, CellPattern, CellBack, CellMerge, InTable, Cell,
  Row, NestCell,
  // pictures and objects
  Pict, PicFile, ObjTag, ObjWidth, ObjHeight, PicType, PicW, PicH, PicWGoal, PicHGoal, PicBits,
  PicPlanes, PicWidthBytes, PicScaleX, PicScaleY,
};

struct Keyword {
  K kind;
  int value = 0;            // character, flag, default or selector
  bool useDefault = false;  // the value above is used even when a parameter is given
};

using KeywordTable = std::unordered_map<std::string_view, Keyword>;

// The control words the reader knows, with their kinds and values.
const KeywordTable& Keywords();

constexpr TChar kReplacement = 0xFFFD;

// What \line stands for until it is inserted as a line break: no Unicode
// character, so that none read from the text can be taken for it.
constexpr TChar kLineWord = 0x110001;

// The size of text for which a file states none, RTF's own default (\fs24),
// as every word processor shows it. The writer states a size for every run.
constexpr uint8_t kDefaultSize = 12;

// Numbers are clamped where they are read, to what any page can measure
// (about 2,900 inches in twips), so that sums of them never overflow.
constexpr int32_t kMaxLength = 1 << 22;

// A row's indent leaves room below kMaxLength for the row's narrowest width
// (256 twips), so that no cell boundary the writer states from it is clamped
// when it is read again. It is a step of both tab grids (144 and 141 twips),
// so that rounding an indent to the grid never takes it past this.
constexpr int32_t kMaxRowLeft = (kMaxLength - 256) / (144 * 47) * (144 * 47);

// Characters of the scripts that RTF writers give double-byte properties:
// Hangul, CJK ideographs and punctuation, kana, full-width forms.
inline bool IsDoubleByte(TChar c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) ||
         (c >= 0xA000 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// A byte that stands for itself in text: printable ASCII but for the three
// bytes that RTF gives a meaning.
inline bool IsPlainByte(uint8_t c) { return c >= 0x20 && c < 0x80 && c != '\\' && c != '{' && c != '}'; }

// The letters of a control word.
inline bool IsWordLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// At most how many paragraphs the bytes make: one, and one more for each
// word that can end a paragraph (\par, \sect, \cell, a backslash before a
// line end). Escaped backslashes and skipped groups make it larger, never
// smaller, than what is read.
size_t ParagraphsAtMost(std::string_view bytes);

inline int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace rtf

// The reader's parts all work with the names above.
using namespace rtf;

class TRtfReader::Impl {
 public:
  Impl(TRTFText& doc, const TReadOptions& options, TReadLosses& losses)
      : doc_(doc), h_(doc.Header()), options_(options), losses_(losses) {}

  TRTFText::ParagraphList Run(std::string_view bytes);

 private:
  struct FontDef {
    int header = 0;    // header font number
    int codePage = 0;  // 0: the document's
    bool symbol = false;
  };
  struct CellDef {
    uint8_t border[4] = {0, 0, 0, 0};
    uint8_t shadeColors = 0, shading = 0;
    uint8_t shadeColorsHigh = 0, borderColorHigh = 0;
    int32_t boundary = 0;
  };
  // What a file gives East Asian text through \dbch and the associated
  // words after it (\af, \afs, \ab, \ai): a font (header number), a size,
  // and which of bold and italic it sets, and to what.
  struct DoubleByte {
    int font = -1;
    uint8_t size = 0;
    uint32_t given = 0, flags = 0;
    bool Any() const { return font >= 0 || size != 0 || given != 0; }
    bool operator==(const DoubleByte&) const = default;
  };
  struct State {
    TAttr attr;
    TParagraphProps par;
    Dest dest = dText;
    bool tabStarted = false;
    bool tableMode = false;
    int uc = 1;
    int rtfFont = -1;
    size_t paragraph = 0;  // the paragraph being read when the group opened
    bool shadingGroup = false;  // the group gives one paragraph its shading
    // Associated properties: which characters the words that follow are for
    // (0 low ANSI, 1 high ANSI, 2 double-byte, 3 the text of a direction,
    // \rtlch or \ltrch), and what is given for double-byte text.
    uint8_t charClass = 0;
    DoubleByte dbch;
    int parStyle = 0;  // the paragraph style in force (\pard: style 0)
    // The border properties in force are those of the cell that ended last:
    // a paragraph that ends outside the table does not take them, and a
    // paragraph's own border words replace them.
    bool cellBorders = false;
  };

  // Input.
  bool More() const { return pos_ < data_.size(); }
  uint8_t Next() { return uint8_t(data_[pos_++]); }

  void ControlWord();
  void Dispatch(std::string_view word, bool hasParam, int32_t param);
  // The words of each concern; `value` is the clamped parameter or default,
  // `on` whether a flag word sets (no parameter, or one other than 0).
  void HeaderWord(const Keyword& kw, std::string_view word, int32_t param, int32_t value, bool on);
  void ParagraphWord(const Keyword& kw, int32_t value);
  void PictureWord(const Keyword& kw, int32_t param, int32_t value);
  void Symbol(uint8_t c);
  void HexEscape();
  void Byte(uint8_t c);
  void Char(TChar c);
  void Insert(TChar c);
  void InsertTaggedObject();
  // Makes room for at least `needed` more characters.
  void Grow(TParagraph& p, size_t needed);
  // Applies the character words of a paragraph (kind 0) or character
  // (kind 1) style, those of the styles it is based on first.
  void ApplyStyle(int kind, int number);
  int inStyle_ = 0;  // the words being applied are a style's
  // \plain: the character formatting of the paragraph style in force, or
  // RTF's defaults where the style gives none.
  void PlainFormatting();
  // Whether the character formatting is what \plain would give.
  bool IsPlainFormatting();
  struct PlainState {
    TAttr attr;
    int rtfFont;
    DoubleByte dbch;
  };
  // What \plain gives under a paragraph style (-1: none); the tables it
  // depends on are read again only in the header, which empties the cache.
  const PlainState& Plain(int style);
  std::unordered_map<int, PlainState> plainCache_;
  // Inserts bytes that IsPlainByte accepts, all in the current attribute.
  void InsertRun(std::string_view run);
  // Objects and footnotes are numbered in 16 bits; a document that names more
  // than fit keeps its text and leaves the rest out.
  bool RoomForObject() const { return doc_.Objects().size() < 65000; }
  void PushGroup();
  void PopGroup();
  void Rebase();
  void EndBorderBlock();
  void EndRowBefore();

  void EndParagraph();
  void FinishRow();
  // A paragraph marked as a cell that ends (or the text ends in) before its
  // \cell is an ordinary paragraph.
  void DropUnfinishedCell();
  void ApplyState(TParagraph& p);
  static void ClearBorders(TParagraphProps& props);
  void NewParagraphAfter();
  void SetFont(int rtfNumber);
  void UpdateDecoder();
  void EndFontEntry();
  void PictureEnd();
  void PictureFileEnd();
  void InsertObject(TTextObject* o, TChar code, uint16_t id);
  void Finish();
  void PutIndentsOnGrid(TParagraph& p) const;
  TParagraph& Cur() { return *list_.back(); }
  bool SkipFallback() {
    if (ucSkip_ <= 0) return false;
    --ucSkip_;
    return true;
  }

  TRTFText& doc_;
  TTextHeader& h_;
  const TReadOptions& options_;
  TReadLosses& losses_;
  TRTFText::ParagraphList list_;

  std::string_view data_;
  size_t pos_ = 0;
  bool stop_ = false;
  bool started_ = false;
  static constexpr size_t kMaxDepth = 100000;  // some writers leave thousands of groups open
  size_t deepSkip_ = 0;  // open groups beyond kMaxDepth
  bool unapplied_ = false;  // text or paragraph words came since the properties were applied
  bool ownProperties_ = false;  // the paragraph has had paragraph words of its own
  bool rebasePending_ = false;  // see PopGroup
  bool rebaseHadBorder_ = false;

  State s_;
  std::vector<State> stack_;
  bool optional_ = false;
  bool skipNextGroup_ = false;
  int ucSkip_ = 0;
  TChar highSurrogate_ = 0;

  uint16_t attrIndex_ = 0;
  TAttr attrCached_;
  bool attrValid_ = false;

  // Fonts and code pages.
  std::unordered_map<int, FontDef> fonts_;
  int defaultFont_ = 0;
  int ansiCodePage_ = 1252;
  TCodePageDecoder decoder_{1252};
  int decoderPage_ = 1252;  // the page asked for; unknown ones decode as 1252
  bool symbolFont_ = false;
  int fontNumber_ = 0;
  std::string fontName_;
  int fontFamily_ = 0, fontCharset_ = -1, fontCodePage_ = 0;  // charset -1: not given

  int colorIndex_ = 0;
  bool colorTableRead_ = false;
  // Whether colour numbers name colours: the file has a table, or is read
  // into a document whose table it uses.
  bool HasColors() const { return colorTableRead_ || options_.keepHeader; }

  // Paragraph bookkeeping.
  int32_t pendingFirst_ = 0;
  TTabKind pendingTab_ = tkLeft;
  uint64_t tabSet_ = 0;

  // Tables.
  std::vector<CellDef> cells_;
  CellDef cellDef_;
  int32_t rowLeft_ = 0;
  int cellNumber_ = 0;
  std::vector<std::pair<size_t, int32_t>> rowCells_;  // paragraph, boundary (-1: none)
  uint8_t cellSpacing_ = 0;
  bool cellBorder_ = false;  // border words describe a cell, not the paragraph

  // Pictures and objects.
  TPicture::Kind picKind_ = TPicture::Kind::None;
  std::string picData_;
  int picHalf_ = -1;
  int32_t picW_ = 0, picH_ = 0, picWGoal_ = 0, picHGoal_ = 0;
  int picBits_ = 0, picPlanes_ = 1, picWidthBytes_ = 0, picScaleX_ = 100, picScaleY_ = 100;
  std::string picFile_;
  bool inQuotes_ = false;
  std::unordered_map<std::string, TTextObject*> picFiles_;  // by lower-case name
  bool hadObjects_ = !doc_.Objects().empty();
  uint16_t objTag_ = 0;
  int32_t objW_ = 0, objH_ = 0;

  // Styles: the character words of each, replayed where a style is used.
  struct StyleWord {
    const Keyword* kw;
    int32_t param, value;
    bool on;
  };
  struct Style {
    int kind = 0;  // 0 paragraph, 1 character, 2 other
    int number = 0;
    int basedOn = -1;
    std::vector<StyleWord> words;
  };
  Style styleEntry_;
  std::unordered_map<int, Style> styles_[2];  // paragraph styles, character styles

  // RTF code.
  bool rtfCode_ = false;
  int codeMatch_ = 0;

  // Footnotes.
  uint16_t footnoteId_ = 0;

  // Lists: whether the label text of the paragraph being read began with a
  // letter or digit (a numbered item), and whether its first character came.
  bool listTextNumbered_ = false, listTextStarted_ = false;
  // Where the label text stands in the paragraph: it is read as text and
  // taken out again when the paragraph turns out to be a list item, whose
  // label is drawn.
  size_t listTextFrom_ = 0, listTextTo_ = 0;
  void DropListText();
};

}  // namespace richtext
