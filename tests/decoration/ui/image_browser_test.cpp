// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files of every kind the browser offers, and the browser driven as a user would.
#include <decoration/ui/image_browser.h>
#include <decoration/ui/picture_files.h>
#include <decoration/ui/smart_image.h>

#include <richtext/objects.h>
#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTreeView>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstdlib>

namespace quillet {
namespace {

using testing::TempDir;

const QString kFixture =
    QString::fromStdString((std::filesystem::path(QUILLET_FIXTURES) / "pictures" / "sixteen-colours.png").string());

bool Have(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Every pixel within `tolerance` in each channel.
bool SamePixels(const QImage& a, const QImage& b, int tolerance = 0) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
          std::abs(qBlue(p) - qBlue(q)) > tolerance) {
        return false;
      }
    }
  }
  return true;
}

TEST(PictureFiles, TellsTheTypeByTheLastExtension) {
  struct {
    const char* name;
    int type;
  } cases[] = {{"photo.old.jpg", 1}, {"a.GIF", 2}, {"a.jif", 3}, {"a.bmp", 4}, {"a.Dib", 5},
               {"a.rle", 6},         {"a.tga", 7}, {"a.pcx", 8}, {"a.png", 0}, {"jpg", 0}};
  for (const auto& c : cases) EXPECT_EQ(PictureType(c.name), c.type) << c.name;
}

TEST(PictureFiles, ReadsEveryKindThatImageMagickWritesToTheSamePixels) {
  if (!Have("convert")) GTEST_SKIP() << "imagemagick is not installed";
  QImage expected(kFixture);
  ASSERT_FALSE(expected.isNull());
  struct {
    const char* file;
    const char* options;
    int tolerance;  // JPEG loses a little
  } cases[] = {
      {"p.pcx", "", 0},           {"p.tga", "", 0},           {"p.bmp", "", 0},
      {"p.dib", "BMP3:", 0},      {"p.rle", "-compress RLE BMP3:", 0},
      {"p.gif", "", 0},           {"p.ico", "", 0},           {"p.jpg", "-quality 100", 40},
      {"p.jif", "-quality 100 JPEG:", 40},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string options = c.options;
    std::string prefix;
    if (!options.empty() && options.back() == ':') {
      size_t space = options.rfind(' ');
      prefix = options.substr(space == std::string::npos ? 0 : space + 1);
      options.resize(space == std::string::npos ? 0 : space);
    }
    std::string target = (dir / c.file).string();
    std::string command = "convert '" + kFixture.toStdString() + "' " + options + " " + prefix + "'" +
                          target + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    QString error;
    QImage image = LoadPictureFile(QString::fromStdString(target), &error);
    ASSERT_FALSE(image.isNull()) << error.toStdString();
    EXPECT_TRUE(SamePixels(image, expected, c.tolerance));
  }
}

TEST(PictureFiles, NamesTheReasonWhenAFileCannotBeRead) {
  TempDir dir;
  QString error;
  EXPECT_TRUE(LoadPictureFile(QString::fromStdString(dir.Write("bad.pcx", "not a picture").string()), &error).isNull());
  EXPECT_EQ(error, "The file is not a PCX picture.");
  EXPECT_TRUE(LoadPictureFile(QString::fromStdString(dir.Write("bad.jpg", "nor this").string()), &error).isNull());
  EXPECT_FALSE(error.isEmpty());
}

TEST(SmartImage, PlacesThePictureAsItsPropertiesSay) {
  TSmartImage image;
  image.resize(100, 100);
  image.SetPicture(QImage(50, 25, QImage::Format_RGB32));
  EXPECT_EQ(image.PlacementRect(), QRect(0, 0, 50, 25));
  image.Center = true;
  EXPECT_EQ(image.PlacementRect(), QRect(25, 37, 50, 25));
  image.Stretch = true;  // keeping the aspect: full width, height 50, centred
  EXPECT_EQ(image.PlacementRect(), QRect(0, 25, 100, 50));
  image.MaintainAspect = false;
  EXPECT_EQ(image.PlacementRect(), QRect(0, 0, 100, 100));
  image.AutoSize = true;
  image.SetPicture(QImage(30, 20, QImage::Format_RGB32));
  EXPECT_EQ(image.size(), QSize(30, 20));
}

struct Browser {
  TempDir dir;
  Browser() {
    EXPECT_TRUE(QImage(kFixture).save(QString::fromStdString((dir / "colours.bmp").string())));
    QImage wide(3000, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    EXPECT_TRUE(wide.save(QString::fromStdString((dir / "wide.BMP").string())));
    dir.Write("broken.pcx", "not a picture at all");
    dir.Write("notes.txt", "not listed");
  }
  QString Dir() const { return QString::fromStdString(dir.path().string()); }
};

void Choose(TImageBrowser& b, const QString& name) {
  auto items = b.FileListBox1->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1);
  QRect r = b.FileListBox1->visualItemRect(items[0]);
  QTest::mouseClick(b.FileListBox1->viewport(), Qt::LeftButton, {}, r.center());
}

TEST(ImageBrowser, PreviewsScalesAndInsertsAPictureThatSurvivesSaving) {
  Browser files;
  TImageBrowser b(nullptr, files.Dir());
  b.show();
  QApplication::processEvents();
  EXPECT_EQ(b.windowTitle(), "Load Image File  ");
  QStringList listed;
  for (int i = 0; i < b.FileListBox1->count(); ++i) listed << b.FileListBox1->item(i)->text();
  EXPECT_EQ(listed, (QStringList{"broken.pcx", "colours.bmp", "wide.BMP"}));

  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  EXPECT_EQ(b.result(), 0) << "Ok without a file does nothing";
  Choose(b, "colours.bmp");
  EXPECT_EQ(b.Picture().size(), QSize(13, 7));
  b.SpinEdit1->setValue(25);
  EXPECT_EQ(b.Picture().size(), QSize(3, 1));  // 13 x 0.25 and 7 x 0.25, truncated
  b.SpinEdit1->setValue(200);
  EXPECT_EQ(b.Picture().size(), QSize(26, 14));
  Choose(b, "wide.BMP");
  EXPECT_EQ(b.SpinEdit1->value(), 100) << "another file starts at 100 percent";
  Choose(b, "colours.bmp");
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  EXPECT_EQ(b.result(), 1);

  richtext::TRichText edit;
  edit.show();
  int changes = 0;
  QObject::connect(&edit, &richtext::TRichText::OnChange, [&] { ++changes; });
  InsertPicture(edit, b.Picture());
  EXPECT_GT(changes, 0);
  richtext::TRichText back;
  back.LoadFromStream(edit.SaveToBytes());
  ASSERT_EQ(back.Document().Objects().size(), 1u);
  auto& object = *back.Document().Objects()[0];
  ASSERT_TRUE(object.picture);
  EXPECT_EQ(object.picture->width, 13);
  EXPECT_EQ(object.picture->height, 7);
  QImage stored = QImage::fromData(reinterpret_cast<const uchar*>(object.picture->data.data()),
                                   int(object.picture->data.size()));
  EXPECT_TRUE(SamePixels(stored, QImage(kFixture)));
}

TEST(ImageBrowser, APictureWiderThanThePageIsShownAtThePageWidth) {
  QImage wide(3000, 100, QImage::Format_RGB32);
  wide.fill(Qt::darkGreen);
  richtext::TRichText edit;
  InsertPicture(edit, wide);
  const auto& h = edit.Document().Header();
  int32_t textWidth = h.pageWidth - h.marginLeft - h.marginRight;
  auto& object = *edit.Document().Objects().at(0);
  EXPECT_EQ(object.width, textWidth);
  EXPECT_EQ(object.height, std::lround(textWidth * 100 / 3000.0));
  EXPECT_EQ(object.picture->width, 3000) << "the stored picture keeps its pixels";
}

TEST(ImageBrowser, AFileThatCannotBeReadIsNamedAndNothingIsInserted) {
  Browser files;
  testing::RecordingMessenger messages;
  TImageBrowser b(nullptr, files.Dir());
  b.show();
  Choose(b, "broken.pcx");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Error loading file!\n" + (files.dir / "broken.pcx").string() +
                                   ": The file is not a PCX picture.");
  EXPECT_TRUE(b.Picture().isNull());
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  EXPECT_EQ(b.result(), 0);
  QTest::mouseClick(b.Cancelbutton, Qt::LeftButton);
  EXPECT_EQ(b.result(), 2);
}

// Waits for the folder model, which reads in the background.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 400 && !done(); ++i) QTest::qWait(5);
  return done();
}

QStringList Listed(const TImageBrowser& b) {
  QStringList listed;
  for (int i = 0; i < b.FileListBox1->count(); ++i) listed << b.FileListBox1->item(i)->text();
  return listed;
}

// A folder typed into the path box, a folder chosen in the tree with the
// arrow keys, a PNG, a GIF and a WebP picture chosen and taken with the keys.
TEST(ImageBrowser, WorksWithTheKeyboardAloneAndTakesPngGifAndWebP) {
  Browser files;
  std::filesystem::create_directory(files.dir / "sub");
  const QString sub = QString::fromStdString((files.dir / "sub").string());
  QImage picture(kFixture);
  ASSERT_TRUE(picture.save(sub + "/a.png"));
  QStringList expected{"a.png"};
  // Qt reads GIF but does not write it: ImageMagick does.
  if (Have("convert") && std::system(("convert '" + (sub + "/a.png").toStdString() + "' '" +
                                      (sub + "/b.gif").toStdString() + "'").c_str()) == 0) {
    expected << "b.gif";
  }
  if (picture.save(sub + "/c.webp")) expected << "c.webp";  // with Qt's WebP plugin

  testing::RecordingMessenger messages;
  TImageBrowser b(nullptr, files.Dir());
  b.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&b));
  EXPECT_EQ(b.DirectoryEdit->text(), files.Dir());

  // The path box: a folder that is not there is named and the text stays.
  QTest::keyClick(&b, Qt::Key_O, Qt::AltModifier);
  ASSERT_EQ(QApplication::focusWidget(), b.DirectoryEdit);
  b.DirectoryEdit->selectAll();
  QTest::keyClicks(b.DirectoryEdit, "/no/such/folder");
  QTest::keyClick(b.DirectoryEdit, Qt::Key_Return);
  EXPECT_EQ(messages.shown, std::vector<std::string>{"There is no folder /no/such/folder"});
  EXPECT_EQ(b.DirectoryEdit->text(), "/no/such/folder");
  EXPECT_EQ(b.Directory(), files.Dir());
  b.DirectoryEdit->selectAll();
  QTest::keyClicks(b.DirectoryEdit, "sub");  // from the folder shown
  QTest::keyClick(b.DirectoryEdit, Qt::Key_Return);
  EXPECT_EQ(b.Directory(), sub);
  EXPECT_EQ(Listed(b), expected);

  // The tree follows, and the arrow keys in it choose the folder.
  auto treeAt = [&] { return b.DirectoryListBox1->currentIndex().data(QFileSystemModel::FilePathRole).toString(); };
  EXPECT_TRUE(Eventually([&] { return treeAt() == sub; })) << treeAt().toStdString();
  // ... and shows it, not the top of the tree.
  EXPECT_TRUE(Eventually([&] {
    const QRect shown = b.DirectoryListBox1->visualRect(b.DirectoryListBox1->currentIndex());
    return shown.isValid() && b.DirectoryListBox1->viewport()->rect().contains(shown.center());
  }));
  b.DirectoryListBox1->setFocus();
  QTest::keyClick(b.DirectoryListBox1, Qt::Key_Left);  // folds sub, shown unfolded
  EXPECT_EQ(b.Directory(), sub);
  QTest::keyClick(b.DirectoryListBox1, Qt::Key_Left);  // to the parent
  EXPECT_TRUE(Eventually([&] { return b.Directory() == files.Dir(); })) << b.Directory().toStdString();
  EXPECT_EQ(Listed(b), (QStringList{"broken.pcx", "colours.bmp", "wide.BMP"}));
  EXPECT_EQ(b.DirectoryEdit->text(), files.Dir());
  ASSERT_TRUE(Eventually([&] { return b.DirectoryListBox1->model()->rowCount(b.DirectoryListBox1->currentIndex()) == 1; }));
  b.DirectoryListBox1->expand(b.DirectoryListBox1->currentIndex());
  QTest::keyClick(b.DirectoryListBox1, Qt::Key_Down);  // into sub
  EXPECT_EQ(b.Directory(), sub);

  // Each picture previewed from the keys; Enter takes the last.
  QTest::keyClick(&b, Qt::Key_F, Qt::AltModifier);
  ASSERT_EQ(QApplication::focusWidget(), b.FileListBox1);
  for (int i = 0; i < expected.size(); ++i) {
    QTest::keyClick(b.FileListBox1, i == 0 ? Qt::Key_Home : Qt::Key_Down);
    EXPECT_EQ(b.SelectedFile(), sub + "/" + expected[i]);
    EXPECT_EQ(b.Picture().size(), picture.size()) << expected[i].toStdString();
  }
  QTest::keyClick(b.FileListBox1, Qt::Key_Return);
  EXPECT_EQ(b.result(), 1);
  EXPECT_EQ(messages.shown.size(), 1u) << "no file was refused";
}

}  // namespace
}  // namespace quillet
