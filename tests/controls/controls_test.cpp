// SPDX-License-Identifier: GPL-3.0-or-later
// The small controls, painted offscreen and driven with the mouse.
#include <controls/gauge.h>
#include <controls/graphic_panel.h>
#include <controls/ring_panel.h>
#include <controls/url_label.h>

#include <QAccessible>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quillet;

namespace {

QImage Shot(QWidget& widget) {
  widget.ensurePolished();
  return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

const QRgb kGrey = qRgb(128, 128, 128);

// Rows where the ring picture has something painted at x = 8 (on the grey margin).
std::vector<int> RingRows(const QImage& image) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y) {
    if (image.pixel(8, y) != kGrey && (rows.empty() || y > rows.back() + 11)) rows.push_back(y);
  }
  return rows;
}

}  // namespace

TEST(RingPanel, RingsEveryFiftyPixelsUntilFortyAboveTheBottom) {
  TRingPanel panel;
  panel.resize(300, 200);
  // The picture is 11 high; its first painted row lies a little below y.
  std::vector<int> rows = RingRows(Shot(panel));
  ASSERT_EQ(rows.size(), 3u);  // 20, 70, 120; not 170 (> 200 - 40)
  EXPECT_NEAR(rows[0], 20, 3);
  EXPECT_EQ(rows[1] - rows[0], 50);
  EXPECT_EQ(rows[2] - rows[1], 50);

  panel.SetDoubleRing(true);
  std::vector<int> doubled = RingRows(Shot(panel));
  ASSERT_EQ(doubled.size(), 6u);
  EXPECT_EQ(doubled[1] - doubled[0], 15);
}

TEST(RingPanel, PageAndEdgesFollowTheRingSize) {
  TRingPanel panel;
  panel.resize(300, 200);
  QImage big = Shot(panel);
  EXPECT_EQ(panel.LeftEdge(), 43);
  EXPECT_EQ(panel.RightEdge(), 22);
  EXPECT_EQ(big.pixel(150, 100), qRgb(255, 255, 255));  // the page
  EXPECT_EQ(big.pixel(150, 2), kGrey);                   // above the page
  EXPECT_EQ(big.pixel(290, 100), kGrey);                 // right of the page
  EXPECT_EQ(big.pixel(276, 100), qRgb(255, 255, 255));   // page up to width - 22
  EXPECT_EQ(big.pixel(279, 100), kGrey);
  EXPECT_EQ(big.pixel(23, 7), kGrey);                    // the rounded corner

  panel.SetSmallRing(true);
  QImage small = Shot(panel);
  EXPECT_EQ(panel.LeftEdge(), 31);
  EXPECT_EQ(panel.RightEdge(), 15);
  EXPECT_EQ(small.pixel(283, 100), qRgb(255, 255, 255));
}

TEST(RingPanel, SingleBorderFramesTheDrawing) {
  TRingPanel panel;
  panel.setFrameStyle(QFrame::Box | QFrame::Plain);
  panel.resize(300, 200);
  QImage image = Shot(panel);
  const QRgb frame = panel.palette().color(QPalette::WindowText).rgb();
  EXPECT_EQ(image.pixel(0, 0), frame);
  EXPECT_EQ(image.pixel(299, 100), frame);
  EXPECT_EQ(image.pixel(1, 1), kGrey);
  EXPECT_EQ(image.pixel(150, 100), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(278, 100), kGrey);  // the page ends 22 pixels inside the frame
  EXPECT_EQ(image.pixel(276, 100), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(275, 100), qRgb(255, 255, 255));
}

TEST(RingPanel, RingPictureIsPaintedAtTheScreenDensity) {
  for (qreal dpr : {1.0, 2.0, 3.0}) {
    QPixmap ring = TRingPanel::RingPicture(false, dpr);
    EXPECT_EQ(ring.deviceIndependentSize(), QSizeF(43, 11));
    EXPECT_EQ(ring.size(), QSize(qRound(43 * dpr), qRound(11 * dpr)));
  }
  EXPECT_EQ(TRingPanel::RingPicture(true, 1).size(), QSize(31, 11));
}

TEST(GraphicPanel, FramesFromTheOutsideInThenTheCaption) {
  TGraphicPanel panel;
  EXPECT_EQ(panel.size(), QSize(185, 41));
  panel.SetBorderStyle(TBorderStyle::Single);
  panel.SetBevelOuter(TBevel::Raised);
  panel.SetBorderWidth(2);
  panel.SetBevelInner(TBevel::Lowered);
  panel.SetColor(QColor(10, 200, 10));
  const QPalette pal = panel.palette();
  const QRgb light = pal.color(QPalette::Light).rgb(), dark = pal.color(QPalette::Dark).rgb();
  const QRgb fill = qRgb(10, 200, 10);

  QImage image = Shot(panel);
  const int w = image.width() - 1, h = image.height() - 1;
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(w, h), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(1, 5), light);       // raised: light top-left
  EXPECT_EQ(image.pixel(w - 1, 5), dark);    // dark bottom-right
  EXPECT_EQ(image.pixel(2, 5), fill);        // two border frames in the colour
  EXPECT_EQ(image.pixel(3, 5), fill);
  EXPECT_EQ(image.pixel(4, 5), dark);        // lowered: dark top-left
  EXPECT_EQ(image.pixel(w - 4, 5), light);
  EXPECT_EQ(image.pixel(5, 5), fill);

  // The caption is drawn in the middle band, and only there.
  auto inked = [&](const QImage& img, int y0, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = 5; x < w - 5; ++x) count += img.pixel(x, y) != fill;
    return count;
  };
  EXPECT_EQ(inked(image, 5, h - 5), 0);
  panel.SetCaption(QStringLiteral("Wednesday"));
  QImage captioned = Shot(panel);
  EXPECT_GT(inked(captioned, 12, 30), 0);
  EXPECT_EQ(inked(captioned, 5, 8), 0);
  EXPECT_EQ(inked(captioned, h - 8, h - 5), 0);
}

// Records what QDesktopServices was asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }
};

TEST(UrlLabel, ClickOpensUrlOrCaptionAndPressShowsActiveColour) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("http", &recorder, "Open");
  QDesktopServices::setUrlHandler("https", &recorder, "Open");

  TUrlLabel label;
  label.setText(QStringLiteral("www.example.org"));
  label.resize(150, 20);
  label.show();
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);

  // No URL: the caption is opened.
  QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x80));
  QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::blue));
  ASSERT_EQ(recorder.opened.size(), 1u);
  EXPECT_EQ(recorder.opened[0], QUrl(QStringLiteral("http://www.example.org")));

  label.SetURL(QStringLiteral("  https://quillet.example/home  "));
  QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(recorder.opened.size(), 2u);
  EXPECT_EQ(recorder.opened[1], QUrl(QStringLiteral("https://quillet.example/home")));

  // Both blank: nothing opens.
  label.SetURL(QStringLiteral(" "));
  label.setText(QStringLiteral(" "));
  QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(recorder.opened.size(), 2u);

  QDesktopServices::unsetUrlHandler("http");
  QDesktopServices::unsetUrlHandler("https");
}

TEST(UrlLabel, CopyPutsTheCaptionOnTheClipboard) {
  TUrlLabel label;
  label.setText(QStringLiteral("Quillet home"));
  label.SetURL(QStringLiteral("https://quillet.example/"));
  ASSERT_EQ(label.PopupMenu()->actions().size(), 1);
  QAction* copy = label.PopupMenu()->actions()[0];
  EXPECT_EQ(copy->text(), QStringLiteral("Copy"));
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Quillet home"));
}

TEST(Gauge, PercentClampsAndBounds) {
  struct Case {
    long min, max, progress;
    int percent;
    long stored;
  };
  const Case cases[] = {
      {0, 100, 0, 0, 0},     {0, 100, 57, 57, 57},   {0, 100, 250, 100, 100},
      {0, 100, -5, 0, 0},    {10, 20, 15, 50, 15},   {0, 3, 2, 66, 2},
      {5, 5, 5, 0, 5},  // an empty range shows 0%
  };
  for (const Case& c : cases) {
    TGauge gauge;
    gauge.SetMaxValue(c.max);
    gauge.SetMinValue(c.min);
    gauge.SetProgress(c.progress);
    EXPECT_EQ(gauge.PercentDone(), c.percent) << c.min << ".." << c.max << " at " << c.progress;
    EXPECT_EQ(gauge.Progress(), c.stored);
  }

  TGauge gauge;
  gauge.SetProgress(80);
  EXPECT_THROW(gauge.SetMinValue(101), std::out_of_range);
  EXPECT_THROW(gauge.SetMaxValue(-1), std::out_of_range);
  gauge.SetMaxValue(50);  // progress follows the new range
  EXPECT_EQ(gauge.Progress(), 50);
  gauge.SetMinValue(50);
  EXPECT_EQ(gauge.PercentDone(), 0);
}

TEST(Gauge, BarsAndTextByExclusiveOr) {
  TGauge gauge;
  gauge.resize(100, 40);
  gauge.SetProgress(50);
  gauge.SetForeColor(QColor(0, 0, 200));
  gauge.SetBackColor(Qt::white);
  gauge.SetShowText(false);
  QImage bar = gauge.Render();
  EXPECT_EQ(bar.pixel(0, 0), qRgb(0, 0, 0));       // the single border
  EXPECT_EQ(bar.pixel(10, 20), qRgb(0, 0, 200));   // the done half
  EXPECT_EQ(bar.pixel(90, 20), qRgb(255, 255, 255));
  EXPECT_EQ(bar.pixel(48, 5), qRgb(0, 0, 200));    // Trunc(0.5 * 98) = 49 columns from x = 1
  EXPECT_EQ(bar.pixel(50, 5), qRgb(255, 255, 255));

  // At twice the density every logical pixel is two by two.
  QImage sharp = gauge.Render(2.0);
  EXPECT_EQ(sharp.size(), QSize(200, 80));
  EXPECT_EQ(sharp.pixel(97, 10), qRgb(0, 0, 200));
  EXPECT_EQ(sharp.pixel(100, 10), qRgb(255, 255, 255));

  gauge.SetKind(TGaugeKind::VerticalBar);
  QImage vertical = gauge.Render();
  EXPECT_EQ(vertical.pixel(50, 35), qRgb(0, 0, 200));
  EXPECT_EQ(vertical.pixel(50, 5), qRgb(255, 255, 255));

  // The text inverts what is under it, so every text pixel differs from the bar.
  gauge.SetKind(TGaugeKind::HorizontalBar);
  gauge.SetShowText(true);
  QImage text = gauge.Render();
  int changed = 0, inverted = 0;  // the text is drawn without antialiasing: exact inversion
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      if (text.pixel(x, y) == bar.pixel(x, y)) continue;
      ++changed;
      inverted += (text.pixel(x, y) & 0xffffff) == (~bar.pixel(x, y) & 0xffffff);
    }
  }
  EXPECT_GT(changed, 20);
  EXPECT_EQ(inverted, changed);
}

TEST(Gauge, ProgressRepaintsOnlyWhenThePercentChanges) {
  TGauge gauge;
  gauge.SetMaxValue(1000);
  gauge.resize(100, 20);
  gauge.show();
  QCoreApplication::processEvents();
  int paints = 0;
  struct Counter : QObject {
    int* paints;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*paints;
      return false;
    }
  } counter;
  counter.paints = &paints;
  gauge.installEventFilter(&counter);
  gauge.SetProgress(5);  // still 0%
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 0);
  gauge.SetProgress(10);  // 1%
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 1);
}

TEST(Gauge, ScreenReadersHearAProgressBarWithItsValue) {
  TGauge gauge;
  gauge.SetMaxValue(200);
  gauge.SetProgress(50);
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&gauge);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::ProgressBar);
  EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("25%"));
  QAccessibleValueInterface* value = a->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toLongLong(), 50);
  EXPECT_EQ(value->maximumValue().toLongLong(), 200);
  EXPECT_EQ(value->minimumValue().toLongLong(), 0);
}

TEST(BltBitmap, MakeLikeTakesTheSizeAndTheFrameColour) {
  TBltBitmap bitmap;
  bitmap.MakeLike(QImage(7, 3, QImage::Format_RGB32));
  EXPECT_EQ(bitmap.size(), QSize(7, 3));
  EXPECT_EQ(QColor(bitmap.pixel(6, 2)), QGuiApplication::palette().color(QPalette::WindowText));
}

#include "controls_test.moc"
