// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/symbol_fonts.h>

#include "../support/temp_dir.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace quillet {
namespace {

std::string Be(uint64_t v, int n) {
  std::string s;
  for (int i = n - 1; i >= 0; --i) s += char(v >> (8 * i) & 0xFF);
  return s;
}

// A font file reduced to what the test needs: the table directory and a
// character map listing the given (platform, encoding) pairs.
std::string FontWithMaps(std::vector<std::pair<int, int>> maps, uint32_t version = 0x00010000) {
  std::string cmap = Be(0, 2) + Be(uint32_t(maps.size()), 2);
  for (auto [platform, encoding] : maps) cmap += Be(platform, 2) + Be(encoding, 2) + Be(0, 4);
  std::string font = Be(version, 4) + Be(2, 2) + Be(0, 6);
  uint32_t at = 12 + 2 * 16;
  font += "head" + Be(0, 4) + Be(at, 4) + Be(0, 4);
  font += "cmap" + Be(0, 4) + Be(at, 4) + Be(uint32_t(cmap.size()), 4);
  return font + cmap;
}

TEST(SymbolFonts, TellsTheSymbolCharacterMapFromOthers) {
  EXPECT_TRUE(HasSymbolCharacterMap(FontWithMaps({{1, 0}, {3, 0}})));
  EXPECT_TRUE(HasSymbolCharacterMap(FontWithMaps({{3, 0}}, 0x4F54544F)));  // OpenType (CFF)
  EXPECT_FALSE(HasSymbolCharacterMap(FontWithMaps({{3, 1}, {0, 3}})));     // Unicode maps only
  EXPECT_FALSE(HasSymbolCharacterMap(FontWithMaps({{3, 0}}, 0x12345678)));  // not a font
  EXPECT_FALSE(HasSymbolCharacterMap(""));

  // Cut anywhere, the file is read safely and found wanting.
  std::string whole = FontWithMaps({{3, 1}, {3, 0}});
  for (size_t n = 0; n < whole.size(); ++n) {
    EXPECT_FALSE(HasSymbolCharacterMap(whole.substr(0, n))) << n;
  }

  // A collection: the second face is the symbol font.
  std::string first = FontWithMaps({{3, 1}}), second = FontWithMaps({{3, 0}});
  // Offsets inside each face count from the start of the file: move them.
  auto shift = [](std::string face, uint32_t by) {
    for (size_t rec = 12; rec < 12 + 2 * 16; rec += 16) {
      uint32_t off = uint8_t(face[rec + 8]) << 24 | uint8_t(face[rec + 9]) << 16 |
                     uint8_t(face[rec + 10]) << 8 | uint8_t(face[rec + 11]);
      face.replace(rec + 8, 4, Be(off + by, 4));
    }
    return face;
  };
  std::string ttc = "ttcf" + Be(0x00010000, 4) + Be(2, 4) + Be(20, 4) + Be(uint32_t(20 + first.size()), 4) +
        shift(first, 20) + shift(second, uint32_t(20 + first.size()));
  EXPECT_FALSE(HasSymbolCharacterMap(ttc, 0));
  EXPECT_TRUE(HasSymbolCharacterMap(ttc, 1));
  EXPECT_FALSE(HasSymbolCharacterMap(ttc, 2));
}

TEST(SymbolFonts, FindsWingdingsAndLeavesOutTextFonts) {
  if (!std::filesystem::exists("/usr/share/wine/fonts/wingding.ttf")) {
    GTEST_SKIP() << "fonts-wine is not installed";
  }
  std::vector<TFontFace> fonts = SymbolFonts();
  std::vector<std::string> families;
  for (const TFontFace& f : fonts) families.push_back(f.family);
  for (const char* expected : {"Wingdings", "Webdings", "Marlett"}) {
    EXPECT_NE(std::find(families.begin(), families.end(), expected), families.end())
        << expected << " in " << ::testing::PrintToString(families);
  }
  // fonts-wine's "Symbol" maps its characters by Unicode (platform 3, encoding 1).
  for (const char* text : {"Liberation Sans", "Tahoma", "Nimbus Sans", "Symbol"}) {
    EXPECT_EQ(std::find(families.begin(), families.end(), text), families.end()) << text;
  }
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end(), [](auto& a, auto& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }));
  for (const TFontFace& f : fonts) EXPECT_EQ(FileHasSymbolCharacterMap(f.file, f.index), f.symbolCodes) << f.family;
}

// Debian's own symbol fonts map their characters by Unicode and write no
// language: they are listed too, as fonts of their own characters. The emoji
// font (pictures in colour) and the text fonts are not.
TEST(SymbolFonts, ListsFontsOfUnicodeSymbolsButNotEmojiOrText) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/libreoffice/opens___.ttf")) {
    GTEST_SKIP() << "fonts-opensymbol is not installed";
  }
  std::vector<TFontFace> fonts = SymbolFonts();
  auto find = [&](const std::string& family) {
    return std::find_if(fonts.begin(), fonts.end(), [&](const TFontFace& f) { return f.family == family; });
  };
  ASSERT_NE(find("OpenSymbol"), fonts.end());
  EXPECT_FALSE(find("OpenSymbol")->symbolCodes);
  for (const char* other : {"Noto Color Emoji", "DejaVu Sans", "DejaVu Math TeX Gyre", "Liberation Serif"}) {
    EXPECT_EQ(find(other), fonts.end()) << other;
  }
}

// fontconfig keeps its configuration until it is told to let go; a program
// without Qt (which does so itself) lets go at the end.
class FontconfigEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { FcFini(); }
};
const auto* const kFontconfig = ::testing::AddGlobalTestEnvironment(new FontconfigEnvironment);

}  // namespace
}  // namespace quillet
