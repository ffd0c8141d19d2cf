#include <richtext/reader.h>

#include <richtext/picture_codec.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <sstream>
#include <unordered_map>

namespace richtext {

// ---------------------------------------------------------------- plain text

TTextReader::TTextReader(TRTFText* doc, TReadOptions options)
    : doc_(doc ? *doc : throw EEngineError(kErrPlainReaderArgs)), options_(std::move(options)) {}

TRTFText::ParagraphList TTextReader::Read(std::string_view bytes) {
  // A NUL byte is no text; it is left out and reading goes on.
  std::string withoutNul;
  if (bytes.find('\0') != std::string_view::npos) {
    withoutNul.reserve(bytes.size());
    for (char c : bytes) {
      if (c != '\0') withoutNul.push_back(c);
    }
    bytes = withoutNul;
  }
  // The encoding is decided for the whole text; each paragraph is then
  // decoded on its own, so that a long text is held once as bytes and once
  // as characters, never twice as characters.
  bool utf8 = IsUtf8(bytes);
  size_t start = utf8 && bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // byte order mark

  TRTFText::ParagraphList list;
  TAttr attr = doc_.insertionAttr;
  if (options_.markInserted) attr.flags |= afAutomatic;
  uint16_t ai = doc_.IsRich() ? doc_.Intern(attr) : 0;
  doc_.progress.Start(int64_t(bytes.size()));
  for (size_t i = start; i <= bytes.size(); ++i) {
    bool end = i == bytes.size();
    if (!end && bytes[i] != '\r' && bytes[i] != '\n') continue;
    auto p = std::make_unique<TParagraph>();
    std::string_view line = bytes.substr(start, i - start);
    p->text = utf8 ? *FromUtf8(line) : FromCp1252(line);
    if (doc_.IsRich()) p->attrs.assign(p->text.size(), ai);
    list.push_back(std::move(p));
    if (!end && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
    doc_.progress.Update(int64_t(i));
  }
  doc_.progress.Finish();
  return list;
}

// ---------------------------------------------------------------- RTF

namespace {

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
};

enum class K : uint8_t {
  // characters
  Char,
  Par, Sect,
  // specials
  Bin, Unicode, UnicodeSkip,
  // destinations
  FontTable, ColorTable, Pict, PicFile, Title, Subject, Comment, Footnote, Transparent,
  SkipDest, Upr,
  // character properties
  Plain, CharClass, AssocFont, AssocSize, Flag, Super, NoSuperSub, UlNone, Font, FontSize, TextColor, BackColor, Highlight,
  InsPoint, InAuto, RtfCode, ObjTag, ObjWidth, ObjHeight, FootnoteNumber, FootnoteMark,
  // paragraph properties
  Pard, LeftIndent, FirstIndent, RightIndent, SpaceBefore, SpaceAfter, LineSpacing, Align,
  Page, Keep, Tab, TabKind, Border, BorderWidth, BorderSpace, BorderColor, BorderStyle,
  Shading, PatternColor, ShadeBack,
  // document
  Paper, Margin, Facing, Landscape, Ignore, DefaultFont, AnsiCodePage, CodePageWord,
  FontFamily, FontCharset, FontCodePage,
  // colour table
  Red, Green, Blue,
  // tables
  RowDef, CellX, RowLeft, RowGap, CellBorder, CellPattern, CellBack, CellMerge, InTable, Cell,
  Row, NestCell,
  // pictures
  PicType, PicW, PicH, PicWGoal, PicHGoal, PicBits, PicPlanes, PicWidthBytes, PicScaleX, PicScaleY,
};

struct Keyword {
  K kind;
  int value = 0;            // character, flag, default or selector
  bool useDefault = false;  // the value above is used even when a parameter is given
};

using KeywordTable = std::unordered_map<std::string_view, Keyword>;

const KeywordTable& Keywords() {
  static const KeywordTable table = [] {
    KeywordTable t;
    auto add = [&](std::string_view w, K k, int v = 0, bool always = false) { t[w] = {k, v, always}; };
    // Characters.
    add("tab", K::Char, 9);
    add("line", K::Char, 1010);
    add("ldblquote", K::Char, '"');
    add("rdblquote", K::Char, '"');
    add("lquote", K::Char, 0x2018);
    add("rquote", K::Char, 0x2019);
    add("emdash", K::Char, 0x2014);
    add("endash", K::Char, 0x2013);
    add("bullet", K::Char, 0x2022);
    add("emspace", K::Char, 0x2003);
    add("enspace", K::Char, 0x2002);
    add("qmspace", K::Char, 0x2005);
    add("zwj", K::Char, 0x200D);
    add("zwnj", K::Char, 0x200C);
    add("ltrmark", K::Char, 0x200E);
    add("rtlmark", K::Char, 0x200F);
    add("~", K::Char, 0xA0);
    add("-", K::Char, 0xAD);
    add("_", K::Char, 0x2011);
    add("par", K::Par);
    add("\n", K::Par);
    add("\r", K::Par);
    add("sect", K::Sect);
    // Specials.
    add("bin", K::Bin);
    add("u", K::Unicode);
    add("uc", K::UnicodeSkip, 1);
    // Destinations.
    add("fonttbl", K::FontTable);
    add("colortbl", K::ColorTable);
    add("pict", K::Pict);
    add("picfile", K::PicFile);
    add("title", K::Title);
    add("subject", K::Subject);
    add("comment", K::Comment);
    add("footnote", K::Footnote);
    for (const char* w : {"field", "fldrslt", "shppict", "ud", "result", "shprslt", "object",
                          "nesttableprops"}) {
      add(w, K::Transparent);
    }
    for (const char* w :
         {"author", "buptim", "creatim", "doccomm", "footer", "footerf", "footerl", "footerr",
          "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl", "headerr", "info",
          "keywords", "operator", "printim", "private1", "revtim", "rxe", "stylesheet", "tc",
          "delphicontrol",
          // Word and other writers: tables and data that are no body text.
          "fldinst", "listtable", "listoverridetable", "pgdsctbl", "xe", "txe", "nonshppict",
          "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "rsidtbl",
          "generator", "filetbl", "revtbl", "objdata", "objclass", "objname", "pntxta", "pntxtb",
          "pn", "bkmkstart", "bkmkend", "atnid", "atnauthor", "annotation", "userprops",
          "docvar", "listpicture", "blipuid", "picprop", "shpinst", "background", "aftncn",
          "aftnsep", "aftnsepc", "falt", "panose", "fontemb", "fontfile", "template",
          "expandedcolortbl", "mmathPr", "protusertbl", "wgrffmtfilter", "hlinkbase",
          "listlevel", "list", "formfield", "datafield", "macpict",
          "pmmetafile", "category", "company", "manager", "hyperlink", "docfmt", "nextfile"}) {
      add(w, K::SkipDest);
    }
    add("upr", K::Upr);
    // Character properties.
    add("plain", K::Plain);
    add("loch", K::CharClass, 0, true);
    add("hich", K::CharClass, 1, true);
    add("dbch", K::CharClass, 2, true);
    add("af", K::AssocFont);
    add("afs", K::AssocSize);
    add("b", K::Flag, afBold);
    add("i", K::Flag, afItalic);
    add("ul", K::Flag, afUnderline);
    for (const char* w : {"ulw", "uld", "uldash", "uldashd", "uldashdd", "ulwave", "ulth",
                          "ulhwave", "ululdbwave", "ulthd", "ulthdash", "ulldash", "ulthldash",
                          "ulthdashd", "ulthdashdd"}) {
      add(w, K::Flag, afUnderline);
    }
    add("ulnone", K::UlNone);
    add("strike", K::Flag, afStrikeOut);
    add("striked", K::Flag, afStrikeOut);
    add("uldb", K::Flag, afDoubleUnderline);
    add("shad", K::Flag, afProtected);
    add("v", K::Flag, afHidden);
    add("sub", K::Flag, afSubscript);
    add("super", K::Super);
    add("nosupersub", K::NoSuperSub);
    add("f", K::Font);
    add("fs", K::FontSize, 100);
    add("cf", K::TextColor);
    add("cb", K::BackColor);
    add("highlight", K::Highlight);
    add("chcbpat", K::Highlight);
    add("inspnt", K::InsPoint);
    add("inaut", K::InAuto, 1);
    add("wprtf", K::RtfCode, 1);
    add("wpobjtag", K::ObjTag);
    add("wpobjw", K::ObjWidth);
    add("wpobjh", K::ObjHeight);
    add("wpfnnr", K::FootnoteNumber);
    add("chftn", K::FootnoteMark);
    // Paragraph properties.
    add("pard", K::Pard);
    add("li", K::LeftIndent);
    add("lin", K::LeftIndent);
    add("fi", K::FirstIndent);
    add("ri", K::RightIndent);
    add("rin", K::RightIndent);
    add("sb", K::SpaceBefore);
    add("sa", K::SpaceAfter);
    add("sl", K::LineSpacing);
    add("ql", K::Align, alLeft, true);
    add("qr", K::Align, alRight, true);
    add("qc", K::Align, alCenter, true);
    add("qj", K::Align, alJustify, true);
    add("qd", K::Align, alJustify, true);
    add("page", K::Page);
    add("pagebb", K::Page);
    add("keep", K::Keep, 1);
    add("keepn", K::Keep, 1);
    add("tx", K::Tab);
    add("tqr", K::TabKind, tkRight, true);
    add("tqc", K::TabKind, tkCenter, true);
    add("tqdec", K::TabKind, tkDecimal, true);
    add("box", K::Border, 0, true);
    add("brdrt", K::Border, 1, true);
    add("brdrl", K::Border, 2, true);
    add("brdrb", K::Border, 3, true);
    add("brdrr", K::Border, 4, true);
    add("brdrdb", K::Border, 5, true);
    add("brdrdot", K::BorderStyle, bsDotted, true);
    add("brdrhair", K::BorderStyle, bsHairline, true);
    add("brdrbar", K::BorderStyle, bsBar, true);
    add("brdrtablin", K::BorderStyle, bsTableLine, true);
    add("brdrw", K::BorderWidth);
    add("brsp", K::BorderSpace);
    add("brdrcf", K::BorderColor);
    add("shading", K::Shading);
    add("cfpat", K::PatternColor);
    add("cbpat", K::ShadeBack);
    // Document.
    add("paperw", K::Paper, 12240);
    add("paperh", K::Paper, 15480);
    add("margl", K::Margin, 1800);
    add("margr", K::Margin, 1800);
    add("margt", K::Margin, 1440);
    add("margb", K::Margin, 1440);
    add("facingp", K::Facing, 1);
    add("landscape", K::Landscape, 1);
    for (const char* w : {"cols", "sbknone", "sbkcol", "sbkeven", "sbkodd", "sbkpage", "pgnx",
                          "pgny", "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr",
                          "pgnstart", "brdrs", "clshdng"}) {
      add(w, K::Ignore);
    }
    add("deff", K::DefaultFont);
    add("ansicpg", K::AnsiCodePage);
    add("ansi", K::CodePageWord, 1252, true);
    add("mac", K::CodePageWord, 10000, true);
    add("pc", K::CodePageWord, 437, true);
    add("pca", K::CodePageWord, 850, true);
    add("fnil", K::FontFamily, 0x00, true);
    add("froman", K::FontFamily, 0x10, true);
    add("fswiss", K::FontFamily, 0x20, true);
    add("fmodern", K::FontFamily, 0x30, true);
    add("fscript", K::FontFamily, 0x40, true);
    add("fdecor", K::FontFamily, 0x50, true);
    add("ftech", K::FontFamily, 0x50, true);
    add("fbidi", K::FontFamily, 0x00, true);
    add("fcharset", K::FontCharset);
    add("charset", K::FontCharset);
    add("cpg", K::FontCodePage);
    // Colour table.
    add("red", K::Red);
    add("green", K::Green);
    add("blue", K::Blue);
    // Tables.
    add("trowd", K::RowDef);
    add("cellx", K::CellX);
    add("trleft", K::RowLeft);
    add("trgaph", K::RowGap);
    add("clbrdrt", K::CellBorder, 1, true);
    add("clbrdrl", K::CellBorder, 2, true);
    add("clbrdrb", K::CellBorder, 3, true);
    add("clbrdrr", K::CellBorder, 4, true);
    add("clcfpat", K::CellPattern);
    add("clcbpat", K::CellBack);
    add("clmrg", K::CellMerge);
    add("intbl", K::InTable);
    add("cell", K::Cell);
    add("row", K::Row);
    add("nestcell", K::NestCell);
    // Pictures.
    add("wmetafile", K::PicType, int(TPicture::Kind::Metafile), true);
    add("dibitmap", K::PicType, int(TPicture::Kind::Dib), true);
    add("wbitmap", K::PicType, int(TPicture::Kind::Bitmap), true);
    add("pngblip", K::PicType, int(TPicture::Kind::Png), true);
    add("jpegblip", K::PicType, int(TPicture::Kind::Jpeg), true);
    add("emfblip", K::PicType, int(TPicture::Kind::Emf), true);
    add("picw", K::PicW);
    add("pich", K::PicH);
    add("picwgoal", K::PicWGoal);
    add("pichgoal", K::PicHGoal);
    add("wbmbitspixel", K::PicBits);
    add("wbmplanes", K::PicPlanes, 1);
    add("wbmwidthbytes", K::PicWidthBytes);
    add("picscalex", K::PicScaleX, 100);
    add("picscaley", K::PicScaleY, 100);
    return t;
  }();
  return table;
}

constexpr TChar kReplacement = 0xFFFD;

// Numbers are clamped where they are read, to what any page can measure
// (about 2,900 inches in twips), so that sums of them never overflow.
constexpr int32_t kMaxLength = 1 << 22;

// Characters of the scripts that RTF writers give double-byte properties:
// Hangul, CJK ideographs and punctuation, kana, full-width forms.
bool IsDoubleByte(TChar c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) ||
         (c >= 0xA000 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

class TRtfReader::Impl {
 public:
  Impl(TRTFText& doc, const TReadOptions& options) : doc_(doc), h_(doc.Header()), options_(options) {}

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
    // (0 low ANSI, 1 high ANSI, 2 double-byte), and the font (header number)
    // and size given for double-byte text.
    uint8_t charClass = 0;
    int dbchFont = -1;
    uint8_t dbchSize = 0;
  };

  // Input.
  bool More() const { return pos_ < data_.size(); }
  uint8_t Next() { return uint8_t(data_[pos_++]); }

  void ControlWord();
  void Dispatch(std::string_view word, bool hasParam, int32_t param);
  void Symbol(uint8_t c);
  void HexEscape();
  void Byte(uint8_t c);
  void Char(TChar c);
  void Insert(TChar c);
  void InsertTaggedObject();
  void Grow(TParagraph& p);
  // Objects and footnotes are numbered in 16 bits; a document that names more
  // than fit keeps its text and leaves the rest out.
  bool RoomForObject() const { return doc_.Objects().size() < 65000; }
  void PushGroup();
  void PopGroup();
  void Rebase();

  void EndParagraph();
  void FinishRow();
  void ApplyState(TParagraph& p);
  void NewParagraphAfter();
  void SetFont(int rtfNumber);
  void UpdateDecoder();
  void EndFontEntry();
  void PictureEnd();
  void PictureFileEnd();
  void InsertObject(TTextObject* o, TChar code, uint16_t id);
  void Finish();
  TParagraph& Cur() { return *list_.back(); }
  bool SkipFallback() {
    if (ucSkip_ <= 0) return false;
    --ucSkip_;
    return true;
  }

  TRTFText& doc_;
  TTextHeader& h_;
  const TReadOptions& options_;
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

  // RTF code.
  bool rtfCode_ = false;
  int codeMatch_ = 0;

  // Footnotes.
  uint16_t footnoteId_ = 0;
};

TRtfReader::TRtfReader(TRTFText* doc, TReadOptions options)
    : TTextReader(doc ? doc : throw EEngineError(kErrReaderArgs), std::move(options)) {}

TRtfReader::~TRtfReader() = default;

TRTFText::ParagraphList TRtfReader::Read(std::string_view bytes) {
  Impl impl(doc_, options_);
  return impl.Run(bytes);
}

TRTFText::ParagraphList TRtfReader::Impl::Run(std::string_view bytes) {
  data_ = bytes;
  s_.attr.size = 10;
  list_.push_back(std::make_unique<TParagraph>());
  doc_.progress.Start(int64_t(bytes.size()));
  try {
    static constexpr std::string_view kCodeEnd = "\\wprtf0";
    size_t lastReport = 0;
    while (!stop_ && More()) {
      uint8_t c = Next();
      if (rebasePending_ && c != '}' && c != '\r' && c != '\n') Rebase();
      if (deepSkip_ > 0 && c != '{' && c != '}') {
        if (c == '\\' && More()) ++pos_;  // an escaped brace does not count
        continue;
      }
      if (s_.dest == dPicture) {
        int v = HexValue(c);
        if (v >= 0) {
          if (picHalf_ < 0) {
            picHalf_ = v;
          } else {
            picData_.push_back(char(picHalf_ << 4 | v));
            picHalf_ = -1;
          }
          continue;
        }
      }
      if (rtfCode_) {
        if (uint8_t(kCodeEnd[size_t(codeMatch_)]) == c) {
          if (++codeMatch_ == int(kCodeEnd.size())) {
            rtfCode_ = false;
            codeMatch_ = 0;
            s_.attr.flags &= ~afRtfCode;
            if (More() && data_[pos_] == ' ') ++pos_;  // the word's delimiter
          }
          continue;
        }
        for (int i = 0; i < codeMatch_; ++i) Insert(TChar(kCodeEnd[size_t(i)]));
        codeMatch_ = 0;
        if (c == '\\') {
          codeMatch_ = 1;
          continue;
        }
        if (c >= 32) Insert(TChar(c));
        continue;
      }
      switch (c) {
        case 0:  // no text; skipped
          break;
        case '\t':
          // A raw tab byte is a tab, as the programs that write them mean it.
          if (s_.dest == dText && !SkipFallback()) Insert(kTab);
          break;
        case '\n':
        case '\r':
          break;
        case '\\':
          ControlWord();
          break;
        case '{':
          // Groups nested deeper than any writer nests them are skipped
          // whole, so that a file of braces cannot eat the memory.
          if (deepSkip_ > 0 || stack_.size() >= kMaxDepth) {
            ++deepSkip_;
          } else {
            PushGroup();
          }
          break;
        case '}':
          if (deepSkip_ > 0) {
            --deepSkip_;
            break;
          }
          // The picture ends with the group that began it, not with a group
          // inside it.
          if (!stack_.empty() && stack_.back().dest != s_.dest) {
            if (s_.dest == dPicture) PictureEnd();
            if (s_.dest == dPictureFile) PictureFileEnd();
          }
          PopGroup();
          break;
        default:
          if (s_.dest == dColorTable && c == ';') {
            // Every colour the table names is kept; the table is written
            // back with all of them when they are more than the standard 15.
            ++colorIndex_;
            if (colorIndex_ < TTextHeader::kColors && !options_.keepHeader) {
              h_.colors[size_t(colorIndex_)] = 0;
              h_.colorTableSize = std::max(h_.colorTableSize, colorIndex_);
            }
          } else if (s_.dest != dSkip) {
            Byte(c);
          }
      }
      if (started_ && stack_.empty()) break;
      if (pos_ - lastReport > 65536) {
        lastReport = pos_;
        doc_.progress.Update(int64_t(pos_));
      }
    }
  } catch (...) {
    Finish();
    doc_.progress.Finish();
    throw;
  }
  Finish();
  doc_.progress.Finish();
  return std::move(list_);
}

void TRtfReader::Impl::ControlWord() {
  if (!More()) return;
  uint8_t c = Next();
  auto isLetter = [](uint8_t b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); };
  if (!isLetter(c)) {
    Symbol(c);
    return;
  }
  size_t start = pos_ - 1;
  while (More() && isLetter(uint8_t(data_[pos_]))) ++pos_;
  std::string_view word = data_.substr(start, std::min<size_t>(pos_ - start, 32));
  bool hasParam = false, negative = false;
  int64_t param = 0;
  if (More() && data_[pos_] == '-' && pos_ + 1 < data_.size() && data_[pos_ + 1] >= '0' &&
      data_[pos_ + 1] <= '9') {
    negative = true;
    ++pos_;
  }
  int digits = 0;
  while (More() && data_[pos_] >= '0' && data_[pos_] <= '9') {
    if (digits++ < 19 && param < (int64_t(1) << 40)) param = param * 10 + (data_[pos_] - '0');
    hasParam = true;
    ++pos_;
  }
  if (More() && data_[pos_] == ' ') ++pos_;
  if (negative) param = -param;
  param = std::clamp<int64_t>(param, INT32_MIN, INT32_MAX);
  Dispatch(word, hasParam, int32_t(param));
}

void TRtfReader::Impl::Symbol(uint8_t c) {
  switch (c) {
    case '\'':
      HexEscape();
      return;
    case '{':
    case '}':
    case '\\':
      if (!SkipFallback() && s_.dest != dSkip) Char(c);
      return;
    case '*':
      optional_ = true;
      return;
    default: {
      char w[1] = {char(c)};
      Dispatch(std::string_view(w, 1), false, 0);
    }
  }
}

void TRtfReader::Impl::HexEscape() {
  // A broken escape (fewer than two hex digits) is skipped; what follows it
  // is read as usual.
  int hi = More() ? HexValue(uint8_t(data_[pos_])) : -1;
  if (hi < 0) return;
  ++pos_;
  int lo = More() ? HexValue(uint8_t(data_[pos_])) : -1;
  if (lo < 0) return;
  ++pos_;
  if (SkipFallback() || s_.dest == dSkip) return;
  uint8_t b = uint8_t(hi << 4 | lo);
  // \'01 is the object character that \wpobjtag describes.
  if (b == kObjectByTag && s_.dest == dText && !decoder_.Pending()) {
    InsertTaggedObject();
    return;
  }
  Byte(b);
}

void TRtfReader::Impl::Byte(uint8_t c) {
  if (SkipFallback()) return;
  if (symbolFont_) {
    Char(c);
    return;
  }
  if (c < 0x80 && !decoder_.Pending()) {
    Char(c);
    return;
  }
  TChar u;
  if (decoder_.Decode(c, u)) Char(u);
}

void TRtfReader::Impl::Char(TChar c) {
  // A pair of UTF-16 halves written as two \u words makes one character; a
  // half without its partner, like any value outside Unicode, is U+FFFD.
  if (highSurrogate_ != 0 && !(c >= 0xDC00 && c <= 0xDFFF)) {
    highSurrogate_ = 0;
    Char(kReplacement);
  }
  if (c >= 0xD800 && c <= 0xDBFF) {
    highSurrogate_ = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    c = highSurrogate_ == 0 ? kReplacement : 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00);
  } else if (c > 0x10FFFF) {
    c = kReplacement;
  }
  highSurrogate_ = 0;
  switch (s_.dest) {
    case dText:
      Insert(c);
      return;
    case dFontTable:
      if (c == ';') {
        EndFontEntry();
      } else if (!(c == ' ' && fontName_.empty())) {
        AppendUtf8(fontName_, c);
      }
      return;
    case dPictureFile:
      if (c == '"') {
        inQuotes_ = !inQuotes_;
      } else if (inQuotes_ && picFile_.size() < 255) {
        AppendUtf8(picFile_, c);
      }
      return;
    case dTitle:
      AppendUtf8(h_.title, c);
      return;
    case dComment:
      AppendUtf8(h_.comment, c);
      return;
    case dSubject:
      AppendUtf8(h_.subject, c);
      return;
    case dFootnote:
      if (TFootnote* f = doc_.FindFootnote(footnoteId_)) {
        if (f->text.empty() && (c == ' ' || c == f->mark)) return;
        f->text.push_back(c);
      }
      return;
    default:
      return;
  }
}

void TRtfReader::Impl::InsertTaggedObject() {
  if (!RoomForObject()) return;
  TTextObject* o = doc_.FindObject(objTag_, 0);
  if (!o) o = doc_.AddObject(nullptr, objTag_ == 0 ? -1 : objTag_);
  o->width = objW_;
  o->height = objH_;
  o->tagged = true;
  if (!o->picture && doc_.OnProvideObject) doc_.OnProvideObject(o->tag, *o);
  InsertObject(o, kObjectByTag, o->tag);
}

void TRtfReader::Impl::Insert(TChar c) {
  if (c == 1010) {
    c = kLineBreak;
  } else if (c <= 3 || c == '\r' || c == '\n') {
    return;  // the object codes stand only for objects, written as \'01
  }
  TParagraph& p = Cur();
  if (p.text.size() == p.text.capacity() && p.text.size() >= 4096) Grow(p);
  p.text.push_back(c);
  unapplied_ = true;
  if (doc_.IsRich()) {
    // East Asian characters take the font and size given for double-byte
    // text (\dbch with \af and \afs) where the document gives them.
    TAttr attr = s_.attr;
    if ((s_.dbchFont >= 0 || s_.dbchSize != 0) && c >= 0x1100 && IsDoubleByte(c)) {
      if (s_.dbchFont >= 0) attr.font = uint8_t(s_.dbchFont);
      if (s_.dbchSize != 0) attr.size = s_.dbchSize;
    }
    if (!attrValid_ || !(attrCached_ == attr)) {
      TAttr a = attr;
      if (options_.markInserted) a.flags |= afAutomatic;
      attrIndex_ = doc_.Intern(a);
      attrCached_ = attr;
      attrValid_ = true;
    }
    p.attrs.push_back(attrIndex_);
  }
}


// A long paragraph grows to what the input can still hold of it (the bytes up
// to the next \par), instead of doubling: a paragraph of 200 million
// characters then needs room for about 200 million, not 256 million plus the
// 128 million it is copied from.
void TRtfReader::Impl::Grow(TParagraph& p) {
  size_t size = p.text.size();
  size_t end = data_.find("\\par", pos_);
  size_t ahead = (end == std::string_view::npos ? data_.size() : end) - pos_;
  size_t want = std::max(size + ahead + 16, size + size / 8);
  p.text.reserve(want);
  if (doc_.IsRich()) p.attrs.reserve(want);
}

void TRtfReader::Impl::InsertObject(TTextObject* o, TChar code, uint16_t id) {
  TParagraph& p = Cur();
  p.text.push_back(code);
  unapplied_ = true;
  if (doc_.IsRich()) {
    TAttr a = s_.attr;
    a.flags |= afObject;
    a.flags &= ~(afInsertPoint | afAutomatic | afRtfCode);
    if (options_.markInserted) a.flags |= afAutomatic;
    a.id = id;
    p.attrs.push_back(doc_.Intern(a));
  }
  o->inUse = true;
}

void TRtfReader::Impl::PushGroup() {
  started_ = true;
  s_.paragraph = list_.size() - 1;
  stack_.push_back(s_);
  s_.shadingGroup = false;
  ucSkip_ = 0;
  if (skipNextGroup_) {
    s_.dest = dSkip;
    skipNextGroup_ = false;
  }
}

void TRtfReader::Impl::PopGroup() {
  if (stack_.empty()) {
    stop_ = true;
    return;
  }
  ucSkip_ = 0;
  skipNextGroup_ = false;
  // A paragraph takes the properties in force where its text ends: at its
  // \par, or for the last one where the groups around it close.
  bool applied = s_.dest == dText && unapplied_;
  if (applied) ApplyState(Cur());
  bool hadBorder = s_.par.borderFlags & bfBorder;
  bool shadingGroup = s_.shadingGroup;
  int oldFont = s_.rtfFont;
  bool fontTable = s_.dest == dFontTable;
  s_ = std::move(stack_.back());
  stack_.pop_back();
  // Text before any \f is in the default font, known once the font table is read.
  if (oldFont != s_.rtfFont || (fontTable && s_.dest != dFontTable)) SetFont(s_.rtfFont);
  // A paragraph begun inside the group but still empty stands after it: it
  // takes the properties that hold now, unless only closing braces follow
  // (the end of the document, which closes every group around the last one).
  if (Cur().text.empty() && s_.dest == dText && !ownProperties_ && list_.size() - 1 > s_.paragraph) {
    rebasePending_ = true;
    rebaseHadBorder_ = rebaseHadBorder_ || hadBorder;
    // A shading group belongs to the paragraph that ended inside it.
    if (shadingGroup) Rebase();
  }
}

void TRtfReader::Impl::Rebase() {
  rebasePending_ = false;
  TParagraph& p = Cur();
  if (p.text.empty() && !ownProperties_) {
    ApplyState(p);
    // A closed border group ends the bordered block before this paragraph.
    if (rebaseHadBorder_ && !(s_.par.borderFlags & bfBorder) && list_.size() > 1) {
      TParagraph& prev = *list_[list_.size() - 2];
      if ((prev.borderFlags & bfBorder) && !prev.IsTableCell()) prev.borderFlags |= bfBlockEnds;
    }
  }
  rebaseHadBorder_ = false;
}

void TRtfReader::Impl::SetFont(int rtfNumber) {
  s_.rtfFont = rtfNumber;
  auto it = fonts_.find(rtfNumber < 0 ? defaultFont_ : rtfNumber);
  if (it != fonts_.end()) {
    s_.attr.font = uint8_t(it->second.header);
  } else {
    s_.attr.font = 0;
  }
  UpdateDecoder();
}

void TRtfReader::Impl::UpdateDecoder() {
  int cp = ansiCodePage_;
  symbolFont_ = false;
  auto it = fonts_.find(s_.rtfFont < 0 ? defaultFont_ : s_.rtfFont);
  if (it != fonts_.end()) {
    symbolFont_ = it->second.symbol;
    if (it->second.codePage != 0) cp = it->second.codePage;
  }
  if (s_.dest == dFontTable) {
    cp = fontCodePage_ ? fontCodePage_ : fontCharset_ < 0 ? 0 : CharsetCodePage(fontCharset_);
    if (cp == 0) cp = ansiCodePage_;
    symbolFont_ = false;
  }
  if (decoderPage_ != cp) {
    decoder_ = TCodePageDecoder(cp);
    decoderPage_ = cp;
  }
}

void TRtfReader::Impl::EndFontEntry() {
  if (fontNumber_ >= 0) {
    FontDef def;
    std::string name = fontName_;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) name = "Arial";
    def.header = h_.FontNumber(name);
    if (def.header >= TTextHeader::kFonts) def.header = 0;
    TFontEntry& entry = h_.fonts[size_t(def.header)];
    if (entry.family == 0 && entry.charset == 0) {
      entry.family = uint32_t(fontFamily_);
      entry.charset = uint32_t(std::max(fontCharset_, 0));
    }
    def.symbol = fontCharset_ == 2;
    def.codePage = fontCodePage_ ? fontCodePage_ : fontCharset_ < 0 ? 0 : CharsetCodePage(fontCharset_);
    fonts_[fontNumber_] = def;
    if (fontNumber_ == defaultFont_) s_.attr.font = uint8_t(def.header);
  }
  fontName_.clear();
  fontNumber_ = 0;
  fontFamily_ = fontCodePage_ = 0;
  fontCharset_ = -1;
  UpdateDecoder();
}

void TRtfReader::Impl::ApplyState(TParagraph& p) {
  unapplied_ = false;
  const TParagraphProps& st = s_.par;
  p.alignment = st.alignment;
  p.firstIndent = st.firstIndent;
  p.leftIndent = st.leftIndent;
  p.rightIndent = st.rightIndent;
  p.spaceBefore = st.spaceBefore;
  p.spaceAfter = st.spaceAfter;
  p.lineSpacing = st.lineSpacing;
  p.shadeColors = st.shadeColors;
  p.shadeColorsHigh = st.shadeColorsHigh;
  p.borderColorHigh = st.borderColorHigh;
  p.shading = st.shading;
  p.borderFlags = uint8_t((p.borderFlags & bfBlockEnds) | (st.borderFlags & ~bfBlockEnds));
  p.borderStyle = st.borderStyle;
  p.borderWidth = st.borderWidth;
  p.borderSpaceColor = st.borderSpaceColor;
  // A table cell has the tab stops stated in it: the writer states them for
  // every cell that has any.
  p.tabSet = !p.IsTableCell() || s_.tabStarted ? st.tabSet : 0;
}

void TRtfReader::Impl::NewParagraphAfter() {
  TParagraph& p = Cur();
  // Little room to spare is left: giving it back would copy the paragraph.
  auto slack = [](size_t capacity, size_t size) { return capacity > size + size / 8 + 16; };
  if (slack(p.text.capacity(), p.text.size())) p.text.shrink_to_fit();
  if (slack(p.attrs.capacity(), p.attrs.size())) p.attrs.shrink_to_fit();
  auto q = std::make_unique<TParagraph>();
  q->Props() = s_.par;
  q->flags = 0;
  q->layoutFlags = lfReformat | lfRepaint;
  q->tabSet = s_.par.tabSet;
  list_.push_back(std::move(q));
  ownProperties_ = false;
  s_.tabStarted = false;
  highSurrogate_ = 0;
}

// Gives the cells of the row just ended their places as fractions of the
// row, which spans up to its widest boundary. The fractions are rounded so
// that the boundaries the writer computes from them give the same fractions
// when read again, and the row's indents are the ones the writer uses.
void TRtfReader::Impl::FinishRow() {
  int32_t largest = 0;
  for (auto [index, boundary] : rowCells_) largest = std::max(largest, boundary);
  int32_t textWidth = h_.pageWidth - h_.marginLeft - h_.marginRight;
  int32_t right = std::max(textWidth - largest - rowLeft_, 0);
  int total = 0;
  for (auto [index, boundary] : rowCells_) {
    TParagraph& p = *list_[index];
    int width = 10;
    if (largest > 0) {
      int end = boundary < 0 ? 255 : int((int64_t(510) * boundary / largest + 1) / 2);
      width = std::max(end - total, 1);
    }
    p.cellStart = uint8_t(std::clamp(total, 0, 255));
    p.cellWidth = uint8_t(std::clamp(width, 0, 255));
    total += width;
    p.rightIndent = right;
    p.leftIndent = rowLeft_;
  }
  rowCells_.clear();
  cellNumber_ = 0;
}

void TRtfReader::Impl::EndParagraph() {
  ApplyState(Cur());
  // A paragraph outside the table ends a row that had no \row.
  if (!Cur().IsTableCell() && cellNumber_ > 0) {
    if (list_.size() > 1 && list_[list_.size() - 2]->IsTableCell()) {
      list_[list_.size() - 2]->flags &= ~pfMoreCells;
    }
    FinishRow();
  }
  NewParagraphAfter();
}

void TRtfReader::Impl::PictureEnd() {
  using Kind = TPicture::Kind;
  auto pic = std::make_shared<TPicture>();
  pic->kind = picKind_;
  pic->width = picW_;
  pic->height = picH_;
  pic->bitsPerPixel = picBits_;
  pic->planes = picPlanes_;
  pic->widthBytes = picWidthBytes_;
  switch (picKind_) {
    case Kind::Metafile:
      if (!picData_.empty()) {
        bool placeable = picData_.size() >= 4 && picData_.compare(0, 4, "\xD7\xCD\xC6\x9A") == 0;
        pic->data = placeable ? std::move(picData_) : MakePlaceableMetafile(picData_, picW_, picH_);
      }
      break;
    case Kind::Dib:
      if (picData_.size() >= 40) pic->data = DibToBmpFile(picData_);
      break;
    default:
      pic->data = std::move(picData_);
  }
  picData_.clear();
  if (pic->data.empty() || picKind_ == Kind::None) pic.reset();
  if (pic && (picKind_ == Kind::Png || picKind_ == Kind::Jpeg || picKind_ == Kind::Dib)) {
    int w, h;
    if (PictureSize(*pic, w, h) && (pic->width <= 0 || pic->height <= 0)) {
      pic->width = w;
      pic->height = h;
    }
  }
  s_.dest = dText;  // the object character goes into the text
  if (!RoomForObject()) return;
  TTextObject* o = doc_.AddObject(pic, 0);
  int32_t w = picWGoal_, hgt = picHGoal_;
  if (w <= 0 || hgt <= 0) {
    if (picKind_ == Kind::Metafile || picKind_ == Kind::Emf) {
      w = MulDiv(picW_, 1440, 2540);  // hundredths of a millimetre
      hgt = MulDiv(picH_, 1440, 2540);
    } else {
      w = MulDiv(pic ? pic->width : picW_, 1440, 96);
      hgt = MulDiv(pic ? pic->height : picH_, 1440, 96);
    }
  }
  if (picScaleX_ > 0) w = MulDiv(w, picScaleX_, 100);
  if (picScaleY_ > 0) hgt = MulDiv(hgt, picScaleY_, 100);
  o->width = std::clamp(w, -kMaxLength, kMaxLength);
  o->height = std::clamp(hgt, -kMaxLength, kMaxLength);
  InsertObject(o, kObjectById, o->id);
}

void TRtfReader::Impl::PictureFileEnd() {
  s_.dest = dText;
  std::string key;
  for (TChar ch : FromUtf8Lenient(picFile_)) AppendUtf8(key, ToLower(ch));
  auto known = picFiles_.find(key);
  TTextObject* o = known != picFiles_.end() ? known->second : nullptr;
  if (!o && hadObjects_) o = doc_.FindObjectByFile(picFile_);
  if (!o && !RoomForObject()) return;
  if (!o) o = doc_.AddObject(nullptr, -1);
  picFiles_.emplace(std::move(key), o);
  o->fileName = picFile_;
  o->width = picWGoal_;
  o->height = picHGoal_;
  if (picScaleX_ > 0) o->width = std::clamp(MulDiv(o->width, picScaleX_, 100), -kMaxLength, kMaxLength);
  if (picScaleY_ > 0) o->height = std::clamp(MulDiv(o->height, picScaleY_, 100), -kMaxLength, kMaxLength);
  // The picture is never loaded from the named file: a document must not make
  // the program open files of the machine. The program may provide it.
  if (!o->picture && doc_.OnProvideObject) doc_.OnProvideObject(o->tag, *o);
  InsertObject(o, kObjectByTag, o->tag);
}

void TRtfReader::Impl::Finish() {
  // Reading that stopped early leaves the last paragraph with the state in force.
  if (unapplied_) ApplyState(Cur());
  if (!rowCells_.empty()) FinishRow();
  for (auto& p : list_) {
    p->firstIndent = h_.RoundToTabGrid(p->leftIndent + p->firstIndent);
    p->leftIndent = h_.RoundToTabGrid(p->leftIndent);
    p->layoutFlags |= lfReformat | lfRepaint;
  }
}

void TRtfReader::Impl::Dispatch(std::string_view word, bool hasParam, int32_t param) {
  const KeywordTable& table = Keywords();
  auto it = table.find(word);
  if (it == table.end()) {
    if (optional_) s_.dest = dSkip;
    optional_ = false;
    if (ucSkip_ > 0) --ucSkip_;
    return;
  }
  optional_ = false;
  const Keyword& kw = it->second;
  int32_t value = std::clamp((kw.useDefault || !hasParam) ? kw.value : param, -kMaxLength, kMaxLength);
  bool on = !hasParam || param != 0;

  if (kw.kind == K::Bin) {
    // Binary data: its bytes are skipped (or kept as picture bytes).
    size_t n = std::min<size_t>(size_t(std::max(param, 0)), data_.size() - pos_);
    if (s_.dest == dPicture) picData_.append(data_.substr(pos_, n));
    pos_ += n;
    return;
  }
  if (s_.dest == dSkip) return;
  if (ucSkip_ > 0 && kw.kind != K::Par) {
    --ucSkip_;
    return;
  }

  if (kw.kind >= K::Pard && kw.kind <= K::ShadeBack && s_.dest == dText) {
    unapplied_ = true;
    ownProperties_ = true;
  }
  auto& st = s_.par;
  auto& a = s_.attr;
  auto setFlag = [&](uint32_t f, bool set) { a.flags = set ? (a.flags | f) : (a.flags & ~f); };
  CellDef& cell = cellDef_;
  // Border words describe the paragraph, or after \clbrdrX the table cell.
  auto borderBytes = [&](int which) {
    uint8_t& flags = cellBorder_ ? cell.border[0] : st.borderFlags;
    uint8_t& space = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
    static const uint8_t bits[] = {0x41, 0x05, 0x11, 0x09, 0x21, 0x81};
    flags |= bits[which];
    if ((which == 0 || which == 2 || which == 4) && (space >> 4) == 0) space |= 0x10;
  };

  switch (kw.kind) {
    case K::Char:
      if (s_.dest != dSkip) Char(TChar(value));
      return;
    case K::Par:
      if (s_.dest != dText) return;
      if (Cur().IsTableCell() && s_.tableMode) {
        Insert(1010);  // a line break inside the cell
      } else {
        EndParagraph();
      }
      return;
    case K::Sect:
      if (s_.dest == dText && !Cur().text.empty()) EndParagraph();
      return;
    case K::Unicode: {
      // Negative values are UTF-16 units written as signed 16-bit numbers.
      TChar u = param < -32768 || param > 0x10FFFF ? kReplacement
                : param < 0                        ? TChar(param + 65536)
                                                   : TChar(param);
      Char(u);
      ucSkip_ = s_.uc;
      return;
    }
    case K::UnicodeSkip:
      s_.uc = std::clamp(value, 0, 10);
      return;

    case K::FontTable:
      s_.dest = dFontTable;
      fontNumber_ = 0;
      fontName_.clear();
      UpdateDecoder();
      return;
    case K::ColorTable:
      s_.dest = dColorTable;
      colorIndex_ = 0;
      return;
    case K::Pict:
      s_.dest = dPicture;
      picKind_ = TPicture::Kind::None;
      picData_.clear();
      picHalf_ = -1;
      picW_ = picH_ = picWGoal_ = picHGoal_ = 0;
      picBits_ = picWidthBytes_ = 0;
      picPlanes_ = 1;
      picScaleX_ = picScaleY_ = 100;
      return;
    case K::PicFile:
      s_.dest = dPictureFile;
      picFile_.clear();
      inQuotes_ = false;
      picWGoal_ = picHGoal_ = 0;
      picScaleX_ = picScaleY_ = 100;
      return;
    case K::Title:
      s_.dest = h_.title.empty() ? dTitle : dSkip;
      return;
    case K::Subject:
      s_.dest = h_.subject.empty() ? dSubject : dSkip;
      return;
    case K::Comment:
      s_.dest = h_.comment.empty() ? dComment : dSkip;
      return;
    case K::Footnote: {
      if (s_.dest != dText) {
        s_.dest = dSkip;
        return;
      }
      if (doc_.Footnotes().size() >= 65000) {
        s_.dest = dSkip;
        return;
      }
      TParagraph& p = Cur();
      TChar mark = p.text.empty() ? U'?' : p.text.back();
      TFootnote& f = doc_.AddFootnote(mark, 0, {});
      footnoteId_ = f.id;
      if (!p.text.empty() && doc_.IsRich()) {
        TAttr m = doc_.CharAttr(p, p.text.size() - 1);
        m.flags |= afFootnote;
        m.flags &= ~afSuperscript;
        m.id = f.id;
        p.attrs.back() = doc_.Intern(m);
      }
      s_.dest = dFootnote;
      return;
    }
    case K::Transparent:
      return;
    case K::SkipDest:
      s_.dest = dSkip;
      return;
    case K::Upr:
      skipNextGroup_ = true;
      return;

    case K::Plain:
      a = TAttr{};
      a.size = 10;  // the default size, as the writer states it
      SetFont(defaultFont_);
      s_.charClass = 0;
      s_.dbchFont = -1;
      s_.dbchSize = 0;
      return;
    case K::CharClass:
      s_.charClass = uint8_t(value);
      return;
    case K::AssocFont:
      if (s_.charClass == 2 && s_.dest == dText) {
        auto it = fonts_.find(param);
        s_.dbchFont = it != fonts_.end() ? it->second.header : -1;
      }
      return;
    case K::AssocSize:
      if (s_.charClass == 2 && s_.dest == dText) {
        int size = value / 2;
        s_.dbchSize = uint8_t(std::clamp(size == 0 ? 10 : size, 1, 255));
      }
      return;
    case K::Flag:
      setFlag(uint32_t(kw.value), on);
      return;
    case K::Super:
      if (s_.dest == dText) setFlag(afSuperscript, on);
      return;
    case K::NoSuperSub:
      setFlag(afSuperscript | afSubscript, false);
      return;
    case K::UlNone:
      setFlag(afUnderline | afDoubleUnderline, false);
      return;
    case K::Font:
      if (s_.dest == dFontTable) {
        fontNumber_ = param;
        fontFamily_ = fontCodePage_ = 0;
        fontCharset_ = -1;
        UpdateDecoder();
      } else {
        SetFont(param);
      }
      return;
    case K::FontSize: {
      int size = value / 2;
      a.size = uint8_t(std::clamp(size == 0 ? 10 : size, 1, 255));
      return;
    }
    case K::TextColor:
      if (param >= 0 && param < TTextHeader::kColors) a.SetTextColor(param);
      return;
    case K::BackColor:
    case K::Highlight:
      if (param >= 0 && param < TTextHeader::kColors) a.SetBackColor(param);
      return;
    case K::InsPoint:
      a.flags = (a.flags | afInsertPoint) & ~afAutomatic;
      a.id = uint16_t(param);
      return;
    case K::InAuto:
      if (value != 0) {
        a.flags = (a.flags | afAutomatic) & ~afInsertPoint;
      } else {
        a.flags &= ~afAutomatic;
      }
      return;
    case K::RtfCode:
      setFlag(afRtfCode, value != 0);
      rtfCode_ = value != 0;
      codeMatch_ = 0;
      return;
    case K::ObjTag:
      objTag_ = uint16_t(param);
      return;
    case K::ObjWidth:
      objW_ = value;
      return;
    case K::ObjHeight:
      objH_ = value;
      return;
    case K::FootnoteNumber:
      if (TFootnote* f = doc_.FindFootnote(footnoteId_)) f->number = param;
      return;
    case K::FootnoteMark:
      // The automatic footnote number; in the footnote text it is the mark again.
      if (s_.dest == dText) {
        for (char d : std::to_string(doc_.Footnotes().size() + 1)) Insert(TChar(d));
      }
      return;

    case K::Pard: {
      if (list_.size() > 1 && Cur().text.empty()) {
        // A table cell's borders are the cell's own; they form no block.
        TParagraph& prev = *list_[list_.size() - 2];
        if ((prev.borderFlags & bfBorder) && !prev.IsTableCell()) prev.borderFlags |= bfBlockEnds;
      }
      st = TParagraphProps{};
      tabSet_ = 0;
      s_.tabStarted = false;
      s_.tableMode = false;
      pendingFirst_ = 0;
      cellBorder_ = false;
      Cur().flags &= ~(pfTableCell);
      return;
    }
    case K::LeftIndent:
      st.leftIndent = std::max(value, 0);
      st.firstIndent = pendingFirst_;
      pendingFirst_ = 0;
      return;
    case K::FirstIndent:
      st.firstIndent = value;
      pendingFirst_ = value;
      return;
    case K::RightIndent:
      st.rightIndent = value;
      return;
    case K::SpaceBefore:
      st.spaceBefore = value;
      return;
    case K::SpaceAfter:
      st.spaceAfter = value;
      return;
    case K::LineSpacing:
      st.lineSpacing = value;
      return;
    case K::Align:
      st.alignment = uint8_t(value);
      return;
    case K::Page:
      if (s_.dest == dText) Cur().flags |= pfPageBreak;
      return;
    case K::Keep:
      if (s_.dest == dText) Cur().flags |= pfKeep;
      return;
    case K::Tab:
      if (!s_.tabStarted) {
        tabSet_ = 0;
        st.tabSet = 0;
        s_.tabStarted = true;
      }
      h_.AddTab(value, pendingTab_);
      tabSet_ |= h_.scratchMask;
      st.tabSet = tabSet_;
      pendingTab_ = tkLeft;
      return;
    case K::TabKind:
      pendingTab_ = TTabKind(value);
      return;
    case K::Border:
      borderBytes(value);
      return;
    case K::BorderStyle:
      (cellBorder_ ? cell.border[1] : st.borderStyle) |= uint8_t(value);
      return;
    case K::BorderWidth:
      // Whole points, rounded; a thin line stays a line of one point.
      (cellBorder_ ? cell.border[2] : st.borderWidth) =
          uint8_t(value <= 0 ? 0 : std::clamp((value + 10) / 20, 1, 255));
      return;
    case K::BorderSpace: {
      uint8_t& b = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
      b = uint8_t((b & 0x0F) | (std::clamp(value / 56, 0, 15) << 4));
      return;
    }
    case K::BorderColor: {
      int c = std::clamp(value, 0, TTextHeader::kColors - 1);
      uint8_t& b = cellBorder_ ? cell.border[3] : st.borderSpaceColor;
      b = uint8_t((b & 0xF0) | (c & 15));
      (cellBorder_ ? cell.borderColorHigh : st.borderColorHigh) = uint8_t(c >> 4);
      return;
    }
    case K::Shading:
      s_.shadingGroup = true;
      st.shading = uint8_t(std::clamp(value / 100, 0, 100));
      st.shadeColors = st.shadeColorsHigh = 0;
      return;
    case K::PatternColor:
      st.SetPatternColor(std::clamp(value, 0, TTextHeader::kColors - 1));
      return;
    case K::ShadeBack:
      st.SetShadeBackColor(std::clamp(value, 0, TTextHeader::kColors - 1));
      return;

    case K::Paper:
    case K::Margin:
      if (options_.keepHeader) return;
      if (word == "paperw") h_.pageWidth = value;
      if (word == "paperh") h_.pageHeight = value;
      if (word == "margl") h_.marginLeft = value;
      if (word == "margr") h_.marginRight = value;
      if (word == "margt") h_.marginTop = value;
      if (word == "margb") h_.marginBottom = value;
      return;
    case K::Facing:
      if (!options_.keepHeader) h_.facingPages = value != 0;
      return;
    case K::Landscape:
      if (!options_.keepHeader) h_.landscape = value != 0;
      return;
    case K::Ignore:
      return;
    case K::DefaultFont:
      defaultFont_ = param;
      return;
    case K::AnsiCodePage:
      if (param > 0) ansiCodePage_ = param;
      UpdateDecoder();
      return;
    case K::CodePageWord:
      ansiCodePage_ = value;
      UpdateDecoder();
      return;
    case K::FontFamily:
      if (s_.dest == dFontTable) fontFamily_ = value;
      return;
    case K::FontCharset:
      if (s_.dest == dFontTable) {
        fontCharset_ = param;
        UpdateDecoder();
      }
      return;
    case K::FontCodePage:
      if (s_.dest == dFontTable) {
        fontCodePage_ = param;
        UpdateDecoder();
      }
      return;

    case K::Red:
    case K::Green:
    case K::Blue:
      if (s_.dest != dColorTable || colorIndex_ >= TTextHeader::kColors || options_.keepHeader) return;
      {
        int shift = kw.kind == K::Red ? 0 : kw.kind == K::Green ? 8 : 16;
        uint32_t& c = h_.colors[size_t(colorIndex_)];
        c = (c & ~(0xFFu << shift)) | (uint32_t(value & 0xFF) << shift);
      }
      return;

    case K::RowDef:
      cells_.clear();
      cellDef_ = CellDef{};
      rowLeft_ = 0;
      cellBorder_ = false;
      s_.tableMode = true;
      return;
    case K::CellX:
      if (cells_.size() < 50) {
        cellDef_.boundary = std::max(value - rowLeft_, 0);
        cells_.push_back(cellDef_);
      }
      cellDef_ = CellDef{};
      cellBorder_ = false;
      return;
    case K::RowLeft:
      rowLeft_ = std::max(value, 0);
      st.leftIndent = rowLeft_;
      return;
    case K::RowGap: {
      int units = value / 56;
      if (value > 0 && units == 0) units = 1;
      cellSpacing_ = uint8_t(std::clamp(units, 0, 15));
      return;
    }
    case K::CellBorder:
      cellBorder_ = true;
      cell.border[0] |= uint8_t(value == 1 ? 0x05 : value == 2 ? 0x11 : value == 3 ? 0x09 : 0x21);
      return;
    case K::CellPattern:
    case K::CellBack: {
      // Kept as paragraph shading colours, so the cell's colours are set
      // through a paragraph record.
      TParagraphProps shade;
      shade.shadeColors = cell.shadeColors;
      shade.shadeColorsHigh = cell.shadeColorsHigh;
      int c = std::clamp(value, 0, TTextHeader::kColors - 1);
      kw.kind == K::CellPattern ? shade.SetPatternColor(c) : shade.SetShadeBackColor(c);
      cell.shadeColors = shade.shadeColors;
      cell.shadeColorsHigh = shade.shadeColorsHigh;
      return;
    }
    case K::CellMerge:
      return;
    case K::InTable: {
      if (s_.dest != dText) return;
      TParagraph& p = Cur();
      p.flags |= pfTableCell;
      size_t n = size_t(cellNumber_);
      if (n < cells_.size()) {
        const CellDef& c = cells_[n];
        st.borderFlags = c.border[0];
        st.borderStyle = c.border[1];
        st.borderWidth = c.border[2];
        st.borderSpaceColor = uint8_t((c.border[3] & 0x0F) | (cellSpacing_ << 4));
        st.borderColorHigh = c.borderColorHigh;
        st.shadeColors = c.shadeColors;
        st.shadeColorsHigh = c.shadeColorsHigh;
      }
      s_.tableMode = true;
      return;
    }
    case K::Cell: {
      if (s_.dest != dText) return;
      TParagraph& p = Cur();
      size_t n = size_t(cellNumber_);
      rowCells_.push_back({list_.size() - 1, n < cells_.size() ? cells_[n].boundary : -1});
      p.flags |= pfTableCell | pfMoreCells;
      if (cellNumber_ > 0) p.flags |= pfNotFirstCell;
      ++cellNumber_;
      st.leftIndent = rowLeft_;
      EndParagraph();
      return;
    }
    case K::Row:
      if (list_.size() > 1) {
        TParagraph& last = *list_[list_.size() - 2];
        if (last.IsTableCell()) last.flags &= ~pfMoreCells;
      }
      FinishRow();
      return;
    case K::NestCell:
      if (s_.dest == dText) Insert(kTab);
      return;

    case K::PicType:
      picKind_ = TPicture::Kind(value);
      return;
    case K::PicW:
      picW_ = value;
      return;
    case K::PicH:
      picH_ = value;
      return;
    case K::PicWGoal:
      picWGoal_ = value;
      return;
    case K::PicHGoal:
      picHGoal_ = value;
      return;
    case K::PicBits:
      picBits_ = value;
      return;
    case K::PicPlanes:
      picPlanes_ = value;
      return;
    case K::PicWidthBytes:
      picWidthBytes_ = value;
      return;
    case K::PicScaleX:
      picScaleX_ = std::clamp(value, 0, 10000);
      return;
    case K::PicScaleY:
      picScaleY_ = std::clamp(value, 0, 10000);
      return;
    default:
      return;
  }
}

}  // namespace richtext
