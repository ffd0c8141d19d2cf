// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/strong_cipher.h>

#include <base/error.h>
#include <base/safe_file.h>
#include <diary/cipher.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

// Every derivation in these tests runs at the least cost Argon2id allows.
constexpr const TArgon2Cost& kCheap = kLeastArgon2Cost;

// The text of the Error that `f` throws; fails the test when it throws none.
std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  ADD_FAILURE() << "no Error thrown";
  return "";
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

bool SameKey(const TSecretKey& a, const TSecretKey& b) {
  return std::memcmp(a.data(), b.data(), TSecretKey::kSize) == 0;
}

std::string RandomText(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string text(size, '\0');
  for (char& c : text) c = char(rng());
  return text;
}

// Every copy of `good` with one bit changed, every shorter copy, and one with
// a byte added; each with a line that tells what was done.
std::vector<std::pair<std::string, std::string>> EveryDamage(const std::string& good) {
  std::vector<std::pair<std::string, std::string>> damaged;
  for (size_t at = 0; at < good.size(); ++at) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string bytes = good;
      bytes[at] = char(bytes[at] ^ (1 << bit));
      damaged.push_back({"bit " + std::to_string(bit) + " of byte " + std::to_string(at), bytes});
    }
    damaged.push_back({"cut to " + std::to_string(at) + " bytes", good.substr(0, at)});
  }
  damaged.push_back({"one byte added", good + 'x'});
  return damaged;
}

// A diary directory with a key file under `passphrase`.
struct Diary {
  TempDir dir;
  fs::path keyFile = dir / kKeyFileName;
  TSecretKey key = TSecretKey::Random();

  explicit Diary(std::string_view passphrase = "secret") { WriteKeyFile(keyFile, key, passphrase, kCheap); }

  // Saves an entry as the entry store will: encrypted, through a safe write.
  fs::path SaveEntry(std::string_view day, std::string_view text) const {
    fs::create_directories(dir / "Entries");
    fs::path path = dir / "Entries" / (std::string(day) + ".QXE");
    WriteFileSafely(path, EncryptEntry(day, text, key));
    return path;
  }

  // Every file of the diary with its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
      if (e.is_regular_file()) files[fs::relative(e.path(), dir.path()).string()] = ReadFile(e.path());
    }
    return files;
  }
};

// --- The key file ---

TEST(StrongKeyFile, UnlocksTheSameDiaryKeyForAnyPassphrase) {
  const std::string passphrases[] = {
      "a",                                   // one character is enough
      "correct horse battery staple",
      "Grüße aus Köln, 日記, 🔑",            // UTF-8 bytes as given
      std::string("nul\0inside", 10),        // no C-string cut
      std::string(2000, 'x') + "!",
  };
  for (const std::string& passphrase : passphrases) {
    Diary diary(passphrase);
    TSecretKey unlocked = UnlockKeyFile(diary.keyFile, passphrase);
    EXPECT_TRUE(SameKey(unlocked, diary.key)) << passphrase.substr(0, 40);
  }
}

TEST(StrongKeyFile, RefusesEveryOtherPassphraseAsWrong) {
  struct Case {
    std::string set, tried;
  } cases[] = {
      {"secret", "Secret"},                              // letter case counts
      {"secret", "secret "},
      {"secret", ""},
      {std::string("nul\0inside", 10), "nul"},           // not cut at the NUL
      {"caf\xC3\xA9", "cafe\xCC\x81"},                   // é composed vs. decomposed: other bytes
      {"a", "b"},
  };
  for (const Case& c : cases) {
    Diary diary(c.set);
    std::string before = ReadFile(diary.keyFile);
    EXPECT_EQ(ErrorText([&] { UnlockKeyFile(diary.keyFile, c.tried); }), "Wrong passphrase.")
        << c.tried;
    EXPECT_EQ(ReadFile(diary.keyFile), before);
  }
}

TEST(StrongKeyFile, HoldsItsFormatAndCostAtTheDocumentedPlaces) {
  TArgon2Cost cost{4, 32768};
  TempDir dir;
  fs::path keyFile = dir / "Diary.key";
  WriteKeyFile(keyFile, TSecretKey::Random(), "secret", cost);

  TKeyFileInfo info = ReadKeyFileInfo(keyFile);
  EXPECT_EQ(info.formatVersion, 1);
  EXPECT_EQ(info.algorithm, 2);
  EXPECT_EQ(info.cost.opslimit, 4u);
  EXPECT_EQ(info.cost.memlimit, 32768u);

  std::string bytes = ReadFile(keyFile);
  ASSERT_EQ(bytes.size(), 130u);
  EXPECT_EQ(bytes.substr(0, 10), std::string("\x89QXK\r\n\x1A\n\x01\x02", 10));
  EXPECT_EQ(bytes.substr(10, 8), std::string("\x04\0\0\0\0\0\0\0", 8));      // opslimit, LE
  EXPECT_EQ(bytes.substr(18, 8), std::string("\0\x80\0\0\0\0\0\0", 8));      // memlimit, LE

  // The production cost is what a key file gets when none is given.
  EXPECT_GE(kDiaryArgon2Cost.memlimit, 64u << 20);
  EXPECT_GE(kDiaryArgon2Cost.opslimit, 1u);
}

TEST(StrongKeyFile, IsNotWrittenForAnEmptyPassphraseOrACostOutOfRange) {
  struct Case {
    const char* passphrase;
    TArgon2Cost cost;
    const char* error;
  } cases[] = {
      {"", kCheap, "The passphrase is empty."},
      {"secret", {0, kCheap.memlimit}, "The key derivation cost is out of range."},
      {"secret", {kCheap.opslimit, kCheap.memlimit - 1}, "The key derivation cost is out of range."},
      {"secret", {33, kCheap.memlimit}, "The key derivation cost is out of range."},
      {"secret", {kCheap.opslimit, (4ull << 30) + 1}, "The key derivation cost is out of range."},
  };
  for (const Case& c : cases) {
    TempDir dir;
    EXPECT_EQ(ErrorText([&] { WriteKeyFile(dir / "Diary.key", TSecretKey::Random(), c.passphrase, c.cost); }),
              c.error);
    EXPECT_FALSE(fs::exists(dir / "Diary.key"));
  }
}

TEST(StrongKeyFile, ChangingThePassphraseRewrapsTheSameKeyAndTouchesNothingElse) {
  Diary diary("old one");
  fs::path entry = diary.SaveEntry("20240229", "{\\rtf1 Leap day}");
  auto before = diary.Files();

  TArgon2Cost raised{2, 16384};
  ChangePassphrase(diary.keyFile, "old one", "new one", raised);

  auto after = diary.Files();
  ASSERT_EQ(after.size(), before.size());  // no file added, none left behind
  for (const auto& [name, bytes] : before) {
    if (name == kKeyFileName) {
      EXPECT_EQ(after[name].size(), bytes.size());
      EXPECT_NE(after[name].substr(26, 16), bytes.substr(26, 16));  // a fresh salt
      EXPECT_NE(after[name].substr(42, 24), bytes.substr(42, 24));  // and nonce
    } else {
      EXPECT_EQ(after[name], bytes) << name;
    }
  }
  EXPECT_EQ(ReadKeyFileInfo(diary.keyFile).cost.opslimit, 2u);
  EXPECT_EQ(ReadKeyFileInfo(diary.keyFile).cost.memlimit, 16384u);

  EXPECT_EQ(ErrorText([&] { UnlockKeyFile(diary.keyFile, "old one"); }), "Wrong passphrase.");
  TSecretKey unlocked = UnlockKeyFile(diary.keyFile, "new one");
  EXPECT_TRUE(SameKey(unlocked, diary.key));
  EXPECT_EQ(DecryptEntry("20240229", ReadFile(entry), unlocked), "{\\rtf1 Leap day}");
}

TEST(StrongKeyFile, ChangingWithAWrongOldPassphraseWritesNothing) {
  Diary diary("old one");
  auto before = diary.Files();
  EXPECT_EQ(ErrorText([&] { ChangePassphrase(diary.keyFile, "old 1", "new one", kCheap); }),
            "Wrong passphrase.");
  EXPECT_EQ(diary.Files(), before);
}

// Every damage short of a deliberate forgery is told as damage, never as a
// wrong passphrase, and is caught before any key is derived.
TEST(StrongKeyFile, RefusesADamagedFileWithItsOwnMessage) {
  Diary diary;
  const std::string good = ReadFile(diary.keyFile);
  int n = 0;
  for (const auto& [what, bytes] : EveryDamage(good)) {
    // Each copy a file of its own: truncating one file over and over is slow.
    fs::path file = diary.dir.Write("damaged/" + std::to_string(++n) + ".key", bytes);
    std::string unlockError = ErrorText([&] { UnlockKeyFile(file, "secret"); });
    EXPECT_TRUE(Contains(unlockError, "The key file " + file.string())) << what << ": " << unlockError;
    EXPECT_EQ(ErrorText([&] { ReadKeyFileInfo(file); }), unlockError) << what;
  }

  // The messages tell the kinds of damage apart.
  const std::pair<std::string, std::string> kinds[] = {
      {good.substr(0, 5), "is damaged: it is cut short"},
      {"{\\rtf1 not a key}", "is not a Quillet key file"},
      {good.substr(0, 8) + '\x07' + good.substr(9), "is of format version 7"},
      {good.substr(0, 100), "is damaged: it is 100 bytes long, not 130"},
      {good.substr(0, 50) + char(~good[50]) + good.substr(51), "is damaged: its check sum does not match"},
  };
  for (const auto& [bytes, message] : kinds) {
    diary.dir.Write(kKeyFileName, bytes);
    EXPECT_TRUE(Contains(ErrorText([&] { UnlockKeyFile(diary.keyFile, "secret"); }), message)) << message;
  }

  fs::remove(diary.keyFile);
  EXPECT_TRUE(Contains(ErrorText([&] { UnlockKeyFile(diary.keyFile, "secret"); }),
                       diary.keyFile.string()));
}

// --- Entries ---

TEST(StrongEntry, RoundTripsAnyTextWithAFreshNonceEachTime) {
  TSecretKey key = TSecretKey::Random();
  const std::string texts[] = {
      "",
      "{\\rtf1\\ansi Dear diary}",
      "Grüße, 日記 \xF0\x9F\x94\x91",
      RandomText(3000, 1),
      RandomText(1 << 20, 2),
  };
  for (const std::string& text : texts) {
    std::string once = EncryptEntry("20240101", text, key);
    std::string twice = EncryptEntry("20240101", text, key);
    EXPECT_EQ(once.size(), text.size() + 49);
    EXPECT_TRUE(IsStrongEntry(once));
    EXPECT_NE(once.substr(9, 24), twice.substr(9, 24));  // another nonce
    EXPECT_EQ(DecryptEntry("20240101", once, key), text);
    EXPECT_EQ(DecryptEntry("20240101", twice, key), text);
  }
}

TEST(StrongEntry, IsToldApartFromPlainAndOldCipherEntries) {
  const std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Dear diary}";
  TSecretKey key = TSecretKey::Random();
  struct Case {
    const char* what;
    std::string bytes;
    bool strong;
  } cases[] = {
      {"strong entry", EncryptEntry("20240101", rtf, key), true},
      {"strong entry cut after its magic", EncryptEntry("20240101", rtf, key).substr(0, 8), true},
      {"plain RTF", rtf, false},
      {"empty file", "", false},
      {"old cipher, 'abc'", EncipherBytes(rtf, "abc"), false},
      {"old cipher, 'Secret 1'", EncipherBytes(rtf, "Secret 1"), false},
      {"old cipher, 'ZZZZZZZZ'", EncipherBytes(rtf, "ZZZZZZZZ"), false},
      {"a key file", [] {
         TempDir dir;
         WriteKeyFile(dir / "k", TSecretKey::Random(), "x", kCheap);
         return ReadFile(dir / "k");
       }(), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsStrongEntry(c.bytes), c.strong) << c.what;
}

// An entry saved as the entry store will save it: every damage of its bytes is
// refused with a message naming the day, never handed back as text.
TEST(StrongEntry, RefusesAnyChangedBitOrCutAndNamesTheDay) {
  Diary diary;
  fs::path path = diary.SaveEntry("20240229", "Dear diary");
  const std::string good = ReadFile(path);
  ASSERT_EQ(DecryptEntry("20240229", good, diary.key), "Dear diary");

  for (const auto& [what, bytes] : EveryDamage(good)) {
    std::string error = ErrorText([&] { DecryptEntry("20240229", bytes, diary.key); });
    EXPECT_TRUE(Contains(error, "The entry 20240229 ")) << what << ": " << error;
  }

  const std::pair<std::string, std::string> kinds[] = {
      {"Dear diary", "is not a strongly encrypted entry"},
      {good.substr(0, 8), "is cut short"},
      {good.substr(0, 40), "is cut short"},
      {good.substr(0, 8) + '\x02' + good.substr(9), "is of format version 2"},
      {good.substr(0, good.size() - 1), "cannot be decrypted"},
  };
  for (const auto& [bytes, message] : kinds) {
    EXPECT_TRUE(Contains(ErrorText([&] { DecryptEntry("20240229", bytes, diary.key); }), message))
        << message;
  }
}

TEST(StrongEntry, RefusesAnEntryMovedToAnotherDayOrUnderAnotherKey) {
  Diary diary;
  fs::path path = diary.SaveEntry("20240229", "Leap day");
  fs::path moved = path.parent_path() / "20240301.QXE";
  fs::rename(path, moved);
  std::string day = moved.stem().string();
  EXPECT_TRUE(Contains(ErrorText([&] { DecryptEntry(day, ReadFile(moved), diary.key); }),
                       "The entry 20240301 cannot be decrypted"));

  Diary other;
  EXPECT_TRUE(Contains(ErrorText([&] { DecryptEntry("20240229", ReadFile(moved), other.key); }),
                       "cannot be decrypted"));
}

TEST(StrongEntry, WantsARealDayKey) {
  TSecretKey key = TSecretKey::Random();
  for (const char* day : {"", "2024022", "202402290", "20240230", "2024-2-1", "yyyymmdd"}) {
    EXPECT_EQ(ErrorText([&] { EncryptEntry(day, "text", key); }),
              "\"" + std::string(day) + "\" is not a day key.");
    EXPECT_EQ(ErrorText([&] { DecryptEntry(day, EncryptEntry("20240101", "t", key), key); }),
              "\"" + std::string(day) + "\" is not a day key.");
  }
}

// --- The key in memory ---

TEST(SecretKey, MovesItsBytesAndLeavesNothingBehind) {
  TSecretKey a = TSecretKey::Random();
  TSecretKey b = TSecretKey::Random();
  EXPECT_FALSE(SameKey(a, b));
  std::string bytesOfA(reinterpret_cast<const char*>(a.data()), TSecretKey::kSize);

  TSecretKey c(std::move(a));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.data()), TSecretKey::kSize), bytesOfA);
  b = std::move(c);
  EXPECT_EQ(c.data(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), TSecretKey::kSize), bytesOfA);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(TSecretKey().data()), TSecretKey::kSize),
            std::string(TSecretKey::kSize, '\0'));
}

// --- Passphrase strength ---

TEST(PassphraseStrength, RanksByLengthVarietyAndClasses) {
  struct Case {
    const char* passphrase;
    TPassphraseStrength strength;
    const char* hintStart;
  } cases[] = {
      {"", TPassphraseStrength::Weak, "Too short"},
      {"a", TPassphraseStrength::Weak, "Too short"},
      {"Ab1!", TPassphraseStrength::Weak, "Too short"},
      {"password", TPassphraseStrength::Weak, "Weak"},
      {"12345678", TPassphraseStrength::Weak, "Weak"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", TPassphraseStrength::Weak, "Too repetitive"},
      {"abcabcabcabcabcabcabcabc", TPassphraseStrength::Weak, "Too repetitive"},
      {"Secret 1", TPassphraseStrength::Fair, "Fair"},
      {"Tr0ub4dor&3", TPassphraseStrength::Fair, "Fair"},
      {"correct horse battery staple", TPassphraseStrength::Strong, "Strong"},
      {"Grüße aus Köln am Rhein", TPassphraseStrength::Strong, "Strong"},
      {"日記を書くのが好きです毎日", TPassphraseStrength::Strong, "Strong"},  // counted in characters
      {"日記日記", TPassphraseStrength::Weak, "Too short"},                     // not in bytes
  };
  for (const Case& c : cases) {
    TStrengthEstimate e = EstimatePassphraseStrength(c.passphrase);
    EXPECT_EQ(e.strength, c.strength) << c.passphrase;
    EXPECT_TRUE(e.hint.starts_with(c.hintStart)) << c.passphrase << ": " << e.hint;
  }
}

}  // namespace
}  // namespace quillet
