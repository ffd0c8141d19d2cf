#include <richtext/ui/toolbar_icons.h>

#include <controls/painted_icon.h>

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <map>

namespace richtext {

namespace {

using Draw = std::function<void(QPainter&)>;  // draws into a 16 x 16 box

const QColor kInk(30, 30, 30);
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 80, 170);

// The letters are drawn in the face that entries are written in by default,
// so the faces loaded to show the page serve the toolbar too: each further
// face costs the start-up a file to read and shape tables to build.
const QString kLetterFamily = QStringLiteral("Arial");

// A letter in a given style, centred in the box.
Draw Letter(const QString& text, std::function<void(QFont&)> style, qreal size = 13) {
  return [=](QPainter& p) {
    QFont f(kLetterFamily);
    f.setPixelSize(int(size));
    if (style) style(f);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
  };
}

// Four lines of text, placed as an alignment puts them.
Draw Lines(int align) {  // 0 left, 1 right, 2 centre, 3 justified
  return [align](QPainter& p) {
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::FlatCap));
    const qreal widths[] = {14, 9, 12, 7};
    for (int i = 0; i < 4; ++i) {
      qreal w = align == 3 ? 14 : widths[i];
      qreal x = align == 0 || align == 3 ? 1 : align == 1 ? 15 - w : (16 - w) / 2;
      qreal y = 3 + i * 3.4;
      p.drawLine(QPointF(x, y), QPointF(x + w, y));
    }
  };
}

// An x with a small 2 raised or lowered beside it.
Draw Indexed(bool raised) {
  return [raised](QPainter& p) {
    Letter("x", nullptr, 12)(p);
    p.setPen(kBlue);
    QFont f = p.font();
    f.setPixelSize(8);
    p.setFont(f);
    p.drawText(QRectF(10, raised ? 0 : 8, 6, 8), Qt::AlignCenter, QStringLiteral("2"));
  };
}

void Page(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(QPen(QColor(120, 120, 120), 0.8));
  for (qreal y = r.top() + 2.5; y < r.bottom() - 1; y += 2.2)
    p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

void Magnifier(QPainter& p, QPointF centre) {
  p.setBrush(QColor(200, 225, 255));
  p.setPen(QPen(kInk, 1.4));
  p.drawEllipse(centre, 3.8, 3.8);
  p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(2.8, 2.8), centre + QPointF(6, 6));
}

const std::map<QString, Draw>& Pictures() {
  static const std::map<QString, Draw> pictures = {
      {"Normal", Letter("A", nullptr)},
      {"Bold", Letter("B", [](QFont& f) { f.setBold(true); })},
      {"Italic", Letter("I", [](QFont& f) { f.setItalic(true); })},
      {"Under", Letter("U", [](QFont& f) { f.setUnderline(true); })},
      {"StrikeOut", Letter("S", [](QFont& f) { f.setStrikeOut(true); })},
      {"Hyperlink", Letter("L", [](QFont& f) { f.setUnderline(true); })},
      {"Super", Indexed(true)},
      {"Sub", Indexed(false)},
      {"Hidden", Letter("H", [](QFont& f) { f.setStrikeOut(true); })},
      {"RTFCode", Letter("{}", nullptr, 11)},
      {"Left", Lines(0)},
      {"Right", Lines(1)},
      {"Center", Lines(2)},
      {"Justified", Lines(3)},
      {"Copy",
       [](QPainter& p) {
         Page(p, QRectF(1.5, 1.5, 8, 10));
         Page(p, QRectF(6.5, 4.5, 8, 10));
       }},
      {"Cut",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1.3));
         p.drawLine(QPointF(5, 1), QPointF(10.5, 10));
         p.drawLine(QPointF(11, 1), QPointF(5.5, 10));
         p.setBrush(Qt::NoBrush);
         p.setPen(QPen(kBlue, 1.5));
         p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
         p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
       }},
      {"Paste",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(170, 120, 60));
         p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12.5), 1.5, 1.5);
         p.setBrush(QColor(200, 200, 200));
         p.drawRect(QRectF(4, 1, 5, 3));
         Page(p, QRectF(6.5, 6.5, 8, 8.5));
       }},
      {"SelAll",
       [](QPainter& p) {
         p.setPen(QPen(kBlue, 1, Qt::DashLine));
         p.setBrush(QColor(200, 220, 255));
         p.drawRect(QRectF(1.5, 1.5, 13, 13));
         p.setPen(QPen(kInk, 1.2));
         for (qreal y = 5; y < 13; y += 3) p.drawLine(QPointF(4, y), QPointF(12, y));
       }},
      {"HideSel",
       [](QPainter& p) {
         p.setPen(QPen(kInk, 1.2));
         for (qreal y = 4; y < 14; y += 3) p.drawLine(QPointF(2, y), QPointF(14, y));
         p.setPen(QPen(QColor(190, 0, 0), 1.6));
         p.drawLine(QPointF(2, 14), QPointF(14, 2));
       }},
      {"Find", [](QPainter& p) { Magnifier(p, QPointF(6.5, 6.5)); }},
      {"Replace",
       [](QPainter& p) {
         Magnifier(p, QPointF(5.5, 5.5));
         p.setPen(QPen(kBlue, 1.4));
         p.drawLine(QPointF(9, 14), QPointF(15, 14));
         p.drawLine(QPointF(13, 12), QPointF(15, 14));
       }},
      {"Spell",
       [](QPainter& p) {
         QFont f(kLetterFamily);
         f.setPixelSize(7);
         f.setBold(true);
         p.setFont(f);
         p.setPen(kInk);
         p.drawText(QRectF(0, 0, 16, 8), Qt::AlignCenter, QStringLiteral("ABC"));
         p.setPen(QPen(QColor(0, 140, 0), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
         QPainterPath tick;
         tick.moveTo(4, 11);
         tick.lineTo(7, 14);
         tick.lineTo(13, 8);
         p.setBrush(Qt::NoBrush);
         p.drawPath(tick);
       }},
      {"Print",
       [](QPainter& p) {
         Page(p, QRectF(4.5, 1.5, 7, 5));
         p.setPen(QPen(kInk, 1));
         p.setBrush(QColor(180, 180, 180));
         p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
         Page(p, QRectF(4.5, 10.5, 7, 4));
       }},
  };
  return pictures;
}

}  // namespace

QIcon ToolbarIcon(const QString& name) {
  auto it = Pictures().find(name);
  Draw draw = it != Pictures().end() ? it->second : Letter(name.left(1), nullptr);
  return quillet::PaintedIcon([draw](QPainter& p, const QRectF& box, QIcon::Mode) {
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    draw(p);
  });
}

QIcon ColorSwatch(const QColor& color) {
  return quillet::PaintedIcon([color](QPainter& p, const QRectF& box, QIcon::Mode) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(color);
    p.drawRect(box.adjusted(1, 1, -2, -2));
  });
}

}  // namespace richtext
