// Another program opens what the writer writes: LibreOffice, when installed,
// converts an entry with a picture to text. Without soffice the test is skipped.
#include "doc_builder.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace richtext {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::TempDir;
using testing::Doc;

bool HaveSoffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// A 2x2 24-bit device-independent bitmap as a BMP file.
std::shared_ptr<TPicture> SmallBitmap() {
  auto pic = std::make_shared<TPicture>();
  pic->kind = TPicture::Kind::Bitmap;
  pic->width = 2;
  pic->height = 2;
  pic->bitsPerPixel = 24;
  pic->planes = 1;
  pic->widthBytes = 6;
  pic->data = std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12);
  return pic;
}

TEST(Interop, LibreOfficeOpensAnEntryWithAPicture) {
  if (!HaveSoffice()) GTEST_SKIP() << "soffice is not installed";
  TempDir dir;
  Doc d;
  d.Para(0, U"Before the picture ");
  TTextObject* o = d.doc.AddObject(SmallBitmap(), 0);
  TAttr a = Doc::With(afObject);
  a.id = o->id;
  d.Add(0, U"\x02", a);
  d.Add(0, U" after the picture.", Doc::Plain());
  d.Para(1, U"Second paragraph");
  d.doc.writeOptions.writeBitmapAsDib = true;  // as the diary's editors write bitmaps
  ASSERT_EQ(d.doc.SaveToFile(dir / "entry.rtf"), ioOk);

  std::string command = "cd '" + dir.path().string() +
                        "' && HOME='" + dir.path().string() +
                        "' timeout 120 soffice --headless --convert-to 'txt:Text (encoded):UTF8' "
                        "entry.rtf >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string text = ReadFile(dir / "entry.txt");
  EXPECT_NE(text.find("Before the picture"), std::string::npos) << text;
  EXPECT_NE(text.find("after the picture."), std::string::npos) << text;
  EXPECT_NE(text.find("Second paragraph"), std::string::npos) << text;
}

}  // namespace
}  // namespace richtext
