// SPDX-License-Identifier: GPL-3.0-or-later
/** Byte sinks for the writers: a string, a file descriptor, anything that can refuse bytes. */
#pragma once

#include <cstddef>
#include <string>

namespace richtext {

// Where a writer puts its bytes. Write gives the number of bytes stored; fewer
// than asked means the medium is full or broken.
class TOutStream {
 public:
  virtual ~TOutStream() = default;
  virtual size_t Write(const char* data, size_t count) = 0;
};

class TStringStream : public TOutStream {
 public:
  size_t Write(const char* data, size_t count) override {
    bytes.append(data, count);
    return count;
  }
  std::string bytes;
};

}  // namespace richtext
