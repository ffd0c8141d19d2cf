// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/metafile.h>

#include <richtext/picture_codec.h>
#include <richtext/ui/qt_platform.h>

#include <QFont>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace richtext {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

struct Reader {
  std::string_view d;
  size_t pos = 0;
  bool ok = true;
  uint16_t U16() {
    if (pos + 2 > d.size()) {
      ok = false;
      return 0;
    }
    uint16_t v = uint16_t(uint8_t(d[pos]) | uint8_t(d[pos + 1]) << 8);
    pos += 2;
    return v;
  }
  int16_t I16() { return int16_t(U16()); }
  void Skip(int words) {
    for (int i = 0; i < words; ++i) U16();
  }
  uint32_t U32() { return U16() | uint32_t(U16()) << 16; }
};

QColor ColorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

using GdiObject = std::variant<std::monostate, QPen, QBrush, QFont>;

class Player {
 public:
  Player(QPainter& p, const QRectF& target, QRectF bounds) : p_(p), target_(target) {
    window_ = bounds;
  }

  QPointF Map(double x, double y) const {
    double sx = window_.width() != 0 ? target_.width() / window_.width() : 1;
    double sy = window_.height() != 0 ? target_.height() / window_.height() : 1;
    return {target_.left() + (x - window_.left()) * sx, target_.top() + (y - window_.top()) * sy};
  }
  double ScaleY(double v) const {
    return window_.height() != 0 ? std::abs(v * target_.height() / window_.height()) : v;
  }

  void Play(Reader& r) {
    while (r.ok && r.pos + 6 <= r.d.size()) {
      size_t start = r.pos;
      uint32_t words = r.U32();
      uint16_t fn = r.U16();
      if (words < 3 || start + size_t(words) * 2 > r.d.size()) break;
      Reader args{r.d.substr(start + 6, size_t(words) * 2 - 6)};
      if (fn == 0) break;
      Record(fn, args);
      r.pos = start + size_t(words) * 2;
    }
  }

 private:
  void Select(const GdiObject& o) {
    if (auto* pen = std::get_if<QPen>(&o)) pen_ = *pen;
    if (auto* brush = std::get_if<QBrush>(&o)) brush_ = *brush;
    if (auto* font = std::get_if<QFont>(&o)) font_ = *font;
  }
  void Add(GdiObject o) {
    for (auto& slot : objects_) {
      if (std::holds_alternative<std::monostate>(slot)) {
        slot = std::move(o);
        return;
      }
    }
    objects_.push_back(std::move(o));
  }
  void Apply() {
    QPen pen = pen_;
    if (pen.style() != Qt::NoPen) pen.setWidthF(std::max(1.0, ScaleY(pen.widthF())));
    p_.setPen(pen);
    p_.setBrush(brush_);
  }
  QPolygonF Points(Reader& a, int count) {
    QPolygonF poly;
    for (int i = 0; i < count && a.ok; ++i) {
      double x = a.I16(), y = a.I16();
      poly << Map(x, y);
    }
    return poly;
  }
  void Text(double x, double y, const QString& s) {
    QFont f = font_;
    f.setPixelSize(std::max(1, int(ScaleY(fontHeight_))));
    p_.setFont(f);
    p_.setPen(textColor_);
    QFontMetricsF fm(f);
    QPointF at = Map(x, y);
    // Text is placed by its top unless the baseline is asked for.
    if (!(textAlign_ & 0x18)) at.ry() += fm.ascent();
    p_.drawText(at, s);
  }
  void Bitmap(Reader& a, double dx, double dy, double dw, double dh) {
    std::string_view dib = a.d.substr(a.pos);
    if (dib.size() < 40) return;
    TPicture picture;
    picture.kind = TPicture::Kind::Dib;
    picture.data = DibToBmpFile(dib);
    QImage image = DecodePicture(picture);  // checked against the bytes present
    if (image.isNull()) return;
    QPointF a1 = Map(dx, dy), a2 = Map(dx + dw, dy + dh);
    p_.drawImage(QRectF(a1, a2).normalized(), image);
  }

  void Record(uint16_t fn, Reader& a) {
    switch (fn) {
      case 0x020B: {  // SetWindowOrg
        double y = a.I16(), x = a.I16();
        window_.moveTo(x, y);
        break;
      }
      case 0x020C: {  // SetWindowExt
        double h = a.I16(), w = a.I16();
        window_.setSize(QSizeF(w, h));
        break;
      }
      case 0x02FA: {  // CreatePenIndirect
        uint16_t style = a.U16();
        double width = a.I16();
        a.I16();
        QColor color = ColorRef(a.U32());
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                              Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
        QPen pen(color, width, styles[std::min<uint16_t>(style & 0x0F, 5)]);
        Add(pen);
        break;
      }
      case 0x02FC: {  // CreateBrushIndirect
        uint16_t style = a.U16();
        QColor color = ColorRef(a.U32());
        Add(style == 1 ? QBrush(Qt::NoBrush) : QBrush(color));
        break;
      }
      case 0x02FB: {  // CreateFontIndirect
        int16_t height = a.I16();
        a.I16();
        a.I16();
        a.I16();
        int16_t weight = a.I16();
        uint8_t italic = uint8_t(a.U16() & 0xFF);
        a.U16();
        a.U16();
        a.U16();
        std::string face;
        while (a.pos < a.d.size() && a.d[a.pos] != 0 && face.size() < 32) face.push_back(a.d[a.pos++]);
        QFont f(QString::fromLatin1(face.c_str()));
        f.setBold(weight >= 600);
        f.setItalic(italic != 0);
        fontHeight_ = std::abs(height);
        Add(f);
        break;
      }
      case 0x012D: {  // SelectObject
        uint16_t i = a.U16();
        if (i < objects_.size()) Select(objects_[i]);
        break;
      }
      case 0x01F0: {  // DeleteObject
        uint16_t i = a.U16();
        if (i < objects_.size()) objects_[i] = std::monostate{};
        break;
      }
      case 0x0209:  // SetTextColor
        textColor_ = ColorRef(a.U32());
        break;
      case 0x012E:  // SetTextAlign
        textAlign_ = a.U16();
        break;
      case 0x0214: {  // MoveTo
        double y = a.I16(), x = a.I16();
        cursor_ = {x, y};
        break;
      }
      case 0x0213: {  // LineTo
        double y = a.I16(), x = a.I16();
        Apply();
        p_.drawLine(Map(cursor_.x(), cursor_.y()), Map(x, y));
        cursor_ = {x, y};
        break;
      }
      case 0x0324:  // Polygon
      case 0x0325: {  // Polyline
        int n = a.I16();
        QPolygonF poly = Points(a, n);
        Apply();
        if (fn == 0x0324) {
          p_.drawPolygon(poly);
        } else {
          p_.drawPolyline(poly);
        }
        break;
      }
      case 0x0538: {  // PolyPolygon
        int polys = a.I16();
        std::vector<int> counts;
        for (int i = 0; i < polys && a.ok; ++i) counts.push_back(a.I16());
        QPainterPath path;
        for (int n : counts) path.addPolygon(Points(a, n));
        Apply();
        p_.drawPath(path);
        break;
      }
      case 0x041B:  // Rectangle
      case 0x0418:  // Ellipse
      case 0x061C: {  // RoundRect
        if (fn == 0x061C) {
          a.I16();
          a.I16();
        }
        double bottom = a.I16(), right = a.I16(), top = a.I16(), left = a.I16();
        QRectF r = QRectF(Map(left, top), Map(right, bottom)).normalized();
        Apply();
        if (fn == 0x0418) {
          p_.drawEllipse(r);
        } else {
          p_.drawRect(r);
        }
        break;
      }
      case 0x0521: {  // TextOut
        int n = a.I16();
        QString s = QString::fromLatin1(a.d.data() + a.pos, std::min<int>(n, int(a.d.size() - a.pos)));
        a.pos += size_t((n + 1) & ~1);
        double y = a.I16(), x = a.I16();
        Text(x, y, s);
        break;
      }
      case 0x0A32: {  // ExtTextOut
        double y = a.I16(), x = a.I16();
        int n = a.I16();
        uint16_t options = a.U16();
        if (options & 0x06) a.pos += 8;
        QString s = QString::fromLatin1(a.d.data() + std::min(a.pos, a.d.size()),
                                        std::clamp<int>(n, 0, int(a.d.size() - std::min(a.pos, a.d.size()))));
        Text(x, y, s);
        break;
      }
      case 0x0F43:    // StretchDIBits: rop, usage, source rectangle, target, bitmap
      case 0x0B41:    // DIBStretchBlt: rop, source rectangle, target, bitmap
      case 0x0940: {  // DIBBitBlt: rop, source origin, target, bitmap
        a.Skip(fn == 0x0F43 ? 7 : fn == 0x0B41 ? 6 : 4);  // words before the target
        double h = a.I16(), w = a.I16(), dy = a.I16(), dx = a.I16();
        Bitmap(a, dx, dy, w, h);
        break;
      }
      case 0x001E:  // SaveDC
        p_.save();
        ++saved_;
        break;
      case 0x0127:  // RestoreDC
        if (saved_ > 0) {
          p_.restore();
          --saved_;
        }
        break;
      default:
        break;
    }
  }

  QPainter& p_;
  QRectF target_;
  QRectF window_;
  QPointF cursor_;
  QPen pen_{Qt::black};
  QBrush brush_{Qt::white};
  QFont font_;
  double fontHeight_ = 12;
  QColor textColor_{Qt::black};
  uint16_t textAlign_ = 0;
  std::vector<GdiObject> objects_;
  int saved_ = 0;

 public:
  ~Player() {
    while (saved_-- > 0) p_.restore();
  }
};

// The bounds and units per inch of a placeable header, and where the records start.
bool Header(std::string_view bytes, QRectF& bounds, int& unitsPerInch, size_t& start) {
  Reader r{bytes};
  if (bytes.size() >= 22 && r.U32() == kPlaceableKey) {
    r.U16();
    double left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
    unitsPerInch = r.U16();
    bounds = QRectF(left, top, right - left, bottom - top);
    start = 22;
  } else {
    start = 0;
    unitsPerInch = 1440;
    bounds = QRectF();
  }
  // The metafile header: type 1 or 2, header size 9 words.
  Reader h{bytes.substr(start)};
  uint16_t type = h.U16(), size = h.U16();
  return h.ok && (type == 1 || type == 2) && size == 9;
}

}  // namespace

bool PlayMetafile(std::string_view bytes, QPainter& painter, const QRectF& target) {
  QRectF bounds;
  int unitsPerInch;
  size_t start;
  if (!Header(bytes, bounds, unitsPerInch, start)) return false;
  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing);
  {
    Player player(painter, target, bounds.isEmpty() ? QRectF(0, 0, target.width(), target.height()) : bounds);
    Reader r{bytes.substr(start)};
    r.pos = 18;  // past the metafile header
    player.Play(r);
  }
  painter.restore();
  return true;
}

QImage RenderMetafile(std::string_view bytes) {
  QRectF bounds;
  int unitsPerInch;
  size_t start;
  if (!Header(bytes, bounds, unitsPerInch, start)) return {};
  int w = 200, h = 200;
  if (!bounds.isEmpty() && unitsPerInch > 0) {
    w = std::clamp(int(bounds.width() * 96 / unitsPerInch), 1, 4000);
    h = std::clamp(int(bounds.height() * 96 / unitsPerInch), 1, 4000);
  }
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PlayMetafile(bytes, painter, QRectF(0, 0, w, h));
  return image;
}

}  // namespace richtext
