// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/toolbar_icons.h>

#include <richtext/ui/painted_icon.h>

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <map>

namespace richtext {

namespace {

using Draw = std::function<void(QPainter&)>;  // draws into a 16 x 16 box

// The letters' and outlines' ink: near black, or light on a dark desktop.
QColor Ink() { return quillet::ButtonInk(QColor(30, 30, 30)); }
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 80, 170);

// The letters are drawn as strokes rather than set in a font: the buttons
// look the same whatever fonts are installed, and the start-up does not load
// a face at every size and style the toolbar shows (each costs a font file's
// tables and a fontconfig match).
void Stroke(QPainter& p, const QPainterPath& path, qreal width, const QColor& ink = Ink()) {
  p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

// A line under (at y 14.5) or through (y 8) a letter.
void Rule(QPainter& p, qreal y) {
  p.setPen(QPen(Ink(), 1.2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(2.5, y), QPointF(13.5, y));
}

// Straight strokes, each on its own.
QPainterPath Strokes(std::initializer_list<QLineF> lines) {
  QPainterPath path;
  for (const QLineF& line : lines) {
    path.moveTo(line.p1());
    path.lineTo(line.p2());
  }
  return path;
}

QPainterPath LetterA(qreal x, qreal top, qreal w, qreal h) {
  QPainterPath a;
  a.moveTo(x, top + h);
  a.lineTo(x + w / 2, top);
  a.lineTo(x + w, top + h);
  a.moveTo(x + w * 0.2, top + h * 0.64);
  a.lineTo(x + w * 0.8, top + h * 0.64);
  return a;
}

QPainterPath LetterB(qreal x, qreal top, qreal w, qreal h) {
  const qreal mid = top + h * 0.47, r = x + w;
  QPainterPath b;
  b.moveTo(x, top);
  b.lineTo(x, top + h);
  b.lineTo(r - w * 0.4, top + h);
  b.cubicTo(r + w * 0.1, top + h, r + w * 0.1, mid, r - w * 0.4, mid);
  b.lineTo(x, mid);
  b.moveTo(x, top);
  b.lineTo(r - w * 0.45, top);
  b.cubicTo(r - w * 0.05, top, r - w * 0.05, mid, r - w * 0.45, mid);
  return b;
}

QPainterPath LetterC(qreal x, qreal top, qreal w, qreal h) {
  QPainterPath c;
  c.moveTo(x + w, top + h * 0.15);
  c.cubicTo(x + w * 0.7, top - h * 0.08, x, top - h * 0.02, x, top + h / 2);
  c.cubicTo(x, top + h * 1.02, x + w * 0.7, top + h * 1.08, x + w, top + h * 0.85);
  return c;
}

QPainterPath LetterX(qreal x, qreal top, qreal w, qreal h) {
  return Strokes({{x, top, x + w, top + h}, {x + w, top, x, top + h}});
}

QPainterPath DigitTwo(qreal x, qreal top) {  // 4.5 wide, 6.5 high
  QPainterPath two;
  two.moveTo(x + 0.2, top + 1.6);
  two.cubicTo(x + 0.5, top - 0.3, x + 4.4, top - 0.4, x + 4.4, top + 1.9);
  two.cubicTo(x + 4.4, top + 3.4, x + 1.2, top + 4.8, x + 0.2, top + 6.5);
  two.lineTo(x + 4.6, top + 6.5);
  return two;
}

Draw Path(QPainterPath path, qreal width, int rule = 0) {  // rule: 0 none, 1 under, 2 through
  return [=](QPainter& p) {
    Stroke(p, path, width);
    if (rule) Rule(p, rule == 1 ? 14.5 : 8.5);
  };
}

QPainterPath Italic() { return Strokes({{9.8, 2.5, 6.2, 13.5}, {7.6, 2.5, 12, 2.5}, {4, 13.5, 8.4, 13.5}}); }

QPainterPath LetterU() {
  QPainterPath u;
  u.moveTo(4.5, 2);
  u.lineTo(4.5, 8.5);
  u.cubicTo(4.5, 12.6, 11.5, 12.6, 11.5, 8.5);
  u.lineTo(11.5, 2);
  return u;
}

QPainterPath LetterS() {
  QPainterPath s;
  s.moveTo(11.3, 3.6);
  s.cubicTo(10.3, 1.6, 4.8, 1.6, 4.8, 4.8);
  s.cubicTo(4.8, 8.1, 11.4, 7.4, 11.4, 10.7);
  s.cubicTo(11.4, 14.2, 5.6, 14.2, 4.5, 11.9);
  return s;
}

QPainterPath LetterL() {
  QPainterPath l;
  l.moveTo(5, 2);
  l.lineTo(5, 12);
  l.lineTo(11.5, 12);
  return l;
}

QPainterPath LetterH() { return Strokes({{4.5, 2.5, 4.5, 13.5}, {11.5, 2.5, 11.5, 13.5}, {4.5, 5.5, 11.5, 5.5}}); }

QPainterPath Braces() {
  QPainterPath b;
  for (qreal side : {-1.0, 1.0}) {
    auto x = [side](qreal dx) { return 8 + side * dx; };
    b.moveTo(x(1.2), 2.5);
    b.cubicTo(x(3.4), 2.5, x(2.8), 4.2, x(2.8), 6);
    b.cubicTo(x(2.8), 7.4, x(3.4), 8, x(4.6), 8);
    b.cubicTo(x(3.4), 8, x(2.8), 8.6, x(2.8), 10);
    b.cubicTo(x(2.8), 11.8, x(3.4), 13.5, x(1.2), 13.5);
  }
  return b;
}

// A letter set in a font, for the names without a picture of their own.
Draw Letter(const QString& text) {
  return [=](QPainter& p) {
    QFont f;
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(Ink());
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
  };
}

// Four lines of text, placed as an alignment puts them.
Draw Lines(int align) {  // 0 left, 1 right, 2 centre, 3 justified
  return [align](QPainter& p) {
    p.setPen(QPen(Ink(), 1.4, Qt::SolidLine, Qt::FlatCap));
    const qreal widths[] = {14, 9, 12, 7};
    for (int i = 0; i < 4; ++i) {
      qreal w = align == 3 ? 14 : widths[i];
      qreal x = align == 0 || align == 3 ? 1 : align == 1 ? 15 - w : (16 - w) / 2;
      qreal y = 3 + i * 3.4;
      p.drawLine(QPointF(x, y), QPointF(x + w, y));
    }
  };
}

// Three short lines, each after a dot or a small number.
Draw ListLines(bool numbered) {
  return [numbered](QPainter& p) {
    for (int i = 0; i < 3; ++i) {
      qreal y = 3.5 + i * 4.5;
      if (numbered) {
        p.setPen(QPen(kBlue, 1.1, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(3, y - 2), QPointF(3, y + 2));  // a figure one
      } else {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(2.8, y), 1.6, 1.6);
      }
      p.setPen(QPen(Ink(), 1.4, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(QPointF(6, y), QPointF(15, y));
    }
  };
}

// An x with a small 2 raised or lowered beside it.
Draw Indexed(bool raised) {
  return [raised](QPainter& p) {
    Stroke(p, LetterX(2.5, 5, 6.5, 7.5), 1.6);
    Stroke(p, DigitTwo(10.5, raised ? 1.5 : 8), 1.2, kBlue);
  };
}

void Page(QPainter& p, QRectF r) {
  p.setPen(QPen(Ink(), 1));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(QPen(QColor(120, 120, 120), 0.8));
  for (qreal y = r.top() + 2.5; y < r.bottom() - 1; y += 2.2)
    p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

void Magnifier(QPainter& p, QPointF centre) {
  p.setBrush(QColor(200, 225, 255));
  p.setPen(QPen(Ink(), 1.4));
  p.drawEllipse(centre, 3.8, 3.8);
  p.setPen(QPen(Ink(), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(2.8, 2.8), centre + QPointF(6, 6));
}

const std::map<QString, Draw>& Pictures() {
  static const std::map<QString, Draw> pictures = {
      {"Normal", Path(LetterA(3.5, 2.5, 9, 11), 1.7)},
      {"Bold", Path(LetterB(4.3, 2.5, 7.4, 11), 2.4)},
      {"Italic", Path(Italic(), 1.5)},
      {"Under", Path(LetterU(), 1.7, 1)},
      {"StrikeOut", Path(LetterS(), 1.7, 2)},
      {"Hyperlink", Path(LetterL(), 1.7, 1)},
      {"Super", Indexed(true)},
      {"Sub", Indexed(false)},
      {"Hidden", Path(LetterH(), 1.7, 2)},
      {"RTFCode", Path(Braces(), 1.3)},
      {"Left", Lines(0)},
      {"Right", Lines(1)},
      {"Center", Lines(2)},
      {"Justified", Lines(3)},
      {"Bullets", ListLines(false)},
      {"Numbers", ListLines(true)},
      {"Copy",
       [](QPainter& p) {
         Page(p, QRectF(1.5, 1.5, 8, 10));
         Page(p, QRectF(6.5, 4.5, 8, 10));
       }},
      {"Cut",
       [](QPainter& p) {
         p.setPen(QPen(Ink(), 1.3));
         p.drawLine(QPointF(5, 1), QPointF(10.5, 10));
         p.drawLine(QPointF(11, 1), QPointF(5.5, 10));
         p.setBrush(Qt::NoBrush);
         p.setPen(QPen(kBlue, 1.5));
         p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
         p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
       }},
      {"Paste",
       [](QPainter& p) {
         p.setPen(QPen(Ink(), 1));
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
         p.setPen(QPen(Ink(), 1.2));
         for (qreal y = 5; y < 13; y += 3) p.drawLine(QPointF(4, y), QPointF(12, y));
       }},
      {"HideSel",
       [](QPainter& p) {
         p.setPen(QPen(Ink(), 1.2));
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
         QPainterPath abc = LetterA(0.8, 1, 4.2, 6);
         abc.addPath(LetterB(6.5, 1, 3.4, 6));
         abc.addPath(LetterC(11.4, 1, 3.8, 6));
         Stroke(p, abc, 1.2);
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
         p.setPen(QPen(Ink(), 1));
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
  Draw draw = it != Pictures().end() ? it->second : Letter(name.left(1));
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
