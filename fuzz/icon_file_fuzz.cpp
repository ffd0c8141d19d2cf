// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the icon reader as a file of any kind: counting and
// decoding icons may fail but never crash, hang or read outside the bytes.
#include <decoration/icon_file.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto file = quillet::TIconFile::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
  const int count = file.Count();
  // The first icons and the last: enough to reach every image decoder.
  for (int i = 0; i < count && i < 6; ++i) (void)file.Icon(i);
  if (count > 6) (void)file.Icon(count - 1);
  return 0;
}
