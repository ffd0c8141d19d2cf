/** A small HTML reader and writer: text and paragraphs, no styling. */
#pragma once

#include <richtext/document.h>
#include <richtext/stream.h>

#include <string_view>

namespace richtext {

// Paragraphs from HTML: block tags and <br> end paragraphs, entities are
// decoded, script and style contents are left out.
TRTFText::ParagraphList ReadHtml(TRTFText& doc, std::string_view bytes);

// The document as a simple HTML page, one <p> per paragraph.
TIoResult WriteHtml(TRTFText& doc, TOutStream& out);

}  // namespace richtext
