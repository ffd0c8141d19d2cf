// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the dictionary reader as a file of either kind, then
// looks words up, walks suggestions and lists words in whatever trees it accepts.
#include <decoration/dictionary_file.h>
#include <decoration/typing_cost.h>

#include <base/error.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/quillet-dictionary-fuzz-" + std::to_string(::getpid()) + ".dct";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    auto records = quillet::OpenAnyDictionary(path);
    for (auto& r : records) {
      for (const char* w : {"A", "THE", "DOGS", "\xC9T\xC9", "ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ"}) r->Contains(w);
      long budget = 100000;
      int limit = 20;
      quillet::WalkNearWords(*r, "TEH", limit, [](const std::string&, int) {}, budget);
      r->ForEachWord([](const std::string&) {}, 100000);
    }
  } catch (const quillet::Error&) {
  }
  return 0;
}
