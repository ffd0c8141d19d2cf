// SPDX-License-Identifier: GPL-3.0-or-later
/** Decoding bytes of Windows and Mac code pages into Unicode, single- and double-byte. */
#pragma once

#include <richtext/defs.h>

#include <memory>

namespace richtext {

// The code page of an RTF font character set (\fcharsetN): 0 (ANSI) is
// Windows-1252; 0 is given back where the set means "the document's page".
int CharsetCodePage(int charset);

// Decodes a stream of bytes in one code page, a byte at a time. Double-byte
// pages (932, 936, 949, 950, ...) hold a lead byte until its trail byte comes.
class TCodePageDecoder {
 public:
  explicit TCodePageDecoder(int codePage = 1252);
  ~TCodePageDecoder();
  int CodePage() const { return codePage_; }

  // Gives true and the character when the byte completes one; false while a
  // lead byte waits for its trail byte.
  bool Decode(uint8_t byte, TChar& out);
  bool Pending() const { return lead_ != 0; }
  void Reset() { lead_ = 0; }

 private:
  struct Table;
  int codePage_;
  const Table* table_;
  uint8_t lead_ = 0;
};

}  // namespace richtext
