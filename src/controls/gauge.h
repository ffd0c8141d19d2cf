// SPDX-License-Identifier: GPL-3.0-or-later
/** TGauge: the progress gauge of the progress windows, and TBltBitmap. */
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace quillet {

// An off-screen image with one extra step: MakeLike takes another picture's
// size and fills itself with the window-frame colour.
class TBltBitmap : public QImage {
 public:
  TBltBitmap() = default;
  void MakeLike(const QImage& graphic);
  // A logical size, at a screen density.
  void MakeLike(const QSize& size, qreal devicePixelRatio = 1.0);
};

enum class TGaugeKind { TextOnly, HorizontalBar, VerticalBar, Pie, Needle };
enum class TGaugeBorder { None, Single };

// Shows Progress between MinValue and MaxValue as a bar (or pie, needle, or
// text only) with the percentage drawn so that it reads over both colours.
class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);

  TGaugeKind Kind() const { return kind_; }
  void SetKind(TGaugeKind kind);
  bool ShowText() const { return showText_; }
  void SetShowText(bool on);
  TGaugeBorder BorderStyle() const { return border_; }
  void SetBorderStyle(TGaugeBorder border);
  // Unless set, the palette's text and base colours: black and white on a
  // light desktop, and light on dark on a dark one.
  QColor ForeColor() const;
  void SetForeColor(const QColor& color);
  QColor BackColor() const;
  void SetBackColor(const QColor& color);

  long MinValue() const { return min_; }
  long MaxValue() const { return max_; }
  long Progress() const { return progress_; }
  // Throws std::out_of_range when the new bound passes the other one.
  void SetMinValue(long value);
  void SetMaxValue(long value);
  // Clamped into [MinValue, MaxValue]; repaints only when the percentage changes.
  void SetProgress(long value);
  void AddProgress(long value) { SetProgress(progress_ + value); }

  // Whole percent done; 0 when the range is empty.
  int PercentDone() const;
  // The picture as painted, at the widget's size and the given density.
  QImage Render(qreal devicePixelRatio = 1.0) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TGaugeKind kind_ = TGaugeKind::HorizontalBar;
  bool showText_ = true;
  TGaugeBorder border_ = TGaugeBorder::Single;
  QColor foreColor_;  // invalid: the palette's
  QColor backColor_;
  long min_ = 0;
  long max_ = 100;
  long progress_ = 0;
};

}  // namespace quillet
