// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/cipher.h>

#include <base/messages.h>
#include <base/safe_file.h>

#include "../support/recording_messenger.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::RecordingMessenger;
using testing::TempDir;

std::vector<int> FirstKeyBytes(std::string_view password, int count) {
  TKeystream ks(password);
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(ks.NextByte());
  return out;
}

// Worked out from the rules: seed = (sum of upper-cased bytes) * length;
// state = state * 134775813 + 1 before each byte; byte = state * 255 / 2^32.
// "abc": seed 198 * 3 = 594, first state 2747421595, first byte 163.
TEST(Keystream, MatchesHandComputedVectors) {
  struct Case {
    const char* password;
    uint32_t seed;
    std::vector<int> bytes;
  } cases[] = {
      {"", 0, {0, 8, 219, 51, 69, 171, 81, 41}},
      {"abc", 594, {163, 217, 186, 251, 30, 2, 31, 42}},
      {"ABC", 594, {163, 217, 186, 251, 30, 2, 31, 42}},  // letter case does not matter
      {"cba", 594, {163, 217, 186, 251, 30, 2, 31, 42}},  // nor does the order
      {"z", 90, {210, 178, 152, 135, 40, 230, 50, 25}},
      {"Secret 1", 4280, {78, 3, 158, 66, 216, 252, 205, 218}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PasswordSeed(c.password), c.seed) << c.password;
    EXPECT_EQ(FirstKeyBytes(c.password, 8), c.bytes) << c.password;
  }
}

TEST(Keystream, EnciphersByAddingAndDeciphersBySubtracting) {
  // "Dear diary" under "abc": each byte plus the key byte above, modulo 256.
  std::string enciphered = EncipherBytes("Dear diary", "abc");
  EXPECT_EQ(enciphered, "\xE7\x3E\x1B\x6D\x3E\x66\x88\x8B\x8E\xC3");
  EXPECT_EQ(DecipherBytes(enciphered, "ABC"), "Dear diary");
  EXPECT_EQ(EncipherBytes("", "abc"), "");
}

TEST(Keystream, NeverGives255AndGivesEveryOtherByte) {
  for (const char* password : {"", "abc", "Secret 1"}) {
    std::string zeros(1 << 20, '\0');
    std::string key = EncipherBytes(zeros, password);  // the keystream itself
    std::vector<int> seen(256, 0);
    for (unsigned char k : key) ++seen[k];
    EXPECT_EQ(seen[255], 0) << password;
    for (int b = 0; b < 255; ++b) EXPECT_GT(seen[b], 0) << password << " byte " << b;
  }
}

TEST(Keystream, CuttingTheTextIntoPiecesChangesNothing) {
  std::mt19937 rng(7);
  std::string text(100000, '\0');
  for (char& c : text) c = char(rng());
  std::string whole = EncipherBytes(text, "Secret 1");

  // Byte by byte, through the plain generator.
  TKeystream single("Secret 1");
  std::string stepped = text;
  for (char& c : stepped) c = char(uint8_t(c) + single.NextByte());
  EXPECT_EQ(stepped, whole);

  // Random pieces, small and large, through the fast path.
  TKeystream pieces("Secret 1");
  std::string cut = text;
  size_t pos = 0;
  while (pos < cut.size()) {
    size_t n = std::min<size_t>(cut.size() - pos, rng() % 700);
    pieces.Encipher(reinterpret_cast<uint8_t*>(cut.data() + pos), n);
    pos += n;
  }
  EXPECT_EQ(cut, whole);
  EXPECT_EQ(DecipherBytes(whole, "secret 1"), text);
}

class FileCipherTest : public ::testing::Test {
 protected:
  TempDir dir;
  RecordingMessenger messages;
  TFileCipher cipher;

  void Run(const std::filesystem::path& in, const std::filesystem::path& out,
           const std::string& password, bool decipher) {
    cipher.SetInputFile(in.string());
    cipher.SetOutputFile(out.string());
    cipher.SetPassword(password);
    decipher ? cipher.Decipher() : cipher.Encipher();
  }
};

TEST_F(FileCipherTest, KeepsLengthAndRoundTripsAcrossChunkBoundaries) {
  std::mt19937 rng(11);
  for (size_t size : {0, 1, 4095, 4096, 4097, 8192, 10000}) {
    std::string text(size, '\0');
    for (char& c : text) c = char(rng());
    auto plain = dir.Write("plain.rtf", text);
    Run(plain, dir / "entry.QXE", "abc", false);
    std::string enciphered = ReadFile(dir / "entry.QXE");
    EXPECT_EQ(enciphered.size(), size);
    EXPECT_EQ(enciphered, EncipherBytes(text, "abc")) << size;
    EXPECT_EQ(DecipherFile(dir / "entry.QXE", "ABC"), text) << size;

    Run(dir / "entry.QXE", dir / "back.rtf", "CBA", true);
    EXPECT_EQ(ReadFile(dir / "back.rtf"), text) << size;
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCipherTest, MissingInputFileIsRefusedAndNothingIsWritten) {
  Run(dir / "missing.rtf", dir / "out.QXE", "abc", false);
  EXPECT_EQ(messages.shown, std::vector<std::string>{"Input file does not exist."});
  EXPECT_EQ(cipher.InputFile(), "");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.QXE"));
}

TEST_F(FileCipherTest, SameStringForInputAndOutputIsRefusedAndTheFileKept) {
  auto file = dir.Write("entry.QXE", "precious");
  Run(file, file, "abc", false);
  EXPECT_EQ(messages.shown,
            std::vector<std::string>{"InputFile and OutputFile must be different files."});
  EXPECT_EQ(cipher.OutputFile(), "");
  EXPECT_EQ(ReadFile(file), "precious");

  // An output name that does not exist yet is taken even when equal.
  messages.shown.clear();
  cipher.SetInputFile("");
  cipher.SetOutputFile((dir / "new.QXE").string());
  EXPECT_EQ(cipher.OutputFile(), (dir / "new.QXE").string());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCipherTest, OneFileUnderAnotherNameIsRefusedAndTheFileKept) {
  // The files themselves are compared: another spelling, a hard link and a
  // symbolic link all name the input file.
  auto file = dir.Write("entry.QXE", "Dear diary");
  std::filesystem::create_hard_link(file, dir / "hard.QXE");
  std::filesystem::create_symlink("entry.QXE", dir / "soft.QXE");
  for (auto out : {dir.path() / "." / "entry.QXE", dir / "hard.QXE", dir / "soft.QXE"}) {
    messages.shown.clear();
    Run(file, out, "abc", false);
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"InputFile and OutputFile must be different files."})
        << out;
    EXPECT_EQ(cipher.OutputFile(), "") << out;
    EXPECT_EQ(ReadFile(file), "Dear diary") << out;
  }
  messages.shown.clear();
  Run(file, dir / "other.QXE", "abc", false);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(ReadFile(dir / "other.QXE"), EncipherBytes("Dear diary", "abc"));
}

TEST_F(FileCipherTest, AFailedWriteLeavesTheOldOutputIntact) {
  auto plain = dir.Write("plain.rtf", std::string(9000, 'x'));
  auto entry = dir.Write("entry.QXE", "old entry");
  for (const char* step : {"create", "write", "flush", "rename"}) {
    SetWriteFaultHook([&](std::string_view s) { return s != step; });
    EXPECT_THROW(Run(plain, entry, "abc", false), Error) << step;
    SetWriteFaultHook({});
    EXPECT_EQ(ReadFile(entry), "old entry") << step;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
      << "no temporary file is left behind";
}

// Scrambled bytes worked out from the rules: odd positions v - L + 100,
// even positions v + L + 100, modulo 256.
TEST(PasswordScrambler, MatchesHandComputedVectors) {
  struct Case {
    std::string plain, scrambled;
  } cases[] = {
      {"", ""},
      {"abc", "\xC2\xC9\xC4"},
      {"a", "\xC4"},
      {"ab", "\xC3\xC8"},
      {"Secret 1", "\xAF\xD1\xBF\xDE\xC1\xE0\x7C\x9D"},
      {"ZZZZZZZZ", "\xB6\xC6\xB6\xC6\xB6\xC6\xB6\xC6"},
      {std::string("\x00\xFF", 2), "\x62\x65"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncryptString(c.plain), c.scrambled) << c.plain;
    EXPECT_EQ(Decryptstring(c.scrambled), c.plain) << c.plain;
  }
}

TEST(PasswordScrambler, UndoesItselfForAnyBytes) {
  std::mt19937 rng(3);
  for (int len = 0; len < 300; ++len) {
    std::string s(size_t(len), '\0');
    for (char& c : s) c = char(rng());
    EXPECT_EQ(Decryptstring(EncryptString(s)), s);
  }
}

TEST(PasswordScrambler, AllowedPasswordsScrambleToBytes124To230) {
  const std::string allowed =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
  int low = 255, high = 0;
  for (size_t len = 1; len <= 8; ++len) {
    for (char c : allowed) {
      for (unsigned char b : EncryptString(std::string(len, c))) {
        low = std::min<int>(low, b);
        high = std::max<int>(high, b);
      }
    }
  }
  EXPECT_EQ(low, 124);
  EXPECT_EQ(high, 230);
}

}  // namespace
}  // namespace quillet
