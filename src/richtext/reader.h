// SPDX-License-Identifier: GPL-3.0-or-later
/** The plain-text reader and the RTF reader: bytes into paragraphs of a document. */
#pragma once

#include <richtext/codepage.h>
#include <richtext/document.h>

#include <string>
#include <string_view>

namespace richtext {

struct TReadOptions {
  bool keepHeader = false;    // leave page, margins and colours of the document alone
  bool markInserted = false;  // flag every character read as automatic text
  // Picture files that a document names are never opened: a document must
  // not make the program read files of the machine.
};

// What a read had to leave out of the text it was given; nothing is left
// out of well-formed input.
struct TReadLosses {
  // Bytes inside groups nested deeper than the reader follows.
  size_t tooDeep = 0;
  bool Any() const { return tooDeep != 0; }
};

// Reads plain text: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
// CR, LF and CR LF end paragraphs; a byte 0 ends the text.
class TTextReader {
 public:
  TTextReader(TRTFText* doc, TReadOptions options = {});
  virtual ~TTextReader() = default;

  // Reads the bytes into a new list of paragraphs that use the document's
  // header, attribute table and objects. Never raises on malformed input.
  virtual TRTFText::ParagraphList Read(std::string_view bytes);
  // What the last Read left out.
  const TReadLosses& Losses() const { return losses_; }

 protected:
  TRTFText& doc_;
  TReadOptions options_;
  TReadLosses losses_;
};

class TRtfReader : public TTextReader {
 public:
  TRtfReader(TRTFText* doc, TReadOptions options = {});
  ~TRtfReader() override;
  TRTFText::ParagraphList Read(std::string_view bytes) override;

 private:
  class Impl;
};

}  // namespace richtext
