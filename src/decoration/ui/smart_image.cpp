// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/smart_image.h>

#include <decoration/ui/picture_files.h>

#include <QPainter>

#include <cmath>

namespace quillet {

TSmartImage::TSmartImage(QWidget* parent) : QWidget(parent) {
  resize(105, 105);
  setAutoFillBackground(false);
}

void TSmartImage::SetPicture(const QImage& picture) {
  picture_ = picture;
  if (AutoSize && picture_.width() > 0 && picture_.height() > 0) resize(picture_.size());
  update();
}

bool TSmartImage::LoadFromFile(const QString& path, QString* error) {
  SetPicture(LoadPictureFile(path, error));
  return !picture_.isNull();
}

QRect TSmartImage::PlacementRect() const {
  int pw = picture_.width(), ph = picture_.height();
  if (pw <= 0 || ph <= 0) return {};
  int cw = width(), ch = height();
  if (Stretch && MaintainAspect) {
    double ratio = double(pw) / ph;
    int h = int(std::lround(cw / ratio));
    if (ch < h) {
      int w = int(std::lround(ratio * ch));
      return QRect(Center ? (cw - w) / 2 : 0, 0, w, ch);
    }
    return QRect(0, Center ? (ch - h) / 2 : 0, cw, h);
  }
  if (Stretch) return rect();
  if (Center) return QRect((cw - pw) / 2, (ch - ph) / 2, pw, ph);
  return QRect(0, 0, pw, ph);
}

void TSmartImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  QImage shown = picture_;
  if (Transparent) {
    // The colour of the top-left pixel is left out.
    shown = picture_.convertToFormat(QImage::Format_ARGB32);
    QRgb key = shown.pixel(0, 0);
    for (int y = 0; y < shown.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
      for (int x = 0; x < shown.width(); ++x) {
        if (line[x] == key) line[x] = 0;
      }
    }
  }
  p.drawImage(PlacementRect(), shown);
}

}  // namespace quillet
