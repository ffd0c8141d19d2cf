#include <richtext/html.h>

#include <richtext/unicode.h>

#include <cstdlib>
#include <string>

namespace richtext {
namespace {

TChar Entity(std::string_view name) {
  if (name.size() > 1 && name[0] == '#') {
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits(name.substr(hex ? 2 : 1));
    long v = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    return v > 0 && v <= 0x10FFFF ? TChar(v) : 0;
  }
  static const std::pair<std::string_view, TChar> names[] = {
      {"amp", '&'},      {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
      {"apos", '\''},    {"nbsp", 0xA0},     {"mdash", 0x2014},  {"ndash", 0x2013},
      {"hellip", 0x2026}, {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"ldquo", 0x201C},
      {"rdquo", 0x201D}, {"copy", 0xA9},     {"bull", 0x2022},   {"euro", 0x20AC}};
  for (auto [n, c] : names) {
    if (n == name) return c;
  }
  return 0;
}

}  // namespace

TRTFText::ParagraphList ReadHtml(TRTFText& doc, std::string_view bytes) {
  std::optional<TString> utf8 = FromUtf8(bytes);
  TString text = utf8 ? std::move(*utf8) : FromCp1252(bytes);
  TRTFText::ParagraphList list;
  list.push_back(std::make_unique<TParagraph>());
  uint16_t ai = doc.IsRich() ? doc.Intern(doc.insertionAttr) : 0;
  bool space = false;
  auto put = [&](TChar c) {
    TParagraph& p = *list.back();
    p.text.push_back(c);
    if (doc.IsRich()) p.attrs.push_back(ai);
  };
  auto endParagraph = [&] {
    if (!list.back()->text.empty()) list.push_back(std::make_unique<TParagraph>());
    space = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    TChar c = text[i];
    if (c == '<') {
      size_t end = text.find('>', i);
      if (end == TString::npos) break;
      std::string tag;
      for (size_t k = i + 1; k < end && tag.size() < 16; ++k) {
        TChar t = text[k];
        if (t == ' ' || t == '\t' || t == '\n' || t == '\r') break;
        tag.push_back(char(std::tolower(int(t & 0x7F))));
      }
      if (tag == "script" || tag == "style" || tag == "head" || tag == "title") {
        size_t close = text.find(U"</" + TString(tag.begin(), tag.end()), end);
        end = close == TString::npos ? text.size() - 1 : text.find('>', close);
        if (end == TString::npos) break;
      } else if (tag == "br" || tag == "br/") {
        put(kLineBreak);
        space = false;
      } else {
        std::string name = tag[0] == '/' ? tag.substr(1) : tag;
        for (const char* block : {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "li", "tr",
                                  "blockquote", "pre", "table", "ul", "ol"}) {
          if (name == block) endParagraph();
        }
      }
      i = end;
      continue;
    }
    if (c == '&') {
      size_t semi = text.find(';', i);
      if (semi != TString::npos && semi - i <= 10) {
        std::string name;
        for (size_t k = i + 1; k < semi; ++k) name.push_back(char(text[k] & 0x7F));
        if (TChar e = Entity(name)) {
          put(e);
          space = false;
          i = semi;
          continue;
        }
      }
    }
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      if (!space && !list.back()->text.empty()) put(' ');
      space = true;
      continue;
    }
    put(c);
    space = false;
  }
  if (list.size() > 1 && list.back()->text.empty()) list.pop_back();
  return list;
}

TIoResult WriteHtml(TRTFText& doc, TOutStream& out) {
  std::string html = "<html><head><meta charset=\"utf-8\"></head><body>\n";
  for (const auto& p : doc.Paragraphs()) {
    html += "<p>";
    for (TChar c : p->text) {
      switch (c) {
        case '&': html += "&amp;"; break;
        case '<': html += "&lt;"; break;
        case '>': html += "&gt;"; break;
        case kLineBreak: html += "<br>"; break;
        case kTab: html += "&#9;"; break;
        default:
          if (c > 3) AppendUtf8(html, c);
      }
    }
    html += "</p>\n";
  }
  html += "</body></html>\n";
  return out.Write(html.data(), html.size()) == html.size() ? ioOk : ioFailed;
}

}  // namespace richtext
