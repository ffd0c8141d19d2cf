// SPDX-License-Identifier: GPL-3.0-or-later
// The icon reader on files made in memory: every image depth, the three file
// kinds, and damaged files of each kind.
#include "icon_builders.h"

#include "../support/temp_dir.h"

#include <decoration/icon_file.h>
#include <decoration/icon_image.h>
#include <decoration/icon_writer.h>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using icons::TIconImages;
using testing::MakeDib;
using testing::MakePe;
using testing::PeLayout;
using testing::Poke16;
using testing::Poke32;
using testing::SolidDib;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// Three icons, each of one colour, with a 16x16 and a 32x32 image, the third
// with a 48x48 PNG as well.
std::vector<TIconImages> ThreeIcons() {
  std::vector<TIconImages> icons;
  for (uint32_t c : {kRed, kGreen, kBlue}) icons.push_back({SolidDib(16, c), SolidDib(32, c)});
  TIconImage big{48, 48, 32, std::vector<uint32_t>(48 * 48, 0x80102030)};
  icons.back().push_back(icons::EncodePng(big));
  return icons;
}

std::string Ico2();

// ---- images of every depth -------------------------------------------------

struct DepthCase {
  const char* name;
  int bitCount;
  std::vector<uint32_t> palette;
  uint32_t left, right;          // pixel values of the left and right halves
  uint32_t wantLeft, wantRight;  // decoded colours
};

void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }

class ImageDepth : public ::testing::TestWithParam<DepthCase> {};

// An 8x4 image: left half one value, right half another, the bottom-right
// pixel masked out by the AND mask.
TEST_P(ImageDepth, DecodesColoursAndMask) {
  const DepthCase& c = GetParam();
  const std::string dib = MakeDib(
      c.bitCount, 8, 4, c.palette, [&](int x, int) { return x < 4 ? c.left : c.right; },
      [](int x, int y) { return x == 7 && y == 3; });
  const auto image = icons::DecodeImage(dib);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 8);
  EXPECT_EQ(image->height, 4);
  EXPECT_EQ(image->bitCount, c.bitCount);
  EXPECT_EQ(image->At(0, 0), c.wantLeft);
  EXPECT_EQ(image->At(7, 0), c.wantRight);
  EXPECT_EQ(image->At(7, 3) >> 24, 0u) << "masked pixel is transparent";
}

INSTANTIATE_TEST_SUITE_P(
    Depths, ImageDepth,
    ::testing::Values(DepthCase{"mono", 1, {0x000000, 0xFFFFFF}, 0, 1, 0xFF000000, 0xFFFFFFFF},
                      DepthCase{"sixteen_colours", 4, {0, 0x800000, 0x008000, 0x000080}, 1, 3, 0xFF800000,
                                0xFF000080},
                      DepthCase{"palette_256", 8, std::vector<uint32_t>(200, 0x123456), 199, 7, 0xFF123456,
                                0xFF123456},
                      DepthCase{"hicolor_555", 16, {}, 0x7C00, 0x001F, 0xFFFF0000, 0xFF0000FF},
                      DepthCase{"truecolor", 24, {}, 0x112233, 0xAABBCC, 0xFF112233, 0xFFAABBCC},
                      // 32-bit without alpha: the AND mask decides.
                      DepthCase{"rgb32_no_alpha", 32, {}, 0x00112233, 0x00445566, 0xFF112233, 0xFF445566}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconImage, AlphaChannelWinsOverTheMask) {
  const std::string dib = MakeDib(32, 2, 1, {}, [](int x, int) { return x ? 0x80FF0000u : 0xFF00FF00u; },
                                  [](int, int) { return true; });
  const auto image = icons::DecodeImage(dib);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->At(0, 0), 0xFF00FF00u);
  EXPECT_EQ(image->At(1, 0), 0x80FF0000u);
}

TEST(IconImage, RefusesDamagedHeaders) {
  const std::string good = SolidDib(32, kRed);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    bool poke32;
  };
  for (const Case& c : {Case{"header size beyond the data", 0, 100000, true},
                        Case{"header size too small", 0, 12, true}, Case{"width zero", 4, 0, true},
                        Case{"negative width", 4, 0xFFFFFFF0, true}, Case{"width 100000", 4, 100000, true},
                        Case{"height larger than the data", 8, 2 * 1000, true},
                        Case{"bit count 7", 14, 7, false}, Case{"compressed (RLE8)", 16, 1, true}}) {
    std::string bad = good;
    if (c.poke32)
      Poke32(bad, c.at, c.value);
    else
      Poke16(bad, c.at, c.value);
    EXPECT_FALSE(icons::DecodeImage(bad)) << c.what;
  }
  EXPECT_FALSE(icons::DecodeImage(good.substr(0, 40 + 32 * 32 * 4 - 1))) << "colour rows cut";
  EXPECT_TRUE(icons::DecodeImage(good.substr(0, 40 + 32 * 32 * 4))) << "a missing mask is opaque";
  const std::string palette = MakeDib(8, 4, 4, std::vector<uint32_t>(4, 0), [](int, int) { return 0; },
                                      [](int, int) { return false; });
  std::string tooMany = palette;
  Poke32(tooMany, 32, 257);
  EXPECT_FALSE(icons::DecodeImage(tooMany)) << "257 palette colours for 8 bits";
}

TEST(IconImage, PngImagesDecodeAndDamagedOnesDoNot) {
  TIconImage big{48, 48, 32, std::vector<uint32_t>(48 * 48, 0x80102030)};
  const std::string png = icons::EncodePng(big);
  const auto image = icons::DecodeImage(png);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 48);
  EXPECT_EQ(image->At(10, 10), 0x80102030u);
  EXPECT_FALSE(icons::DecodeImage(png.substr(0, 40)));
  std::string huge = png;
  Poke32(huge, 16, 0x00100000);  // a width of 4096 (big-endian) in the header
  EXPECT_FALSE(icons::DecodeImage(huge));
}

// ---- the three kinds of file ------------------------------------------------

struct KindCase {
  const char* name;
  TIconFileKind kind;
  std::function<std::string()> make;
  int count;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class FileKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(FileKinds, CountsIconsInOrderAndPicksTheSystemSize) {
  const KindCase& c = GetParam();
  const TIconFile file = TIconFile::FromBytes(c.make());
  EXPECT_EQ(file.Kind(), c.kind);
  ASSERT_EQ(file.Count(), c.count);
  const uint32_t colours[] = {kRed, kGreen, kBlue};
  for (int i = 0; i < c.count; ++i) {
    const auto icon = file.Icon(i);
    ASSERT_TRUE(icon) << i;
    EXPECT_EQ(icon->icon.width, kSystemIconSize);
    EXPECT_EQ(icon->icon.height, kSystemIconSize);
    EXPECT_EQ(icon->icon.At(16, 16), colours[i]) << i;
  }
  EXPECT_FALSE(file.Icon(-1));
  EXPECT_FALSE(file.Icon(c.count));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileKinds,
    ::testing::Values(
        KindCase{"ico", TIconFileKind::Ico, [] { return icons::BuildIcoFile({SolidDib(16, kBlue), SolidDib(32, kRed)}); },
                 1},
        KindCase{"ne_library", TIconFileKind::Ne, [] { return icons::BuildIconLibrary(ThreeIcons(), "three"); }, 3},
        KindCase{"pe32", TIconFileKind::Pe, [] { return MakePe(false, ThreeIcons()); }, 3},
        KindCase{"pe32plus", TIconFileKind::Pe, [] { return MakePe(true, ThreeIcons()); }, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconFile, KeepsTheLargestImageAndScalesWhenNoImageHasTheSystemSize) {
  const TIconFile file = TIconFile::FromBytes(icons::BuildIconLibrary(ThreeIcons(), "three"));
  const auto third = file.Icon(2);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->largest.width, 48);
  EXPECT_EQ(third->largest.At(0, 0), 0x80102030u);
  EXPECT_EQ(third->icon.At(0, 0), kBlue) << "the 32x32 image, not the scaled PNG";

  const TIconFile onlyBig = TIconFile::FromBytes(icons::BuildIcoFile({SolidDib(16, kBlue), SolidDib(64, kGreen)}));
  const auto icon = onlyBig.Icon(0);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->icon.width, 32);
  EXPECT_EQ(icon->icon.At(16, 16), kGreen) << "the larger image scaled down beats the smaller one";
}

TEST(IconFile, FilesWithoutIconsHoldNone) {
  for (const std::string& bytes : {std::string(), std::string("MZ"), std::string(200, 'x'),
                                   std::string("{\\rtf1 hello}"), std::string("\0\0\1\0\0\0", 6)}) {
    EXPECT_EQ(TIconFile::FromBytes(bytes).Count(), 0);
  }
  EXPECT_EQ(TIconFile::FromFile("/nonexistent/file.icl").Count(), 0);
  EXPECT_EQ(TIconFile::FromFile("/").Count(), 0) << "a directory";

  // A file past the size limit is not read at all (a sparse file costs no disk).
  testing::TempDir dir;
  const fs::path big = dir.Write("huge.ico", Ico2());
  fs::resize_file(big, TIconFile::kMaxFileSize + 1);
  EXPECT_EQ(TIconFile::FromFile(big).Count(), 0);
  fs::resize_file(big, Ico2().size());
  EXPECT_EQ(TIconFile::FromFile(big).Count(), 1);
}

// ---- damaged files -----------------------------------------------------------

struct DamageCase {
  const char* name;
  std::function<std::string()> make;
  int count;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class Damaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damaged, GivesTheIconsBeforeTheDamage) {
  const TIconFile file = TIconFile::FromBytes(GetParam().make());
  EXPECT_EQ(file.Count(), GetParam().count);
  for (int i = 0; i < file.Count(); ++i) (void)file.Icon(i);
}

std::string Ico2() { return icons::BuildIcoFile({SolidDib(16, kBlue), SolidDib(32, kRed)}); }
std::string Ne3() { return icons::BuildIconLibrary(ThreeIcons(), "three"); }

// The offset (in alignment units) field of resource `n` of the type at `type` (0 icons, 1 groups).
size_t NeEntry(const std::string& ne, int type, int n) {
  const size_t table = 0x80 + 0x40;
  const size_t icons = static_cast<uint8_t>(ne[table + 4]);
  return table + 2 + 8 + (type == 0 ? 12 * n : 12 * icons + 8 + 12 * n);
}

std::string Pe3(const std::function<void(std::string&, const PeLayout&)>& damage) {
  PeLayout layout;
  std::string pe = MakePe(false, ThreeIcons(), &layout);
  damage(pe, layout);
  return pe;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Damaged,
    ::testing::Values(
        DamageCase{"ico_header_only", [] { return Ico2().substr(0, 6); }, 0},
        DamageCase{"ico_directory_cut", [] { return Ico2().substr(0, 20); }, 0},
        DamageCase{"ico_all_offsets_beyond_end",
                   [] {
                     std::string s = Ico2();
                     Poke32(s, 6 + 12, 0xFFFFFF00);
                     Poke32(s, 22 + 12, static_cast<uint32_t>(s.size()));
                     return s;
                   },
                   0},
        DamageCase{"ico_length_beyond_end_of_one_image",
                   [] {
                     std::string s = Ico2();
                     Poke32(s, 6 + 8, 0xFFFFFFF0);
                     return s;
                   },
                   1},
        DamageCase{"ico_count_larger_than_directory",
                   [] {
                     std::string s = Ico2();
                     Poke16(s, 4, 0xFFFF);
                     return s;
                   },
                   1},
        DamageCase{"ne_resource_table_beyond_end",
                   [] {
                     std::string s = Ne3();
                     Poke16(s, 0x80 + 0x24, 0xFFF0);
                     return s;
                   },
                   0},
        DamageCase{"ne_header_beyond_end",
                   [] {
                     std::string s = Ne3();
                     Poke32(s, 0x3C, 0x7FFFFFF0);
                     return s;
                   },
                   0},
        DamageCase{"ne_table_cut", [] { return Ne3().substr(0, 0x80 + 0x40 + 20); }, 0},
        DamageCase{"ne_alignment_shift_too_large",
                   [] {
                     std::string s = Ne3();
                     Poke16(s, 0x80 + 0x40, 40);
                     return s;
                   },
                   0},
        DamageCase{"ne_second_group_beyond_end",
                   [] {
                     std::string s = Ne3();
                     Poke16(s, NeEntry(s, 1, 1), 0xFFFF);
                     return s;
                   },
                   1},
        DamageCase{"ne_icon_beyond_end_leaves_its_group",
                   [] {
                     std::string s = Ne3();
                     Poke16(s, NeEntry(s, 0, 0), 0xFFFF);
                     return s;
                   },
                   3},
        DamageCase{"ne_data_cut_in_last_group", [] { std::string s = Ne3(); return s.substr(0, s.size() - 16); }, 3},
        DamageCase{"pe_resource_rva_outside_sections",
                   [] {
                     return Pe3([](std::string& s, const PeLayout& l) { Poke32(s, l.optionalHeader + 96 + 16, 0x900000); });
                   },
                   0},
        DamageCase{"pe_section_data_beyond_end",
                   [] {
                     return Pe3([](std::string& s, const PeLayout& l) { Poke32(s, l.sectionHeader + 20, 0x7FFFFF00); });
                   },
                   0},
        DamageCase{"pe_section_count_huge",
                   [] { return Pe3([](std::string& s, const PeLayout&) { Poke16(s, 0x40 + 6, 0xFFFF); }); }, 3},
        // The real entries come first; what the count claims beyond them is never trusted past the end.
        DamageCase{"pe_root_entry_count_huge",
                   [] {
                     return Pe3([](std::string& s, const PeLayout& l) { Poke16(s, l.resources + 14, 0xFFFF); });
                   },
                   3},
        DamageCase{"pe_third_group_data_beyond_end",
                   [] {
                     return Pe3([](std::string& s, const PeLayout& l) {
                       Poke32(s, l.groupDataEntries[2], 0x7FFFFFF0);
                     });
                   },
                   2},
        DamageCase{"pe_group_directory_points_at_root",
                   [] {
                     // Every name of the group type points back at the root: no loop, no icons.
                     return Pe3([](std::string& s, const PeLayout& l) {
                       // Root (2 types), then the names of the 7 images, then the 3 groups.
                       const size_t groupNames = l.resources + (16 + 8 * 2) + (16 + 8 * 7);
                       for (int i = 0; i < 3; ++i) Poke32(s, groupNames + 16 + 8 * i + 4, 0x80000000u);
                     });
                   },
                   0},
        DamageCase{"pe_optional_header_cut", [] { return MakePe(true, ThreeIcons()).substr(0, 0x40 + 24 + 100); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Every prefix of each kind of file parses without reading past its end (the
// sanitizer build checks that) and never finds more icons than the whole file.
TEST(IconFile, EveryTruncationIsSafe) {
  for (const std::string& whole : {Ico2(), Ne3(), MakePe(false, ThreeIcons()), MakePe(true, ThreeIcons())}) {
    const int full = TIconFile::FromBytes(whole).Count();
    for (size_t length = 0; length < whole.size(); length += 7) {
      const TIconFile file = TIconFile::FromBytes(whole.substr(0, length));
      ASSERT_LE(file.Count(), full) << length;
      for (int i = 0; i < file.Count(); ++i) (void)file.Icon(i);
    }
  }
}

}  // namespace
}  // namespace quillet
