// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/diary_folder.h>

#include <diary/entry_store.h>
#include <diary/instance_lock.h>
#include <diary/settings_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ModeOf;
using testing::TempDir;

TEST(DiaryFolder, ANewDiaryIsPrivateFromTheStart) {
  TempDir root;
  const fs::path diary = root / "home" / "quillet";
  TDiaryFolderCheck check = PrepareDiaryFolder(diary);
  EXPECT_EQ(check.problem, "");
  EXPECT_EQ(check.notice, "");
  EXPECT_EQ(ModeOf(diary), 0700u);

  TEntryStore store(diary);
  store.Write(MakeDate(2026, 12, 7), "{\\rtf1 private\\par}");
  TIniFile(diary / "QX.INI").WriteString("Security", "Password", "");
  EXPECT_EQ(ModeOf(diary / "Entries"), 0700u);
  EXPECT_EQ(ModeOf(diary / "Entries" / "20261207.QXE"), 0600u);
  EXPECT_EQ(ModeOf(diary / "QX.INI"), 0600u);
}

TEST(DiaryFolder, ADiaryOthersCanReadIsMadePrivateAndSaysSoOnce) {
  TempDir dir;
  dir.Write("QX.INI", "[Security]\n");
  dir.Write("Entries/20261207.QXE", "{\\rtf1 mine\\par}");
  dir.Write("BonusIcons/party.ico", "icon");
  fs::create_symlink("/etc/hostname", dir / "Entries" / "20261208.QXE");
  ::chmod(dir.path().c_str(), 0755);
  ::chmod((dir / "Entries").c_str(), 0775);
  ::chmod((dir / "QX.INI").c_str(), 0644);
  ::chmod((dir / "Entries" / "20261207.QXE").c_str(), 0664);
  ::chmod((dir / "BonusIcons").c_str(), 0755);
  ::chmod((dir / "BonusIcons" / "party.ico").c_str(), 0644);

  TDiaryFolderCheck check = PrepareDiaryFolder(dir.path());
  EXPECT_EQ(check.problem, "");
  EXPECT_NE(check.notice.find(dir.path().string()), std::string::npos) << check.notice;
  EXPECT_NE(check.notice.find("5 file(s) and folder(s)"), std::string::npos) << check.notice;
  EXPECT_EQ(ModeOf(dir.path()), 0700u);
  EXPECT_EQ(ModeOf(dir / "Entries"), 0700u);
  EXPECT_EQ(ModeOf(dir / "QX.INI"), 0600u);
  EXPECT_EQ(ModeOf(dir / "Entries" / "20261207.QXE"), 0600u);
  EXPECT_EQ(ModeOf(dir / "BonusIcons"), 0700u);
  // Other folders are closed, not entered; what a link points to is left alone.
  EXPECT_EQ(ModeOf(dir / "BonusIcons" / "party.ico"), 0644u);

  EXPECT_EQ(PrepareDiaryFolder(dir.path()).notice, "");
}

// Behind a folder its owner alone can enter nobody else reaches a file, so a
// private diary's start leaves its files as they are; a folder inside it that
// others could enter is closed with what it holds.
TEST(DiaryFolder, OnlyWhatOthersCouldReachIsTightened) {
  TempDir dir;
  dir.Write("QX.INI", "[Security]\n");
  dir.Write("Entries/20261207.QXE", "{\\rtf1 mine\\par}");
  dir.Write("Deleted/20261201_120000.QXE", "{\\rtf1 gone\\par}");
  ::chmod(dir.path().c_str(), 0700);
  ::chmod((dir / "Entries").c_str(), 0700);
  ::chmod((dir / "Entries" / "20261207.QXE").c_str(), 0644);
  ::chmod((dir / "Deleted").c_str(), 0755);
  ::chmod((dir / "Deleted" / "20261201_120000.QXE").c_str(), 0644);

  TDiaryFolderCheck check = PrepareDiaryFolder(dir.path());
  EXPECT_NE(check.notice.find("2 file(s) and folder(s)"), std::string::npos) << check.notice;
  EXPECT_EQ(ModeOf(dir / "Entries" / "20261207.QXE"), 0644u);
  EXPECT_EQ(ModeOf(dir / "Deleted"), 0700u);
  EXPECT_EQ(ModeOf(dir / "Deleted" / "20261201_120000.QXE"), 0600u);
}

TEST(DiaryFolder, RemovesWhatCutOffWritesLeft) {
  TempDir dir;
  dir.Write(".QX.INI.Ab12Cd", "[Security]\nPassword=half");
  dir.Write("Entries/.20261207.QXE.xY98zW", "plain text of a killed save");
  dir.Write("Entries/.notes.txt.xY98zW", "not ours");
  TDiaryFolderCheck check = PrepareDiaryFolder(dir.path());
  EXPECT_EQ(check.temporariesRemoved, 2);
  EXPECT_FALSE(fs::exists(dir / ".QX.INI.Ab12Cd"));
  EXPECT_FALSE(fs::exists(dir / "Entries" / ".20261207.QXE.xY98zW"));
  EXPECT_TRUE(fs::exists(dir / "Entries" / ".notes.txt.xY98zW"));
}

TEST(DiaryFolder, ASettingsFileThatCannotBeReadKeepsTheDiaryShut) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "QX.INI").c_str(), 0600), 0);  // would block a plain open()
  TDiaryFolderCheck check = PrepareDiaryFolder(dir.path());
  EXPECT_NE(check.problem.find((dir / "QX.INI").string()), std::string::npos) << check.problem;
  EXPECT_NE(check.problem.find("not a regular file"), std::string::npos) << check.problem;
}

TEST(DiaryFolder, ALockThatCannotBeMadeIsSaid) {
  // sysfs takes no new file, not even from root, as a read-only folder
  // refuses one to its user.
  TInstanceLock lock("/sys/kernel");
  EXPECT_FALSE(lock.AlreadyRunning());
  EXPECT_FALSE(lock.Held());
  EXPECT_NE(lock.Unavailable().find("/sys/kernel/.quillet.lock"), std::string::npos)
      << lock.Unavailable();

  TempDir dir;
  TInstanceLock mine(dir.path());
  EXPECT_FALSE(mine.AlreadyRunning());
  EXPECT_TRUE(mine.Held());
  EXPECT_EQ(mine.Unavailable(), "");
}

}  // namespace
}  // namespace quillet
