// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/legacy_table.h>

#include <base/error.h>

#include "../support/temp_dir.h"
#include "../support/legacy_table_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace quillet {
namespace {

using testing::LegacyLayout;
using testing::LegacyRecord;
using testing::TempDir;
using testing::WriteLegacyTable;

const fs::path kFixtures = QUILLET_FIXTURES;

struct Row {
  std::string date;
  std::string entry;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << "{" << r.date << ", " << r.entry.size() << " bytes: " << r.entry.substr(0, 40)
            << "}";
}

// The records that are not deleted, as the conversion walks them.
std::vector<Row> LiveRows(TLegacyTable& table) {
  std::vector<Row> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    if (!table.IsDeleted()) rows.push_back({table.DateString(), table.EntryBytes()});
  }
  return rows;
}

TLegacyTable FromBytes(const testing::LegacyTableBytes& t) {
  return TLegacyTable(TByteSource::FromBytes(t.dbf), TByteSource::FromBytes(t.memo));
}

// Python's dbfread on the same table, if it is installed: the DATE and the
// memo of every record that is not deleted.
std::optional<std::vector<Row>> DbfreadRows(const fs::path& dbf, const std::string& dateField,
                                            const std::string& memoField) {
  static const char* kScript = R"(
import sys
from dbfread import DBF
table = DBF(sys.argv[1], encoding='latin-1')
for record in table:
    date, memo = record[sys.argv[2]], record[sys.argv[3]]
    if date is None:
        date = ''
    elif hasattr(date, 'strftime'):
        date = date.strftime('%Y%m%d')
    if memo is None:
        memo = b''
    elif not isinstance(memo, bytes):
        memo = memo.encode('latin-1')
    print(date.encode('latin-1').hex() + ':' + memo.hex())
)";
  std::string python;
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    std::string probe = std::string(candidate) + " -c 'import dbfread' 2>/dev/null";
    if (std::system(probe.c_str()) == 0) {
      python = candidate;
      break;
    }
  }
  if (python.empty()) return std::nullopt;
  TempDir scratch;
  fs::path script = scratch.Write("rows.py", kScript);
  std::string command = python + " '" + script.string() + "' '" + dbf.string() + "' " +
                        dateField + " " + memoField;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  if (::pclose(pipe) != 0) throw std::runtime_error("dbfread failed on " + dbf.string());
  auto unhex = [](std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
      bytes += char(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
  };
  std::vector<Row> rows;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line(out.data() + start, end - start);
    size_t colon = line.find(':');
    rows.push_back({unhex(line.substr(0, colon)), unhex(line.substr(colon + 1))});
  }
  return rows;
}

std::vector<LegacyRecord> SampleRecords() {
  std::string longText = "{\\rtf1\\ansi ";
  while (longText.size() < 3000) longText += "A long entry that fills several memo blocks. ";
  longText += "\xE9t\xE9}";  // Windows-1252 bytes stay as they are
  return {
      {"20261207", "{\\rtf1 Monday}"},
      {"20261208", "deleted text", /*deleted=*/true},
      {"", "a record without a date"},
      {"20261209", longText},
      {"20261210", "", false, /*noMemo=*/true},
      {"20261211", std::string(64 - 8, 'x')},  // fills a 64-byte block exactly
      {"2026121", "seven digits"},
  };
}

std::vector<Row> ExpectedLiveRows() {
  std::vector<Row> rows;
  for (const LegacyRecord& r : SampleRecords()) {
    if (!r.deleted) rows.push_back({r.date, r.noMemo ? "" : r.entry});
  }
  return rows;
}

struct LayoutCase {
  const char* name;
  LegacyLayout layout;
  uint16_t blockSize;
};

class LegacyLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LegacyLayouts, GiveTheRecordsAndMemosThatDbfreadGives) {
  const LayoutCase& c = GetParam();
  auto bytes = WriteLegacyTable(SampleRecords(), c.layout, c.blockSize);
  TempDir dir;
  fs::path dbf = dir.Write("QUILLET.DBF", bytes.dbf);
  fs::path memo = dir.Write("QUILLET" + bytes.memoExtension, bytes.memo);

  TLegacyTable table = TLegacyTable::Open(dbf, memo);
  EXPECT_EQ(table.RecordCount(), SampleRecords().size());
  std::vector<Row> ours = LiveRows(table);
  EXPECT_EQ(ours, ExpectedLiveRows());

  auto theirs = DbfreadRows(dbf, "DATE", "ENTRY");
  if (!theirs) GTEST_SKIP() << "python3-dbfread is not installed";
  EXPECT_EQ(ours, *theirs);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, LegacyLayouts,
    ::testing::Values(LayoutCase{"VisualFoxPro64", LegacyLayout::VisualFoxPro, 64},
                      LayoutCase{"FoxPro2Blocks64", LegacyLayout::FoxPro2, 64},
                      LayoutCase{"FoxPro2Blocks32", LegacyLayout::FoxPro2, 32},
                      LayoutCase{"FoxPro2Blocks512", LegacyLayout::FoxPro2, 512},
                      LayoutCase{"FoxPro2Blocks1", LegacyLayout::FoxPro2, 1},
                      LayoutCase{"FoxPro2Blocks4096", LegacyLayout::FoxPro2, 4096},
                      LayoutCase{"DBaseIII", LegacyLayout::DBaseIII, 512}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LegacyTable, ReadsARealVisualFoxProTableAsDbfreadDoes) {
  fs::path dbf = kFixtures / "dbf" / "memotest.dbf";
  TLegacyTable table =
      TLegacyTable::Open(dbf, kFixtures / "dbf" / "memotest.FPT", {"BIRTHDATE", "MEMO"});
  EXPECT_EQ(table.MemoKind(), TMemoKind::FoxPro);
  EXPECT_EQ(table.MemoExtensionFor(dbf), ".FPT");
  // Three records, the third deleted.
  table.First();
  EXPECT_FALSE(table.IsDeleted());
  table.Next();
  table.Next();
  EXPECT_TRUE(table.IsDeleted());
  table.Next();
  EXPECT_TRUE(table.Eof());
  std::vector<Row> ours = LiveRows(table);
  EXPECT_EQ(ours, (std::vector<Row>{{"19870301", "Alice memo"}, {"19801112", "Bob memo"}}));

  auto theirs = DbfreadRows(dbf, "BIRTHDATE", "MEMO");
  if (!theirs) GTEST_SKIP() << "python3-dbfread is not installed";
  EXPECT_EQ(ours, *theirs);
}

TEST(LegacyTable, RefusesATableWhoseMemoFileIsMissing) {
  TempDir dir;
  fs::path dbf = kFixtures / "dbf" / "no_memofile.dbf";
  try {
    TLegacyTable::Open(dbf, dir / "no_memofile.FPT", {"BIRTHDATE", "MEMO"});
    FAIL() << "opened";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The memo file no_memofile.FPT of the old diary table no_memofile.dbf is missing.");
  }
}

TEST(LegacyTable, EndsAMemoAtItsFirstZeroByte) {
  for (LegacyLayout layout : {LegacyLayout::FoxPro2, LegacyLayout::DBaseIII}) {
    auto bytes = WriteLegacyTable({{"20261207", std::string("kept\0dropped", 12)}}, layout);
    TLegacyTable table = FromBytes(bytes);
    EXPECT_EQ(table.EntryBytes(), "kept");
  }
}

TEST(LegacyTable, KeepsRecordsFlaggedEAndAnEmptyTableIsAtItsEnd) {
  auto bytes = WriteLegacyTable({{"20261207", "a"}, {"20261208", "b"}}, LegacyLayout::FoxPro2);
  size_t headerLength = uint8_t(bytes.dbf[8]) | uint8_t(bytes.dbf[9]) << 8;
  size_t recordLength = uint8_t(bytes.dbf[10]) | uint8_t(bytes.dbf[11]) << 8;
  bytes.dbf[headerLength] = 'E';
  bytes.dbf[headerLength + recordLength] = 'X';
  TLegacyTable table = FromBytes(bytes);
  EXPECT_FALSE(table.IsDeleted());
  table.Next();
  EXPECT_TRUE(table.IsDeleted());

  TLegacyTable empty = FromBytes(WriteLegacyTable({}, LegacyLayout::VisualFoxPro));
  EXPECT_TRUE(empty.Eof());
  empty.Next();
  EXPECT_TRUE(empty.Eof());
}

// A damaged or foreign table is refused with a message that says what is
// wrong, at opening or at the record that is damaged.
struct DamageCase {
  const char* name;
  void (*damage)(testing::LegacyTableBytes&);
  const char* message;  // a part of the message
};

void SetByte(std::string& s, size_t at, uint8_t v) { s[at] = char(v); }

const DamageCase kDamages[] = {
    {"ShortHeader", [](auto& t) { t.dbf.resize(20); }, "shorter than its header"},
    {"HeaderPastEnd", [](auto& t) { SetByte(t.dbf, 9, 0x40); }, "header runs past the end"},
    {"TooManyRecords", [](auto& t) { SetByte(t.dbf, 7, 0x10); },
     "claims 268435457 records but holds only 1"},
    {"CutRecords", [](auto& t) { t.dbf.resize(t.dbf.size() - 5); }, "claims 1 records but holds only 0"},
    {"ZeroRecordLength", [](auto& t) { SetByte(t.dbf, 10, 0), SetByte(t.dbf, 11, 0); },
     "record length is zero"},
    {"FieldsWiderThanRecords", [](auto& t) { SetByte(t.dbf, 32 + 16, 200); },
     "fields are wider than its records"},
    {"UnknownVersion", [](auto& t) { SetByte(t.dbf, 0, 0x8B); }, "version byte 0x8B"},
    {"Encrypted", [](auto& t) { SetByte(t.dbf, 15, 1); }, "is encrypted by the database program"},
    {"NoEntryField", [](auto& t) { t.dbf[32 + 64] = 'X'; }, "has no memo field ENTRY"},
    {"DateIsNumeric", [](auto& t) { t.dbf[32 + 32 + 11] = 'N'; }, "has no character field DATE"},
    {"MemoHeaderShort", [](auto& t) { t.memo.resize(100); }, "memo file is shorter than its header"},
    {"BlockSizeZero", [](auto& t) { SetByte(t.memo, 6, 0), SetByte(t.memo, 7, 0); },
     "block size of zero"},
    {"BlockPastEnd", [](auto& t) { t.dbf.replace(t.dbf.size() - 11, 10, "    999999"); },
     "memo of record 1 lies outside its memo file"},
    {"BlockInMemoHeader", [](auto& t) { t.dbf.replace(t.dbf.size() - 11, 10, "         1"); },
     "memo of record 1 lies outside its memo file"},
    {"BlockNotANumber", [](auto& t) { t.dbf.replace(t.dbf.size() - 11, 10, "      12x4"); },
     "record 1 has no valid memo block number"},
    {"MemoLengthPastEnd", [](auto& t) { SetByte(t.memo, 512 + 4, 0x7F); },
     "memo of record 1 runs past the end of its memo file"},
    {"MemoCutShort", [](auto& t) { t.memo.resize(512 + 10); },
     "memo of record 1 runs past the end of its memo file"},
};

TEST(LegacyTable, RefusesDamagedTablesWithAClearMessage) {
  for (const DamageCase& c : kDamages) {
    SCOPED_TRACE(c.name);
    auto bytes = WriteLegacyTable({{"20261207", "{\\rtf1 text}"}}, LegacyLayout::FoxPro2);
    c.damage(bytes);
    try {
      TLegacyTable table = FromBytes(bytes);
      for (table.First(); !table.Eof(); table.Next()) table.EntryBytes();
      FAIL() << "read without complaint";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("QUILLET.DBF"), std::string::npos) << e.what();
    }
  }
}

TEST(LegacyTable, TellsTheMemoFileByTheVersionByte) {
  TempDir dir;
  struct {
    LegacyLayout layout;
    const char* ext;
  } cases[] = {{LegacyLayout::VisualFoxPro, ".FPT"},
               {LegacyLayout::FoxPro2, ".FPT"},
               {LegacyLayout::DBaseIII, ".DBT"}};
  for (const auto& c : cases) {
    fs::path dbf = dir.Write("t.dbf", WriteLegacyTable({}, c.layout).dbf);
    EXPECT_EQ(TLegacyTable::MemoExtensionFor(dbf), c.ext);
  }
  EXPECT_EQ(TLegacyTable::MemoExtensionFor(dir.Write("e.dbf", "")), "");
  EXPECT_EQ(TLegacyTable::MemoExtensionFor(dir / "missing.dbf"), "");
}

}  // namespace
}  // namespace quillet
