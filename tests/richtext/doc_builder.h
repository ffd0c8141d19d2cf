// SPDX-License-Identifier: GPL-3.0-or-later
/** Small helpers for building documents in engine tests. */
#pragma once

#include <richtext/io.h>
#include <richtext/platform.h>
#include <richtext/reader.h>
#include <richtext/unicode.h>
#include <richtext/writer.h>

#include <string>

namespace richtext::testing {

// A cleared document: font 0 is Arial, one empty paragraph.
struct Doc {
  TRTFTextIo doc;
  Doc() { doc.Clear(); }

  // Sets paragraph n's text (creating paragraphs with default properties as
  // needed), every character in `a`.
  TParagraph& Para(size_t n, std::u32string_view text, TAttr a = Plain()) {
    while (doc.Size() <= n) doc.MutablePar(doc.NewParagraph(doc.Size() - 1)).Props() = TParagraphProps{};
    doc.SetParagraphText(n, TString(text), &a);
    return doc.MutablePar(n);
  }
  // Appends text to paragraph n in attribute a.
  void Add(size_t n, std::u32string_view text, TAttr a) {
    doc.InsertTextAt(n, doc.Par(n).Length(), TString(text), &a);
  }

  static TAttr Plain() {
    TAttr a;
    a.size = 10;
    return a;
  }
  static TAttr With(uint32_t flags) {
    TAttr a = Plain();
    a.flags = flags;
    return a;
  }

  std::string Rtf(TWriteOptions options = {}) {
    TStringStream out;
    TRTFWriter(doc, {}, options).Write(out);
    return out.bytes;
  }
};

// Fixed metrics for layout and painting rules: every character 10 pixels
// wide and a space 5, ascent 12 and descent 4 at 10 points (scaled with the
// size), 96 dpi.
class FixedMetrics : public TFontMetrics {
 public:
  int Dpi() const override { return 96; }
  int CharWidth(const TFontSpec& f, TChar c) override { return (c == ' ' ? 5 : 10) * f.points / 10; }
  int Ascent(const TFontSpec& f) override { return 12 * f.points / 10; }
  int Descent(const TFontSpec& f) override { return 4 * f.points / 10; }
};

// Reads RTF into a fresh document.
inline void LoadRtf(TRTFTextIo& doc, std::string_view rtf) {
  doc.loadFormat = FormatRTF;
  doc.LoadFromStream(rtf);
}

// Saves a document as RTF, as a file is saved.
inline std::string SaveRtf(TRTFTextIo& doc) {
  TStringStream out;
  doc.saveFormat = FormatRTF;
  doc.SaveToStream(out, true);
  return out.bytes;
}

inline std::string Text(const TRTFText& doc) {
  std::string out;
  for (size_t i = 0; i < doc.Size(); ++i) {
    if (i) out += "|";
    out += ToUtf8(doc.Par(i).text);
  }
  return out;
}

}  // namespace richtext::testing
