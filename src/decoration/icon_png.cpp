// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of icon decoding that lean on Qt's image code (QtGui, no widgets):
// PNG-compressed icon images, smooth scaling, and icon images as QImages.
#include <decoration/icon_image.h>
#include <decoration/icon_qimage.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace quillet {

QImage ToQImage(const TIconImage& image) {
  QImage q(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(q.scanLine(y), image.pixels.data() + static_cast<size_t>(y) * image.width,
                static_cast<size_t>(image.width) * 4);
  return q;
}

TIconImage FromQImage(const QImage& source, int bitCount) {
  const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
  TIconImage image;
  image.width = argb.width();
  image.height = argb.height();
  image.bitCount = bitCount;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(image.pixels.data() + static_cast<size_t>(y) * image.width, argb.constScanLine(y),
                static_cast<size_t>(image.width) * 4);
  return image;
}

}  // namespace quillet

namespace quillet::icons {

std::optional<TIconImage> DecodePng(std::string_view data) {
  QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxImageSide || size.height() > kMaxImageSide) return std::nullopt;
  QImage decoded;
  if (!reader.read(&decoded) || decoded.isNull()) return std::nullopt;
  return FromQImage(decoded, 32);
}

TIconImage ScaleImage(const TIconImage& image, int size) {
  if (image.width == size && image.height == size) return image;
  // Scaled with premultiplied alpha so transparent pixels do not bleed colour.
  const QImage scaled = ToQImage(image).convertToFormat(QImage::Format_ARGB32_Premultiplied)
                            .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return FromQImage(scaled, image.bitCount);
}

}  // namespace quillet::icons
