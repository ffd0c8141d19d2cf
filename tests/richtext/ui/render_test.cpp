// SPDX-License-Identifier: GPL-3.0-or-later
// Painting rules seen on rendered images: the Qt surface draws what the
// engine asks, with real fonts.
#include <richtext/picture_codec.h>
#include <richtext/ui/qt_platform.h>
#include <richtext/ui/rich_text.h>

#include "../doc_builder.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Doc;

// Paints a document into an image with the Qt surface.
struct Rendered {
  Doc d;
  TQtFontMetrics metrics;
  TLayout layout{d.doc, metrics};
  TPainter painter{d.doc, layout};
  QImage image{400, 80, QImage::Format_RGB32};

  void Paint() {
    layout.SetWrapWidth(390);
    image.fill(Qt::white);
    QPainter p(&image);
    TQtSurface surface(p, false);
    painter.Paint(surface, 5, 5, 0, image.height());
  }
  // The rows and columns where pixels of a colour (or dark ones) stand.
  QRect Bounds(std::function<bool(QRgb)> match, int x0 = 0, int x1 = 400) const {
    QRect r;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = x0; x < x1; ++x) {
        if (match(image.pixel(x, y))) r = r.united(QRect(x, y, 1, 1));
      }
    }
    return r;
  }
};

bool Dark(QRgb c) { return qGray(c) < 100; }

TEST(Render, SuperscriptIsSmallerAndRaised) {
  Rendered r;
  TAttr a = Doc::Plain();
  a.size = 24;
  r.d.Para(0, U"H", a);
  a.flags = afSuperscript;
  r.d.Add(0, U"H", a);
  r.Paint();
  int split = 5 + r.layout.Paragraph(0).widths[0];
  QRect normal = r.Bounds(Dark, 0, split), super = r.Bounds(Dark, split, 400);
  ASSERT_FALSE(normal.isEmpty());
  ASSERT_FALSE(super.isEmpty());
  EXPECT_NEAR(double(super.height()) / normal.height(), 2.0 / 3.0, 0.15);
  EXPECT_LT(super.bottom(), normal.bottom() - normal.height() / 6);  // raised off the baseline
}

TEST(Render, StrikeOutCrossesItsOwnLetters) {
  Rendered r;
  TAttr a = Doc::Plain();
  a.size = 24;
  a.flags = afStrikeOut;
  r.d.Para(0, U"ooo", a);
  // Painted where a widget paints it: through a painter moved from the device's origin.
  r.layout.SetWrapWidth(390);
  r.image.fill(Qt::white);
  {
    QPainter p(&r.image);
    p.translate(0, 20);
    TQtSurface surface(p, false);
    r.painter.Paint(surface, 5, -15, 0, r.image.height());
  }
  const int width = r.layout.Paragraph(0).widths[0] * 3;
  const QRect letters = r.Bounds(Dark);
  ASSERT_FALSE(letters.isEmpty());
  // Nothing drawn beyond the line, and one row dark from the first letter to the last.
  EXPECT_LE(letters.bottom(), 5 + r.layout.Paragraph(0).lines[0].height) << letters.bottom();
  int longest = 0;
  for (int y = letters.top(); y <= letters.bottom(); ++y) {
    int run = 0;
    for (int x = 5; x < 5 + width; ++x) run += Dark(r.image.pixel(x, y)) ? 1 : 0;
    longest = std::max(longest, run);
  }
  EXPECT_GT(longest, width * 8 / 10);
}

TEST(Render, SelectionInHighlightColoursAndTheZigzag) {
  Rendered r;
  r.d.Para(0, U"selected ");
  r.d.Add(0, U"misspeled", Doc::With(afWordMark));
  r.painter.options.selStart = {0, 0};
  r.painter.options.selEnd = {0, 8};
  r.Paint();
  QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
  QRect sel = r.Bounds([&](QRgb c) { return QColor(c) == highlight; });
  ASSERT_FALSE(sel.isEmpty());
  EXPECT_LE(sel.left(), 6);
  QRect red = r.Bounds([](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; });
  ASSERT_FALSE(red.isEmpty());  // the red zigzag under the marked word
  EXPECT_GE(red.left(), sel.right());
  EXPECT_LE(red.height(), 4);
}

TEST(Render, ALongRunStaysInOneLineOfText) {
  Rendered r;
  r.image = QImage(1600, 40, QImage::Format_RGB32);
  r.d.Para(0, std::u32string(150, U'i'));
  r.layout.SetWrapWidth(1590);
  r.image.fill(Qt::white);
  QPainter p(&r.image);
  TQtSurface surface(p, false);
  r.painter.Paint(surface, 5, 5, 0, 40);
  p.end();
  // Runs of 100 and 50 characters join seamlessly: ink runs to the 150th.
  int width = 0;
  for (int k = 0; k < 150; ++k) width += r.layout.Paragraph(0).widths[size_t(k)];
  QRect ink = r.Bounds(Dark, 0, 1600);
  EXPECT_NEAR(ink.right(), 5 + width, 4);
}

// A tiny file that states a huge picture: decoding gives up instead of
// allocating what the stated size asks, and the placeholder is drawn.
TEST(Render, APictureLargerThanItsBytesDrawsAsThePlaceholder) {
  Rendered r;
  testing::LoadRtf(r.d.doc, "{\\rtf1 {\\pict\\wbitmap0\\picw100000\\pich100000\\wbmbitspixel8"
                            "\\wbmplanes1\\wbmwidthbytes1\\picwgoal1440\\pichgoal600 00}}");
  ASSERT_EQ(r.d.doc.Objects().size(), 1u);
  ASSERT_TRUE(r.d.doc.Objects()[0]->picture);
  EXPECT_TRUE(DecodePicture(*r.d.doc.Objects()[0]->picture).isNull());
  TPicture dib;  // a BMP file that states 60,000 x 60,000 pixels
  dib.kind = TPicture::Kind::Dib;
  dib.data = DibToBmpFile(std::string("\x28\0\0\0\x60\xea\0\0\x60\xea\0\0\x01\0\x18\0", 16) +
                          std::string(30, '\0'));
  EXPECT_TRUE(DecodePicture(dib).isNull());
  r.Paint();
  EXPECT_FALSE(r.Bounds(Dark).isEmpty());  // the placeholder's frame or label
}

// A character's width is the width Qt shapes the one-character text to,
// whether it is measured by its glyph (plain letters) or shaped (marks,
// controls, soft hyphens, separators, the scripts that shape in context).
TEST(QtFontMetrics, CharWidthIsTheShapedWidth) {
  TQtFontMetrics metrics;
  std::vector<char32_t> chars;
  for (char32_t c = 32; c < 0x600; ++c) chars.push_back(c);
  for (char32_t c = 0x2000; c < 0x2070; ++c) chars.push_back(c);
  for (char32_t c : {U'\u20AC', U'\u3042', U'\u4E2D', U'\uD55C', U'\uFB01', U'\U0001F600'}) chars.push_back(c);
  for (const TFontSpec& font : {TFontSpec{"Arial", 8}, TFontSpec{"Times New Roman", 12, true},
                                TFontSpec{"Courier New", 10, false, true}}) {
    const QFontMetrics shaped(ToQFont(font));
    for (char32_t c : chars) {
      ASSERT_EQ(metrics.CharWidth(font, c), shaped.horizontalAdvance(QString::fromUcs4(&c, 1)))
          << font.name << " U+" << std::hex << unsigned(c);
    }
  }
}

}  // namespace
}  // namespace richtext
