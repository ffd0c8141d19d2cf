// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the RTF reader, then writes what it read and
// reads that again: nothing may crash, hang or touch memory it does not own.
#include <richtext/finder.h>
#include <richtext/io.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  richtext::TRTFTextIo doc;
  doc.loadFormat = richtext::FormatRTF;
  doc.LoadFromStream(bytes);

  richtext::TStringStream out;
  doc.writeOptions.writeBitmapAsDib = size % 2 == 0;
  doc.SaveToStream(out, true);
  richtext::TRTFTextIo back;
  back.LoadFromStream(out.bytes);

  richtext::TTextFinder finder(doc);
  finder.wildcard = '*';
  finder.ToStart();
  for (int i = 0; i < 50 && finder.FindNext(U"*"); ++i) {
  }
  return 0;
}
