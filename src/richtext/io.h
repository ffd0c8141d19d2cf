// SPDX-License-Identifier: GPL-3.0-or-later
/** Loading and saving a document: format detection, the readers and writers, files. */
#pragma once

#include <richtext/document.h>
#include <richtext/reader.h>
#include <richtext/stream.h>
#include <richtext/writer.h>

#include <filesystem>
#include <string_view>

namespace richtext {

enum TLoadFormat : uint8_t { AutomaticFormat, LastFormat, FormatRTF, FormatANSI, FormatHTML };

// A paragraph to insert, with its properties and its text.
struct TParagraphDescriptor {
  uint8_t alignment = alLeft;
  int32_t firstIndent = 0, leftIndent = 0, rightIndent = 0;
  int32_t spaceBefore = 0, spaceAfter = 0, lineSpacing = 0;
  TAttr attr;
  TString text;
  uint8_t border[4] = {0, 0, 0, 0};  // flags, style, width, spacing and colour
  uint64_t tabSet = 0;
  bool pageBreak = false;
  uint8_t shadeColors = 0, shading = 0;
};

class TRTFTextIo : public TRTFText {
 public:
  TLoadFormat loadFormat = AutomaticFormat;
  TLoadFormat saveFormat = AutomaticFormat;
  TLoadFormat lastFormat = AutomaticFormat;  // the format last loaded
  TIoResult lastError = ioOk;
  TReadLosses lastLosses;  // what the last load left out of its input
  std::filesystem::path fileName;  // the file last loaded or saved
  TWriteOptions writeOptions;

  // RTF when the bytes start (after blanks) with "{\rtf"; HTML when one of a
  // few well-known tags stands in the first 2000 bytes; plain text otherwise.
  static TLoadFormat DetectFormat(std::string_view bytes);

  // Replaces the document with what the bytes hold; never raises on
  // malformed input. Gives and records the result (0 or 7).
  TIoResult LoadFromStream(std::string_view bytes);
  // Writes the document in the save format. An empty document asked for as
  // RTF is written as plain text unless the save comes from SaveToFile.
  TIoResult SaveToStream(TOutStream& out, bool fromFile = false);
  TIoResult LoadFromFile(const std::filesystem::path& path);
  // ".RTF" anywhere in the name writes RTF, ".HTM" HTML, else the save
  // format. The file is replaced only when written in full.
  TIoResult SaveToFile(const std::filesystem::path& path);

  void Clear() override;

  // Takes over another document's fonts, colours, tab stops and page.
  void CopyHeaderFrom(const TRTFText& other);
  // Appends every paragraph of another document, carrying its fonts, colours,
  // tab stops, objects and footnotes over into this one.
  void FastAppendText(TRTFText& other);
  // Reads RTF that is to be inserted into this document (pasted, dropped):
  // its fonts and colours are mapped into this document's tables, so that
  // every character keeps the font and colour it had. The header of this
  // document is otherwise left as it is.
  ParagraphList ReadRtfForInsertion(std::string_view rtf);
  // The same for HTML (see ReadHtml); text without a style of its own takes
  // the insertion attribute.
  ParagraphList ReadHtmlForInsertion(std::string_view html);
  // Inserts a paragraph after paragraph `after`; gives its index.
  size_t InsertParagraphWith(size_t after, const TParagraphDescriptor& d);
  // Margins and page size in twips; -1000 leaves a value as it is.
  void SetPageLayout(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t width,
                     int32_t height);
  int FontNumber(const std::string& name) { return Header().FontNumber(name); }
  // Colours 0 to 14 of the colour table; 0 for any other number.
  uint32_t GetColor(int i) const { return i >= 0 && i < 15 ? Header().colors[size_t(i)] : 0; }

 private:
  // The paragraphs of another document as paragraphs of this one: fonts,
  // colours, tab stops, objects and footnotes carried over.
  ParagraphList AdoptParagraphs(TRTFText& other);
  // The index in this document's colour table of another table's colour:
  // the same index when it holds the same colour, else the first entry of
  // that colour, else a new entry (the nearest one when the table is full).
  int AdoptColor(const TTextHeader& from, int index);
};

}  // namespace richtext
