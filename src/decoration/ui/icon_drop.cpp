// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/icon_drop.h>

#include <decoration/icon_qimage.h>

#include <richtext/ui/rich_text.h>

#include <QBuffer>
#include <QMimeData>
#include <QPainter>

namespace quillet {

QMimeData* IconMimeData(const TIconPicture& icon, const QString& file, int index) {
  auto* data = new QMimeData;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  const QImage image = ToQImage(icon.icon);
  image.save(&buffer, "PNG");
  data->setImageData(image);
  data->setData(QStringLiteral("image/png"), png);
  data->setData(QString::fromLatin1(kIconMimeType), (file + QLatin1Char('\n') + QString::number(index)).toUtf8());
  return data;
}

bool IsIconDrag(const QMimeData* data) {
  return data && data->hasFormat(QString::fromLatin1(kIconMimeType)) && data->hasFormat(QStringLiteral("image/png"));
}

bool DropIcon(richtext::TRichText& entry, const QMimeData* data) {
  if (!IsIconDrag(data) || entry.ReadOnly()) return false;
  const QImage icon = QImage::fromData(data->data(QStringLiteral("image/png")), "PNG");
  if (icon.isNull()) return false;
  // A bitmap of the icon's size, white where the icon is transparent.
  QImage bitmap(icon.size(), QImage::Format_RGB32);
  bitmap.fill(Qt::white);
  {
    QPainter painter(&bitmap);
    painter.drawImage(0, 0, icon);
  }
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  if (!bitmap.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP")) return false;
  auto picture = std::make_shared<richtext::TPicture>();
  picture->kind = richtext::TPicture::Kind::Dib;
  picture->data.assign(bmp.constData(), static_cast<size_t>(bmp.size()));
  picture->width = bitmap.width();
  picture->height = bitmap.height();
  picture->bitsPerPixel = 24;
  entry.InsertGraphic(picture, 0, 0);
  entry.Changed();
  entry.Invalidate();
  return true;
}

}  // namespace quillet
