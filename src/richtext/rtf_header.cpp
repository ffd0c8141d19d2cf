// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader's destinations and header tables: fonts and code pages,
// colours, info strings, footnotes, document and character properties.
#include <richtext/rtf_reader_impl.h>
#include <richtext/unicode.h>

#include <algorithm>

namespace richtext {

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
    // Names are kept to 31 characters; a space that the cut leaves at the
    // end goes too, as when the name is read again.
    std::string name = Utf8Prefix(fontName_, TTextHeader::kFontNameLength);
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

void TRtfReader::Impl::ApplyStyle(int kind, int number) {
  // The style and the styles it is based on, nearest first. A style based on
  // itself has no base; one whose bases come back to a style of the chain is
  // broken, and none of it is applied.
  constexpr size_t kMaxBases = 20;
  std::vector<const Style*> chain;
  for (int n = number; chain.size() <= kMaxBases;) {
    auto it = styles_[kind].find(n);
    if (it == styles_[kind].end()) break;
    const Style* style = &it->second;
    if (std::find(chain.begin(), chain.end(), style) != chain.end()) return;
    chain.push_back(style);
    if (style->basedOn < 0 || style->basedOn == n) break;
    n = style->basedOn;
  }
  // Which characters associated words are for (\loch, \dbch) holds inside
  // the style's words only, not for the words of the text after it.
  uint8_t charClass = s_.charClass;
  ++inStyle_;
  for (auto style = chain.rbegin(); style != chain.rend(); ++style) {
    for (const StyleWord& w : (*style)->words) HeaderWord(*w.kw, {}, w.param, w.value, w.on);
  }
  --inStyle_;
  s_.charClass = charClass;
}

const TRtfReader::Impl::PlainState& TRtfReader::Impl::Plain(int style) {
  // Kept per style, since \plain comes often and a style's words can be many.
  auto it = plainCache_.find(style);
  if (it != plainCache_.end()) return it->second;
  State now = s_;
  s_.attr = TAttr{};
  s_.attr.size = kDefaultSize;
  SetFont(defaultFont_);
  s_.charClass = 0;
  s_.dbch = {};
  if (style >= 0) ApplyStyle(0, style);
  PlainState plain{s_.attr, s_.rtfFont, s_.dbch};
  s_ = std::move(now);
  UpdateDecoder();
  if (plainCache_.size() > 1000) plainCache_.clear();
  return plainCache_[style] = plain;
}

void TRtfReader::Impl::PlainFormatting() {
  // Inside a style's own words \plain gives RTF's defaults: the paragraph
  // style in force is the one being applied.
  PlainState plain = Plain(s_.dest == dText && inStyle_ == 0 ? s_.parStyle : -1);
  s_.attr = plain.attr;
  s_.rtfFont = plain.rtfFont;
  s_.charClass = 0;
  s_.dbch = plain.dbch;
  UpdateDecoder();
}

bool TRtfReader::Impl::IsPlainFormatting() {
  const PlainState& plain = Plain(s_.dest == dText ? s_.parStyle : -1);
  return s_.attr == plain.attr && s_.charClass == 0 && s_.dbch == plain.dbch;
}

void TRtfReader::Impl::HeaderWord(const Keyword& kw, std::string_view word, int32_t param, int32_t value,
                                  bool on) {
  auto& a = s_.attr;
  auto setFlag = [&](uint32_t f, bool set) { a.flags = set ? (a.flags | f) : (a.flags & ~f); };
  switch (kw.kind) {
    case K::FontTable:
      s_.dest = dFontTable;
      fontNumber_ = 0;
      fontName_.clear();
      UpdateDecoder();
      return;
    case K::ColorTable:
      s_.dest = dColorTable;
      colorIndex_ = 0;
      colorTableRead_ = true;
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
      // The character before the footnote is its mark, unless it is an
      // object, which stays one: then, as at the start of a paragraph, the
      // footnote has no mark in the text.
      TParagraph& p = Cur();
      const bool marked = !p.text.empty() && p.text.back() != kObjectByTag && p.text.back() != kObjectById;
      TFootnote& f = doc_.AddFootnote(marked ? p.text.back() : U'?', 0, {});
      footnoteId_ = f.id;
      if (marked && doc_.IsRich()) {
        TAttr m = doc_.CharAttr(p, p.text.size() - 1);
        // The mark's id is the footnote's: it is no insertion point too.
        m.flags |= afFootnote;
        m.flags &= ~(afSuperscript | afInsertPoint);
        m.id = f.id;
        p.attrs.back() = doc_.Intern(m);
      }
      s_.dest = dFootnote;
      return;
    }
    case K::Transparent:
      return;
    case K::ListNumbering:
      s_.dest = s_.dest == dText ? dListNumbering : dSkip;
      return;
    case K::ListText:
      if (s_.dest != dText) {
        s_.dest = dSkip;
        return;
      }
      s_.dest = dListText;
      listTextNumbered_ = false;
      listTextStarted_ = false;
      listTextFrom_ = listTextTo_ = Cur().text.size();
      return;
    case K::SkipDest:
      s_.dest = dSkip;
      return;
    case K::Upr:
      skipNextGroup_ = true;
      return;
    case K::Plain:
      PlainFormatting();
      return;
    case K::StyleSheet:
      s_.dest = dStyleSheet;
      return;
    case K::Style:
      if (s_.dest != dText || kw.value >= 2) return;
      if (kw.value == 0) {
        // A paragraph style takes the place of the one before it: where the
        // formatting is still that style's own, none of it stays.
        bool plain = IsPlainFormatting();
        s_.parStyle = param;
        if (plain) return PlainFormatting();
      }
      ApplyStyle(kw.value, param);
      return;
    case K::StyleBasedOn:
      return;
    case K::CharClass:
      s_.charClass = uint8_t(value);
      return;
    case K::AssocFont:
      if (s_.charClass == 2 && s_.dest == dText) {
        auto it = fonts_.find(param);
        s_.dbch.font = it != fonts_.end() ? it->second.header : -1;
      }
      return;
    case K::AssocSize:
      if (s_.charClass == 2 && s_.dest == dText) {
        int size = value / 2;
        s_.dbch.size = uint8_t(std::clamp(size == 0 ? 10 : size, 1, 255));
      }
      return;
    case K::AssocFlag:
      if (s_.charClass == 2 && s_.dest == dText) {
        s_.dbch.given |= uint32_t(kw.value);
        s_.dbch.flags = on ? (s_.dbch.flags | uint32_t(kw.value)) : (s_.dbch.flags & ~uint32_t(kw.value));
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
    // Without a colour table of its own a file's colour numbers name nothing:
    // its text is in the automatic colour.
    case K::TextColor:
      if (param >= 0 && param < TTextHeader::kColors) a.SetTextColor(HasColors() ? param : 0);
      return;
    case K::BackColor:
    case K::Highlight:
      if (param >= 0 && param < TTextHeader::kColors) a.SetBackColor(HasColors() ? param : 0);
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
    case K::FootnoteNumber:
      if (TFootnote* f = doc_.FindFootnote(footnoteId_)) f->number = param;
      return;
    case K::FootnoteMark:
      // The automatic footnote number; in the footnote text it is the mark again.
      if (s_.dest == dText) {
        for (char d : std::to_string(doc_.Footnotes().size() + 1)) Insert(TChar(d));
      }
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
    default:
      return;
  }
}

}  // namespace richtext
