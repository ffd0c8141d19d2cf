#include <base/safe_file.h>

#include <base/error.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ReadFile;
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

TEST(SafeFile, ReadingAMissingFileSaysWhich) {
  TempDir dir;
  try {
    ReadWholeFile(dir / "gone.QXE");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("gone.QXE"), std::string::npos);
  }
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
