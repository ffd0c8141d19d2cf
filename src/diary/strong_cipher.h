// SPDX-License-Identifier: GPL-3.0-or-later
/** Strong entry encryption: a random diary key, wrapped by the passphrase in the key file, encrypts every entry. */
#pragma once

// A diary in strong mode has one random 32-byte diary key. It encrypts every
// entry with XChaCha20-Poly1305, and it is kept in the key file "Diary.key" of
// the diary directory, wrapped (encrypted) under a key that Argon2id derives
// from the passphrase. Changing the passphrase re-wraps the same diary key and
// rewrites only the key file, however many entries there are. All of it is
// libsodium's; nothing here is home-made cryptography.
//
// Key file, 130 bytes, integers little-endian:
//
//   offset size
//        0    8  magic "\x89QXK\r\n\x1A\n"
//        8    1  format version, 1
//        9    1  algorithm: 2, Argon2id version 1.3 (libsodium's ALG_ARGON2ID13)
//       10    8  Argon2id opslimit (passes over memory)
//       18    8  Argon2id memlimit in bytes
//       26   16  salt, random for each wrap
//       42   24  nonce, random for each wrap
//       66   48  the diary key encrypted with XChaCha20-Poly1305 under the
//                derived key (32 bytes), then its tag (16 bytes); the associated
//                data are bytes 0 to 65, so the parameters cannot be altered
//      114   16  BLAKE2b-128 of bytes 0 to 113: damage is told apart from a
//                wrong passphrase, which fails only at the tag
//
// Entry file, 49 bytes more than the text:
//
//   offset size
//        0    8  magic "\x89QXE\r\n\x1A\n"
//        8    1  format version, 1
//        9   24  nonce, random for each save
//       33    n  the text encrypted with XChaCha20-Poly1305 under the diary key
//     33+n   16  its tag; the associated data are bytes 0 to 8 and the day key
//                ("yyyymmdd"), so an entry copied onto another day is refused
//
// The magics start with a byte above 127 and hold a CR LF and a ^Z, so neither
// file can be taken for plain RTF or text, and a transfer that rewrites line
// ends spoils the magic at once.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// The name of the key file in the diary directory.
inline constexpr std::string_view kKeyFileName = "Diary.key";

// The cost of deriving a key from the passphrase. Unlocking the diary takes
// one derivation, and so does every guess at the passphrase.
struct TArgon2Cost {
  uint64_t opslimit;  // passes over the memory
  uint64_t memlimit;  // bytes
};

// 128 MiB, 3 passes: an unlock takes 0.4 s on an idle two-core 2.1 GHz
// machine and 0.5 s while a build runs beside it (bench/strong_cipher_bench).
// Key files keep the cost they were wrapped with, so raising it here takes
// effect at the next wrap.
inline constexpr TArgon2Cost kDiaryArgon2Cost{3, 128ull << 20};

// The least cost Argon2id allows (1 pass, 8 KiB): for tests only.
extern const TArgon2Cost kLeastArgon2Cost;

// The cost new key files are wrapped with: kDiaryArgon2Cost, unless a test
// has set another (SetKeyFileCost) so that its many wraps stay quick.
TArgon2Cost KeyFileCost();
void SetKeyFileCost(TArgon2Cost cost);

// 32 key bytes in memory of their own: locked so that it is never swapped
// out, fenced by guard pages, and wiped when freed. Movable, not copyable; a
// moved-from key holds nothing (data() is null).
class TSecretKey {
 public:
  static constexpr size_t kSize = 32;

  TSecretKey();  // all zero; throws std::bad_alloc when no memory is left
  ~TSecretKey();
  TSecretKey(TSecretKey&& other) noexcept;
  TSecretKey& operator=(TSecretKey&& other) noexcept;
  TSecretKey(const TSecretKey&) = delete;
  TSecretKey& operator=(const TSecretKey&) = delete;

  static TSecretKey Random();

  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }

 private:
  uint8_t* bytes_;
};

// What a key file says about itself, read without the passphrase.
struct TKeyFileInfo {
  int formatVersion;
  int algorithm;  // 2: Argon2id 1.3
  TArgon2Cost cost;
};

// Wraps the diary key under `passphrase` (UTF-8 bytes as given, at least one)
// and writes the key file through a safe write: the old key file, if any,
// stays whole until the new one is complete on disk. A fresh salt and nonce
// each time. This both creates a key file and changes the passphrase.
// Throws Error on an empty passphrase, a lack of memory for the derivation,
// or a file error.
void WriteKeyFile(const fs::path& keyFile, const TSecretKey& diaryKey,
                  std::string_view passphrase, TArgon2Cost cost = KeyFileCost());

// Reads the key file and gives the diary key. Throws Error "Wrong passphrase."
// when the passphrase does not open it, and another Error when the file is
// missing, damaged, or of an unknown format.
TSecretKey UnlockKeyFile(const fs::path& keyFile, std::string_view passphrase);

// The format and cost written in a key file; throws Error as UnlockKeyFile
// does for a missing, damaged or unknown file.
TKeyFileInfo ReadKeyFileInfo(const fs::path& keyFile);

// A passphrase change: unlocks with the old passphrase (throwing as
// UnlockKeyFile does, with nothing written) and wraps the same diary key under
// the new one. Entries stay as they are.
void ChangePassphrase(const fs::path& keyFile, std::string_view oldPassphrase,
                      std::string_view newPassphrase, TArgon2Cost cost = KeyFileCost());

// True when `bytes` begin with the strong entry magic: such an entry is for
// DecryptEntry, anything else is plain or in the old cipher.
bool IsStrongEntry(std::string_view bytes);

// The entry file's bytes for `text` on the day `dayKey` ("yyyymmdd").
// Throws Error when dayKey is not a day key.
std::string EncryptEntry(std::string_view dayKey, std::string_view text,
                         const TSecretKey& diaryKey);

// The text of an entry file read for the day `dayKey`. Throws Error, naming the
// day, when the bytes are not a strong entry, are cut short, are of an unknown
// format version, or do not authenticate: a changed bit, an entry of another
// day, or another diary's key.
std::string DecryptEntry(std::string_view dayKey, std::string_view bytes,
                         const TSecretKey& diaryKey);

// A rough strength estimate for the Set Up Password dialog, from the length,
// the variety of characters and the character classes (lower case, upper
// case, digits, other ASCII, beyond ASCII), with a one-line hint.
enum class TPassphraseStrength { Weak, Fair, Strong };

struct TStrengthEstimate {
  TPassphraseStrength strength;
  std::string hint;
};

TStrengthEstimate EstimatePassphraseStrength(std::string_view passphrase);

}  // namespace quillet
