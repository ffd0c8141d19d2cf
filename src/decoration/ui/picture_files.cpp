// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/picture_files.h>

#include <base/error.h>
#include <base/safe_file.h>
#include <decoration/pcx.h>
#include <richtext/objects.h>
#include <richtext/ui/metafile.h>
#include <richtext/ui/qt_platform.h>
#include <richtext/ui/rich_text.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace quillet {
namespace {

constexpr int kTwipsPerPixel = 15;  // at 96 pixels per inch

// Qt's Targa reader takes only files that end in the footer of version 2.0 of
// the format (older files are the same without it), and it reads the row
// order flag the wrong way round: give it the footer, turn its rows over.
QImage ReadTarga(const QString& path) {
  QByteArray bytes;
  try {
    bytes = QByteArray::fromStdString(ReadWholeFile(path.toStdString()));
  } catch (const Error&) {
    return {};
  }
  static const QByteArray kSignature("TRUEVISION-XFILE.\0", 18);
  if (!bytes.endsWith(kSignature)) bytes.append(QByteArray(8, '\0')).append(kSignature);
  QBuffer buffer(&bytes);
  QImage image = QImageReader(&buffer, "tga").read();
  return image.isNull() ? image : image.mirrored(false, true);
}

}  // namespace

int PictureType(const QString& fileName) {
  QString ext = QFileInfo(fileName).suffix().toUpper();
  static const char* const kTypes[] = {"JPG", "GIF", "JIF", "BMP", "DIB", "RLE", "TGA", "PCX"};
  for (int i = 0; i < 8; ++i) {
    if (ext == kTypes[i]) return i + 1;
  }
  return 0;
}

QImage LoadPictureFile(const QString& path, QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    return QImage();
  };
  QString ext = QFileInfo(path).suffix().toUpper();
  try {
    if (ext == "PCX") {
      TRgbImage pcx = DecodePcx(ReadWholeFile(path.toStdString()));
      QImage image(pcx.width, pcx.height, QImage::Format_RGB32);
      for (int y = 0; y < pcx.height; ++y) {
        std::copy_n(pcx.pixels.data() + size_t(y) * size_t(pcx.width), pcx.width,
                    reinterpret_cast<uint32_t*>(image.scanLine(y)));
      }
      return image;
    }
    if (ext == "WMF") {
      QImage image = richtext::RenderMetafile(ReadWholeFile(path.toStdString()));
      return image.isNull() ? fail("The file is not a metafile.") : image;
    }
  } catch (const Error& e) {
    return fail(QString::fromStdString(e.what()));
  }
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  if (ext == "TGA") {
    QImage image = ReadTarga(path);
    return image.isNull() ? fail("The file is not a Targa picture that Quillet can read.") : image;
  }
  QImage image = reader.read();
  if (image.isNull()) return fail(reader.errorString() + ".");
  return image;
}

void InsertPicture(richtext::TRichText& edit, const QImage& image) {
  if (image.isNull()) return;
  const auto& h = edit.Document().Header();
  int32_t textWidth = h.pageWidth - h.marginLeft - h.marginRight;
  int32_t width = 0, height = 0;  // 0: the picture's own size
  if (textWidth > 0 && int64_t(image.width()) * kTwipsPerPixel > textWidth) {
    width = textWidth;
    height = int32_t(std::lround(double(textWidth) * image.height() / image.width()));
  }
  edit.InsertGraphic(richtext::PngPicture(image), width, std::max(height, width > 0 ? 1 : 0));
  edit.Changed();
}

}  // namespace quillet
