// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/strong_cipher.h>

#include <base/error.h>
#include <base/safe_file.h>
#include <diary/dates.h>

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <set>
#include <utility>

namespace quillet {
namespace {

// Both magics begin the same way and differ in their fourth byte.
constexpr std::string_view kKeyMagic{"\x89QXK\r\n\x1A\n", 8};
constexpr std::string_view kEntryMagic{"\x89QXE\r\n\x1A\n", 8};
constexpr uint8_t kFormatVersion = 1;

constexpr size_t kSaltSize = crypto_pwhash_SALTBYTES;
constexpr size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr size_t kCheckSize = crypto_generichash_BYTES_MIN;
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == TSecretKey::kSize);
static_assert(kSaltSize == 16 && kNonceSize == 24 && kTagSize == 16 && kCheckSize == 16);

// Offsets in the key file, as drawn in the header.
constexpr size_t kKeyAlgorithmAt = 9;
constexpr size_t kKeyOpsAt = 10;
constexpr size_t kKeyMemAt = 18;
constexpr size_t kKeySaltAt = 26;
constexpr size_t kKeyNonceAt = kKeySaltAt + kSaltSize;        // 42
constexpr size_t kKeyWrappedAt = kKeyNonceAt + kNonceSize;    // 66
constexpr size_t kKeyCheckAt = kKeyWrappedAt + TSecretKey::kSize + kTagSize;  // 114
constexpr size_t kKeyFileSize = kKeyCheckAt + kCheckSize;     // 130

// The entry file: magic and version, nonce, then the ciphertext and its tag.
constexpr size_t kEntryNonceAt = kEntryMagic.size() + 1;      // 9
constexpr size_t kEntryTextAt = kEntryNonceAt + kNonceSize;   // 33

// libsodium is set up once, at the first use of this module.
void StartSodium() {
  static const bool started = sodium_init() >= 0;
  if (!started) throw Error("The encryption library could not be started.");
}

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}
unsigned char* Bytes(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

void PutU64(std::string& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(char(uint8_t(value >> (8 * i))));
}
uint64_t GetU64(std::string_view bytes, size_t at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + i]);
  return value;
}

std::string RandomBytes(size_t count) {
  std::string out(count, '\0');
  randombytes_buf(out.data(), count);
  return out;
}

std::string Check(std::string_view bytes) {
  std::string sum(kCheckSize, '\0');
  crypto_generichash(Bytes(sum), sum.size(), Bytes(bytes), bytes.size(), nullptr, 0);
  return sum;
}

// --- Key file ---

// Argon2id takes up to 2^32 - 1 passes and 4 TiB, but a key file that asks
// for more than these is taken as damaged: they lie far above any cost worth
// choosing, and a forged file must not keep the unlock running for hours.
constexpr uint64_t kMostOpslimit = 32;
constexpr uint64_t kMostMemlimit = 4ull << 30;

bool CostInRange(TArgon2Cost cost) {
  return cost.opslimit >= crypto_pwhash_OPSLIMIT_MIN && cost.opslimit <= kMostOpslimit &&
         cost.memlimit >= crypto_pwhash_MEMLIMIT_MIN && cost.memlimit <= kMostMemlimit;
}

[[noreturn]] void KeyFileFault(const fs::path& keyFile, const std::string& what) {
  throw Error("The key file " + keyFile.string() + " " + what + ".");
}

std::string UnknownVersion(int version) {
  return "is of format version " + std::to_string(version) +
         ", which this version of Quillet cannot read";
}

// Reads and checks everything that can be checked without the passphrase.
std::string ReadCheckedKeyFile(const fs::path& keyFile, TKeyFileInfo* info) {
  std::string bytes = ReadWholeFile(keyFile);
  if (bytes.size() <= kKeyMagic.size() && kKeyMagic.starts_with(bytes)) {
    KeyFileFault(keyFile, "is damaged: it is cut short");
  }
  if (!bytes.starts_with(kKeyMagic)) KeyFileFault(keyFile, "is not a Quillet key file");
  int version = uint8_t(bytes[kKeyMagic.size()]);
  if (version != kFormatVersion) KeyFileFault(keyFile, UnknownVersion(version));
  if (bytes.size() != kKeyFileSize) {
    KeyFileFault(keyFile, "is damaged: it is " + std::to_string(bytes.size()) + " bytes long, not " +
                              std::to_string(kKeyFileSize));
  }
  if (sodium_memcmp(Check(std::string_view(bytes).substr(0, kKeyCheckAt)).data(),
                    bytes.data() + kKeyCheckAt, kCheckSize) != 0) {
    KeyFileFault(keyFile, "is damaged: its check sum does not match");
  }
  int algorithm = uint8_t(bytes[kKeyAlgorithmAt]);
  TArgon2Cost cost{GetU64(bytes, kKeyOpsAt), GetU64(bytes, kKeyMemAt)};
  if (algorithm != crypto_pwhash_ALG_ARGON2ID13) {
    KeyFileFault(keyFile, "names an unknown key derivation (" + std::to_string(algorithm) + ")");
  }
  if (!CostInRange(cost)) KeyFileFault(keyFile, "names a key derivation cost out of range");
  if (info) *info = {version, algorithm, cost};
  return bytes;
}

TSecretKey DeriveKey(std::string_view passphrase, std::string_view salt, TArgon2Cost cost) {
  TSecretKey key;
  if (crypto_pwhash(key.data(), TSecretKey::kSize, passphrase.data(), passphrase.size(),
                    Bytes(salt), cost.opslimit, size_t(cost.memlimit),
                    crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw Error("There is not enough memory to derive the key from the passphrase (" +
                std::to_string(cost.memlimit >> 20) + " MiB are needed).");
  }
  return key;
}

// --- Entries ---

// The associated data of an entry: its magic and version, then its day key.
std::string EntryAssociatedData(std::string_view dayKey) {
  std::string ad(kEntryMagic);
  ad.push_back(char(kFormatVersion));
  ad.append(dayKey);
  return ad;
}

void RequireDayKey(std::string_view dayKey) {
  if (dayKey.size() != 8 || !ParseDayKey(dayKey)) {
    throw Error("\"" + std::string(dayKey) + "\" is not a day key.");
  }
}

[[noreturn]] void EntryFault(std::string_view dayKey, const std::string& what) {
  throw Error("The entry " + std::string(dayKey) + " " + what + ".");
}

}  // namespace

const TArgon2Cost kLeastArgon2Cost{crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};

namespace {
TArgon2Cost keyFileCost = kDiaryArgon2Cost;
}  // namespace

TArgon2Cost KeyFileCost() { return keyFileCost; }
void SetKeyFileCost(TArgon2Cost cost) { keyFileCost = cost; }

// --- TSecretKey ---

TSecretKey::TSecretKey() {
  StartSodium();
  bytes_ = static_cast<uint8_t*>(sodium_malloc(kSize));
  if (!bytes_) throw std::bad_alloc();
  sodium_memzero(bytes_, kSize);
}

TSecretKey::~TSecretKey() {
  if (bytes_) sodium_free(bytes_);  // wipes before it frees
}

TSecretKey::TSecretKey(TSecretKey&& other) noexcept : bytes_(std::exchange(other.bytes_, nullptr)) {}

TSecretKey& TSecretKey::operator=(TSecretKey&& other) noexcept {
  if (this != &other) {
    if (bytes_) sodium_free(bytes_);
    bytes_ = std::exchange(other.bytes_, nullptr);
  }
  return *this;
}

TSecretKey TSecretKey::Random() {
  TSecretKey key;
  crypto_aead_xchacha20poly1305_ietf_keygen(key.data());
  return key;
}

// --- Key file ---

void WriteKeyFile(const fs::path& keyFile, const TSecretKey& diaryKey, std::string_view passphrase,
                  TArgon2Cost cost) {
  StartSodium();
  if (passphrase.empty()) throw Error("The passphrase is empty.");
  if (!CostInRange(cost)) throw Error("The key derivation cost is out of range.");
  std::string bytes(kKeyMagic);
  bytes.push_back(char(kFormatVersion));
  bytes.push_back(char(crypto_pwhash_ALG_ARGON2ID13));
  PutU64(bytes, cost.opslimit);
  PutU64(bytes, cost.memlimit);
  bytes += RandomBytes(kSaltSize);
  bytes += RandomBytes(kNonceSize);
  TSecretKey wrapping = DeriveKey(passphrase, std::string_view(bytes).substr(kKeySaltAt, kSaltSize), cost);

  bytes.resize(kKeyCheckAt);
  crypto_aead_xchacha20poly1305_ietf_encrypt(Bytes(bytes) + kKeyWrappedAt, nullptr, diaryKey.data(),
                                             TSecretKey::kSize, Bytes(bytes), kKeyWrappedAt, nullptr,
                                             Bytes(bytes) + kKeyNonceAt, wrapping.data());
  bytes += Check(bytes);
  WriteFileSafely(keyFile, bytes);
}

TSecretKey UnlockKeyFile(const fs::path& keyFile, std::string_view passphrase) {
  StartSodium();
  TKeyFileInfo info;
  std::string bytes = ReadCheckedKeyFile(keyFile, &info);
  TSecretKey wrapping =
      DeriveKey(passphrase, std::string_view(bytes).substr(kKeySaltAt, kSaltSize), info.cost);
  TSecretKey diaryKey;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(diaryKey.data(), nullptr, nullptr,
                                                 Bytes(bytes) + kKeyWrappedAt,
                                                 TSecretKey::kSize + kTagSize, Bytes(bytes),
                                                 kKeyWrappedAt, Bytes(bytes) + kKeyNonceAt,
                                                 wrapping.data()) != 0) {
    throw Error("Wrong passphrase.");
  }
  return diaryKey;
}

TKeyFileInfo ReadKeyFileInfo(const fs::path& keyFile) {
  StartSodium();
  TKeyFileInfo info;
  ReadCheckedKeyFile(keyFile, &info);
  return info;
}

void ChangePassphrase(const fs::path& keyFile, std::string_view oldPassphrase,
                      std::string_view newPassphrase, TArgon2Cost cost) {
  WriteKeyFile(keyFile, UnlockKeyFile(keyFile, oldPassphrase), newPassphrase, cost);
}

// --- Entries ---

bool IsStrongEntry(std::string_view bytes) { return bytes.starts_with(kEntryMagic); }

std::string EncryptEntry(std::string_view dayKey, std::string_view text, const TSecretKey& diaryKey) {
  StartSodium();
  RequireDayKey(dayKey);
  std::string ad = EntryAssociatedData(dayKey);
  std::string out = ad.substr(0, kEntryNonceAt) + RandomBytes(kNonceSize);
  out.resize(kEntryTextAt + text.size() + kTagSize);
  crypto_aead_xchacha20poly1305_ietf_encrypt(Bytes(out) + kEntryTextAt, nullptr, Bytes(text),
                                             text.size(), Bytes(ad), ad.size(), nullptr,
                                             Bytes(out) + kEntryNonceAt, diaryKey.data());
  return out;
}

std::string DecryptEntry(std::string_view dayKey, std::string_view bytes, const TSecretKey& diaryKey) {
  StartSodium();
  RequireDayKey(dayKey);
  if (!IsStrongEntry(bytes)) EntryFault(dayKey, "is not a strongly encrypted entry");
  if (bytes.size() <= kEntryNonceAt) EntryFault(dayKey, "is cut short");
  int version = uint8_t(bytes[kEntryMagic.size()]);
  if (version != kFormatVersion) EntryFault(dayKey, UnknownVersion(version));
  if (bytes.size() < kEntryTextAt + kTagSize) EntryFault(dayKey, "is cut short");

  std::string ad = EntryAssociatedData(dayKey);
  std::string text(bytes.size() - kEntryTextAt - kTagSize, '\0');
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          Bytes(text), nullptr, nullptr, Bytes(bytes) + kEntryTextAt, bytes.size() - kEntryTextAt,
          Bytes(ad), ad.size(), Bytes(bytes) + kEntryNonceAt, diaryKey.data()) != 0) {
    EntryFault(dayKey,
               "cannot be decrypted: it was damaged or cut short, belongs to another day, "
               "or was encrypted with another diary's key");
  }
  return text;
}

// --- Passphrase strength ---

TStrengthEstimate EstimatePassphraseStrength(std::string_view passphrase) {
  // Split into characters (UTF-8 sequences) and see which classes occur.
  std::set<std::string_view> distinct;
  size_t length = 0;
  bool lower = false, upper = false, digit = false, otherAscii = false, beyondAscii = false;
  for (size_t i = 0; i < passphrase.size();) {
    size_t end = i + 1;
    while (end < passphrase.size() && (uint8_t(passphrase[end]) & 0xC0) == 0x80) ++end;
    uint8_t c = uint8_t(passphrase[i]);
    if (c >= 'a' && c <= 'z') lower = true;
    else if (c >= 'A' && c <= 'Z') upper = true;
    else if (c >= '0' && c <= '9') digit = true;
    else if (c < 0x80) otherAscii = true;
    else beyondAscii = true;
    distinct.insert(passphrase.substr(i, end - i));
    ++length;
    i = end;
  }
  // Bits as if each character were drawn at random from the classes used;
  // a character repeated over and over counts for little.
  double pool = 26 * lower + 26 * upper + 10 * digit + 33 * otherAscii + 100 * beyondAscii;
  size_t counted = std::min(length, 2 * distinct.size());
  double bits = pool > 0 ? double(counted) * std::log2(pool) : 0;

  if (bits >= 75) return {TPassphraseStrength::Strong, "Strong: keep it safe, it cannot be recovered if lost."};
  if (bits >= 50) return {TPassphraseStrength::Fair, "Fair: a few more characters or another word make it strong."};
  if (length < 8) return {TPassphraseStrength::Weak, "Too short: use at least 8 characters, or better a few words."};
  if (counted < length) return {TPassphraseStrength::Weak, "Too repetitive: use more different characters."};
  return {TPassphraseStrength::Weak, "Weak: make it longer, or mix in capitals, digits and signs."};
}

}  // namespace quillet
