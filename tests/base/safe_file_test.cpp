// SPDX-License-Identifier: GPL-3.0-or-later
#include <base/safe_file.h>

#include <base/error.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ModeOf;
using testing::TempDir;

TEST(SafeFile, ReplacesWholeFilesAndKeepsTheirPermissions) {
  TempDir dir;
  auto path = dir.Write("entry.QXE", "old");
  ::chmod(path.c_str(), 0600);
  WriteFileSafely(path, "new text");
  EXPECT_EQ(ReadFile(path), "new text");
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadWholeFile(path), "new text");
}

TEST(SafeFile, AnAbandonedWriterLeavesNothingBehind) {
  TempDir dir;
  {
    TSafeFileWriter writer(dir / "entry.QXE");
    writer.Write("half");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SafeFile, ReadingAMissingFileOrOneThatIsNotAFileSaysWhich) {
  TempDir dir;
  // A named pipe with no writer would block a plain open() for ever.
  ASSERT_EQ(::mkfifo((dir / "pipe.QXE").c_str(), 0600), 0);
  for (const char* name : {"gone.QXE", "pipe.QXE", "."}) {
    SCOPED_TRACE(name);
    try {
      ReadWholeFile(dir / name);
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find((dir / name).string()), std::string::npos) << e.what();
    }
  }
}

TEST(SafeFile, TheTemporaryFileIsPrivateAndNewFilesTakeTheirKindsPermissions) {
  TempDir dir;
  std::vector<unsigned> whileFlushed;
  SetWriteFaultHook([&](std::string_view step) {
    if (step == "flush") {
      for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
        if (item.path().filename().string()[0] == '.') whileFlushed.push_back(ModeOf(item.path()));
      }
    }
    return true;
  });
  const mode_t mask = ::umask(022);
  WriteFileSafely(dir / "entry.QXE", "private");
  WriteFileSafely(dir / "export.RTF", "shared", TFileAccess::kShared);
  ::umask(mask);
  SetWriteFaultHook({});
  EXPECT_EQ(whileFlushed, (std::vector<unsigned>{0600, 0600}));
  EXPECT_EQ(ModeOf(dir / "entry.QXE"), 0600u);
  EXPECT_EQ(ModeOf(dir / "export.RTF"), 0644u);
}

TEST(SafeFile, RemovesTheTemporaryFilesOfCutOffWritesOnly) {
  TempDir dir;
  // Left by writers that were killed: no one holds them any more.
  dir.Write(".entry.QXE.a1B2c3", "stale");
  dir.Write(".QX.INI.zZ9yY8", "stale");
  // Not of our naming, or not for a file we write.
  dir.Write(".entry.QXE.short", "kept");
  dir.Write(".notes.txt.a1B2c3", "kept");
  dir.Write("entry.QXE.a1B2c3", "kept");
  // A write under way, in this process as it could be in another.
  TSafeFileWriter live(dir / "entry.QXE");
  live.Write("under way");
  auto ours = [](std::string_view name) { return name == "entry.QXE" || name == "QX.INI"; };
  EXPECT_EQ(RemoveStaleTemporaries(dir.path(), ours), 2);
  int left = 0;
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    ++left;
    EXPECT_NE(ReadFile(item.path()), "stale") << item.path();
  }
  EXPECT_EQ(left, 4);  // the live writer's and the three that are not ours
  live.Commit();
  EXPECT_EQ(ReadFile(dir / "entry.QXE"), "under way");
}


TEST(SafeFile, WritesThroughSymbolicLinksAndTheLinksStay) {
  TempDir dir;
  auto real = dir.Write("elsewhere/QX.INI", "old");
  ::chmod(real.c_str(), 0640);
  std::filesystem::create_directory(dir / "diary");
  // A relative link to a relative link to the file.
  std::filesystem::create_symlink("../elsewhere/QX.INI", dir / "diary" / "hop");
  std::filesystem::create_symlink("hop", dir / "diary" / "QX.INI");
  WriteFileSafely(dir / "diary" / "QX.INI", "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "diary" / "QX.INI"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "diary" / "hop"));
  EXPECT_EQ(ReadFile(real), "new");
  struct stat st {};
  ::stat(real.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // The temporary file was made beside the file, and is gone.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "elsewhere"), {}), 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "diary"), {}), 2);

  // A dangling link makes the file it names.
  std::filesystem::create_symlink("made.QXE", dir / "diary" / "link.QXE");
  WriteFileSafely(dir / "diary" / "link.QXE", "made");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "diary" / "link.QXE"));
  EXPECT_EQ(ReadFile(dir / "diary" / "made.QXE"), "made");

  // Links that go round in a loop are refused.
  std::filesystem::create_symlink("b", dir / "a");
  std::filesystem::create_symlink("a", dir / "b");
  EXPECT_THROW(WriteFileSafely(dir / "a", "x"), Error);
}

TEST(SafeFile, KeepsHardLinksByOverwritingInPlace) {
  TempDir dir;
  auto entry = dir.Write("Entries/20261207.QXE", "the old entry, longer than the new one");
  std::filesystem::create_directory(dir / "backup");
  std::filesystem::create_hard_link(entry, dir / "backup" / "copy.QXE");
  for (std::string text : {std::string("short"), std::string(200000, 'g'), std::string()}) {
    WriteFileSafely(entry, text);
    EXPECT_EQ(ReadFile(dir / "backup" / "copy.QXE"), text);
    EXPECT_TRUE(SameFile(entry, dir / "backup" / "copy.QXE"));
    EXPECT_EQ(std::filesystem::hard_link_count(entry), 2u);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Entries"), {}), 1)
      << "no temporary file is left behind";
}

TEST(SafeFile, AFailedOverwriteOfAHardLinkedFilePutsTheOldBytesBack) {
  TempDir dir;
  auto entry = dir.Write("entry.QXE", "old entry");
  std::filesystem::create_hard_link(entry, dir / "other.QXE");
  for (const char* step : {"create", "write", "flush", "overwrite"}) {
    SetWriteFaultHook([&](std::string_view s) { return s != step; });
    EXPECT_THROW(WriteFileSafely(entry, std::string(100000, 'n')), Error) << step;
    SetWriteFaultHook({});
    EXPECT_EQ(ReadFile(dir / "other.QXE"), "old entry") << step;
    EXPECT_TRUE(SameFile(entry, dir / "other.QXE")) << step;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
      << "no temporary file is left behind";
}

TEST(SafeFile, OverwriteWritesIntoTheFileItself) {
  TempDir dir;
  auto entry = dir.Write("entry.QXE", "old old old");
  std::filesystem::create_hard_link(entry, dir / "second");
  std::filesystem::create_symlink("entry.QXE", dir / "link");
  OverwriteFile(dir / "link", "new");
  EXPECT_EQ(ReadFile(dir / "second"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
  OverwriteFile(dir / "made.QXE", "made");
  EXPECT_EQ(ReadFile(dir / "made.QXE"), "made");
  SyncFileSystemOf(dir.path());

  // Stopped half way, the file is part new, part old: callers keep a journal.
  SetWriteFaultHook([](std::string_view step) { return step != "overwrite"; });
  EXPECT_THROW(OverwriteFile(entry, "ABCDEF"), Error);
  SetWriteFaultHook({});
  EXPECT_EQ(ReadFile(entry), "ABC");
}

TEST(SafeFile, SameFileComparesTheFilesThemselves) {
  TempDir dir;
  auto a = dir.Write("a", "x");
  dir.Write("b", "x");
  std::filesystem::create_hard_link(a, dir / "hard");
  std::filesystem::create_symlink("a", dir / "soft");
  EXPECT_TRUE(SameFile(a, dir.path() / "." / "a"));
  EXPECT_TRUE(SameFile(a, dir / "hard"));
  EXPECT_TRUE(SameFile(dir / "soft", a));
  EXPECT_FALSE(SameFile(a, dir / "b"));
  EXPECT_FALSE(SameFile(a, dir / "missing"));
  EXPECT_FALSE(SameFile(dir / "missing", dir / "missing"));
}

}  // namespace
}  // namespace quillet
