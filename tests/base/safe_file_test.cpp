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

}  // namespace
}  // namespace quillet
