// SPDX-License-Identifier: GPL-3.0-or-later
/** The diary's preferences in QX.INI: default font, opening message, icon palette, password, placement. */
#pragma once

#include <diary/settings_file.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// A rectangle in screen pixels, by its edges.
struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const TRect&) const = default;
};

// Every key of the settings file except the window placement.
struct TPreferences {
  std::string currentPassword;  // the old cipher's, unscrambled; empty without it
  std::string defaultFontName = "Arial";
  int defaultFontSize = 10;
  bool defaultFontBold = false;
  bool defaultFontItalic = false;
  bool defaultFontUnderline = false;
  int defaultFontColor = 0;  // red in the low byte, blue in the third
  bool showOpeningMessage = true;
  std::string iconsFile;
  bool iconsVisible = false;
  int iconsTop = 0;
  int iconsLeft = 0;
  bool checkSpellingAsYouType = true;  // misspelt words of the shown entry are underlined
  int zoomPercent = 100;               // the page's scale on screen, kZoomMin to kZoomMax
  bool readableLineWidth = false;      // the text keeps to a centred column on a wide window
  bool statusBar = true;               // the words and characters of the page below it
  enum TPageColours { kFollowDesktop = 0, kLightPage = 1, kDarkPage = 2 };
  int pageColours = kFollowDesktop;

  static constexpr int kZoomMin = 50;
  static constexpr int kZoomMax = 300;
  std::string spellingLanguage = "en";  // the spell checkers' language tag ("en", "de_DE"...)

  // Reads every key; a missing key gives its default. The icon palette's
  // defaults are taken from the main window's bounds at the time of reading.
  void Load(const TIniFile& ini, const std::filesystem::path& diaryDir, const TRect& mainWindow);
  // Writes every key in the order the file has always had them. Throws Error
  // "Unable to write to <path>" when the file cannot be written.
  void Save(TIniFile& ini) const;
};

// Where the main window was: its bounds in the normal state, and whether it was maximized.
struct TPlacement {
  TRect normal;
  bool maximized = false;
};

// "TMainScreen_Placement", with the screen density appended above 96 dots per
// inch ("TMainScreen_Placement120"), so a change of density starts afresh.
std::string PlacementSection(int dotsPerInch);

// The stored placement; nothing when none is stored (Bottom is 0).
std::optional<TPlacement> ReadPlacement(const TIniFile& ini, int dotsPerInch);
void WritePlacement(TIniFile& ini, int dotsPerInch, const TPlacement& placement);

// Moves a window rectangle onto the screens that exist now: onto the screen
// it overlaps most (the first screen when it overlaps none), made no larger
// than that screen, its right and bottom edges pulled in, then its left and
// top edges pushed out to one pixel inside the screen.
TRect FitToScreens(TRect rect, const std::vector<TRect>& screens);

}  // namespace quillet
