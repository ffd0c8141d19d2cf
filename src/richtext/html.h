// SPDX-License-Identifier: GPL-3.0-or-later
/** HTML: the reader for pages and pasted HTML, the writer for copies and saves. */
#pragma once

#include <richtext/document.h>
#include <richtext/stream.h>
#include <richtext/writer.h>

#include <functional>
#include <string>
#include <string_view>

namespace richtext {

// Paragraphs from HTML, their attributes interned in `doc` and their fonts,
// colours and pictures added to it. Block tags end paragraphs and <br> breaks
// a line; bold, italic, underline, strike-out, super- and subscript, fonts,
// sizes, text and background colours, alignment and indents are taken from
// the tags and their style attributes; list items become indented paragraphs
// that start with their bullet or number; pictures given as data: addresses
// (PNG, JPEG, BMP) become objects. Text without a style of its own takes the
// font, size and colours of the insertion attribute. Script, style and head
// contents are left out; malformed input never raises.
TRTFText::ParagraphList ReadHtml(TRTFText& doc, std::string_view bytes);

// Writes a range of the document as an HTML page that browsers, mail and
// chat programs paste with its look: one <p> per paragraph, a <span> per run
// of equal attributes, pictures as data: addresses.
//
//   <p style="margin:0;white-space:pre-wrap;text-align:center">
//   <span style="font-family:'Arial';font-size:10pt;color:#000000"><b>Dear</b> diary</span></p>
class THtmlWriter : public TTextWriter {
 public:
  using TTextWriter::TTextWriter;
  // PNG bytes of a picture that is neither PNG nor JPEG (a bitmap, a
  // metafile); empty leaves the picture out. Without it bitmaps are written
  // as BMP and metafiles are left out.
  std::function<std::string(const TPicture&)> encodePicture;
  // Only the paragraphs, for a page that HtmlPageStart and HtmlPageEnd frame.
  bool bodyOnly = false;

 protected:
  TIoResult Header() override;
  TIoResult Body() override;
  TIoResult Trailer() override;

 private:
  void Paragraph(size_t par);
  void Run(const TParagraph& p, size_t from, size_t to, const TAttr& a);
  void Picture(TChar c, const TAttr& a);
  void Escaped(TChar c);
};

// A whole UTF-8 HTML page for files of their own: the doctype, the head with
// `title` (UTF-8 text, escaped here) and the opening <body>; then its end.
std::string HtmlPageStart(std::string_view title);
std::string HtmlPageEnd();
// UTF-8 text as a top-level heading <h1>, escaped.
std::string HtmlHeading(std::string_view text);

}  // namespace richtext
