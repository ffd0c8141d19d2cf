// SPDX-License-Identifier: GPL-3.0-or-later
/** Little-endian reads from a byte buffer that never read past its end. **/
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet::icons {

// True when `length` bytes from `offset` lie inside a buffer of `size` bytes.
inline bool InRange(uint64_t size, uint64_t offset, uint64_t length) {
  return offset <= size && length <= size - offset;
}

// Each read outside the buffer gives 0 and clears ok(), so a parser can read a
// whole header and check once.
class TByteReader {
 public:
  explicit TByteReader(std::string_view bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t size() const { return bytes_.size(); }
  bool Has(uint64_t offset, uint64_t length) const { return InRange(bytes_.size(), offset, length); }

  uint8_t U8(uint64_t offset) { return static_cast<uint8_t>(Read(offset, 1)); }
  uint16_t U16(uint64_t offset) { return static_cast<uint16_t>(Read(offset, 2)); }
  uint32_t U32(uint64_t offset) { return static_cast<uint32_t>(Read(offset, 4)); }
  int32_t I32(uint64_t offset) { return static_cast<int32_t>(U32(offset)); }

  // `length` bytes from `offset`, or an empty view (and !ok()) when they do not fit.
  std::string_view Slice(uint64_t offset, uint64_t length) {
    if (!Has(offset, length)) {
      ok_ = false;
      return {};
    }
    return bytes_.substr(offset, length);
  }

 private:
  uint64_t Read(uint64_t offset, int length) {
    if (!Has(offset, length)) {
      ok_ = false;
      return 0;
    }
    uint64_t value = 0;
    for (int i = length - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes_[offset + i]);
    return value;
  }

  std::string_view bytes_;
  bool ok_ = true;
};

}  // namespace quillet::icons
