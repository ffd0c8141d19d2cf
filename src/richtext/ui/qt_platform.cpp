#include <richtext/ui/qt_platform.h>

#include <richtext/picture_codec.h>
#include <richtext/ui/metafile.h>

#include <QApplication>
#include <QPalette>
#include <QScreen>

namespace richtext {

QFont ToQFont(const TFontSpec& spec) {
  QFont f(spec.name.empty() ? QStringLiteral("Arial") : QString::fromStdString(spec.name));
  f.setPointSize(std::max(1, spec.points));
  f.setBold(spec.bold);
  f.setItalic(spec.italic);
  f.setStrikeOut(spec.strikeOut);
  f.setKerning(false);  // a word is as wide as its characters measured one by one
  return f;
}

QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

uint32_t FromQColor(const QColor& c) {
  return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

// ---------------------------------------------------------------- metrics

int TQtFontMetrics::Dpi() const {
  if (device_) return device_->logicalDpiY();
  return 96;  // logical pixels: Qt scales them on dense screens
}

const QFontMetrics& TQtFontMetrics::Metrics(const TFontSpec& spec) {
  auto key = std::make_tuple(spec.name, spec.points, spec.bold, spec.italic, spec.symbol);
  auto& m = cache_[key];
  if (!m) {
    QFont font = ToQFont(spec);
    m = device_ ? std::make_unique<QFontMetrics>(font, device_) : std::make_unique<QFontMetrics>(font);
  }
  return *m;
}

namespace {

QString FromChar(TChar c) {
  char32_t u = c;
  return QString::fromUcs4(&u, 1);
}

}  // namespace

int TQtFontMetrics::CharWidth(const TFontSpec& font, TChar c) {
  return Metrics(font).horizontalAdvance(FromChar(c));
}

int TQtFontMetrics::Ascent(const TFontSpec& font) { return Metrics(font).ascent(); }

int TQtFontMetrics::Descent(const TFontSpec& font) { return Metrics(font).descent(); }

// ---------------------------------------------------------------- pictures

QImage DecodePicture(const TPicture& p) {
  QImage image;
  switch (p.kind) {
    case TPicture::Kind::Dib:
      image.loadFromData(reinterpret_cast<const uchar*>(p.data.data()), int(p.data.size()), "BMP");
      break;
    case TPicture::Kind::Bitmap: {
      std::string bmp = BitmapToBmp(p);
      image.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP");
      break;
    }
    case TPicture::Kind::Png:
    case TPicture::Kind::Jpeg:
      image.loadFromData(reinterpret_cast<const uchar*>(p.data.data()), int(p.data.size()));
      break;
    case TPicture::Kind::Metafile:
      image = RenderMetafile(p.data);
      break;
    default:
      break;
  }
  return image;
}

// ---------------------------------------------------------------- surface

uint32_t TQtSurface::HighlightColor() const {
  return FromQColor(QApplication::palette().color(QPalette::Active, QPalette::Highlight));
}

uint32_t TQtSurface::HighlightTextColor() const {
  return FromQColor(QApplication::palette().color(QPalette::Active, QPalette::HighlightedText));
}

void TQtSurface::FillRect(int x, int y, int w, int h, uint32_t color) {
  if (w > 0 && h > 0) painter_.fillRect(x, y, w, h, ToQColor(color));
}

void TQtSurface::DrawText(const TFontSpec& font, int x, int baseline, std::u32string_view text,
                          const int* advances, uint32_t color) {
  painter_.setFont(ToQFont(font));
  painter_.setPen(ToQColor(color));
  // Each word goes out in one call at the x the layout gave it; spaces
  // (stretched or not) and tabs only move on. Kerning is off, so a word's
  // own advances are the measured ones.
  int px = x;
  size_t n = text.size();
  for (size_t k = 0; k < n;) {
    if (text[k] == U' ') {
      px += advances[k++];
      continue;
    }
    int wordX = px;
    size_t e = k;
    while (e < n && text[e] != U' ') px += advances[e++];
    painter_.drawText(QPoint(wordX, baseline), QString::fromUcs4(text.data() + k, int(e - k)));
    k = e;
  }
}

void TQtSurface::Line(int x1, int y1, int x2, int y2, uint32_t color, int width, TPenStyle style) {
  static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
  QPen pen(ToQColor(color), width, styles[int(style)]);
  pen.setCapStyle(Qt::FlatCap);
  painter_.setPen(pen);
  painter_.drawLine(x1, y1, x2, y2);
}

bool TQtSurface::DrawPicture(const TPicture& picture, int x, int y, int w, int h) {
  QImage image = DecodePicture(picture);
  if (image.isNull()) return false;
  painter_.drawImage(QRect(x, y, w, h), image);
  return true;
}

void TQtSurface::DrawLabel(int x, int y, int w, int h, const std::string& text) {
  painter_.setPen(Qt::black);
  painter_.drawText(QRect(x, y, w, h), Qt::AlignCenter | Qt::TextWordWrap, QString::fromStdString(text));
}

}  // namespace richtext
