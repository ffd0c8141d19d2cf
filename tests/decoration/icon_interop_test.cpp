// SPDX-License-Identifier: GPL-3.0-or-later
// Our icon reader against an independent one (icoutils: wrestool lists and
// extracts group icons, icotool turns them into PNG files): on the icon sets
// we ship and on PE modules from Debian's Wine package. And mkicl on the
// command line.
#include <decoration/icon_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cstdio>
#include <regex>
#include <sstream>

namespace quillet {
namespace {

struct Result {
  int status = -1;
  std::string out;
};

// Runs a shell command, gathering its standard output.
Result Shell(const std::string& command) {
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool HaveIcoutils() { return Shell("command -v wrestool && command -v icotool").status == 0; }

// A pixel as it shows on white paper.
uint32_t OnWhite(uint32_t argb) {
  const uint32_t a = argb >> 24;
  uint32_t out = 0xFF000000;
  for (int shift : {16, 8, 0}) {
    const uint32_t c = (argb >> shift) & 0xFF;
    out |= ((c * a + 255 * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

// Whether `image` shows the same pixels on white as the PNG file `png`.
::testing::AssertionResult SamePixels(const TIconImage& image, const fs::path& png) {
  const QImage theirs = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_ARGB32);
  if (theirs.isNull()) return ::testing::AssertionFailure() << "cannot read " << png;
  if (theirs.width() != image.width || theirs.height() != image.height)
    return ::testing::AssertionFailure() << "size differs from " << png;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint32_t mine = OnWhite(image.At(x, y)), other = OnWhite(theirs.pixel(x, y));
      if (mine != other)
        return ::testing::AssertionFailure() << png << " differs at " << x << "," << y << std::hex << ": ours "
                                             << mine << ", icotool " << other;
    }
  return ::testing::AssertionSuccess();
}

// The PNG files icotool wrote for images of this size and depth, or of this
// size and any depth (icotool names a PNG-compressed image by the depth its
// directory entry claims).
std::vector<fs::path> IcotoolImages(const fs::path& dir, const TIconImage& image, bool anyDepth = false) {
  std::vector<fs::path> found;
  const std::regex pattern(".*_" + std::to_string(image.width) + "x" + std::to_string(image.height) + "x" +
                           (anyDepth ? std::string("[0-9]+") : std::to_string(image.bitCount)) + "\\.png");
  for (const auto& e : fs::directory_iterator(dir))
    if (std::regex_match(e.path().filename().string(), pattern)) found.push_back(e.path());
  return found;
}

::testing::AssertionResult MatchesOneOf(const TIconImage& image, const std::vector<fs::path>& pngs) {
  if (pngs.empty()) return ::testing::AssertionFailure() << "icotool wrote no image of that size and depth";
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  for (const fs::path& png : pngs) {
    last = SamePixels(image, png);
    if (last) return last;
  }
  return last;
}

// Every group icon that wrestool lists is one of our icons, in the same order,
// and each of our icons (its image at the system size when the file has one of
// that size, and its largest image) has the pixels icotool extracts. Gives the
// number of icons whose image at the system size was compared.
int CompareWithIcoutils(const fs::path& file) {
  int compared = 0;
  SCOPED_TRACE(file.string());
  const Result list = Shell("wrestool -l --type=group_icon " + Quote(file.string()) + " 2>/dev/null");
  EXPECT_EQ(list.status, 0);
  std::vector<std::string> groups;
  std::istringstream lines(list.out);
  const std::regex selector("^(--type=[^ ]+ --name=('[^']*'|[^ ]+)( --language=[^ ]+)?)");
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, selector)) groups.push_back(m[1]);
  }
  const TIconFile ours = TIconFile::FromFile(file);
  EXPECT_EQ(ours.Count(), static_cast<int>(groups.size()));
  if (ours.Count() != static_cast<int>(groups.size())) return 0;

  testing::TempDir work;
  for (size_t i = 0; i < groups.size(); ++i) {
    SCOPED_TRACE("icon " + std::to_string(i) + " " + groups[i]);
    const fs::path dir = work / std::to_string(i);
    fs::create_directories(dir);
    const fs::path ico = dir / "icon.ico";
    EXPECT_EQ(Shell("wrestool -x " + groups[i] + " -o " + Quote(ico.string()) + " " + Quote(file.string()) +
                  " 2>/dev/null")
                  .status,
              0);
    EXPECT_EQ(Shell("icotool -x -o " + Quote(dir.string()) + " " + Quote(ico.string()) + " 2>/dev/null").status, 0);
    const auto icon = ours.Icon(static_cast<int>(i));
    EXPECT_TRUE(icon);
    if (!icon) continue;
    // The image at the system size is compared when the file has one of that
    // size (else it is a scaled copy of another).
    const auto exact = IcotoolImages(dir, icon->icon);
    if (!exact.empty()) {
      EXPECT_TRUE(MatchesOneOf(icon->icon, exact));
      ++compared;
    }
    EXPECT_TRUE(MatchesOneOf(icon->largest, IcotoolImages(dir, icon->largest, true)));
  }
  return compared;
}

TEST(IconInterop, ShippedIconSetsReadAlikeWithIcoutils) {
  if (!HaveIcoutils()) GTEST_SKIP() << "icoutils is not installed";
  for (const char* set : {"activity", "events", "holiday", "misc1", "misc2"}) {
    const fs::path file = fs::path(QUILLET_ICON_SETS) / (std::string(set) + ".icl");
    ASSERT_TRUE(fs::exists(file)) << file;
    const int count = TIconFile::FromFile(file).Count();
    EXPECT_GE(count, 24) << file;
    EXPECT_EQ(CompareWithIcoutils(file), count) << "every icon has a 32x32 image";
  }
}

TEST(IconInterop, WineModulesReadAlikeWithIcoutils) {
  if (!HaveIcoutils()) GTEST_SKIP() << "icoutils is not installed";
  std::vector<fs::path> modules;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(QUILLET_WINE_MODULES, ec)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".dll" || ext == ".exe") modules.push_back(e.path());
  }
  if (modules.empty()) GTEST_SKIP() << "Wine's modules could not be fetched into " << QUILLET_WINE_MODULES;
  std::sort(modules.begin(), modules.end());
  int icons = 0, compared = 0;
  for (const fs::path& m : modules) {
    compared += CompareWithIcoutils(m);
    icons += TIconFile::FromFile(m).Count();
  }
  EXPECT_GT(icons, 100) << "shell32.dll alone holds well over a hundred";
  EXPECT_GT(compared, icons / 2);
}

// ---- mkicl ---------------------------------------------------------------------

const std::string kMkicl = Quote(QUILLET_MKICL);

TEST(Mkicl, CountsAndExtractsLikeThePalette) {
  const std::string set = Quote(std::string(QUILLET_ICON_SETS) + "/misc1.icl");
  const Result count = Shell(kMkicl + " count " + set);
  EXPECT_EQ(count.status, 0);
  EXPECT_EQ(count.out, std::to_string(CountIcons(std::string(QUILLET_ICON_SETS) + "/misc1.icl")) + "\n");

  testing::TempDir dir;
  const fs::path png = dir / "icon.png";
  ASSERT_EQ(Shell(kMkicl + " extract " + set + " 3 " + Quote(png.string())).status, 0);
  const QImage image(QString::fromStdString(png.string()));
  EXPECT_EQ(image.size(), QSize(32, 32));
  EXPECT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corner stays transparent";
  const auto ours = TIconFile::FromFile(std::string(QUILLET_ICON_SETS) + "/misc1.icl").Icon(3);
  ASSERT_TRUE(ours);
  EXPECT_TRUE(SamePixels(ours->icon, png));

  const fs::path text = dir.Write("notes.txt", "no icons here");
  EXPECT_EQ(Shell(kMkicl + " count " + Quote(text.string())).out, "0\n");
}

TEST(Mkicl, ExitCodesFollowTheUsualRules) {
  const std::string set = Quote(std::string(QUILLET_ICON_SETS) + "/misc1.icl");
  struct Case {
    std::string args;
    int status;
  };
  for (const Case& c : {Case{"--help", 0}, Case{"", 2}, Case{"count", 2}, Case{"frobnicate x", 2},
                        Case{"extract " + set + " x /tmp/x.png", 2}, Case{"extract " + set + " -1 /tmp/x.png", 2},
                        Case{"count /nonexistent/file.icl", 1}, Case{"extract " + set + " 9999 /tmp/x.png", 1},
                        Case{"extract " + set + " 0 /nonexistent/dir/x.png", 1},
                        Case{"build /nonexistent/source.txt /tmp/x.icl", 1}}) {
    EXPECT_EQ(Shell(kMkicl + " " + c.args + " >/dev/null 2>&1").status, c.status) << c.args;
  }
  EXPECT_NE(Shell(kMkicl + " --help").out.find("usage: mkicl count FILE"), std::string::npos);
}

}  // namespace
}  // namespace quillet
