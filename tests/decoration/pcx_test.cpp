// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/pcx.h>

#include <base/error.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::filesystem::path kPictures = std::filesystem::path(QUILLET_FIXTURES) / "pictures";

bool Have(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The pixels of a picture as ImageMagick reads it, through a binary PPM.
TRgbImage PixelsOf(const std::filesystem::path& file, const TempDir& dir) {
  std::filesystem::path ppm = dir / "reference.ppm";
  EXPECT_TRUE(Shell("convert '" + file.string() + "' -depth 8 '" + ppm.string() + "'"));
  std::string b = ReadFile(ppm);
  TRgbImage image;
  int maxval = 0, consumed = 0;
  if (std::sscanf(b.c_str(), "P6 %d %d %d%n", &image.width, &image.height, &maxval, &consumed) !=
      3) {
    ADD_FAILURE() << "not a PPM: " << file;
    return image;
  }
  const char* p = b.data() + consumed + 1;
  for (int i = 0; i < image.width * image.height; ++i, p += 3) {
    image.pixels.push_back(0xFF000000u | uint8_t(p[0]) << 16 | uint8_t(p[1]) << 8 | uint8_t(p[2]));
  }
  return image;
}

struct PcxCase {
  const char* name;
  const char* reference;  // ImageMagick arguments that make the reference PNG from the fixture
  const char* make;       // shell command from reference.png to picture.pcx
  int bits, planes;       // what the file holds, as a check that the case means what it says
};

const PcxCase kCases[] = {
    {"ImageMagick24Bit", "", "convert reference.png -type TrueColor picture.pcx", 8, 3},
    {"ImageMagick8BitPalette", "", "convert reference.png -type Palette picture.pcx", 8, 1},
    {"Netpbm4Planes", "", "pngtopnm reference.png | ppmtopcx > picture.pcx", 1, 4},
    {"Netpbm4BitPacked", "", "pngtopnm reference.png | ppmtopcx -packed > picture.pcx", 4, 1},
    {"Netpbm2BitPacked", "-colors 4 +dither",
     "pngtopnm reference.png | ppmtopcx -packed > picture.pcx", 2, 1},
    {"Netpbm1Bit", "-monochrome", "pngtopnm reference.png | ppmtopcx -planes 1 > picture.pcx", 1, 1},
    {"Netpbm3Planes", "-colors 8 +dither",
     "pngtopnm reference.png | ppmtopcx -planes 3 > picture.pcx", 1, 3},
};

TEST(Pcx, DecodesPicturesOtherProgramsWriteToTheSamePixels) {
  if (!Have("convert") || !Have("ppmtopcx")) GTEST_SKIP() << "imagemagick or netpbm is missing";
  for (const PcxCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string cd = "cd '" + dir.path().string() + "' && ";
    ASSERT_TRUE(Shell(cd + "convert '" + (kPictures / "sixteen-colours.png").string() + "' " +
                    c.reference + " PNG24:reference.png"));
    ASSERT_TRUE(Shell(cd + c.make + " 2>/dev/null"));
    std::string pcx = ReadFile(dir / "picture.pcx");
    ASSERT_GE(pcx.size(), 128u);
    EXPECT_EQ(int(pcx[3]), c.bits);
    EXPECT_EQ(int(pcx[65]), c.planes);

    TRgbImage ours = DecodePcx(pcx);
    TRgbImage expected = PixelsOf(dir / "reference.png", dir);
    EXPECT_EQ(ours.width, 13);
    EXPECT_EQ(ours.height, 7);
    EXPECT_EQ(ours.pixels, expected.pixels);
  }
}

// A header with the given fields, followed by `data`.
std::string Header(uint16_t xmax, uint16_t ymax, uint8_t bits, uint8_t planes, uint16_t lineBytes,
                   const std::string& data = "") {
  std::string h(128, '\0');
  h[0] = 0x0A, h[1] = 5, h[2] = 1, h[3] = char(bits);
  h[8] = char(xmax), h[9] = char(xmax >> 8), h[10] = char(ymax), h[11] = char(ymax >> 8);
  h[65] = char(planes);
  h[66] = char(lineBytes), h[67] = char(lineBytes >> 8);
  return h + data;
}

TEST(Pcx, RefusesHostileAndDamagedHeadersWithoutAllocatingForThem) {
  struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"Empty", "", "The file is not a PCX picture."},
      {"NotPcx", std::string(200, 'x'), "The file is not a PCX picture."},
      // 65536 x 65536 at 24 bits: 16 GiB of pixels asked for by 130 bytes.
      {"Huge", Header(65535, 65535, 8, 3, 65535, "\xFF\x00"),
       "The PCX picture is too large: 65536 x 65536 pixels."},
      // Within the pixel limit, yet far more data than 130 bytes can unpack to.
      {"CutShort", Header(4095, 4095, 8, 3, 4096, "\xFF\x00"),
       "The PCX picture is damaged: it is cut short."},
      {"RunWithoutValue", Header(0, 0, 8, 1, 2, "\xC2"),
       "The PCX picture is damaged: it is cut short."},
      {"WrongLayout", Header(9, 9, 3, 2, 10), "The PCX picture is damaged: 2 planes of 3 bits"},
      {"Negative", [] {
         std::string h = Header(0, 9, 8, 1, 2);
         h[4] = 5;  // xmin 5 beyond xmax 0
         return h;
       }(),
       "The PCX picture is damaged: its picture size is negative."},
      {"ShortLines", Header(99, 0, 8, 1, 50, std::string(200, '\x01')),
       "The PCX picture is damaged: its lines are too short."},
      {"UnknownEncoding", [] {
         std::string h = Header(0, 0, 8, 1, 2, "ab");
         h[2] = 7;
         return h;
       }(),
       "The PCX picture is damaged: its encoding 7 is unknown."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodePcx(c.bytes);
      ADD_FAILURE() << "decoded";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

TEST(Pcx, UnpacksRunsAcrossLineEndsAndReadsUncodedData) {
  // Two lines of 2 grey pixels (no palette at the end): one run covers both lines.
  TRgbImage run = DecodePcx(Header(1, 1, 8, 1, 2, "\xC4\x80"));
  EXPECT_EQ(run.pixels, std::vector<uint32_t>(4, 0xFF808080u));

  std::string plain = Header(1, 0, 8, 1, 2, "\xC1\x05");
  plain[2] = 0;  // no run-length coding: 0xC1 is a pixel value
  EXPECT_EQ(DecodePcx(plain).pixels, (std::vector<uint32_t>{0xFFC1C1C1u, 0xFF050505u}));
}

}  // namespace
}  // namespace quillet
