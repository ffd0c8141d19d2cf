// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/entry_heading.h>

#include <richtext/unicode.h>

#include <algorithm>

namespace quillet {

using namespace richtext;

void PutUnderDateHeading(TRTFTextIo& sheet, TRTFTextIo& entry, TDate day) {
  sheet.Clear();
  sheet.CopyHeaderFrom(entry);
  TParagraphDescriptor heading;
  heading.spaceAfter = 90;
  heading.alignment = alLeft;
  heading.attr.font = uint8_t(std::min(sheet.FontNumber("arial"), 98));
  heading.attr.size = 10;
  heading.attr.flags = afBold | afItalic | afUnderline;
  heading.text = FromUtf8Lenient(LongDate(day));
  sheet.InsertParagraphWith(0, heading);
  sheet.RemoveParagraphs(0, 1);  // the empty paragraph a cleared document starts with
  sheet.FastAppendText(entry);
}

}  // namespace quillet
