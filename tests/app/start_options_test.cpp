// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/start_options.h>

#include <diary/paths.h>

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(StartOptions, ReadsTheCommandLine) {
  EXPECT_EQ(ParseStartOptions({"--diary-dir", "/d"}).diaryDir, std::filesystem::path("/d"));
  EXPECT_EQ(ParseStartOptions({"--diary-dir=/e"}).diaryDir, std::filesystem::path("/e"));
  EXPECT_TRUE(ParseStartOptions({"--help"}).help);
  EXPECT_TRUE(ParseStartOptions({"--version"}).version);
  EXPECT_FALSE(ParseStartOptions({"--diary-dir"}).error.empty());
  EXPECT_FALSE(ParseStartOptions({"stray"}).error.empty());
  EXPECT_TRUE(DiaryDirectory(std::filesystem::path("rel")).is_absolute());
}

}  // namespace
}  // namespace quillet
