// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/markdown.h>

#include <richtext/unicode.h>

#include <string_view>

namespace richtext {
namespace {

constexpr uint32_t kMarked = afBold | afItalic | afStrikeOut;
constexpr uint32_t kNotShown = afHidden | afRtfCode | afFootnote;

// Opening and closing marks of a style, the outer ones first.
std::string Opening(uint32_t flags) {
  std::string s;
  if (flags & afStrikeOut) s += "~~";
  if (flags & afBold) s += "**";
  if (flags & afItalic) s += "*";
  return s;
}

std::string Closing(uint32_t flags) {
  std::string s;
  if (flags & afItalic) s += "*";
  if (flags & afBold) s += "**";
  if (flags & afStrikeOut) s += "~~";
  return s;
}

bool IsBlank(TChar c) { return c == ' ' || c == kTab; }

// Characters that are markup anywhere in a line.
bool AlwaysEscaped(TChar c) {
  static constexpr std::string_view kSpecial = "\\`*_[]<>~|&#!";
  return c < 128 && kSpecial.find(char(c)) != std::string_view::npos;
}

// How each character of a line (no line breaks in it) is written. At the
// start of a line a "-", "+", "=" or a number followed by "." or ")" would
// start a list or underline a heading, and leading blanks would make code:
// they are escaped or written as character references.
class TLineEscaper {
 public:
  explicit TLineEscaper(const TString& line) : line_(line) {
    while (lead_ < line.size() && IsBlank(line[lead_])) ++lead_;
    size_t digits = lead_;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits > lead_ && digits < line.size() && (line[digits] == '.' || line[digits] == ')')) {
      numberMark_ = digits;
    }
  }

  void Append(std::string& out, size_t from, size_t to) const {
    for (size_t k = from; k < to; ++k) {
      const TChar c = line_[k];
      if (k < lead_) {
        out += c == ' ' ? "&#32;" : "&#9;";
        continue;
      }
      if (AlwaysEscaped(c) || k == numberMark_ || (k == lead_ && (c == '-' || c == '+' || c == '='))) {
        out.push_back('\\');
      }
      AppendUtf8(out, c);
    }
  }

 private:
  const TString& line_;
  size_t lead_ = 0;
  size_t numberMark_ = std::u32string::npos;
};

}  // namespace

TIoResult TMarkdownWriter::Body() {
  size_t last = LastPar();
  bool previousItem = false, any = false;
  for (size_t i = range_.startPar; i <= last; ++i) {
    if (i > range_.startPar && i == range_.endPar && range_.endOffset == 0) break;
    std::string block = Paragraph(i);
    if (block.empty()) continue;
    const bool item = doc_.Par(i).IsListItem();
    // Items of one list stand on consecutive lines; everything else is
    // separated by a blank line.
    if (any) Put(item && previousItem ? "\n" : "\n\n");
    Put(block);
    previousItem = item;
    any = true;
    if (Pending() > 65536 && !Flush()) return ioFailed;
  }
  if (any) Put('\n');
  return ioOk;
}

std::string TMarkdownWriter::Paragraph(size_t par) {
  const TParagraph& p = doc_.Par(par);
  // The text as lines of styled pieces: a piece is text of one style.
  struct Piece {
    uint32_t flags;
    TString text;
  };
  std::vector<std::vector<Piece>> lines(1);
  for (size_t i = From(par), to = To(par); i < to; ++i) {
    TChar c = p.text[i];
    if (c <= 3) continue;  // pictures and other objects
    const TAttr a = doc_.CharAttr(p, i);
    if (a.flags & kNotShown) continue;
    if ((a.flags & afInsertPoint) && options_.dropInsertPoints) continue;
    if ((a.flags & afAutomatic) && options_.dropAutomaticText) continue;
    if (c == kLineBreak) {
      lines.emplace_back();
      continue;
    }
    std::vector<Piece>& line = lines.back();
    const uint32_t flags = a.flags & kMarked;
    if (line.empty() || line.back().flags != flags) line.push_back({flags, {}});
    line.back().text.push_back(c);
  }
  bool empty = true;
  for (const auto& line : lines) empty = empty && line.empty();
  if (empty) return {};

  std::string out;
  std::string indent;
  if (p.IsListItem()) {
    indent.assign(size_t(p.listLevel) * 4, ' ');
    out = indent + (p.listKind == lkBullet ? std::string("- ") : ToUtf8(doc_.ListLabel(par)) + " ");
    indent += "    ";
  }
  for (size_t l = 0; l < lines.size(); ++l) {
    if (l > 0) out += "\\\n" + indent;
    // The marks go around each piece, with the blanks at its ends outside
    // them, where Markdown wants them.
    TString whole;
    for (const Piece& piece : lines[l]) whole += piece.text;
    const TLineEscaper escaper(whole);
    size_t from = 0;
    for (const Piece& piece : lines[l]) {
      const size_t to = from + piece.text.size();
      size_t a = from, b = to;
      while (a < b && IsBlank(whole[a])) ++a;
      while (b > a && IsBlank(whole[b - 1])) --b;
      escaper.Append(out, from, a);
      if (a < b) {
        out += Opening(piece.flags);
        escaper.Append(out, a, b);
        out += Closing(piece.flags);
      }
      escaper.Append(out, b, to);
      from = to;
    }
  }
  return out;
}

std::string MarkdownHeading(std::string_view text) {
  const TString line = FromUtf8Lenient(text);
  std::string out = "# ";
  for (TChar c : line) {
    if (AlwaysEscaped(c)) out.push_back('\\');
    AppendUtf8(out, c);
  }
  return out + "\n\n";
}

}  // namespace richtext
