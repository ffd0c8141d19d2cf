// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the plain-text and HTML readers and writes the result.
#include <richtext/io.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (richtext::TLoadFormat format : {richtext::FormatANSI, richtext::FormatHTML}) {
    richtext::TRTFTextIo doc;
    doc.loadFormat = format;
    doc.LoadFromStream(bytes);
    richtext::TStringStream out;
    doc.saveFormat = richtext::FormatRTF;
    doc.SaveToStream(out, true);
  }
  return 0;
}
