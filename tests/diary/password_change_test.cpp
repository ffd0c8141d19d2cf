// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/password_change.h>

#include <diary/cipher.h>
#include <diary/passwords.h>
#include <diary/settings_file.h>
#include <base/error.h>
#include <base/safe_file.h>

#include "../support/temp_dir.h"
#include "password_diary.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

using Diary = testing::PasswordDiary;
using testing::ReadFile;
using testing::TempDir;

TEST(Passwords, ValidCharactersAreLettersDigitsAndSpacesUpToEight) {
  for (const char* good : {"", "ABC", "abc xyz", "Secret 1", "12345678", "        "}) {
    EXPECT_TRUE(IsValidPassword(good)) << good;
  }
  for (const char* bad : {"abc!", "tab\there", "123456789", "\xc3\xa9t\xc3\xa9", "a-b", "a\nb"}) {
    EXPECT_FALSE(IsValidPassword(bad)) << bad;
  }
}

TEST(Passwords, StoredPasswordIsScrambledInTheSettingsFile) {
  TempDir dir;
  EXPECT_EQ(ReadStoredPassword(dir.path()), "");  // no settings file
  WriteStoredPassword(dir.path(), "abc");
  EXPECT_EQ(TIniFile(dir / "QX.INI").ReadString("Security", "Password", ""), "\xC2\xC9\xC4");
  EXPECT_EQ(ReadStoredPassword(dir.path()), "abc");
  WriteStoredPassword(dir.path(), "");
  EXPECT_EQ(ReadFile(dir / "QX.INI"), "[Security]\nPassword=\n");
  EXPECT_EQ(ReadStoredPassword(dir.path()), "");
}

TEST(Passwords, CountsAndCopiesEntryFiles) {
  Diary diary("");
  std::filesystem::create_directory(diary.dir / "Entries" / "sub.QXE");  // a directory is no entry
  EXPECT_EQ(CountEntryFiles(diary.path()), 3);
  TempDir empty;
  EXPECT_EQ(CountEntryFiles(empty.path()), 0);

  auto from = diary.dir / "Entries" / "20261208.qxe";
  EXPECT_TRUE(CopyWholeFile(from, diary.dir / "copy.rtf"));
  EXPECT_EQ(ReadFile(diary.dir / "copy.rtf"), diary.plain["20261208.qxe"]);
  EXPECT_FALSE(CopyWholeFile(from, from));
  EXPECT_FALSE(CopyWholeFile(from, diary.dir / "Entries" / "." / "20261208.qxe"));
  EXPECT_EQ(ReadFile(from), diary.plain["20261208.qxe"]);
  EXPECT_THROW(CopyWholeFile(diary.dir / "missing", diary.dir / "copy.rtf"), Error);
  EXPECT_EQ(ReadFile(diary.dir / "copy.rtf"), diary.plain["20261208.qxe"]);
}

TEST(PasswordChange, SetChangeAndClearRewriteEveryEntry) {
  Diary diary("");
  std::vector<std::pair<int, int>> ticks;
  auto progress = [&](int done, int total) { ticks.push_back({done, total}); };

  TPasswordChangeResult r = ChangePassword(diary.path(), "", "abc", progress);
  EXPECT_EQ(r.state, TDiaryState::Changed) << r.message;
  EXPECT_EQ(r.password, "abc");
  EXPECT_EQ(r.filesRewritten, 3);
  EXPECT_EQ(r.message, "");
  EXPECT_EQ(ticks, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
  EXPECT_EQ(ReadFile(diary.dir / "Entries/20261207.QXE"),
            EncipherBytes(diary.plain["20261207.QXE"], "abc"));
  diary.ExpectReadsBack("set");

  r = ChangePassword(diary.path(), "abc", "New 2");
  EXPECT_EQ(r.state, TDiaryState::Changed) << r.message;
  EXPECT_EQ(ReadStoredPassword(diary.path()), "New 2");
  diary.ExpectReadsBack("changed");

  // Only the letter case differs: the same bytes, the new spelling stored.
  r = ChangePassword(diary.path(), "New 2", "NEW 2");
  EXPECT_EQ(r.state, TDiaryState::Changed) << r.message;
  EXPECT_EQ(ReadFile(diary.dir / "Entries/20261208.qxe"),
            EncipherBytes(diary.plain["20261208.qxe"], "New 2"));
  EXPECT_EQ(ReadStoredPassword(diary.path()), "NEW 2");

  r = ChangePassword(diary.path(), "NEW 2", "");
  EXPECT_EQ(r.state, TDiaryState::Changed) << r.message;
  EXPECT_EQ(r.password, "");
  for (const auto& [name, text] : diary.plain) {
    EXPECT_EQ(ReadFile(diary.dir / "Entries" / name), text) << name;  // plain again, byte for byte
  }
  EXPECT_EQ(TIniFile(diary.dir / "QX.INI").ReadString("Security", "Password", "x"), "");
  diary.ExpectReadsBack("cleared");
  EXPECT_TRUE(diary.Leftovers().empty());
}

TEST(PasswordChange, RefusalsChangeNothing) {
  Diary diary("abc");
  auto before = ReadFile(diary.dir / "Entries/20261207.QXE");
  struct Case {
    const char *oldPassword, *newPassword, *why;
  } cases[] = {
      {"abd", "xyz", "Previous password is incorrect."},
      {"ABC", "xyz", "Previous password is incorrect."},  // compared exactly
      {"", "xyz", "Previous password is required."},
      {"abc", "xyz!", "Valid password characters are A-Z, a-z, 0-9 and spaces."},
      {"abc", "ABCDEFGHI", "A password has at most 8 characters."},
  };
  for (const Case& c : cases) {
    TPasswordChangeResult r = ChangePassword(diary.path(), c.oldPassword, c.newPassword);
    EXPECT_EQ(r.state, TDiaryState::Unchanged) << c.newPassword;
    EXPECT_EQ(r.password, "abc");
    EXPECT_EQ(r.message, std::string("The password was not changed. ") + c.why +
                             " Every entry still opens with the previous password.");
    EXPECT_EQ(ReadFile(diary.dir / "Entries/20261207.QXE"), before);
    EXPECT_EQ(ReadStoredPassword(diary.path()), "abc");
  }
  // The same password again touches nothing.
  auto modified = std::filesystem::last_write_time(diary.dir / "Entries/20261207.QXE");
  TPasswordChangeResult r = ChangePassword(diary.path(), "abc", "abc");
  EXPECT_EQ(r.state, TDiaryState::Changed);
  EXPECT_EQ(r.filesRewritten, 0);
  EXPECT_EQ(std::filesystem::last_write_time(diary.dir / "Entries/20261207.QXE"), modified);
  EXPECT_TRUE(diary.Leftovers().empty());
}

TEST(PasswordChange, AFullDiskIsReportedWithTheStateOfTheDiary) {
  Diary diary("");
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  TPasswordChangeResult r = ChangePassword(diary.path(), "", "abc");
  SetWriteFaultHook({});
  EXPECT_EQ(r.state, TDiaryState::Unchanged);
  EXPECT_EQ(r.password, "");
  EXPECT_EQ(r.message, "The password was not changed. Cannot write file \"" +
                           PasswordJournalName(diary.path()).string() +
                           "\". No space left on device. The diary still has no password.");
  diary.ExpectReadsBack("full disk");
  EXPECT_TRUE(diary.Leftovers().empty());
  EXPECT_EQ(RecoverPasswordChange(diary.path()).outcome, TRecovery::Nothing);
}

TEST(PasswordChange, EntriesThatCannotBeWrittenLeaveTheChangeToTheNextStart) {
  Diary diary("abc");
  SetPasswordChangeFaultHook([](std::string_view step) { return step != "commit"; });
  TPasswordChangeResult r = ChangePassword(diary.path(), "abc", "xyz");
  EXPECT_EQ(r.state, TDiaryState::Interrupted);
  EXPECT_EQ(r.password, "xyz");
  auto first = (diary.dir / "Entries" / "20261207.QXE").string();
  EXPECT_EQ(r.message, "The password change could not be finished: Cannot write \"" + first +
                           "\". Permission denied. The change is recorded and will be finished "
                           "the next time Quillet starts; until then the diary cannot be used.");
  EXPECT_EQ(RecoverPasswordChange(diary.path()).outcome, TRecovery::Failed);
  SetPasswordChangeFaultHook({});

  TRecoveryResult next = RecoverPasswordChange(diary.path());
  EXPECT_EQ(next.outcome, TRecovery::Finished);
  EXPECT_EQ(ReadStoredPassword(diary.path()), "xyz");
  diary.ExpectReadsBack("finished at the next start");
  EXPECT_TRUE(diary.Leftovers().empty());
}

TEST(PasswordChange, ACutOrAlteredJournalIsRefusedAsDamaged) {
  // A real journal: the pass stopped right after writing it.
  Diary diary("abc");
  struct Stop {};
  SetWriteFaultHook([&](std::string_view) {
    if (std::filesystem::exists(PasswordJournalName(diary.path()))) throw Stop{};
    return true;
  });
  EXPECT_THROW(ChangePassword(diary.path(), "abc", "xyz"), Stop);
  SetWriteFaultHook({});
  const std::string journal = ReadFile(PasswordJournalName(diary.path()));
  ASSERT_GT(journal.size(), 4097u);

  std::vector<std::string> damaged;
  for (size_t cut = 0; cut < journal.size(); cut += 97) damaged.push_back(journal.substr(0, cut));
  for (size_t at = 0; at < journal.size(); at += 89) {
    damaged.push_back(journal);
    damaged.back()[at] ^= 0x20;
  }
  for (const std::string& bytes : damaged) {
    diary.dir.Write("Password.jnl", bytes);
    EXPECT_EQ(RecoverPasswordChange(diary.path()).outcome, TRecovery::Failed) << bytes.size();
  }
  diary.ExpectReadsBack("damaged journals");
  EXPECT_EQ(ReadStoredPassword(diary.path()), "abc");

  diary.dir.Write("Password.jnl", journal);
  EXPECT_EQ(RecoverPasswordChange(diary.path()).outcome, TRecovery::Finished);
  EXPECT_EQ(ReadStoredPassword(diary.path()), "xyz");
  diary.ExpectReadsBack("whole journal");
}

TEST(PasswordChange, WithoutEntriesOnlyThePasswordChanges) {
  for (bool withDirectory : {true, false}) {
    TempDir dir;
    if (withDirectory) std::filesystem::create_directory(dir / "Entries");
    int calls = 0;
    TPasswordChangeResult r =
        ChangePassword(dir.path(), "", "abc", [&](int done, int total) {
          EXPECT_EQ(done, 0);
          EXPECT_EQ(total, 0);
          ++calls;
        });
    EXPECT_EQ(r.state, TDiaryState::Changed) << r.message;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ReadStoredPassword(dir.path()), "abc");
  }
}

TEST(PasswordChange, LinkedEntriesStayLinked) {
  Diary diary("abc");
  // One entry is a symbolic link to a file kept elsewhere, one has a second name.
  std::filesystem::create_directory(diary.dir / "elsewhere");
  std::filesystem::rename(diary.dir / "Entries/20261207.QXE", diary.dir / "elsewhere/kept.QXE");
  std::filesystem::create_symlink("../elsewhere/kept.QXE", diary.dir / "Entries/20261207.QXE");
  std::filesystem::create_hard_link(diary.dir / "Entries/20261208.qxe",
                                    diary.dir / "elsewhere/second.name");
  TPasswordChangeResult r = ChangePassword(diary.path(), "abc", "xyz");
  ASSERT_EQ(r.state, TDiaryState::Changed) << r.message;
  diary.ExpectReadsBack("linked");
  EXPECT_TRUE(std::filesystem::is_symlink(diary.dir / "Entries/20261207.QXE"));
  EXPECT_EQ(DecipherFile(diary.dir / "elsewhere/kept.QXE", "xyz"), diary.plain["20261207.QXE"]);
  EXPECT_TRUE(SameFile(diary.dir / "Entries/20261208.qxe", diary.dir / "elsewhere/second.name"));
}

TEST(PasswordChange, AnUnwritableEntryIsFoundBeforeAnythingChanges) {
  if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
  Diary diary("abc");
  ::chmod((diary.dir / "Entries/20261209.QXE").c_str(), 0444);
  TPasswordChangeResult r = ChangePassword(diary.path(), "abc", "xyz");
  EXPECT_EQ(r.state, TDiaryState::Unchanged);
  EXPECT_NE(r.message.find("20261209.QXE"), std::string::npos) << r.message;
  diary.ExpectReadsBack("unwritable");
  EXPECT_EQ(ReadStoredPassword(diary.path()), "abc");
}

TEST(PasswordChange, ADamagedJournalStopsTheStartAndIsKept) {
  Diary diary("abc");
  diary.dir.Write("Password.jnl", "Quillet password change 1\npassword 00\nentries 1\nentry");
  TRecoveryResult r = RecoverPasswordChange(diary.path());
  EXPECT_EQ(r.outcome, TRecovery::Failed);
  EXPECT_NE(r.message.find("is damaged"), std::string::npos) << r.message;
  EXPECT_TRUE(std::filesystem::exists(diary.dir / "Password.jnl"));
  diary.ExpectReadsBack("damaged journal");
  EXPECT_EQ(ChangePassword(diary.path(), "abc", "xyz").state, TDiaryState::Interrupted);
}

}  // namespace
}  // namespace quillet
