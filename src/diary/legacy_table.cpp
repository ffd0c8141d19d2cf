// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/legacy_table.h>

#include <diary/ascii.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

// Layout of the table header and its field descriptors.
constexpr size_t kHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr char kDescriptorEnd = 0x0D;
// The memo file's own header, before the first block it may point at.
constexpr uint64_t kMemoHeaderSize = 512;
constexpr uint64_t kDBaseBlockSize = 512;

uint32_t LittleEndian(const char* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = n; i-- > 0;) v = v << 8 | uint8_t(p[i]);
  return v;
}

uint32_t BigEndian(const char* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v << 8 | uint8_t(p[i]);
  return v;
}

class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const fs::path& path) : path_(path) {
    fd_ = OpenPlainFile(path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("read");
    size_ = uint64_t(st.st_size);
  }
  ~TFileSource() override {
    if (fd_ >= 0) ::close(fd_);
  }
  uint64_t Size() const override { return size_; }
  void ReadAt(uint64_t offset, size_t count, char* out) const override {
    while (count > 0) {
      ssize_t n = ::pread(fd_, out, count, off_t(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("read");
      if (n == 0) throw Error("Cannot read file \"" + path_.string() + "\". It ended early.");
      out += n;
      offset += uint64_t(n);
      count -= size_t(n);
    }
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw Error(std::string("Cannot ") + what + " file \"" + path_.string() + "\". " +
                std::strerror(errno));
  }
  fs::path path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(uint64_t offset, size_t count, char* out) const override {
    std::memcpy(out, bytes_.data() + offset, count);
  }

 private:
  std::string bytes_;
};

// Reads `count` bytes at `offset` when they lie wholly inside the source.
bool ReadChecked(const TByteSource& src, uint64_t offset, uint64_t count, std::string& out) {
  uint64_t size = src.Size();
  if (offset > size || count > size - offset) return false;
  out.resize(size_t(count));
  if (count > 0) src.ReadAt(offset, size_t(count), out.data());
  return true;
}

std::string CutAtZero(std::string text) {
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

std::unique_ptr<TByteSource> TByteSource::OpenFile(const fs::path& path) {
  return std::make_unique<TFileSource>(path);
}

std::unique_ptr<TByteSource> TByteSource::FromBytes(std::string bytes) {
  return std::make_unique<TMemorySource>(std::move(bytes));
}

TMemoKind TLegacyTable::MemoKindOf(uint8_t version, bool* known) {
  TMemoKind kind = TMemoKind::None;
  bool ok = true;
  switch (version) {
    case 0x03: break;
    case 0x83:
    case 0x86: kind = TMemoKind::DBaseIII; break;
    case 0x06:
    case 0xE5:
    case 0xE6:
    case 0xF5:
    case 0xF6:
    case 0x30:
    case 0x31:
    case 0x32: kind = TMemoKind::FoxPro; break;
    default: ok = false;
  }
  if (known) *known = ok;
  return kind;
}

bool TLegacyTable::EncryptedVersion(uint8_t version) {
  return version == 0x06 || version == 0x86 || version == 0xE6 || version == 0xF6;
}

namespace {

// The first byte of a table file, which tells its kind; nothing when it cannot be read.
std::optional<uint8_t> VersionByte(const fs::path& dbfPath) {
  try {
    std::string version;
    if (ReadChecked(*TByteSource::OpenFile(dbfPath), 0, 1, version)) return uint8_t(version[0]);
  } catch (const Error&) {
  }
  return std::nullopt;
}

}  // namespace

std::string TLegacyTable::MemoExtensionFor(const fs::path& dbfPath) {
  std::optional<uint8_t> version = VersionByte(dbfPath);
  if (!version) return {};
  switch (MemoKindOf(*version)) {
    case TMemoKind::FoxPro: return ".FPT";
    case TMemoKind::DBaseIII: return ".DBT";
    case TMemoKind::None: break;
  }
  return {};
}

TLegacyTable TLegacyTable::Open(const fs::path& dbfPath, const fs::path& memoPath,
                                const TLegacyFieldNames& fields) {
  std::string name = dbfPath.filename().string();
  std::error_code ec;
  if (!fs::exists(dbfPath, ec)) throw Error("The old diary table " + name + " is missing.");
  auto dbf = TByteSource::OpenFile(dbfPath);
  std::unique_ptr<TByteSource> memo;
  if (!memoPath.empty()) {
    // An encrypted table is refused for what it is, whatever its memo file.
    std::optional<uint8_t> version = VersionByte(dbfPath);
    if (!fs::exists(memoPath, ec) && !(version && EncryptedVersion(*version))) {
      throw Error("The memo file " + memoPath.filename().string() + " of the old diary table " +
                  name + " is missing.");
    }
    if (fs::exists(memoPath, ec)) memo = TByteSource::OpenFile(memoPath);
  }
  return TLegacyTable(std::move(dbf), std::move(memo), name, fields);
}

TLegacyTable::TLegacyTable(std::unique_ptr<TByteSource> dbf, std::unique_ptr<TByteSource> memo,
                           std::string tableName, const TLegacyFieldNames& fields)
    : dbf_(std::move(dbf)), memo_(std::move(memo)), tableName_(std::move(tableName)) {
  ReadHeader(fields);
  First();
}

TLegacyTable::TLegacyTable(TLegacyTable&&) noexcept = default;
TLegacyTable& TLegacyTable::operator=(TLegacyTable&&) noexcept = default;
TLegacyTable::~TLegacyTable() = default;

void TLegacyTable::ReadHeader(const TLegacyFieldNames& fields) {
  auto damaged = [this](const std::string& what) {
    return Error("The old diary table " + tableName_ + " is damaged: " + what + ".");
  };
  std::string h;
  if (!ReadChecked(*dbf_, 0, kHeaderSize, h)) throw damaged("it is shorter than its header");
  uint8_t version = uint8_t(h[0]);
  bool known = false;
  memoKind_ = MemoKindOf(version, &known);
  if (!known) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", version);
    throw Error("The old diary table " + tableName_ + " is of a kind that Quillet cannot read " +
                "(version byte " + hex + ").");
  }
  if (h[15] != 0 || EncryptedVersion(version)) {
    throw Error("The old diary table " + tableName_ +
                " is encrypted by the database program that wrote it. Quillet cannot read "
                "encrypted tables: decrypt it with that program first. Nothing was converted.");
  }
  recordCount_ = LittleEndian(&h[4], 4);
  headerLength_ = LittleEndian(&h[8], 2);
  recordLength_ = LittleEndian(&h[10], 2);
  if (headerLength_ < kHeaderSize + 1) throw damaged("its header length is too small");
  if (recordLength_ < 1) throw damaged("its record length is zero");

  std::string descriptors;
  if (!ReadChecked(*dbf_, kHeaderSize, headerLength_ - kHeaderSize, descriptors)) {
    throw damaged("its header runs past the end of the file");
  }
  uint32_t offset = 1;  // byte 0 of a record is its deletion flag
  for (size_t at = 0; at + kDescriptorSize <= descriptors.size() &&
                      descriptors[at] != kDescriptorEnd;
       at += kDescriptorSize) {
    const char* d = descriptors.data() + at;
    Field f;
    f.name.assign(d, strnlen(d, 11));
    f.type = AsciiUpper(d[11]);
    f.width = uint8_t(d[16]);
    // Character fields wider than 255 keep the high byte in the decimals byte.
    if (f.type == 'C') f.width |= uint32_t(uint8_t(d[17])) << 8;
    f.offset = offset;
    offset += f.width;
    if (offset > recordLength_) throw damaged("its fields are wider than its records");
    if (EqualNoCase(f.name, fields.date)) date_ = f;
    if (EqualNoCase(f.name, fields.entry)) entry_ = f;
  }
  if (date_.name.empty() || (date_.type != 'C' && date_.type != 'D')) {
    throw Error("The old diary table " + tableName_ + " has no character field " + fields.date +
                ".");
  }
  if (entry_.name.empty() || entry_.type != 'M') {
    throw Error("The old diary table " + tableName_ + " has no memo field " + fields.entry + ".");
  }
  if (memoKind_ == TMemoKind::None) {
    throw Error("The old diary table " + tableName_ + " has no memo file for its field " + fields.entry + ".");
  }
  if (entry_.width != 4 && entry_.width != 10) throw damaged("its field " + fields.entry + " has a wrong width");
  uint64_t needed = uint64_t(headerLength_) + uint64_t(recordCount_) * recordLength_;
  if (needed > dbf_->Size()) {
    throw damaged("it claims " + std::to_string(recordCount_) + " records but holds only " +
                  std::to_string((dbf_->Size() - std::min<uint64_t>(dbf_->Size(), headerLength_)) /
                                 recordLength_));
  }
  if (!memo_) throw Error("The memo file of the old diary table " + tableName_ + " is missing.");
  if (memoKind_ == TMemoKind::FoxPro) {
    std::string mh;
    if (!ReadChecked(*memo_, 0, kMemoHeaderSize, mh)) {
      throw damaged("its memo file is shorter than its header");
    }
    memoBlockSize_ = BigEndian(&mh[6], 2);
    if (memoBlockSize_ == 0) throw damaged("its memo file has a block size of zero");
  } else {
    memoBlockSize_ = kDBaseBlockSize;
  }
}

void TLegacyTable::LoadRecord() {
  if (Eof()) {
    record_.clear();
    return;
  }
  uint64_t at = uint64_t(headerLength_) + uint64_t(current_) * recordLength_;
  if (!ReadChecked(*dbf_, at, recordLength_, record_)) {
    throw Error("The old diary table " + tableName_ + " is damaged: record " +
                std::to_string(RecordNumber()) + " is cut short.");
  }
}

void TLegacyTable::First() {
  current_ = 0;
  LoadRecord();
}

void TLegacyTable::Next() {
  if (!Eof()) ++current_;
  LoadRecord();
}

bool TLegacyTable::IsDeleted() const {
  if (Eof()) return true;
  return record_[0] != ' ' && record_[0] != 'E';
}

std::string TLegacyTable::DateString() const {
  if (Eof()) return {};
  std::string text = record_.substr(date_.offset, date_.width);
  size_t end = text.find_last_not_of(' ');
  text.resize(end == std::string::npos ? 0 : end + 1);
  return text;
}

uint64_t TLegacyTable::MemoBlock(std::string_view raw) const {
  // Visual FoxPro keeps the block number in four bytes, little-endian; the
  // older tables as decimal digits, blank when the record has no memo.
  if (raw.size() == 4) return LittleEndian(raw.data(), 4);
  uint64_t block = 0;
  bool digits = false;
  for (char c : raw) {
    if (c == ' ' || c == '\0') {
      if (digits) break;
      continue;
    }
    if (c < '0' || c > '9') {
      throw Error("The old diary table " + tableName_ + " is damaged: record " +
                  std::to_string(RecordNumber()) + " has no valid memo block number.");
    }
    digits = true;
    block = block * 10 + uint64_t(c - '0');
  }
  return block;
}

std::string TLegacyTable::EntryBytes() const {
  if (Eof()) return {};
  uint64_t block = MemoBlock(std::string_view(record_).substr(entry_.offset, entry_.width));
  if (block == 0) return {};
  // At most ten digits, times a 16-bit block size: no overflow.
  uint64_t at = block * memoBlockSize_;
  auto damaged = [&](const char* what) {
    return Error("The old diary table " + tableName_ + " is damaged: the memo of record " +
                 std::to_string(RecordNumber()) + " " + what + ".");
  };
  if (at < kMemoHeaderSize || at >= memo_->Size()) throw damaged("lies outside its memo file");
  return memoKind_ == TMemoKind::FoxPro ? ReadFoxProMemo(at) : ReadDBaseMemo(at);
}

std::string TLegacyTable::ReadFoxProMemo(uint64_t at) const {
  std::string head, text;
  // Each memo block starts with its type (0 picture, 1 text, 2 object) and its length.
  if (!ReadChecked(*memo_, at, 8, head) ||
      !ReadChecked(*memo_, at + 8, BigEndian(&head[4], 4), text)) {
    throw Error("The old diary table " + tableName_ + " is damaged: the memo of record " +
                std::to_string(RecordNumber()) + " runs past the end of its memo file.");
  }
  return CutAtZero(std::move(text));
}

std::string TLegacyTable::ReadDBaseMemo(uint64_t at) const {
  // dBase III memos end at the byte 0x1A (or at the end of the file); the
  // text ends at a zero byte before it as well.
  constexpr std::string_view kEnds("\x1A\0", 2);
  std::string text, chunk;
  uint64_t size = memo_->Size();
  while (at < size) {
    ReadChecked(*memo_, at, std::min<uint64_t>(kDBaseBlockSize, size - at), chunk);
    size_t end = chunk.find_first_of(kEnds);
    text.append(chunk, 0, end);
    if (end != std::string::npos) break;
    at += chunk.size();
  }
  return text;
}

}  // namespace quillet
