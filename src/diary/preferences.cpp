// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/preferences.h>

#include <diary/cipher.h>
#include <diary/passwords.h>

#include <algorithm>

namespace quillet {
namespace {

constexpr const char* kSecurity = "Security";
constexpr const char* kFont = "Default Font";
constexpr const char* kOpening = "Opening Screen";
constexpr const char* kIcons = "Icons";
constexpr const char* kSpelling = "Spelling";
constexpr const char* kView = "View";

// Every write replaces the file and waits for the disk, so a key that already
// holds its value is left alone: a start-up without changes writes nothing.
void Put(TIniFile& ini, std::string_view section, std::string_view key, const std::string& value) {
  // A value that is stored differs from any default of more than the longest value.
  static const std::string kMissing(TIniFile::kMaxValueLength + 1, '?');
  if (ini.ReadString(section, key, kMissing) != value) ini.WriteString(section, key, value);
}
void Put(TIniFile& ini, std::string_view section, std::string_view key, int value) {
  Put(ini, section, key, std::to_string(value));
}
void Put(TIniFile& ini, std::string_view section, std::string_view key, bool value) {
  Put(ini, section, key, std::string(value ? "1" : "0"));
}

}  // namespace

void TPreferences::Load(const TIniFile& ini, const std::filesystem::path& diaryDir,
                        const TRect& mainWindow) {
  currentPassword = ini.ReadString(kSecurity, "Password", "");
  if (!currentPassword.empty()) currentPassword = Decryptstring(currentPassword);
  defaultFontName = ini.ReadString(kFont, "Name", "Arial");
  defaultFontSize = ini.ReadInteger(kFont, "Size", 10);
  defaultFontBold = ini.ReadBool(kFont, "Bold", false);
  defaultFontItalic = ini.ReadBool(kFont, "Italic", false);
  defaultFontUnderline = ini.ReadBool(kFont, "Underline", false);
  defaultFontColor = ini.ReadInteger(kFont, "Color", 0);
  showOpeningMessage = ini.ReadBool(kOpening, "show", true);
  iconsFile = ini.ReadString(kIcons, "File", (diaryDir / "icons" / "misc1.icl").string());
  iconsVisible = ini.ReadBool(kIcons, "Visible", false);
  iconsTop = ini.ReadInteger(kIcons, "Top", mainWindow.top + 100);
  iconsLeft = ini.ReadInteger(kIcons, "Left", mainWindow.left + mainWindow.Width() - 200);
  checkSpellingAsYouType = ini.ReadBool(kSpelling, "CheckAsYouType", true);
  zoomPercent = std::clamp(ini.ReadInteger(kView, "Zoom", 100), kZoomMin, kZoomMax);
  readableLineWidth = ini.ReadBool(kView, "ReadableLineWidth", false);
  statusBar = ini.ReadBool(kView, "StatusBar", true);
  pageColours = std::clamp(ini.ReadInteger(kView, "Colours", kFollowDesktop), int(kFollowDesktop), int(kDarkPage));
  spellingLanguage = ini.ReadString(kSpelling, "Language", "en");
  if (spellingLanguage.empty()) spellingLanguage = "en";
}

void TPreferences::Save(TIniFile& ini) const {
  // A strongly encrypted diary keeps no password here (the key file checks
  // the passphrase); only the password change writes this section then.
  if (ini.ReadString(kSecurity, "Cipher", "") != kStrongCipherValue) {
    Put(ini, kSecurity, "Password",
        currentPassword.empty() ? std::string() : EncryptString(currentPassword));
  }
  Put(ini, kFont, "Name", defaultFontName);
  Put(ini, kFont, "Size", defaultFontSize);
  Put(ini, kFont, "Bold", defaultFontBold);
  Put(ini, kFont, "Italic", defaultFontItalic);
  Put(ini, kFont, "Underline", defaultFontUnderline);
  Put(ini, kFont, "Color", defaultFontColor);
  Put(ini, kOpening, "show", showOpeningMessage);
  Put(ini, kIcons, "Visible", iconsVisible);
  Put(ini, kIcons, "File", iconsFile);
  Put(ini, kIcons, "Top", iconsTop);
  Put(ini, kIcons, "Left", iconsLeft);
  Put(ini, kSpelling, "CheckAsYouType", checkSpellingAsYouType);
  Put(ini, kView, "Zoom", zoomPercent);
  Put(ini, kView, "ReadableLineWidth", readableLineWidth);
  Put(ini, kView, "StatusBar", statusBar);
  Put(ini, kView, "Colours", pageColours);
  Put(ini, kSpelling, "Language", spellingLanguage);
}

std::string PlacementSection(int dotsPerInch) {
  std::string name = "TMainScreen_Placement";
  if (dotsPerInch > 96) name += std::to_string(dotsPerInch);
  return name;
}

std::optional<TPlacement> ReadPlacement(const TIniFile& ini, int dotsPerInch) {
  const std::string section = PlacementSection(dotsPerInch);
  TPlacement p;
  p.normal.left = ini.ReadInteger(section, "Left", 0);
  p.normal.top = ini.ReadInteger(section, "Top", 0);
  p.normal.right = ini.ReadInteger(section, "Right", 0);
  p.normal.bottom = ini.ReadInteger(section, "Bottom", 0);
  p.maximized = ini.ReadBool(section, "Maximized", false);
  if (p.normal.bottom == 0) return std::nullopt;
  return p;
}

void WritePlacement(TIniFile& ini, int dotsPerInch, const TPlacement& p) {
  const std::string section = PlacementSection(dotsPerInch);
  Put(ini, section, "Left", p.normal.left);
  Put(ini, section, "Top", p.normal.top);
  Put(ini, section, "Right", p.normal.right);
  Put(ini, section, "Bottom", p.normal.bottom);
  Put(ini, section, "Maximized", p.maximized);
}

TRect FitToScreens(TRect r, const std::vector<TRect>& screens) {
  if (screens.empty()) return r;
  auto overlap = [&](const TRect& s) {
    long w = std::max(0, std::min(r.right, s.right) - std::max(r.left, s.left));
    long h = std::max(0, std::min(r.bottom, s.bottom) - std::max(r.top, s.top));
    return w * h;
  };
  const TRect* screen = &screens.front();
  for (const TRect& s : screens) {
    if (overlap(s) > overlap(*screen)) screen = &s;
  }
  const TRect& s = *screen;
  // A window larger than the screen is cut to it, so that every edge can be reached.
  if (r.Width() > s.Width() - 1) r.right = r.left + s.Width() - 1;
  if (r.Height() > s.Height() - 1) r.bottom = r.top + s.Height() - 1;
  if (r.right > s.right) {
    r.left -= r.right - s.right;
    r.right = s.right;
  }
  if (r.left < s.left) {
    r.right += s.left + 1 - r.left;
    r.left = s.left + 1;
  }
  if (r.bottom > s.bottom) {
    r.top -= r.bottom - s.bottom;
    r.bottom = s.bottom;
  }
  if (r.top < s.top) {
    r.bottom += s.top + 1 - r.top;
    r.top = s.top + 1;
  }
  return r;
}

}  // namespace quillet
