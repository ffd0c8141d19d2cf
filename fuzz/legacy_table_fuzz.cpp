// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the old diary table reader as a table and its memo
// file, and reads every record. The first two bytes tell where the table ends.
#include <diary/legacy_table.h>

#include <base/error.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t split = std::min<size_t>(size - 2, size_t(data[0] | data[1] << 8));
  const char* bytes = reinterpret_cast<const char*>(data + 2);
  std::string dbf(bytes, split), memo(bytes + split, size - 2 - split);
  try {
    quillet::TLegacyTable table(quillet::TByteSource::FromBytes(std::move(dbf)),
                                quillet::TByteSource::FromBytes(std::move(memo)));
    for (table.First(); !table.Eof(); table.Next()) {
      if (table.IsDeleted()) continue;
      table.DateString();
      table.EntryBytes();
    }
  } catch (const quillet::Error&) {
  }
  return 0;
}
