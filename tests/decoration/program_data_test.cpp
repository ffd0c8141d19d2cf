// SPDX-License-Identifier: GPL-3.0-or-later
// Program data is found in the diary directory first, then where it is
// installed, then in the build tree.
#include <decoration/program_data.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(ProgramData, DiaryDirectoryFirstThenInstalledThenBuildTree) {
  testing::TempDir diary;
  const auto dirs = ProgramDataDirs(diary.path());
  ASSERT_EQ(dirs.size(), 4u);
  EXPECT_EQ(dirs[0], diary.path());
  // share/quillet beside the running program's bin/: here the build tree's.
  EXPECT_EQ(dirs[1], fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "share/quillet");
  EXPECT_EQ(dirs[2].filename(), "quillet");
  EXPECT_EQ(dirs[3].filename(), "quillet");

  // The build has made the icon sets in the build tree.
  EXPECT_TRUE(fs::exists(IconSetsDir(diary.path()) / "misc1.icl")) << IconSetsDir(diary.path());
  fs::create_directories(diary / "icons");
  EXPECT_EQ(IconSetsDir(diary.path()), diary / "icons");
  EXPECT_EQ(FindProgramData(diary.path(), "no-such-thing"), diary / "no-such-thing");
}

}  // namespace
}  // namespace quillet
