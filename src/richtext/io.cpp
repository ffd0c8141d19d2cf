// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/io.h>

#include <richtext/html.h>
#include <richtext/reader.h>
#include <richtext/unicode.h>

#include <base/safe_file.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace richtext {

TLoadFormat TRTFTextIo::DetectFormat(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\n' || bytes[i] == '\r' ||
                              bytes[i] == '\t' || bytes[i] == '\b')) {
    ++i;
  }
  if (bytes.substr(i, 5) == "{\\rtf") return FormatRTF;
  std::string_view head = bytes.substr(0, 2000);
  for (size_t lt = head.find('<'); lt != std::string_view::npos; lt = head.find('<', lt + 1)) {
    size_t gt = head.find('>', lt + 1);
    if (gt == std::string_view::npos) break;
    size_t len = gt - lt - 1;
    if (len < 1 || len > 9) continue;
    std::string name(head.substr(lt + 1, len));
    for (char& c : name) c = char(std::tolower(uint8_t(c)));
    for (const char* tag : {"html", "b", "p", "br", "title", "body", "h1"}) {
      if (name == tag) return FormatHTML;
    }
  }
  return FormatANSI;
}

TIoResult TRTFTextIo::LoadFromStream(std::string_view bytes) {
  TLoadFormat format = loadFormat;
  if (format != FormatRTF && format != FormatANSI && format != FormatHTML) {
    format = DetectFormat(bytes);
  }
  Clear();
  lastLosses = {};
  if (format == FormatANSI && bytes.size() > 500000) SetMemoryFormat(false);
  try {
    ParagraphList list;
    if (format == FormatRTF) {
      TRtfReader reader(this);
      list = reader.Read(bytes);
      lastLosses = reader.Losses();
    } else if (format == FormatHTML) {
      list = ReadHtml(*this, bytes);
    } else {
      list = TTextReader(this).Read(bytes);
    }
    SetParagraphs(std::move(list));
    lastError = ioOk;
  } catch (const std::exception&) {
    lastError = ioFailed;
  }
  lastFormat = format;
  return lastError;
}

TIoResult TRTFTextIo::SaveToStream(TOutStream& out, bool fromFile) {
  TLoadFormat format = saveFormat;
  if (format != FormatRTF && format != FormatANSI && format != FormatHTML) {
    if (lastFormat == FormatRTF || lastFormat == FormatANSI) {
      format = lastFormat;
    } else {
      format = IsRich() ? FormatRTF : FormatANSI;
    }
  }
  if (format == FormatRTF && IsEmpty() && !fromFile) format = FormatANSI;
  try {
    if (format == FormatRTF) {
      lastError = TRTFWriter(*this, {}, writeOptions).Write(out);
    } else if (format == FormatHTML) {
      lastError = THtmlWriter(*this, {}, writeOptions).Write(out);
    } else {
      lastError = TTextWriter(*this, {}, writeOptions).Write(out);
    }
  } catch (const std::bad_alloc&) {
    lastError = ioOutOfMemory;
  }
  return lastError;
}

TIoResult TRTFTextIo::LoadFromFile(const std::filesystem::path& path) {
  std::string bytes;
  try {
    bytes = quillet::ReadWholeFile(path);
  } catch (const std::exception&) {
    lastError = ioFailed;
    return lastError;
  }
  if (LoadFromStream(bytes) == ioOk) fileName = path;
  return lastError;
}

TIoResult TRTFTextIo::SaveToFile(const std::filesystem::path& path) {
  std::string upper = path.filename().string();
  for (char& c : upper) c = char(std::toupper(uint8_t(c)));
  TLoadFormat keep = saveFormat;
  if (upper.find(".RTF") != std::string::npos) {
    saveFormat = FormatRTF;
  } else if (upper.find(".HTM") != std::string::npos) {
    saveFormat = FormatHTML;
  }
  TStringStream out;
  TIoResult r = SaveToStream(out, true);
  saveFormat = keep;
  if (r == ioOk) {
    try {
      quillet::WriteFileSafely(path, out.bytes, quillet::TFileAccess::kShared);
      fileName = path;
    } catch (const std::exception&) {
      r = ioFailed;
    }
  }
  lastError = r;
  return r;
}

void TRTFTextIo::Clear() {
  TRTFText::Clear();
  fileName.clear();
}

void TRTFTextIo::CopyHeaderFrom(const TRTFText& other) {
  const TTextHeader& o = other.Header();
  TTextHeader& h = Header();
  h.fonts = o.fonts;
  h.colors = o.colors;
  h.colorTableSize = o.colorTableSize;
  h.tabs = o.tabs;
  h.tabOrder = o.tabOrder;
  h.pageWidth = o.pageWidth;
  h.pageHeight = o.pageHeight;
  h.marginLeft = o.marginLeft;
  h.marginRight = o.marginRight;
  h.marginTop = o.marginTop;
  h.marginBottom = o.marginBottom;
  h.facingPages = o.facingPages;
  h.landscape = o.landscape;
  h.SetResolution(h.xResolution, h.yResolution);
}

void TRTFTextIo::FastAppendText(TRTFText& other) {
  if (&other == this) throw EEngineError(kErrAppendSelf);
  ParagraphList list = AdoptParagraphs(other);
  size_t at = IsEmpty() ? 0 : Size();
  if (IsEmpty()) RemoveParagraphs(0, 1);
  InsertParagraphs(at, std::move(list));
}

TRTFText::ParagraphList TRTFTextIo::ReadRtfForInsertion(std::string_view rtf) {
  TRTFTextIo source;
  source.Header().SetResolution(Header().xResolution, Header().yResolution);
  source.SetParagraphs(TRtfReader(&source).Read(rtf));
  return AdoptParagraphs(source);
}

TRTFText::ParagraphList TRTFTextIo::ReadHtmlForInsertion(std::string_view html) {
  // Read against this document's own tables, so that text without a style of
  // its own keeps the font and colours it is inserted in.
  TRTFTextIo source;
  source.CopyHeaderFrom(*this);
  source.Header().SetResolution(Header().xResolution, Header().yResolution);
  source.insertionAttr = insertionAttr;
  source.SetParagraphs(ReadHtml(source, html));
  return AdoptParagraphs(source);
}

int TRTFTextIo::AdoptColor(const TTextHeader& from, int index) {
  uint32_t color = from.colors[size_t(index)];
  return Header().colors[size_t(index)] == color ? index : Header().ColorNumber(color);
}

TRTFText::ParagraphList TRTFTextIo::AdoptParagraphs(TRTFText& other) {
  const TTextHeader& oh = other.Header();
  // Font numbers and tab stops are numbers into the other document's tables.
  uint8_t fontMap[TTextHeader::kFonts + 1];
  for (int i = 0; i <= TTextHeader::kFonts; ++i) {
    int n = i < TTextHeader::kFonts && !oh.fonts[size_t(i)].name.empty()
                ? FontNumber(oh.fonts[size_t(i)].name)
                : 0;
    if (n < TTextHeader::kFonts && i < TTextHeader::kFonts) {
      TFontEntry& entry = Header().fonts[size_t(n)];
      if (entry.family == 0 && entry.charset == 0) {
        entry.family = oh.fonts[size_t(i)].family;
        entry.charset = oh.fonts[size_t(i)].charset;
      }
    }
    fontMap[i] = uint8_t(n >= TTextHeader::kFonts ? 0 : n);
  }
  std::vector<int> colorMap(TTextHeader::kColors, -1);
  auto color = [&](int index) {
    int& mapped = colorMap[size_t(index)];
    if (mapped < 0) mapped = AdoptColor(oh, index);
    return mapped;
  };
  auto mapTabs = [&](uint64_t set) {
    uint64_t out = 0;
    for (int k = 0; k < TTextHeader::kTabs; ++k) {
      if (!(set >> k & 1)) continue;
      Header().AddTab(oh.tabs[size_t(k)].position, oh.tabs[size_t(k)].kind);
      out |= Header().scratchMask;
    }
    return out;
  };
  ParagraphList list;
  for (const auto& src : other.Paragraphs()) {
    auto p = TParagraphPtr::Make();
    p->Props() = src->Props();
    p->tabSet = mapTabs(src->tabSet);
    if (p->HasShadeColors()) {
      p->SetPatternColor(color(p->PatternColor()));
      p->SetShadeBackColor(color(p->ShadeBackColor()));
    }
    if (p->borderFlags & bfBorder) p->SetBorderColor(color(p->BorderColor()));
    p->text = src->text;
    if (IsRich()) {
      p->attrs.reserve(p->text.size());
      for (size_t i = 0; i < src->text.size(); ++i) {
        TAttr a = other.CharAttr(*src, i);
        a.font = fontMap[std::min<int>(a.font, TTextHeader::kFonts)];
        a.SetTextColor(color(a.TextColor()));
        if (a.BackColor() != 0) a.SetBackColor(color(a.BackColor()));
        TChar c = src->text[i];
        if (a.flags & afObject) {
          if (TTextObject* o = other.ObjectOf(c, a)) {
            TTextObject* copy = AddObject(o->picture, o->tag != 0 ? -1 : 0);
            copy->width = o->width;
            copy->height = o->height;
            copy->fileName = o->fileName;
            copy->tagged = o->tagged;
            copy->name = o->name;
            a.id = copy->tag != 0 ? copy->tag : copy->id;
            p->text[i] = copy->tag != 0 ? kObjectByTag : kObjectById;
          }
        } else if (a.flags & afFootnote) {
          if (TFootnote* f = other.FindFootnote(a.id)) {
            TFootnote& copy = AddFootnote(f->mark, f->number, f->text);
            a.id = copy.id;
          }
        }
        p->attrs.push_back(Intern(a));
      }
    }
    list.push_back(std::move(p));
    ShareBlankParagraph(list);
  }
  return list;
}

size_t TRTFTextIo::InsertParagraphWith(size_t after, const TParagraphDescriptor& d) {
  size_t n = NewParagraph(std::min(after, Size() - 1));
  TParagraph& p = MutablePar(n);
  p.alignment = d.alignment;
  p.firstIndent = d.firstIndent;
  p.leftIndent = d.leftIndent;
  p.rightIndent = d.rightIndent;
  p.spaceBefore = d.spaceBefore;
  p.spaceAfter = d.spaceAfter;
  p.lineSpacing = d.lineSpacing;
  p.borderFlags = d.border[0];
  p.borderStyle = d.border[1];
  p.borderWidth = d.border[2];
  p.borderSpaceColor = d.border[3];
  p.tabSet = d.tabSet;
  p.shadeColors = d.shadeColors;
  p.shading = d.shading;
  p.flags &= uint8_t(~(pfPageBreak | pfTableCell | pfMoreCells | pfNotFirstCell));
  if (d.pageBreak && n > 0) p.flags |= pfPageBreak;
  p.text.clear();
  p.attrs.clear();
  SetParagraphText(n, d.text, &d.attr);
  return n;
}

void TRTFTextIo::SetPageLayout(int32_t left, int32_t right, int32_t top, int32_t bottom,
                               int32_t width, int32_t height) {
  TTextHeader& h = Header();
  auto set = [](int32_t& field, int32_t v) {
    if (v != -1000) field = v;
  };
  set(h.marginLeft, left);
  set(h.marginRight, right);
  set(h.marginTop, top);
  set(h.marginBottom, bottom);
  set(h.pageWidth, width);
  set(h.pageHeight, height);
  for (size_t i = 0; i < Size(); ++i) Touch(i);
}

}  // namespace richtext
