// SPDX-License-Identifier: GPL-3.0-or-later
/** Writes small dBase/FoxPro tables with memo files, in each layout the old diary used. */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::testing {

// One record of a diary table: its deletion flag, DATE and ENTRY memo.
struct LegacyRecord {
  std::string date;
  std::string entry;
  bool deleted = false;
  bool noMemo = false;  // the memo field left blank (no memo block at all)
};

enum class LegacyLayout {
  VisualFoxPro,  // 0x30, four-byte binary block numbers, .FPT
  FoxPro2,       // 0xF5, ten-digit block numbers, .FPT
  DBaseIII,      // 0x83, ten-digit block numbers, .DBT with 512-byte blocks
};

struct LegacyTableBytes {
  std::string dbf;
  std::string memo;
  std::string memoExtension;  // ".FPT" or ".DBT"
};

// A table with the fields NAME (C 12), DATE (C 8) and ENTRY (M), in that order,
// so that DATE and ENTRY do not start at the record's first field byte.
inline LegacyTableBytes WriteLegacyTable(const std::vector<LegacyRecord>& records,
                                         LegacyLayout layout, uint16_t blockSize = 64) {
  auto le = [](std::string& s, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s += char(v >> (8 * i) & 0xFF);
  };
  auto be = [](std::string& s, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) s += char(v >> (8 * i) & 0xFF);
  };
  bool vfp = layout == LegacyLayout::VisualFoxPro;
  bool dbase = layout == LegacyLayout::DBaseIII;
  if (dbase) blockSize = 512;
  uint8_t memoWidth = vfp ? 4 : 10;
  struct F {
    const char* name;
    char type;
    uint8_t width;
  } fields[] = {{"NAME", 'C', 12}, {"DATE", 'C', 8}, {"ENTRY", 'M', memoWidth}};
  uint16_t recordLength = 1 + 12 + 8 + memoWidth;
  uint16_t headerLength = 32 + 32 * 3 + 1 + (vfp ? 263 : 0);

  LegacyTableBytes out;
  out.memoExtension = dbase ? ".DBT" : ".FPT";
  // The memo file: a 512-byte header, then blocks.
  std::string& memo = out.memo;
  memo.assign(512, '\0');
  auto addMemo = [&](const std::string& text) -> uint32_t {
    while (memo.size() % blockSize) memo += '\0';
    uint32_t block = uint32_t(memo.size() / blockSize);
    if (dbase) {
      memo += text;
      memo += "\x1A\x1A";
    } else {
      std::string head;
      be(head, 1, 4);  // a text memo
      be(head, uint32_t(text.size()), 4);
      memo += head + text;
    }
    return block;
  };

  std::string& dbf = out.dbf;
  dbf += char(vfp ? 0x30 : dbase ? 0x83 : 0xF5);
  dbf += "\x7A\x0C\x07";  // last update 2022-12-07
  le(dbf, uint32_t(records.size()), 4);
  le(dbf, headerLength, 2);
  le(dbf, recordLength, 2);
  dbf.append(17, '\0');
  dbf += char(0x03);  // code page 1252
  dbf.append(2, '\0');
  uint32_t offset = 1;
  for (const F& f : fields) {
    std::string d(32, '\0');
    d.replace(0, std::string(f.name).size(), f.name);
    d[11] = f.type;
    d[12] = char(offset);
    d[16] = char(f.width);
    offset += f.width;
    dbf += d;
  }
  dbf += '\x0D';
  dbf.resize(headerLength, '\0');
  for (const LegacyRecord& r : records) {
    dbf += r.deleted ? '*' : ' ';
    std::string name = "someone";
    dbf += name + std::string(12 - name.size(), ' ');
    std::string date = r.date.substr(0, 8);
    dbf += date + std::string(8 - date.size(), ' ');
    uint32_t block = r.noMemo ? 0 : addMemo(r.entry);
    if (vfp) {
      le(dbf, block, 4);
    } else if (block == 0) {
      dbf += std::string(10, ' ');
    } else {
      std::string digits = std::to_string(block);
      dbf += std::string(10 - digits.size(), ' ') + digits;
    }
  }
  dbf += '\x1A';
  // The memo header: the next free block and the block size (big-endian).
  while (memo.size() % blockSize) memo += '\0';
  std::string head;
  if (dbase) {
    le(head, uint32_t(memo.size() / blockSize), 4);
  } else {
    be(head, uint32_t(memo.size() / blockSize), 4);
    head += std::string(2, '\0');
    be(head, blockSize, 2);
  }
  memo.replace(0, head.size(), head);
  return out;
}

}  // namespace quillet::testing
