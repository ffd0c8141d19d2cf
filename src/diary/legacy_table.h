// SPDX-License-Identifier: GPL-3.0-or-later
/** Reads the old single-table diary: a dBase/FoxPro table (.DBF) with its memo file (.FPT or .DBT). */
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// Bytes read at any offset from a file or from memory. Every read is checked
// against Size() by the caller first.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `count` bytes at `offset` (offset + count <= Size()); throws Error.
  virtual void ReadAt(uint64_t offset, size_t count, char* out) const = 0;

  static std::unique_ptr<TByteSource> OpenFile(const fs::path& path);  // throws Error
  static std::unique_ptr<TByteSource> FromBytes(std::string bytes);
};

// Which memo file a table's version byte calls for.
// The old diary program's database layer wrote 0x06, 0x86, 0xE6 and 0xF6 for
// tables it had encrypted (their memo files as for 0x03, 0x83, 0xE5, 0xF5), and
// 0xE5 for tables of its third driver, whose memos are kept in the .FPT file.
enum class TMemoKind : uint8_t {
  None,      // 0x03: a table without memo fields
  FoxPro,    // 0xF5 (FoxPro 2.x), 0xE5, 0x30-0x32 (Visual FoxPro), 0x06, 0xE6, 0xF6:
             // .FPT, big-endian blocks
  DBaseIII,  // 0x83, 0x86: .DBT, 512-byte blocks, text ends at 0x1A
};

// The names of the two fields that the conversion reads.
struct TLegacyFieldNames {
  std::string date = "DATE";
  std::string entry = "ENTRY";
};

// The legacy diary table, read in physical record order. It holds the two
// fields the conversion uses: DATE (character or date, the day key) and
// ENTRY (memo, the entry's RTF). Reading never changes the files.
//
//   table.First();
//   while (!table.Eof()) {
//     if (!table.IsDeleted()) use(table.DateString(), table.EntryBytes());
//     table.Next();
//   }
//
// Every offset, length and block number taken from the files is checked
// against their sizes; a damaged file throws Error naming what is wrong.
class TLegacyTable {
 public:
  // Opens a table and its memo file (empty when it has none). Throws Error
  // when either is missing, the table is damaged, encrypted, of an unknown
  // kind, or lacks DATE or ENTRY.
  // The two fields read are named by `fields` (other tables are read so in tests).
  static TLegacyTable Open(const fs::path& dbfPath, const fs::path& memoPath,
                           const TLegacyFieldNames& fields = {});
  // The same from bytes already read; `memo` may be null when the table has no memo file.
  TLegacyTable(std::unique_ptr<TByteSource> dbf, std::unique_ptr<TByteSource> memo,
               std::string tableName = "QUILLET.DBF", const TLegacyFieldNames& fields = {});

  TLegacyTable(TLegacyTable&&) noexcept;
  TLegacyTable& operator=(TLegacyTable&&) noexcept;
  ~TLegacyTable();

  // The extension of the memo file that a table's version byte asks for:
  // ".FPT" or ".DBT"; empty when the table cannot be read or has none.
  static std::string MemoExtensionFor(const fs::path& dbfPath);
  static TMemoKind MemoKindOf(uint8_t versionByte, bool* known = nullptr);
  // Whether the version byte marks a table encrypted by the program that wrote it.
  static bool EncryptedVersion(uint8_t versionByte);

  uint32_t RecordCount() const { return recordCount_; }
  TMemoKind MemoKind() const { return memoKind_; }

  void First();                      // the first record, or the end of an empty table
  void Next();                       // the next record; the end after the last
  bool Eof() const { return current_ >= recordCount_; }
  uint32_t RecordNumber() const { return current_ + 1; }  // counted from 1

  // Deleted unless the record's flag byte is a blank or the letter E.
  bool IsDeleted() const;
  // DATE with trailing blanks removed: the day key, or empty.
  std::string DateString() const;
  // The ENTRY memo: the text up to its first zero byte; empty when the record has none.
  std::string EntryBytes() const;

 private:
  struct Field {
    std::string name;
    char type = 0;
    uint32_t offset = 0;  // from the start of the record, after the flag byte's position 0
    uint32_t width = 0;
  };
  void ReadHeader(const TLegacyFieldNames& fields);
  void LoadRecord();
  uint64_t MemoBlock(std::string_view raw) const;
  std::string ReadFoxProMemo(uint64_t block) const;
  std::string ReadDBaseMemo(uint64_t block) const;

  std::unique_ptr<TByteSource> dbf_;
  std::unique_ptr<TByteSource> memo_;
  std::string tableName_;
  TMemoKind memoKind_ = TMemoKind::None;
  uint32_t recordCount_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  uint32_t memoBlockSize_ = 0;
  Field date_, entry_;
  uint32_t current_ = 0;
  std::string record_;  // the raw bytes of the current record
};

}  // namespace quillet
