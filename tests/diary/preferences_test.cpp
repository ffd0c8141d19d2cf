// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/preferences.h>

#include <diary/cipher.h>
#include <diary/instance_lock.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::TempDir;

TEST(Preferences, DefaultsWithoutASettingsFile) {
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  TPreferences p;
  p.defaultFontName = "changed";
  p.Load(ini, dir.path(), TRect{100, 50, 722, 452});
  EXPECT_EQ(p.currentPassword, "");
  EXPECT_EQ(p.defaultFontName, "Arial");
  EXPECT_EQ(p.defaultFontSize, 10);
  EXPECT_FALSE(p.defaultFontBold || p.defaultFontItalic || p.defaultFontUnderline);
  EXPECT_EQ(p.defaultFontColor, 0);
  EXPECT_TRUE(p.showOpeningMessage);
  EXPECT_FALSE(p.iconsVisible);
  EXPECT_EQ(p.iconsTop, 150);
  EXPECT_EQ(p.iconsLeft, 100 + 622 - 200);
  EXPECT_TRUE(p.checkSpellingAsYouType);
  EXPECT_FALSE(std::filesystem::exists(dir / "QX.INI"));
}

TEST(Preferences, SavesEveryKeyAndReadsItBack) {
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  TPreferences p;
  p.currentPassword = "abc";
  p.defaultFontName = "Liberation Serif";
  p.defaultFontSize = 14;
  p.defaultFontItalic = true;
  p.defaultFontColor = 0x0000FF;
  p.showOpeningMessage = false;
  p.iconsFile = "/icons/holiday.icl";
  p.iconsVisible = true;
  p.iconsTop = 12;
  p.iconsLeft = -3;
  p.checkSpellingAsYouType = false;
  p.spellingLanguage = "de_DE";
  p.Save(ini);
  // The password is kept scrambled.
  EXPECT_EQ(ini.ReadString("Security", "Password", ""), EncryptString("abc"));
  EXPECT_EQ(ini.ReadString("Opening Screen", "show", ""), "0");
  EXPECT_EQ(ini.ReadString("Spelling", "CheckAsYouType", ""), "0");
  EXPECT_EQ(ini.ReadString("Spelling", "Language", ""), "de_DE");
  TPreferences q;
  q.Load(ini, dir.path(), TRect{});
  EXPECT_EQ(q.currentPassword, "abc");
  EXPECT_EQ(q.defaultFontName, "Liberation Serif");
  EXPECT_EQ(q.defaultFontSize, 14);
  EXPECT_TRUE(q.defaultFontItalic);
  EXPECT_FALSE(q.defaultFontBold);
  EXPECT_EQ(q.defaultFontColor, 0x0000FF);
  EXPECT_FALSE(q.showOpeningMessage);
  EXPECT_EQ(q.iconsFile, "/icons/holiday.icl");
  EXPECT_TRUE(q.iconsVisible);
  EXPECT_EQ(q.iconsTop, 12);
  EXPECT_EQ(q.iconsLeft, -3);
  EXPECT_FALSE(q.checkSpellingAsYouType);
  EXPECT_EQ(q.spellingLanguage, "de_DE");
}

TEST(Preferences, SavingUnchangedValuesLeavesTheFileAlone) {
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  TPreferences p;
  p.Save(ini);
  WritePlacement(ini, 96, {{1, 2, 3, 4}, false});
  struct stat before {}, after {};
  ASSERT_EQ(::stat((dir / "QX.INI").c_str(), &before), 0);
  p.Save(ini);
  WritePlacement(ini, 96, {{1, 2, 3, 4}, false});
  ASSERT_EQ(::stat((dir / "QX.INI").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // every write replaces the file
  const std::string text = testing::ReadFile(dir / "QX.INI");
  p.defaultFontSize = 11;
  p.Save(ini);
  EXPECT_NE(testing::ReadFile(dir / "QX.INI"), text);
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 0), 11);
}

TEST(Preferences, ReadsAHexadecimalSize) {
  TempDir dir;
  dir.Write("QX.INI", "[default font]\nsize=0x0C\n");
  TPreferences p;
  p.Load(TIniFile(dir / "QX.INI"), dir.path(), TRect{});
  EXPECT_EQ(p.defaultFontSize, 12);
}

TEST(Placement, SectionCarriesTheDensityAbove96) {
  EXPECT_EQ(PlacementSection(96), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSection(72), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSection(120), "TMainScreen_Placement120");
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  EXPECT_FALSE(ReadPlacement(ini, 96));
  WritePlacement(ini, 120, {{10, 20, 630, 440}, true});
  EXPECT_FALSE(ReadPlacement(ini, 96));  // another density starts afresh
  auto p = ReadPlacement(ini, 120);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->normal, (TRect{10, 20, 630, 440}));
  EXPECT_TRUE(p->maximized);
}

TEST(Placement, FitsToTheScreensThatExist) {
  const std::vector<TRect> one = {{0, 0, 1024, 768}};
  const std::vector<TRect> two = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
  struct Case {
    const char* name;
    TRect in;
    std::vector<TRect> screens;
    TRect out;
  };
  const Case cases[] = {
      {"inside stays", {10, 10, 500, 400}, one, {10, 10, 500, 400}},
      {"right edge pulled in", {800, 10, 1200, 400}, one, {624, 10, 1024, 400}},
      {"negative left becomes 1", {-50, 10, 350, 400}, one, {1, 10, 401, 400}},
      {"bottom pulled up", {10, 600, 410, 900}, one, {10, 468, 410, 768}},
      {"negative top becomes 1", {10, -30, 410, 270}, one, {10, 1, 410, 301}},
      {"larger than the screen is cut", {-10, -10, 3000, 2000}, one, {1, 1, 1024, 768}},
      {"on a screen that is gone", {2000, 100, 2600, 500}, one, {424, 100, 1024, 500}},
      {"on the second screen", {2000, 100, 2600, 500}, two, {2000, 100, 2600, 500}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FitToScreens(c.in, c.screens), c.out);
  }
}

TEST(InstanceLock, OneHolderPerDiary) {
  TempDir dir;
  TInstanceLock first(dir.path());
  EXPECT_FALSE(first.AlreadyRunning());
  TInstanceLock second(dir.path());
  EXPECT_TRUE(second.AlreadyRunning());
  first.Release();
  EXPECT_FALSE(second.AlreadyRunning());
}

}  // namespace
}  // namespace quillet
