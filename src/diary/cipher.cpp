// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/cipher.h>

#include <diary/ascii.h>
#include <base/messages.h>
#include <base/safe_file.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillet {
namespace {

constexpr uint32_t kMultiplier = 134775813u;
constexpr uint32_t kIncrement = 1u;

constexpr uint32_t Step(uint32_t state) { return state * kMultiplier + kIncrement; }

// floor(state * 255 / 2^32) without a 64-bit product: with h the top byte and
// r the low 24 bits, state * 255 / 2^32 = h + r / 2^24 - state / 2^32, which
// falls below h exactly when r * 256 < state.
inline uint8_t KeyByte(uint32_t state) {
  uint32_t high = state >> 24;
  uint32_t low = state & 0xFFFFFFu;
  return uint8_t(high - ((low << 8) < state ? 1u : 0u));
}

// The text is keyed in kLanes interleaved streams: lane j keys the bytes
// j, j + kLanes, j + 2 * kLanes, ... and jumps kLanes generator steps at a
// time, s -> s * kJumpMul + kJumpAdd. Independent lanes let the processor
// (and the vectoriser) work on many bytes at once.
constexpr int kLanes = 32;

struct Jump {
  uint32_t mul = 1, add = 0;
};

constexpr Jump MakeJump(int steps) {
  Jump j;  // composing s -> s*a + c, steps times
  for (int i = 0; i < steps; ++i) {
    j.mul *= kMultiplier;
    j.add = j.add * kMultiplier + kIncrement;
  }
  return j;
}

constexpr Jump kJump = MakeJump(kLanes);

}  // namespace

uint32_t PasswordSeed(std::string_view password) {
  uint32_t sum = 0;
  for (char c : password) sum += uint8_t(AsciiUpper(c));
  return sum * uint32_t(password.size());
}

TKeystream::TKeystream(std::string_view password) : next_(Step(PasswordSeed(password))) {}

uint8_t TKeystream::NextByte() {
  uint8_t k = KeyByte(next_);
  next_ = Step(next_);
  return k;
}

void TKeystream::Apply(uint8_t* bytes, size_t count, bool subtract) {
  if (count >= 4 * kLanes) {
    uint32_t lane[kLanes];
    lane[0] = next_;
    for (int j = 1; j < kLanes; ++j) lane[j] = Step(lane[j - 1]);
    while (count >= kLanes) {
      uint8_t key[kLanes];
      for (int j = 0; j < kLanes; ++j) {
        key[j] = KeyByte(lane[j]);
        lane[j] = lane[j] * kJump.mul + kJump.add;
      }
      if (subtract) {
        for (int j = 0; j < kLanes; ++j) bytes[j] = uint8_t(bytes[j] - key[j]);
      } else {
        for (int j = 0; j < kLanes; ++j) bytes[j] = uint8_t(bytes[j] + key[j]);
      }
      bytes += kLanes;
      count -= kLanes;
    }
    next_ = lane[0];
    std::memset(lane, 0, sizeof lane);
  }
  for (; count > 0; --count, ++bytes) {
    uint8_t k = NextByte();
    *bytes = subtract ? uint8_t(*bytes - k) : uint8_t(*bytes + k);
  }
}

std::string EncipherBytes(std::string bytes, std::string_view password) {
  TKeystream(password).Encipher(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

std::string DecipherBytes(std::string bytes, std::string_view password) {
  TKeystream(password).Decipher(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

std::string DecipherFile(const std::filesystem::path& path, std::string_view password) {
  return DecipherBytes(ReadWholeFile(path), password);
}

void EncipherToFile(std::string_view text, const std::filesystem::path& path,
                    std::string_view password) {
  WriteFileSafely(path, EncipherBytes(std::string(text), password));
}

void TFileCipher::SetInputFile(const std::string& path) {
  if (!path.empty() && !std::filesystem::exists(path)) {
    Messenger().ShowMessage("Input file does not exist.");
    inputFile_.clear();
    return;
  }
  inputFile_ = path;
}

void TFileCipher::SetOutputFile(const std::string& path) {
  // The same file under two spellings (or through a link) is the same file.
  bool same = !path.empty() && !inputFile_.empty() &&
              (path == inputFile_ ? std::filesystem::exists(path) : SameFile(path, inputFile_));
  if (same) {
    Messenger().ShowMessage("InputFile and OutputFile must be different files.");
    outputFile_.clear();
    return;
  }
  outputFile_ = path;
}

void TFileCipher::Run(bool decipher) {
  if (inputFile_.empty() || outputFile_.empty()) return;
  int in = OpenPlainFile(inputFile_);
  try {
    TKeystream keystream(password_);
    TSafeFileWriter out(outputFile_, TFileAccess::kShared);
    uint8_t chunk[kChunkSize];
    for (;;) {
      ssize_t n = ::read(in, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw Error("Cannot read file \"" + inputFile_ + "\". " + std::strerror(errno));
      if (n == 0) break;
      if (decipher) {
        keystream.Decipher(chunk, size_t(n));
      } else {
        keystream.Encipher(chunk, size_t(n));
      }
      out.Write(std::string_view(reinterpret_cast<char*>(chunk), size_t(n)));
    }
    std::memset(chunk, 0, sizeof chunk);
    out.Commit();
  } catch (...) {
    ::close(in);
    throw;
  }
  ::close(in);
}

namespace {

std::string Scramble(std::string_view text, int oddShift, int evenShift) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    int shift = (i % 2 == 0) ? oddShift : evenShift;  // i = 0 is position 1, an odd one
    out[i] = char(uint8_t(uint8_t(out[i]) + shift));
  }
  return out;
}

}  // namespace

std::string EncryptString(std::string_view text) {
  int len = int(text.size());
  return Scramble(text, 100 - len, 100 + len);
}

std::string Decryptstring(std::string_view text) {
  int len = int(text.size());
  return Scramble(text, len - 100, -len - 100);
}

}  // namespace quillet
