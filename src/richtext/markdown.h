// SPDX-License-Identifier: GPL-3.0-or-later
/** Markdown: the writer for exported entries. */
#pragma once

#include <richtext/document.h>
#include <richtext/writer.h>

#include <string>
#include <string_view>

namespace richtext {

// Writes the document as Markdown: one paragraph per block, separated by a
// blank line; list items as "- " or "1. " lines, indented four spaces a
// level; bold as **, italic as *, strike-through as ~~; line breaks as a
// backslash at the line's end. Every character that Markdown would read as
// markup is escaped with a backslash, so the text reads back as it was.
// Pictures, hidden text and other formatting are left out.
class TMarkdownWriter : public TTextWriter {
 public:
  using TTextWriter::TTextWriter;

 protected:
  TIoResult Body() override;

 private:
  // The paragraph's line(s), without the blank line after it; empty when it holds no text.
  std::string Paragraph(size_t par);
};

// UTF-8 text as a top-level heading line "# text", escaped, with the blank
// line after it.
std::string MarkdownHeading(std::string_view text);

}  // namespace richtext
