// SPDX-License-Identifier: GPL-3.0-or-later
/** The entry cipher that keys entry files by the diary password, and the password scrambler. */
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

// The start value of the keystream: the bytes of the password, ASCII letters
// upper-cased, added up and multiplied by the length (32-bit, wrapping).
// Letter case and the order of the characters make no difference.
uint32_t PasswordSeed(std::string_view password);

// The keystream of one cipher run. Each step advances a 32-bit linear
// congruential generator (state * 134775813 + 1) and gives
// floor(state * 255 / 2^32), a byte from 0 to 254. Enciphering adds the
// keystream bytes to the text bytes, deciphering subtracts them, modulo 256.
// The stream runs on across calls, so cutting a text into pieces changes nothing.
class TKeystream {
 public:
  explicit TKeystream(std::string_view password);
  ~TKeystream() { next_ = 0; }

  void Encipher(uint8_t* bytes, size_t count) { Apply(bytes, count, false); }
  void Decipher(uint8_t* bytes, size_t count) { Apply(bytes, count, true); }
  uint8_t NextByte();  // one keystream byte, for tests and tools

 private:
  void Apply(uint8_t* bytes, size_t count, bool subtract);
  uint32_t next_;  // generator state that keys the next byte
};

// Buffer forms: the whole text in memory, so no plaintext touches the disk.
std::string EncipherBytes(std::string bytes, std::string_view password);
std::string DecipherBytes(std::string bytes, std::string_view password);

// File forms used by the entry store: an entry file deciphered into memory,
// and a text enciphered into a file that is replaced only when fully written.
// Both throw Error with the system's reason on a file error.
std::string DecipherFile(const std::filesystem::path& path, std::string_view password);
void EncipherToFile(std::string_view text, const std::filesystem::path& path,
                    std::string_view password);

// The file cipher component: set InputFile, OutputFile and Password, in that
// order, then Encipher or Decipher. The output has exactly the input's length.
class TFileCipher {
 public:
  const std::string& InputFile() const { return inputFile_; }
  const std::string& OutputFile() const { return outputFile_; }
  const std::string& Password() const { return password_; }

  // A non-empty path of a file that does not exist is refused with
  // "Input file does not exist." and leaves InputFile empty.
  void SetInputFile(const std::string& path);
  // A path naming the same existing file as InputFile (the same string, or
  // the same device and inode under another spelling or through a link) is
  // refused with "InputFile and OutputFile must be different files." and
  // leaves OutputFile empty.
  void SetOutputFile(const std::string& path);
  void SetPassword(const std::string& password) { password_ = password; }

  // Both do nothing when InputFile or OutputFile is empty. A file error
  // throws Error; the output file is then left as it was.
  void Encipher() { Run(false); }
  void Decipher() { Run(true); }

  static constexpr size_t kChunkSize = 4096;

 private:
  void Run(bool decipher);

  std::string inputFile_;
  std::string outputFile_;
  std::string password_;
};

// The password scrambler of the settings file. For a string of L bytes,
// numbered from 1: odd positions become v - L + 100, even ones v + L + 100
// (modulo 256); Decryptstring undoes it. "abc" scrambles to C2 C9 C4.
std::string EncryptString(std::string_view text);
std::string Decryptstring(std::string_view text);

}  // namespace quillet
