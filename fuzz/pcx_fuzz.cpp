// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the PCX decoder.
#include <decoration/pcx.h>

#include <base/error.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    quillet::DecodePcx(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const quillet::Error&) {
  }
  return 0;
}
