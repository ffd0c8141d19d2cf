// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/paths.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::TempDir;

TEST(EntryFileName, FindsTheEntryInAnyLetterCase) {
  TempDir dir;
  TDate day = MakeDate(2026, 12, 7);
  // No file yet: the name a new entry is written under.
  EXPECT_EQ(EntryFileName(dir.path(), day), dir / "Entries" / "20261207.QXE");

  dir.Write("entries/20261207.qxe", "x");
  EXPECT_EQ(EntryFileName(dir.path(), day), dir / "entries" / "20261207.qxe");
  EXPECT_EQ(EntryFileName(dir.path(), MakeDate(2026, 12, 8)), dir / "entries" / "20261208.QXE");
}

TEST(EntryFileName, RecognisesEntryExtensions) {
  EXPECT_TRUE(IsEntryFileName("20261207.QXE"));
  EXPECT_TRUE(IsEntryFileName("20261207.qXe"));
  EXPECT_TRUE(IsEntryFileName("notes.QXE"));
  EXPECT_FALSE(IsEntryFileName("20261207.QXE.bak"));
  EXPECT_FALSE(IsEntryFileName("QXE"));
}

TEST(SettingsFileName, IsQxIniInAnyLetterCase) {
  TempDir dir;
  EXPECT_EQ(SettingsFileName(dir.path()), dir / "QX.INI");
  dir.Write("qx.ini", "");
  EXPECT_EQ(SettingsFileName(dir.path()), dir / "qx.ini");
}

TEST(ResolveDiaryDir, FirstMatchWins) {
  TempDir program, other;
  DiaryDirInputs in;
  in.programDir = program.path();
  in.home = "/home/ann";

  EXPECT_EQ(ResolveDiaryDir(in), "/home/ann/.local/share/quillet");
  in.xdgDataHome = "/data";
  EXPECT_EQ(ResolveDiaryDir(in), "/data/quillet");
  in.xdgDataHome = "";  // empty counts as unset
  EXPECT_EQ(ResolveDiaryDir(in), "/home/ann/.local/share/quillet");

  // Portable: the program's directory already holds a diary.
  std::filesystem::create_directory(program / "Entries");
  EXPECT_EQ(ResolveDiaryDir(in), program.path());

  in.commandLine = other.path();
  EXPECT_EQ(ResolveDiaryDir(in), other.path());
}

TEST(ResolveDiaryDir, SettingsFileAloneMakesTheProgramDirectoryPortable) {
  TempDir program;
  program.Write("Qx.Ini", "");
  DiaryDirInputs in;
  in.programDir = program.path();
  in.home = "/home/ann";
  EXPECT_EQ(ResolveDiaryDir(in), program.path());
}

}  // namespace
}  // namespace quillet
