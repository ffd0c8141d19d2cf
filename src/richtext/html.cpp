// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/html.h>

#include <richtext/picture_codec.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace richtext {
namespace {

// ------------------------------------------------------------------ helpers

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

bool IsSpace(TChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

TChar Entity(std::string_view name) {
  if (name.size() > 1 && name[0] == '#') {
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits(name.substr(hex ? 2 : 1));
    long v = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    return v > 0 && v <= 0x10FFFF ? TChar(v) : 0;
  }
  static const std::pair<std::string_view, TChar> names[] = {
      {"amp", '&'},       {"lt", '<'},         {"gt", '>'},         {"quot", '"'},
      {"apos", '\''},     {"nbsp", 0xA0},      {"mdash", 0x2014},   {"ndash", 0x2013},
      {"hellip", 0x2026}, {"lsquo", 0x2018},   {"rsquo", 0x2019},   {"ldquo", 0x201C},
      {"rdquo", 0x201D},  {"copy", 0xA9},      {"reg", 0xAE},       {"trade", 0x2122},
      {"bull", 0x2022},   {"middot", 0xB7},    {"euro", 0x20AC},    {"pound", 0xA3},
      {"deg", 0xB0},      {"laquo", 0xAB},     {"raquo", 0xBB},     {"times", 0xD7},
      {"shy", 0xAD},      {"ensp", 0x2002},    {"emsp", 0x2003},    {"thinsp", 0x2009}};
  for (auto [n, c] : names) {
    if (n == name) return c;
  }
  return 0;
}

// The entity at text[i] ('&'): its character and the index of its ';'.
std::optional<std::pair<TChar, size_t>> EntityAt(const TString& text, size_t i) {
  size_t semi = text.find(';', i);
  if (semi == TString::npos || semi - i > 10) return std::nullopt;
  std::string name;
  for (size_t k = i + 1; k < semi; ++k) {
    if (text[k] > 0x7F) return std::nullopt;
    name.push_back(char(text[k]));
  }
  if (TChar e = Entity(name)) return std::make_pair(e, semi);
  return std::nullopt;
}

TString DecodeEntities(const TString& text) {
  TString out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (auto e = EntityAt(text, i)) {
        out.push_back(e->first);
        i = e->second;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) v |= uint8_t(bytes[i + 2]);
    out.push_back(kBase64[v >> 18 & 63]);
    out.push_back(kBase64[v >> 12 & 63]);
    out.push_back(i + 1 < bytes.size() ? kBase64[v >> 6 & 63] : '=');
    out.push_back(i + 2 < bytes.size() ? kBase64[v & 63] : '=');
  }
  return out;
}

// Decodes base64, skipping blanks; nothing on any other stray character.
std::optional<std::string> Base64Decode(std::string_view text) {
  std::string out;
  uint32_t v = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
    const char* at = std::char_traits<char>::find(kBase64, 64, c);
    if (!at) return std::nullopt;
    v = v << 6 | uint32_t(at - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(char(v >> bits & 0xFF));
    }
  }
  return out;
}

// A number at the start of s; s is left after it.
std::optional<double> Number(std::string_view& s) {
  size_t n = 0;
  while (n < s.size() && (std::isdigit(static_cast<unsigned char>(s[n])) || s[n] == '.' || s[n] == '-' || s[n] == '+')) {
    ++n;
  }
  if (n == 0) return std::nullopt;
  std::string digits(s.substr(0, n));
  char* end = nullptr;
  double v = std::strtod(digits.c_str(), &end);
  if (end == digits.c_str() || !std::isfinite(v)) return std::nullopt;
  s.remove_prefix(size_t(end - digits.c_str()));
  return v;
}

// A colour as 0x00BBGGRR: #rgb, #rrggbb, rgb(), rgba() and the common names;
// nothing for transparent and anything unknown.
std::optional<uint32_t> ParseColor(std::string_view value) {
  std::string v = Lower(Trim(value));
  auto rgb = [](int r, int g, int b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; };
  if (!v.empty() && v[0] == '#') {
    std::string hex = v.substr(1);
    if (hex.size() == 3 || hex.size() == 4) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
    if (hex.size() != 6 && hex.size() != 8) return std::nullopt;
    uint32_t x = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + 6, x, 16);
    if (ec != std::errc() || end != hex.data() + 6) return std::nullopt;
    return rgb(int(x >> 16 & 0xFF), int(x >> 8 & 0xFF), int(x & 0xFF));
  }
  if (v.rfind("rgb", 0) == 0) {
    size_t open = v.find('('), close = v.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    std::string inner = v.substr(open + 1, close - open - 1);
    std::replace(inner.begin(), inner.end(), ',', ' ');
    std::replace(inner.begin(), inner.end(), '/', ' ');
    std::string_view s = inner;
    double c[4] = {0, 0, 0, 1};
    int n = 0;
    while (n < 4) {
      s = Trim(s);
      if (s.empty()) break;
      std::optional<double> x = Number(s);
      if (!x) return std::nullopt;
      if (!s.empty() && s[0] == '%') {
        *x = n < 3 ? *x * 255 / 100 : *x / 100;
        s.remove_prefix(1);
      }
      c[n++] = *x;
    }
    if (n < 3) return std::nullopt;
    if (c[3] <= 0) return std::nullopt;  // fully transparent
    auto byte = [](double x) { return int(std::clamp(std::lround(x), 0L, 255L)); };
    return rgb(byte(c[0]), byte(c[1]), byte(c[2]));
  }
  static const std::pair<std::string_view, uint32_t> names[] = {
      {"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0xFF0000},     {"green", 0x008000},
      {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"cyan", 0x00FFFF},    {"aqua", 0x00FFFF},
      {"magenta", 0xFF00FF}, {"fuchsia", 0xFF00FF}, {"gray", 0x808080}, {"grey", 0x808080},
      {"silver", 0xC0C0C0}, {"maroon", 0x800000}, {"navy", 0x000080},    {"olive", 0x808000},
      {"purple", 0x800080}, {"teal", 0x008080},   {"lime", 0x00FF00},    {"orange", 0xFFA500}};
  for (auto [name, x] : names) {
    if (v == name) return rgb(int(x >> 16), int(x >> 8 & 0xFF), int(x & 0xFF));
  }
  return std::nullopt;
}

// A length in twips: pt, px, in, cm, mm, pc, em (of the font size in points);
// a bare number counts as pixels. Nothing for percentages and words.
std::optional<int32_t> LengthTwips(std::string_view value, double points) {
  std::string v = Lower(Trim(value));
  std::string_view s = v;
  std::optional<double> x = Number(s);
  if (!x) return std::nullopt;
  std::string unit(Trim(s));
  double twips;
  if (unit == "pt") {
    twips = *x * 20;
  } else if (unit == "px" || unit.empty()) {
    twips = *x * 15;
  } else if (unit == "in") {
    twips = *x * 1440;
  } else if (unit == "cm") {
    twips = *x * 1440 / 2.54;
  } else if (unit == "mm") {
    twips = *x * 144 / 2.54;
  } else if (unit == "pc") {
    twips = *x * 240;
  } else if (unit == "em" || unit == "rem") {
    twips = *x * points * 20;
  } else {
    return std::nullopt;
  }
  return int32_t(std::clamp(twips, -1e7, 1e7));
}

// A font size in points, from CSS: lengths, percentages, em and the keywords.
std::optional<double> FontPoints(std::string_view value, double current) {
  std::string v = Lower(Trim(value));
  static const std::pair<std::string_view, double> keywords[] = {
      {"xx-small", 7}, {"x-small", 7.5}, {"small", 10}, {"medium", 12},
      {"large", 13.5}, {"x-large", 18},  {"xx-large", 24}, {"xxx-large", 36}};
  for (auto [k, pt] : keywords) {
    if (v == k) return pt;
  }
  if (v == "smaller") return current / 1.2;
  if (v == "larger") return current * 1.2;
  if (!v.empty() && v.back() == '%') {
    std::string_view s = v;
    if (std::optional<double> x = Number(s)) return current * *x / 100;
    return std::nullopt;
  }
  if (std::optional<int32_t> twips = LengthTwips(v, current)) {
    if (v.find_first_not_of("0123456789.+-") == std::string::npos) return std::nullopt;  // no unit
    return *twips / 20.0;
  }
  return std::nullopt;
}

// The first family of a font-family list that names a font; the generic
// families become the fonts that stand for them in entries.
std::optional<std::string> FontFamily(std::string_view value) {
  std::string_view rest = value;
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view one = Trim(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (one.size() >= 2 && (one.front() == '"' || one.front() == '\'') && one.back() == one.front()) {
      one = Trim(one.substr(1, one.size() - 2));
    }
    if (one.empty()) continue;
    std::string lower = Lower(one);
    if (lower == "serif") return "Times New Roman";
    if (lower == "sans-serif") return "Arial";
    if (lower == "monospace") return "Courier New";
    if (lower == "inherit" || lower == "initial" || lower == "unset" || lower == "cursive" ||
        lower == "fantasy" || lower == "system-ui" || lower[0] == '-') {
      continue;
    }
    return std::string(one);
  }
  return std::nullopt;
}

// Calls `take` with each declaration of a style attribute: the property in
// lower case and its value without "!important".
//   "Color: red; font-size:12pt !important" -> ("color", "red"), ("font-size", "12pt")
template <class Take>
void Declarations(std::string_view css, Take take) {
  while (!css.empty()) {
    size_t semi = css.find(';');
    std::string_view decl = css.substr(0, semi);
    css = semi == std::string_view::npos ? std::string_view() : css.substr(semi + 1);
    size_t colon = decl.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = Trim(decl.substr(colon + 1));
    if (size_t bang = value.find('!'); bang != std::string_view::npos) value = Trim(value.substr(0, bang));
    take(Lower(Trim(decl.substr(0, colon))), value);
  }
}

bool IsBlock(std::string_view name) {
  static const std::string_view blocks[] = {
      "p",       "div",     "h1",     "h2",     "h3",      "h4",         "h5",   "h6",
      "li",      "ul",      "ol",     "dl",     "dt",      "dd",         "pre",  "blockquote",
      "table",   "tr",      "center", "address", "article", "aside",     "section", "header",
      "footer",  "nav",     "figure", "figcaption", "main", "form",      "fieldset", "caption",
      "body",    "html"};
  return std::find(std::begin(blocks), std::end(blocks), name) != std::end(blocks);
}

bool IsVoid(std::string_view name) {
  static const std::string_view voids[] = {"br", "img", "hr", "meta", "link", "input", "wbr",
                                           "col", "area", "base", "source", "param", "track"};
  return std::find(std::begin(voids), std::end(voids), name) != std::end(voids);
}

// ------------------------------------------------------------------- reader

class THtmlReader {
 public:
  explicit THtmlReader(TRTFText& doc) : doc_(doc), rich_(doc.IsRich()) {
    State root;
    root.attr = doc.insertionAttr;
    root.attr.flags = 0;
    root.attr.id = 0;
    root.points = root.attr.size == 0 ? 10 : root.attr.size;
    stack_.push_back({"", root});
    list_.push_back(TParagraphPtr::Make());
  }

  TRTFText::ParagraphList Read(std::string_view bytes) {
    std::optional<TString> utf8 = FromUtf8(bytes);
    text_ = utf8 ? std::move(*utf8) : FromCp1252(bytes);
    for (size_t i = 0; i < text_.size(); ++i) {
      TChar c = text_[i];
      if (c == '<') {
        i = Tag(i);
        continue;
      }
      if (c == '&') {
        if (auto e = EntityAt(text_, i)) {
          Text(e->first);
          i = e->second;
          continue;
        }
      }
      Text(c);
    }
    EndParagraph();
    if (list_.size() > 1 && list_.back()->text.empty()) list_.pop_back();
    return std::move(list_);
  }

 private:
  struct State {
    TAttr attr;
    double points = 10;     // the font size, for em and percentages
    bool pre = false;       // blanks and line ends kept
    bool hidden = false;
    uint8_t align = alLeft;
    int32_t left = 0, right = 0, firstLine = 0;  // twips; firstLine from the left indent
    int32_t before = 0, after = 0;
  };
  struct Element {
    std::string name;
    State state;
    bool ordered = false;  // a list: numbered
    int counter = 0;       // a list: the last number given
  };
  using Attributes = std::vector<std::pair<std::string, TString>>;

  State& Top() { return stack_.back().state; }

  // Reads the tag at text_[i] and gives the index of its last character.
  size_t Tag(size_t i) {
    size_t n = text_.size();
    if (i + 1 >= n) return i;
    TChar next = text_[i + 1];
    if (next == '!') {
      if (text_.compare(i, 4, U"<!--") == 0) {
        size_t end = text_.find(U"-->", i + 4);
        return end == TString::npos ? n - 1 : end + 2;
      }
      size_t end = text_.find('>', i);
      return end == TString::npos ? n - 1 : end;
    }
    if (next == '?') {
      size_t end = text_.find('>', i);
      return end == TString::npos ? n - 1 : end;
    }
    bool closing = next == '/';
    size_t k = i + (closing ? 2 : 1);
    std::string name;
    while (k < n && text_[k] < 0x80 && (std::isalnum(int(text_[k])) || text_[k] == '-' || text_[k] == ':')) {
      name.push_back(LowerAscii(char(text_[k])));
      ++k;
    }
    if (name.empty()) {
      Text('<');  // a lone "<" is text
      return i;
    }
    Attributes attributes;
    bool selfClosing = false;
    while (k < n && text_[k] != '>') {
      if (IsSpace(text_[k])) {
        ++k;
        continue;
      }
      if (text_[k] == '/') {
        selfClosing = true;
        ++k;
        continue;
      }
      std::string key;
      while (k < n && !IsSpace(text_[k]) && text_[k] != '=' && text_[k] != '>' && text_[k] != '/') {
        key.push_back(LowerAscii(char(text_[k] & 0x7F)));
        ++k;
      }
      while (k < n && IsSpace(text_[k])) ++k;
      TString value;
      if (k < n && text_[k] == '=') {
        ++k;
        while (k < n && IsSpace(text_[k])) ++k;
        if (k < n && (text_[k] == '"' || text_[k] == '\'')) {
          TChar quote = text_[k++];
          size_t end = text_.find(quote, k);
          if (end == TString::npos) end = n;
          value = text_.substr(k, end - k);
          k = end + 1;
        } else {
          while (k < n && !IsSpace(text_[k]) && text_[k] != '>') value.push_back(text_[k++]);
        }
      }
      if (!key.empty()) attributes.emplace_back(key, DecodeEntities(value));
      selfClosing = false;
    }
    size_t end = std::min(k, n - 1);
    if (closing) {
      Close(name);
    } else {
      end = Open(name, attributes, selfClosing, end);
    }
    return end;
  }

  static const TString* Find(const Attributes& attributes, std::string_view key) {
    for (const auto& [k, v] : attributes) {
      if (k == key) return &v;
    }
    return nullptr;
  }

  // Gives the index of the last character that the element took.
  size_t Open(const std::string& name, const Attributes& attributes, bool selfClosing, size_t end) {
    if (name == "script" || name == "style" || name == "title" || name == "template" || name == "noscript") {
      if (selfClosing) return end;
      size_t close = text_.find(U"</" + TString(name.begin(), name.end()), end);
      if (close == TString::npos) return text_.size() - 1;
      size_t gt = text_.find('>', close);
      return gt == TString::npos ? text_.size() - 1 : gt;
    }
    if (name == "br") {
      if (!Top().hidden) {
        Put(kLineBreak);
        space_ = true;
      }
      return end;
    }
    if (name == "img") {
      Image(attributes);
      return end;
    }
    if (name == "hr") {
      EndParagraph();
      return end;
    }
    if (IsVoid(name)) return end;

    bool block = IsBlock(name);
    // A paragraph ends where any block starts, a list item where the next
    // item starts, a term or definition where the next of them starts.
    if (block && stack_.size() > 1) {
      const std::string top = stack_.back().name;
      auto term = [](const std::string& n) { return n == "dt" || n == "dd"; };
      if (top == "p" || (name == "li" && top == "li") || (term(name) && term(top))) Close(top);
    }
    Element e{name, Top()};
    State& s = e.state;
    if (block) {
      EndParagraph();
      s.before = s.after = 0;
    }
    static const std::pair<std::string_view, int> headings[] = {{"h1", 24}, {"h2", 18}, {"h3", 14},
                                                                 {"h4", 12}, {"h5", 10}, {"h6", 8}};
    for (auto [h, pt] : headings) {
      if (name == h) {
        s.attr.flags |= afBold;
        SetPoints(s, pt);
      }
    }
    if (name == "b" || name == "strong" || name == "th") s.attr.flags |= afBold;
    if (name == "i" || name == "em" || name == "cite" || name == "var" || name == "dfn" || name == "address") {
      s.attr.flags |= afItalic;
    }
    if (name == "u" || name == "ins") s.attr.flags |= afUnderline;
    if (name == "s" || name == "strike" || name == "del") s.attr.flags |= afStrikeOut;
    if (name == "sup") s.attr.flags = (s.attr.flags | afSuperscript) & ~uint32_t(afSubscript);
    if (name == "sub") s.attr.flags = (s.attr.flags | afSubscript) & ~uint32_t(afSuperscript);
    if (name == "pre" || name == "code" || name == "tt" || name == "kbd" || name == "samp") SetFont(s, "Courier New");
    if (name == "pre") s.pre = true;
    if (name == "center") s.align = alCenter;
    if (name == "blockquote" || name == "dd") s.left += 720;
    if (name == "ul" || name == "ol") {
      s.left += 360;
      e.ordered = name == "ol";
      if (const TString* start = Find(attributes, "start")) e.counter = std::atoi(ToUtf8(*start).c_str()) - 1;
    }
    if (name == "font") {
      if (const TString* face = Find(attributes, "face")) {
        if (auto family = FontFamily(ToUtf8(*face))) SetFont(s, *family);
      }
      if (const TString* size = Find(attributes, "size")) {
        static const double sizes[] = {8, 10, 12, 14, 18, 24, 36};
        std::string v(Trim(ToUtf8(*size)));
        if (!v.empty()) {
          int n = std::atoi(v.c_str());
          if (v[0] == '+' || v[0] == '-') n += 3;  // relative to the usual 3
          SetPoints(s, sizes[std::clamp(n, 1, 7) - 1]);
        }
      }
      if (const TString* color = Find(attributes, "color")) {
        if (auto rgb = ParseColor(ToUtf8(*color))) s.attr.SetTextColor(doc_.Header().ColorNumber(*rgb));
      }
    }
    if (const TString* align = Find(attributes, "align"); align && block) Align(s, ToUtf8(*align));
    if (Find(attributes, "hidden")) s.hidden = true;
    if (const TString* style = Find(attributes, "style")) Style(s, ToUtf8(*style), block);
    if ((name == "td" || name == "th") && !list_.back()->text.empty()) {
      if (list_.back()->text.back() == ' ') Pop(*list_.back());
      Put(kTab);  // cells of a row, one after the other
    }
    if (selfClosing) return end;
    stack_.push_back(std::move(e));
    if (name == "li") ListMarker();
    return end;
  }

  void Close(const std::string& name) {
    for (size_t k = stack_.size(); k-- > 1;) {
      if (stack_[k].name != name) continue;
      while (stack_.size() > k) {
        bool block = IsBlock(stack_.back().name);
        stack_.pop_back();
        if (block) EndParagraph();
      }
      return;
    }
  }

  void ListMarker() {
    // The item's number or bullet, from the list around it.
    for (size_t k = stack_.size() - 1; k-- > 0;) {
      Element& list = stack_[k];
      if (list.name != "ul" && list.name != "ol") continue;
      TString marker;
      if (list.ordered) {
        std::string n = std::to_string(++list.counter) + ".";
        marker.assign(n.begin(), n.end());
      } else {
        marker = U"\u2022";
      }
      for (TChar c : marker) Put(c);
      Put(' ');
      space_ = true;
      return;
    }
  }

  void SetFont(State& s, const std::string& name) {
    int n = doc_.Header().FontNumber(name);
    if (n < TTextHeader::kFonts) s.attr.font = uint8_t(n);
  }

  static void SetPoints(State& s, double points) {
    s.points = std::clamp(points, 1.0, 255.0);
    s.attr.size = uint8_t(std::lround(s.points));
  }

  static void Align(State& s, std::string_view value) {
    std::string v = Lower(Trim(value));
    if (v == "left" || v == "start") s.align = alLeft;
    if (v == "right" || v == "end") s.align = alRight;
    if (v == "center" || v == "middle") s.align = alCenter;
    if (v == "justify") s.align = alJustify;
  }

  void Style(State& s, std::string_view css, bool block) {
    Declarations(css, [&](const std::string& prop, std::string_view value) {
      std::string v = Lower(value);
      if (prop == "font-weight") {
        int weight = std::atoi(v.c_str());
        if (v == "bold" || v == "bolder" || weight >= 600) s.attr.flags |= afBold;
        if (v == "normal" || v == "lighter" || (weight > 0 && weight < 600)) s.attr.flags &= ~uint32_t(afBold);
      } else if (prop == "font-style") {
        if (v == "italic" || v.rfind("oblique", 0) == 0) s.attr.flags |= afItalic;
        if (v == "normal") s.attr.flags &= ~uint32_t(afItalic);
      } else if (prop == "text-decoration" || prop == "text-decoration-line") {
        if (v.find("none") != std::string::npos) s.attr.flags &= ~uint32_t(afUnderline | afStrikeOut);
        if (v.find("underline") != std::string::npos) s.attr.flags |= afUnderline;
        if (v.find("line-through") != std::string::npos) s.attr.flags |= afStrikeOut;
      } else if (prop == "vertical-align") {
        if (v == "super") s.attr.flags = (s.attr.flags | afSuperscript) & ~uint32_t(afSubscript);
        if (v == "sub") s.attr.flags = (s.attr.flags | afSubscript) & ~uint32_t(afSuperscript);
        if (v == "baseline") s.attr.flags &= ~uint32_t(afSuperscript | afSubscript);
      } else if (prop == "color") {
        if (auto rgb = ParseColor(v)) s.attr.SetTextColor(doc_.Header().ColorNumber(*rgb));
      } else if (prop == "background-color" || prop == "background") {
        if (auto rgb = ParseColor(v)) s.attr.SetBackColor(doc_.Header().ColorNumber(*rgb));
      } else if (prop == "font-size") {
        if (auto pt = FontPoints(v, s.points)) SetPoints(s, *pt);
      } else if (prop == "font-family") {
        if (auto family = FontFamily(value)) SetFont(s, *family);
      } else if (prop == "white-space") {
        s.pre = v.rfind("pre", 0) == 0 || v == "break-spaces";
      } else if (prop == "display" && v == "none") {
        s.hidden = true;
      } else if (prop == "visibility" && v == "hidden") {
        s.hidden = true;
      } else if (block) {
        BlockStyle(s, prop, v);
      }
    });
  }

  void BlockStyle(State& s, const std::string& prop, const std::string& v) {
    auto length = [&](std::string_view x) { return LengthTwips(x, s.points); };
    if (prop == "text-align") {
      Align(s, v);
    } else if (prop == "margin-left" || prop == "padding-left") {
      if (auto t = length(v)) s.left = std::max(0, s.left + *t);
    } else if (prop == "margin-right" || prop == "padding-right") {
      if (auto t = length(v)) s.right = std::max(0, s.right + *t);
    } else if (prop == "text-indent") {
      if (auto t = length(v)) s.firstLine = *t;
    } else if (prop == "margin-top") {
      if (auto t = length(v)) s.before = std::max(0, *t);
    } else if (prop == "margin-bottom") {
      if (auto t = length(v)) s.after = std::max(0, *t);
    } else if (prop == "margin") {
      // One to four values: top, right, bottom, left.
      std::vector<int32_t> values;
      std::string_view rest = v;
      while (!(rest = Trim(rest)).empty()) {
        size_t space = rest.find(' ');
        std::optional<int32_t> t = length(rest.substr(0, space));
        values.push_back(t.value_or(0));
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space);
      }
      if (values.empty()) return;
      s.before = std::max(0, values[0]);
      s.after = std::max(0, values[values.size() > 2 ? 2 : 0]);
      s.right = std::max(0, s.right + values[values.size() > 1 ? 1 : 0]);
      s.left = std::max(0, s.left + values[values.size() > 3 ? 3 : values.size() > 1 ? 1 : 0]);
    }
  }

  void Image(const Attributes& attributes) {
    const TString* src = Find(attributes, "src");
    if (!src || !rich_ || Top().hidden) return;
    std::string url = ToUtf8(*src);
    std::string head = Lower(url.substr(0, std::min<size_t>(url.size(), 40)));
    size_t comma = url.find(',');
    if (head.rfind("data:", 0) != 0 || comma == std::string::npos || head.find(";base64") == std::string::npos) {
      return;  // only pictures carried in the page itself can be taken
    }
    auto picture = std::make_shared<TPicture>();
    if (head.rfind("data:image/png", 0) == 0) {
      picture->kind = TPicture::Kind::Png;
    } else if (head.rfind("data:image/jpeg", 0) == 0 || head.rfind("data:image/jpg", 0) == 0) {
      picture->kind = TPicture::Kind::Jpeg;
    } else if (head.rfind("data:image/bmp", 0) == 0) {
      picture->kind = TPicture::Kind::Dib;
    } else {
      return;
    }
    std::optional<std::string> bytes = Base64Decode(std::string_view(url).substr(comma + 1));
    if (!bytes) return;
    picture->data = std::move(*bytes);
    if (!PictureSize(*picture, picture->width, picture->height) || picture->width <= 0 ||
        picture->height <= 0) {
      return;
    }
    // The size the page gives it: the attributes, or the style over them.
    std::optional<int32_t> width, height;
    const double points = Top().points;
    auto size = [&](std::optional<int32_t>& to, std::string_view value) {
      std::optional<int32_t> t = LengthTwips(value, points);
      if (t && *t > 0) to = t;
    };
    if (const TString* v = Find(attributes, "width")) size(width, ToUtf8(*v));
    if (const TString* v = Find(attributes, "height")) size(height, ToUtf8(*v));
    if (const TString* style = Find(attributes, "style")) {
      Declarations(ToUtf8(*style), [&](const std::string& prop, std::string_view value) {
        if (prop == "width") size(width, value);
        if (prop == "height") size(height, value);
      });
    }
    TTextObject* object;
    try {
      object = doc_.AddObject(picture, 0);
    } catch (const EEngineError&) {
      return;  // no id left: the text goes in without the picture
    }
    // One side given: the other keeps the picture's proportions.
    int32_t w = width.value_or(0), h = height.value_or(0);
    if (w > 0 && h == 0) h = int32_t(int64_t(w) * picture->height / picture->width);
    if (h > 0 && w == 0) w = int32_t(int64_t(h) * picture->width / picture->height);
    if (w > 0) object->width = w;
    if (h > 0) object->height = h;
    TAttr a = Top().attr;
    a.flags |= afObject;
    a.id = object->id;
    PutWith(kObjectById, a);
  }

  void Text(TChar c) {
    if (Top().hidden) return;
    if (Top().pre) {
      if (c == '\r') return;
      if (c == '\n') {
        // The line end right after <pre> belongs to the tag.
        if (!list_.back()->text.empty() || touched_) Put(kLineBreak);
        touched_ = true;
        return;
      }
      Put(c);
      return;
    }
    if (IsSpace(c)) {
      if (!space_) Put(' ');
      space_ = true;
      return;
    }
    Put(c);
  }

  void Put(TChar c) { PutWith(c, Top().attr); }

  void PutWith(TChar c, const TAttr& a) {
    TParagraph& p = *list_.back();
    if (p.text.empty()) StartParagraph(p);
    p.text.push_back(c);
    if (rich_) {
      if (!(a == lastAttr_) || !haveLast_) {
        lastAttr_ = a;
        lastIndex_ = doc_.Intern(a);
        haveLast_ = true;
      }
      p.attrs.push_back(lastIndex_);
    }
    space_ = c == ' ' || c == kLineBreak;
    touched_ = true;
  }

  void StartParagraph(TParagraph& p) {
    const State& s = Top();
    p.alignment = s.align;
    p.leftIndent = s.left;
    p.rightIndent = s.right;
    p.firstIndent = std::max(0, s.left + s.firstLine);
    p.spaceBefore = s.before;
    p.spaceAfter = s.after;
  }

  // Ends the paragraph being read, when it has anything (a <br> alone counts:
  // it makes an empty paragraph).
  void EndParagraph() {
    TParagraph& p = *list_.back();
    if (!Top().pre && !p.text.empty() && p.text.back() == ' ') Pop(p);
    if (!p.text.empty() && p.text.back() == kLineBreak) Pop(p);
    if (p.text.empty() && !touched_) return;
    if (p.text.empty()) StartParagraph(p);
    list_.push_back(TParagraphPtr::Make());
    touched_ = false;
    space_ = true;
  }

  void Pop(TParagraph& p) {
    p.text.pop_back();
    if (!p.attrs.empty()) p.attrs.pop_back();
  }

  TRTFText& doc_;
  bool rich_;
  TString text_;
  std::vector<Element> stack_;
  TRTFText::ParagraphList list_;
  bool space_ = true;     // blanks here are dropped
  bool touched_ = false;  // the paragraph being read has had text or a <br>
  TAttr lastAttr_;
  uint16_t lastIndex_ = 0;
  bool haveLast_ = false;
};

std::string HexColor(uint32_t c) {
  static const char hex[] = "0123456789abcdef";
  std::string s = "#";
  for (int shift : {0, 8, 16}) {
    int byte = int(c >> shift & 0xFF);
    s.push_back(hex[byte >> 4]);
    s.push_back(hex[byte & 15]);
  }
  return s;
}

// Twips as CSS points, to a twentieth.
std::string Points(int32_t twips) {
  std::string s = std::to_string(twips / 20);
  if (int rest = std::abs(twips % 20)) {
    if (twips < 0 && twips / 20 == 0) s = "-0";
    s += "." + std::to_string(rest * 5 / 10) + std::to_string(rest * 5 % 10);
    while (s.back() == '0') s.pop_back();
  }
  return s + "pt";
}

}  // namespace

TRTFText::ParagraphList ReadHtml(TRTFText& doc, std::string_view bytes) {
  return THtmlReader(doc).Read(bytes);
}

// ------------------------------------------------------------------- writer

namespace {

std::string EscapedUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string HtmlPageStart(std::string_view title) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + EscapedUtf8(title) +
         "</title></head><body>\n";
}

std::string HtmlPageEnd() { return "</body></html>\n"; }

std::string HtmlHeading(std::string_view text) { return "<h1>" + EscapedUtf8(text) + "</h1>\n"; }

TIoResult THtmlWriter::Header() {
  if (!bodyOnly) Put("<html><head><meta charset=\"utf-8\"></head><body>\n");
  return ioOk;
}

TIoResult THtmlWriter::Trailer() {
  if (!bodyOnly) Put(HtmlPageEnd());
  return ioOk;
}

TIoResult THtmlWriter::Body() {
  size_t last = LastPar();
  for (size_t i = range_.startPar; i <= last; ++i) {
    // A range that ends at the start of a paragraph took the paragraph end
    // before it, and nothing of this one.
    if (i > range_.startPar && i == range_.endPar && range_.endOffset == 0) break;
    Paragraph(i);
  }
  return ioOk;
}

void THtmlWriter::Paragraph(size_t par) {
  const TParagraph& p = doc_.Par(par);
  Put("<p style=\"margin:0");
  if (p.spaceBefore > 0) Put(";margin-top:" + Points(p.spaceBefore));
  if (p.spaceAfter > 0) Put(";margin-bottom:" + Points(p.spaceAfter));
  if (p.leftIndent != 0) Put(";margin-left:" + Points(p.leftIndent));
  if (p.rightIndent != 0) Put(";margin-right:" + Points(p.rightIndent));
  if (p.firstIndent != p.leftIndent) Put(";text-indent:" + Points(p.firstIndent - p.leftIndent));
  switch (p.alignment) {
    case alRight: Put(";text-align:right"); break;
    case alCenter: Put(";text-align:center"); break;
    case alJustify: Put(";text-align:justify"); break;
    default: break;
  }
  Put(";white-space:pre-wrap\">");
  size_t mark = Pending();
  size_t to = To(par);
  for (size_t i = From(par); i < to;) {
    TAttr a = doc_.CharAttr(p, i);
    size_t e = i + 1;
    while (e < to && p.text[e] > 3 && p.text[i] > 3 && doc_.CharAttr(p, e).SameRun(a)) ++e;
    Run(p, i, e, a);
    i = e;
  }
  if (Pending() == mark) Put("<br>");  // an empty paragraph keeps its line
  Put("</p>\n");
}

void THtmlWriter::Run(const TParagraph& p, size_t from, size_t to, const TAttr& a) {
  // Hidden text, raw RTF and footnote marks are nothing to show elsewhere.
  if (a.flags & (afHidden | afRtfCode | afFootnote)) return;
  if ((a.flags & afInsertPoint) && options_.dropInsertPoints) return;
  if ((a.flags & afAutomatic) && options_.dropAutomaticText) return;
  if (p.text[from] == kObjectById || p.text[from] == kObjectByTag) return Picture(p.text[from], a);
  const TTextHeader& h = doc_.Header();
  Put("<span style=\"font-family:'");
  std::string font = a.font < TTextHeader::kFonts ? h.fonts[a.font].name : std::string();
  for (char c : font) {
    if (c == '\'' || c == '"' || c == '<' || c == '>' || c == '&') continue;
    Put(c);
  }
  Put("';font-size:");
  PutNumber(a.size == 0 ? 10 : a.size);
  Put("pt;color:" + HexColor(h.colors[size_t(a.TextColor())]));
  if (HasBackground(a)) Put(";background-color:" + HexColor(h.colors[size_t(a.BackColor())]));
  Put("\">");
  static const std::pair<uint32_t, const char*> tags[] = {
      {afBold, "b"}, {afItalic, "i"}, {afUnderline | afDoubleUnderline, "u"},
      {afStrikeOut, "s"}, {afSuperscript, "sup"}, {afSubscript, "sub"}};
  for (auto [bit, tag] : tags) {
    if (a.flags & bit) Put(std::string("<") + tag + ">");
  }
  for (size_t i = from; i < to; ++i) Escaped(p.text[i]);
  for (size_t k = std::size(tags); k-- > 0;) {
    if (a.flags & tags[k].first) Put(std::string("</") + tags[k].second + ">");
  }
  Put("</span>");
}

void THtmlWriter::Escaped(TChar c) {
  switch (c) {
    case '&': Put("&amp;"); break;
    case '<': Put("&lt;"); break;
    case '>': Put("&gt;"); break;
    case kLineBreak: Put("<br>"); break;
    case kTab: Put('\t'); break;
    default:
      if (c >= 32) {
        std::string utf8;
        AppendUtf8(utf8, c);
        Put(utf8);
      }
  }
}

void THtmlWriter::Picture(TChar c, const TAttr& a) {
  TTextObject* object = doc_.ObjectOf(c, a);
  if (!object || !object->picture) return;
  const TPicture& picture = *object->picture;
  std::string mime, bytes;
  if (picture.kind == TPicture::Kind::Png || picture.kind == TPicture::Kind::Jpeg) {
    mime = picture.kind == TPicture::Kind::Png ? "image/png" : "image/jpeg";
    bytes = picture.data;
  } else if (encodePicture) {
    mime = "image/png";
    bytes = encodePicture(picture);
  } else if (picture.kind == TPicture::Kind::Dib || picture.kind == TPicture::Kind::Bitmap) {
    // Without an encoder a bitmap goes as the BMP file that browsers show too.
    mime = "image/bmp";
    bytes = picture.kind == TPicture::Kind::Dib ? picture.data : BitmapToBmp(picture);
  }
  if (bytes.empty()) return;
  Put("<img src=\"data:" + mime + ";base64,");
  Put(Base64Encode(bytes));
  Put("\" width=\"");
  PutNumber(MulDiv(object->width, 96, 1440));
  Put("\" height=\"");
  PutNumber(MulDiv(object->height, 96, 1440));
  Put("\">");
}

}  // namespace richtext
