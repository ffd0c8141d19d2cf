// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as RTF, saves, loads the save and saves again: the
// two saves must be the same bytes and the two loads the same text. Any
// difference aborts, so that the fuzzer keeps the input that shows it.
#include <richtext/io.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string Save(richtext::TRTFTextIo& doc) {
  richtext::TStringStream out;
  doc.saveFormat = richtext::FormatRTF;
  doc.SaveToStream(out, true);
  return out.bytes;
}

std::u32string Text(const richtext::TRTFText& doc) {
  std::u32string text;
  for (const auto& p : doc.Paragraphs()) {
    text += p->text;
    text += U'\n';
  }
  return text;
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "round trip: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  richtext::TRTFTextIo first, second;
  first.loadFormat = second.loadFormat = richtext::FormatRTF;
  first.LoadFromStream(bytes);
  std::string save = Save(first);
  second.LoadFromStream(save);
  Check(Text(first) == Text(second), "the text changed");
  Check(Save(second) == save, "the second save differs from the first");
  return 0;
}
