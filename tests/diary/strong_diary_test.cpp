// SPDX-License-Identifier: GPL-3.0-or-later
// A diary under strong encryption: entries through the store, the passphrase
// that opens it, the moves between protections, and a passphrase change that
// touches no entry.
#include <diary/password_change.h>

#include <diary/entry_store.h>
#include <diary/passwords.h>
#include <diary/settings_file.h>
#include <diary/strong_cipher.h>
#include <base/error.h>

#include "../support/temp_dir.h"
#include "password_diary.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string kRtf = "{\\rtf1\\ansi Dear diary, the ice held.\\par}";
const TDate kDay = MakeDate(2026, 12, 7);

class StrongDiary : public ::testing::Test {
 protected:
  void SetUp() override { SetKeyFileCost(kLeastArgon2Cost); }
  void TearDown() override { SetKeyFileCost(kDiaryArgon2Cost); }
};

TEST_F(StrongDiary, EntriesRoundTripWithNoTextOnDisk) {
  TempDir dir;
  TEntryStore store(dir.path());
  store.SetKey(TEntryKey::Strong(TSecretKey::Random()));
  store.Write(kDay, kRtf);
  const std::string stored = ReadFile(store.EntryPath(kDay));
  EXPECT_TRUE(IsStrongEntry(stored));
  EXPECT_EQ(stored.find("Dear diary"), std::string::npos);
  TEntryRead read = store.Read(kDay);
  EXPECT_EQ(read.status, TEntryRead::kOk) << read.problem;
  EXPECT_EQ(read.bytes, kRtf);
  // Each save draws a new nonce: the same text never gives the same file.
  store.Write(kDay, kRtf);
  EXPECT_NE(ReadFile(store.EntryPath(kDay)), stored);
}

TEST_F(StrongDiary, DamagedMovedOrForeignEntriesAreUnreadableAndKeptAsTheyAre) {
  struct Case {
    const char* name;
    std::function<void(TEntryStore&, std::string&)> damage;  // on the stored bytes of kDay
    TDate readAs;
  } const cases[] = {
      {"a bit flipped in the text", [](TEntryStore&, std::string& b) { b[40] ^= 0x01; }, kDay},
      {"a bit flipped in the tag", [](TEntryStore&, std::string& b) { b.back() ^= 0x80; }, kDay},
      {"a bit flipped in the nonce", [](TEntryStore&, std::string& b) { b[12] ^= 0x10; }, kDay},
      {"the version byte changed", [](TEntryStore&, std::string& b) { b[8] = 9; }, kDay},
      {"cut short by one byte", [](TEntryStore&, std::string& b) { b.pop_back(); }, kDay},
      {"cut in the header", [](TEntryStore&, std::string& b) { b.resize(20); }, kDay},
      {"copied onto another day", [](TEntryStore&, std::string&) {}, kDay + std::chrono::days(1)},
      {"from another diary",
       [](TEntryStore& s, std::string&) { s.SetKey(TEntryKey::Strong(TSecretKey::Random())); }, kDay},
      {"plain RTF", [](TEntryStore&, std::string& b) { b = kRtf; }, kDay},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TEntryStore store(dir.path());
    store.SetKey(TEntryKey::Strong(TSecretKey::Random()));
    store.Write(kDay, kRtf);
    std::string bytes = ReadFile(store.EntryPath(kDay));
    c.damage(store, bytes);
    const auto file = dir.Write("Entries/" + DayKey(c.readAs) + ".QXE", bytes);
    TEntryRead read = store.Read(c.readAs);
    EXPECT_EQ(read.status, TEntryRead::kUnreadable);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_NE(read.problem.find(file.string()), std::string::npos) << read.problem;
    EXPECT_EQ(ReadFile(file), bytes);
  }
  // A strong entry met by a diary without strong encryption is not taken for noise either.
  TempDir dir;
  TEntryStore store(dir.path());
  store.SetKey(TEntryKey::Strong(TSecretKey::Random()));
  store.Write(kDay, kRtf);
  for (const char* password : {"", "abc"}) {
    store.SetPassword(password);
    EXPECT_EQ(store.Read(kDay).status, TEntryRead::kUnreadable) << password;
  }
}

TEST_F(StrongDiary, ThePassphraseOpensTheDiaryAndNothingElseDoes) {
  testing::PasswordDiary diary("");
  ASSERT_EQ(ChangePassword(diary.path(), "", TCipher::Strong, "gränsen är nära 🙂").state,
            TDiaryState::Changed);
  diary.ExpectOpensWith("gränsen är nära 🙂", "strong");
  for (const char* wrong : {"", "gränsen är nära", "GRÄNSEN ÄR NÄRA 🙂"}) {
    try {
      UnlockDiary(diary.path(), wrong);
      ADD_FAILURE() << "opened with " << wrong;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Wrong passphrase.");
    }
  }
  // QX.INI names the cipher and holds no password; the key file is private.
  const std::string ini = ReadFile(diary.dir / "QX.INI");
  EXPECT_NE(ini.find("Cipher=Strong"), std::string::npos) << ini;
  EXPECT_EQ(ReadStoredPassword(diary.path()), "");
  EXPECT_EQ(testing::ModeOf(diary.dir / "Diary.key"), 0600u);
}

TEST_F(StrongDiary, MovesBetweenProtectionsKeepEveryEntryAndEveryDeletedOne) {
  struct Case {
    TCipher fromCipher;
    const char* from;
    TCipher toCipher;
    const char* to;
  } const cases[] = {
      {TCipher::None, "", TCipher::Strong, "p"},
      {TCipher::Compatible, "abc", TCipher::Strong, "abc"},  // the upgrade, same password
      {TCipher::Strong, "p", TCipher::Compatible, "abc"},
      {TCipher::Strong, "p", TCipher::None, ""},
  };
  for (const Case& c : cases) {
    const std::string context = std::string(c.from) + " -> " + c.to;
    testing::PasswordDiary diary(c.fromCipher == TCipher::Compatible ? c.from : "");
    if (c.fromCipher == TCipher::Strong) {
      ASSERT_EQ(ChangePassword(diary.path(), "", TCipher::Strong, c.from).state, TDiaryState::Changed);
    }
    // One more entry, deleted before the change and put back after it.
    TEntryStore store(diary.path());
    store.SetKey(UnlockDiary(diary.path(), c.from));
    const TDate gone = MakeDate(2026, 1, 5);
    store.Write(gone, kRtf);
    store.Remove(gone);

    TPasswordChangeResult r = ChangePassword(diary.path(), c.from, c.toCipher, c.to);
    ASSERT_EQ(r.state, TDiaryState::Changed) << context << ": " << r.message;
    EXPECT_EQ(r.filesRewritten, 4) << context;  // three entries and the deleted one
    EXPECT_EQ(ReadStoredProtection(diary.path()).cipher, c.toCipher) << context;
    diary.ExpectOpensWith(c.to, context);
    EXPECT_EQ(std::filesystem::exists(diary.dir / "Diary.key"), c.toCipher == TCipher::Strong) << context;
    EXPECT_FALSE(std::filesystem::exists(PasswordJournalName(diary.path()))) << context;

    store.SetKey(r.key);
    ASSERT_EQ(store.DeletedEntries().size(), 1u) << context;
    store.Restore(store.DeletedEntries()[0]);
    TEntryRead read = store.Read(gone);
    EXPECT_EQ(read.status, TEntryRead::kOk) << context << ": " << read.problem;
    EXPECT_EQ(read.bytes, kRtf) << context;
  }
}

TEST_F(StrongDiary, APassphraseChangeRewritesTheKeyFileAlone) {
  testing::PasswordDiary diary("", 20);
  ASSERT_EQ(ChangePassword(diary.path(), "", TCipher::Strong, "first").state, TDiaryState::Changed);
  struct Seen {
    std::string bytes;
    ino_t inode;
    struct timespec modified;
  };
  auto look = [&] {
    std::map<std::string, Seen> seen;
    for (const auto& file : ListEntryFiles(diary.path())) {
      struct stat st {};
      ::stat(file.c_str(), &st);
      seen[file.filename().string()] = {ReadFile(file), st.st_ino, st.st_mtim};
    }
    return seen;
  };
  auto same = [](const std::map<std::string, Seen>& a, const std::map<std::string, Seen>& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [name, s] : a) {
      const Seen& t = b.at(name);
      if (s.bytes != t.bytes || s.inode != t.inode || s.modified.tv_sec != t.modified.tv_sec ||
          s.modified.tv_nsec != t.modified.tv_nsec) {
        return false;
      }
    }
    return true;
  };
  const auto before = look();
  const std::string keyBefore = ReadFile(diary.dir / "Diary.key");

  // The wrong previous passphrase changes nothing.
  TPasswordChangeResult r = ChangePassword(diary.path(), "First", TCipher::Strong, "second");
  EXPECT_EQ(r.state, TDiaryState::Unchanged);
  EXPECT_EQ(r.message,
            "The password was not changed. Previous password is incorrect. Every entry still "
            "opens with the previous password.");
  EXPECT_EQ(ReadFile(diary.dir / "Diary.key"), keyBefore);

  r = ChangePassword(diary.path(), "first", TCipher::Strong, "second");
  ASSERT_EQ(r.state, TDiaryState::Changed) << r.message;
  EXPECT_EQ(r.filesRewritten, 0);
  EXPECT_TRUE(same(before, look()));
  EXPECT_NE(ReadFile(diary.dir / "Diary.key"), keyBefore);
  diary.ExpectOpensWith("second", "after the change");
  EXPECT_THROW(UnlockDiary(diary.path(), "first"), Error);
}

TEST_F(StrongDiary, AStrongEntryUnderAnotherProtectionStopsThePass) {
  // QX.INI restored from an old backup that predates strong encryption: the
  // entries are strong, the settings say the old cipher. Re-keying them the
  // old way would store noise for good; the pass refuses instead.
  testing::PasswordDiary diary("");
  ASSERT_EQ(ChangePassword(diary.path(), "", TCipher::Strong, "p").state, TDiaryState::Changed);
  const std::string keyFile = ReadFile(diary.dir / "Diary.key");
  WriteStoredProtection(diary.path(), {TCipher::Compatible, "abc"});
  TPasswordChangeResult r = ChangePassword(diary.path(), "abc", TCipher::Strong, "q");
  EXPECT_EQ(r.state, TDiaryState::Unchanged);
  EXPECT_NE(r.message.find("encrypted with a passphrase"), std::string::npos) << r.message;
  EXPECT_EQ(ReadFile(diary.dir / "Diary.key"), keyFile);
  WriteStoredProtection(diary.path(), {TCipher::Strong, ""});
  diary.ExpectOpensWith("p", "settings put back");
}

}  // namespace
}  // namespace quillet
