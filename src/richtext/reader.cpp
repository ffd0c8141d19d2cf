// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/reader.h>

#include <richtext/rtf_reader_impl.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <tuple>

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
    auto p = TParagraphPtr::Make();
    std::string_view line = bytes.substr(start, i - start);
    p->text = utf8 ? *FromUtf8(line) : FromCp1252(line);
    if (doc_.IsRich()) p->attrs.assign(p->text.size(), ai);
    list.push_back(std::move(p));
    ShareBlankParagraph(list);
    if (!end && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
    doc_.progress.Update(int64_t(i));
  }
  doc_.progress.Finish();
  return list;
}

// ---------------------------------------------------------------- RTF: the tokenizer

TRtfReader::TRtfReader(TRTFText* doc, TReadOptions options)
    : TTextReader(doc ? doc : throw EEngineError(kErrReaderArgs), std::move(options)) {}

TRtfReader::~TRtfReader() = default;

TRTFText::ParagraphList TRtfReader::Read(std::string_view bytes) {
  losses_ = {};
  Impl impl(doc_, options_, losses_);
  return impl.Run(bytes);
}

size_t rtf::ParagraphsAtMost(std::string_view bytes) {
  auto isWord = [bytes](size_t at, std::string_view word) {
    return bytes.substr(at, word.size()) == word &&
           (at + word.size() == bytes.size() || !IsWordLetter(uint8_t(bytes[at + word.size()])));
  };
  size_t n = 1;
  const char* data = bytes.data();
  for (size_t at = 0; at + 1 < bytes.size(); ++at) {
    const void* found = std::memchr(data + at, '\\', bytes.size() - at - 1);
    if (!found) break;
    at = size_t(static_cast<const char*>(found) - data) + 1;
    switch (bytes[at]) {
      case '\n':
      case '\r':
        ++n;
        break;
      case 'p':
        n += isWord(at, "par");
        break;
      case 's':
        n += isWord(at, "sect");
        break;
      case 'c':
        n += isWord(at, "cell");
        break;
      default:
        break;
    }
  }
  return n;
}

TRTFText::ParagraphList TRtfReader::Impl::Run(std::string_view bytes) {
  data_ = bytes;
  s_.attr.size = kDefaultSize;
  // The list is made once at the size the text can need, rather than
  // doubling: a document of many short paragraphs would otherwise hold up to
  // twice the pointers it needs, and both lists while it grows.
  list_.reserve(ParagraphsAtMost(bytes));
  list_.push_back(TParagraphPtr::Make());
  doc_.progress.Start(int64_t(bytes.size()));
  try {
    static constexpr std::string_view kCodeEnd = "\\wprtf0";
    size_t lastReport = 0;
    while (!stop_ && More()) {
      uint8_t c = Next();
      if (rebasePending_ && c != '}' && c != '\r' && c != '\n') Rebase();
      if (deepSkip_ > 0 && c != '{' && c != '}') {
        if (c != '\r' && c != '\n') ++losses_.tooDeep;
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
        // Control bytes are no part of RTF code, nor of the word that ends
        // it: dropped first, they cannot hide a \wprtf0 that the text would
        // then hold and its next reading end at.
        if (c < 32) continue;
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
        Insert(Cp1252ToUnicode(c));  // as the writer writes RTF code
        continue;
      }
      // Plain text, the bulk of most files, goes in as a run at a time.
      if (IsPlainByte(c) && s_.dest == dText && ucSkip_ == 0 && highSurrogate_ == 0 &&
          !decoder_.Pending()) {
        size_t end = pos_;
        while (end < data_.size() && IsPlainByte(uint8_t(data_[end]))) ++end;
        InsertRun(data_.substr(pos_ - 1, end - pos_ + 1));
        pos_ = end;
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
  // Words in skipped groups may have counted for much more than was read.
  if (list_.capacity() > 2 * list_.size() + 64) list_.shrink_to_fit();
  return std::move(list_);
}

void TRtfReader::Impl::ControlWord() {
  if (!More()) return;
  uint8_t c = Next();
  if (!IsWordLetter(c)) {
    Symbol(c);
    return;
  }
  size_t start = pos_ - 1;
  while (More() && IsWordLetter(uint8_t(data_[pos_]))) ++pos_;
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
  } else if (c == kLineWord) {
    if (s_.dest != dText) c = kLineBreak;  // in text, Insert takes it
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
      } else if (c >= ' ' && !(c == ' ' && fontName_.empty())) {
        AppendUtf8(fontName_, c);  // control characters are no part of a name
      }
      return;
    case dPictureFile:
      if (c == '"') {
        inQuotes_ = !inQuotes_;
      } else if (inQuotes_ && c >= ' ' && picFile_.size() < 255) {
        AppendUtf8(picFile_, c);  // nor are they of a file's
      }
      return;
    case dTitle:
    case dComment:
    case dSubject:
      // The object codes stand only for objects, which an info string has none of.
      if (c > 3) AppendUtf8(s_.dest == dTitle ? h_.title : s_.dest == dComment ? h_.comment : h_.subject, c);
      return;
    case dListText:
      if (!listTextStarted_ && c > ' ') {
        listTextStarted_ = true;
        listTextNumbered_ = c < 0x80 && std::isalnum(int(c));
      }
      Insert(c);
      listTextTo_ = Cur().text.size();
      return;
    case dFootnote:
      if (TFootnote* f = doc_.FindFootnote(footnoteId_)) {
        if (c <= 3 || (f->text.empty() && (c == ' ' || c == f->mark))) return;  // object codes are no text
        f->text.push_back(c);
      }
      return;
    default:
      return;
  }
}

void TRtfReader::Impl::PushGroup() {
  started_ = true;
  decoder_.Reset();  // a double-byte character does not span a brace
  s_.paragraph = list_.size() - 1;
  stack_.push_back(s_);
  s_.shadingGroup = false;
  if (s_.dest == dStyleSheet) {
    s_.dest = dStyleEntry;
    styleEntry_ = Style{};
  }
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
  decoder_.Reset();
  // A paragraph takes the properties in force where its text ends: at its
  // \par, or for the last one where the groups around it close.
  bool applied = s_.dest == dText && unapplied_;
  if (applied) ApplyState(Cur());
  bool hadBorder = s_.par.borderFlags & bfBorder;
  bool shadingGroup = s_.shadingGroup;
  int oldFont = s_.rtfFont;
  bool fontTable = s_.dest == dFontTable;
  if (s_.dest == dStyleEntry && stack_.back().dest == dStyleSheet && styleEntry_.kind < 2) {
    styles_[styleEntry_.kind][styleEntry_.number] = std::move(styleEntry_);
    styleEntry_ = Style{};
  }
  bool styleSheet = s_.dest == dStyleSheet;
  if (s_.dest != dText) plainCache_.clear();  // a table may have changed
  // The numbering group gives the paragraph around it its list membership.
  std::optional<std::pair<uint8_t, uint8_t>> list;
  if (s_.dest == dListNumbering) list.emplace(s_.par.listKind, s_.par.listLevel);
  s_ = std::move(stack_.back());
  stack_.pop_back();
  if (list && s_.dest == dText) {
    std::tie(s_.par.listKind, s_.par.listLevel) = *list;
    unapplied_ = true;
  }
  // Text before any \pard or \s is in style 0, which the style sheet now gives.
  if (styleSheet && s_.dest == dText) {
    int style = s_.parStyle;
    s_.parStyle = -1;  // no style: the formatting the text had before the sheet
    bool plain = IsPlainFormatting();
    s_.parStyle = style;
    if (plain) PlainFormatting();
  }
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
  if (s_.dest == dStyleEntry) {
    // A style's character words are kept for where the style is used.
    if (kw.kind == K::Style) {
      styleEntry_.kind = kw.value;
      styleEntry_.number = param;
    } else if (kw.kind == K::StyleBasedOn) {
      styleEntry_.basedOn = param;
    } else if (kw.kind >= K::Plain && kw.kind <= K::Highlight) {
      styleEntry_.words.push_back({&kw, param, value, on});
    }
    return;
  }
  // A list label's own paragraph words are those of no paragraph here.
  if (kw.kind >= K::Pard && kw.kind <= K::NestCell && s_.dest == dListText) return;
  if (kw.kind >= K::Pard && kw.kind <= K::NestCell) return ParagraphWord(kw, value);
  if (kw.kind >= K::Pict) return PictureWord(kw, param, value);
  if (kw.kind >= K::FontTable) return HeaderWord(kw, word, param, value, on);
  switch (kw.kind) {
    case K::Char:
      if (s_.dest != dSkip) Char(TChar(value));
      return;
    case K::Par:
      if (s_.dest != dText) return;
      if (Cur().IsTableCell() && s_.tableMode) {
        Insert(kLineWord);  // a line break inside the cell
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
    default:
      return;
  }
}

}  // namespace richtext
