// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/qt_platform.h>

#include <richtext/picture_codec.h>
#include <richtext/ui/metafile.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QBuffer>
#include <QImageReader>
#include <QGlyphRun>
#include <QPalette>
#include <QScreen>

namespace richtext {

TString ToTString(const QString& text) {
  TString out;
  for (char32_t c : text.toUcs4()) out.push_back(c);
  return out;
}

QFont ToQFont(const TFontSpec& fontSpec) {
  QFont f(fontSpec.name.empty() ? QStringLiteral("Arial") : QString::fromStdString(fontSpec.name));
  f.setPointSize(std::max(1, fontSpec.points));
  f.setBold(fontSpec.bold);
  f.setItalic(fontSpec.italic);
  f.setStrikeOut(fontSpec.strikeOut);
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

const QFontMetrics& TQtFontMetrics::Metrics(const TFontSpec& fontSpec) {
  auto key = std::make_tuple(fontSpec.name, fontSpec.points, fontSpec.bold, fontSpec.italic, fontSpec.symbol);
  auto& m = cache_[key];
  if (!m) {
    QFont font = ToQFont(fontSpec);
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

namespace {

// Letters, digits, punctuation and symbols of the alphabets that do not shape
// in context measure as their glyph's advance. Marks, controls, separators
// and the other scripts are shaped as a run, which costs many times as much.
bool MeasuredByGlyph(TChar c) {
  if (c > 0xFFFF || QChar::isSurrogate(char16_t(c))) return false;
  switch (QChar::category(char16_t(c))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
      return false;
    default:
      break;
  }
  const QChar::Script script = QChar::script(char16_t(c));
  return script == QChar::Script_Common || script == QChar::Script_Latin || script == QChar::Script_Greek ||
         script == QChar::Script_Cyrillic;
}

}  // namespace

int TQtFontMetrics::CharWidth(const TFontSpec& font, TChar c) {
  if (MeasuredByGlyph(c)) return Metrics(font).horizontalAdvance(QChar(char16_t(c)));
  return Metrics(font).horizontalAdvance(FromChar(c));
}

int TQtFontMetrics::Ascent(const TFontSpec& font) { return Metrics(font).ascent(); }

int TQtFontMetrics::Descent(const TFontSpec& font) { return Metrics(font).descent(); }

// ---------------------------------------------------------------- pictures

namespace {

// Decodes through a reader whose allocation limit bounds what a picture
// of small data but a huge stated size may take.
QImage Decode(std::string_view bytes, const char* format) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  QImageReader reader(&buffer, format);
  reader.setAllocationLimit(256);  // megabytes
  return reader.read();
}

}  // namespace

QImage DecodePicture(const TPicture& p) {
  // A picture whose data cannot fill its stated size is not decoded: it is
  // drawn as the placeholder.
  if (!PictureFitsData(p)) return {};
  try {
    switch (p.kind) {
      case TPicture::Kind::Dib:
        return Decode(p.data, "BMP");
      case TPicture::Kind::Bitmap:
        return Decode(BitmapToBmp(p), "BMP");
      case TPicture::Kind::Png:
      case TPicture::Kind::Jpeg:
        return Decode(p.data, nullptr);
      case TPicture::Kind::Metafile:
        return RenderMetafile(p.data);
      default:
        return {};
    }
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::shared_ptr<TPicture> PngPicture(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  auto picture = std::make_shared<TPicture>();
  picture->kind = TPicture::Kind::Png;
  picture->data.assign(png.constData(), size_t(png.size()));
  picture->width = image.width();
  picture->height = image.height();
  return picture;
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
  if (!(font == font_)) {
    font_ = font;
    // Fonts are made once per look and resolution, for the whole program.
    struct Fonts {
      QFont font;
      QRawFont raw;
    };
    static std::map<std::tuple<std::string, int, bool, bool, bool, int>, Fonts> cache;
    int dpi = painter_.device() ? painter_.device()->logicalDpiY() : 96;
    auto key = std::make_tuple(font.name, font.points, font.bold, font.italic, font.strikeOut, dpi);
    auto it = cache.find(key);
    if (it == cache.end()) {
      Fonts f{ToQFont(font), {}};
      f.raw = QRawFont::fromFont(f.font);
      // Glyphs at the size the device's resolution gives the font (a printer's is not the screen's).
      if (f.raw.isValid()) f.raw.setPixelSize(f.font.pointSizeF() * dpi / 72.0);
      it = cache.emplace(key, std::move(f)).first;
    }
    qfont_ = it->second.font;
    raw_ = it->second.raw;
  }
  painter_.setFont(qfont_);
  painter_.setPen(ToQColor(color));
  size_t n = text.size();
  // The whole run in one glyph run at the positions the layout gave, when
  // the font has every character; else word by word, so that Qt finds
  // other fonts for what this one lacks.
  if (raw_.isValid()) {
    QList<quint32> glyphs(qsizetype(n), 0);
    int count = int(n);
    QString chars = QString::fromUcs4(text.data(), qsizetype(n));
    if (chars.size() == qsizetype(n) &&
        raw_.glyphIndexesForChars(chars.constData(), int(chars.size()), glyphs.data(), &count) &&
        std::none_of(glyphs.begin(), glyphs.end(), [](quint32 g) { return g == 0; })) {
      QList<QPointF> positions;
      positions.resize(qsizetype(n));
      int px = x;
      for (size_t k = 0; k < n; ++k) {
        positions[qsizetype(k)] = QPointF(px, baseline);
        px += advances[k];
      }
      QGlyphRun run;
      run.setRawFont(raw_);
      run.setGlyphIndexes(glyphs);
      run.setPositions(positions);
      painter_.drawGlyphRun(QPointF(0, 0), run);
      // Qt draws a glyph run's strike-out line with the painter's
      // translation applied twice, so the line is drawn here.
      if (font.strikeOut) {
        const QFontMetricsF m(qfont_, painter_.device());
        const qreal y = baseline - m.strikeOutPos();
        painter_.save();
        painter_.setPen(QPen(ToQColor(color), std::max<qreal>(1, m.lineWidth())));
        painter_.drawLine(QPointF(x, y), QPointF(px, y));
        painter_.restore();
      }
      return;
    }
  }
  int px = x;
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
