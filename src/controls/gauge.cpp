// SPDX-License-Identifier: GPL-3.0-or-later
#include <controls/gauge.h>

#include <richtext/ui/accessible_factory.h>

#include <QAccessibleValueChangeEvent>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace quillet {

void TBltBitmap::MakeLike(const QImage& graphic) {
  MakeLike(graphic.deviceIndependentSize().toSize(), graphic.devicePixelRatio());
}

void TBltBitmap::MakeLike(const QSize& size, qreal devicePixelRatio) {
  *static_cast<QImage*>(this) = QImage(size * devicePixelRatio, QImage::Format_RGB32);
  setDevicePixelRatio(devicePixelRatio);
  fill(QApplication::palette().color(QPalette::WindowText));
}

namespace {

// A screen reader hears the gauge as a progress bar with its value and percentage.
class TGaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TGaugeAccessible(TGauge* gauge) : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return QString::number(Gauge()->PercentDone()) + QLatin1Char('%');
    return QAccessibleWidget::text(kind);
  }
  QVariant currentValue() const override { return qlonglong(Gauge()->Progress()); }
  void setCurrentValue(const QVariant&) override {}  // shown, not set
  QVariant maximumValue() const override { return qlonglong(Gauge()->MaxValue()); }
  QVariant minimumValue() const override { return qlonglong(Gauge()->MinValue()); }
  QVariant minimumStepSize() const override { return 1; }

 private:
  TGauge* Gauge() const { return static_cast<TGauge*>(widget()); }
};

}  // namespace

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
  resize(100, 100);
  richtext::InstallAccessibleFactory<TGauge, TGaugeAccessible>();
}

void TGauge::SetKind(TGaugeKind kind) {
  kind_ = kind;
  update();
}
void TGauge::SetShowText(bool on) {
  showText_ = on;
  update();
}
void TGauge::SetBorderStyle(TGaugeBorder border) {
  border_ = border;
  update();
}
QColor TGauge::ForeColor() const {
  return foreColor_.isValid() ? foreColor_ : palette().color(QPalette::WindowText);
}
QColor TGauge::BackColor() const { return backColor_.isValid() ? backColor_ : palette().color(QPalette::Base); }

void TGauge::SetForeColor(const QColor& color) {
  foreColor_ = color;
  update();
}
void TGauge::SetBackColor(const QColor& color) {
  backColor_ = color;
  update();
}

static std::out_of_range Between(long low, long high) {
  return std::out_of_range("Value must be between " + std::to_string(low) + " and " +
                           std::to_string(high));
}

void TGauge::SetMinValue(long value) {
  if (value == min_) return;
  if (value > max_) throw Between(LONG_MIN, max_);
  min_ = value;
  progress_ = std::clamp(progress_, min_, max_);
  update();
}

void TGauge::SetMaxValue(long value) {
  if (value == max_) return;
  if (value < min_) throw Between(min_, LONG_MAX);
  max_ = value;
  progress_ = std::clamp(progress_, min_, max_);
  update();
}

void TGauge::SetProgress(long value) {
  const int before = PercentDone();
  progress_ = std::clamp(value, min_, max_);
  if (PercentDone() != before) {
    update();
    QAccessibleValueChangeEvent changed(this, qlonglong(progress_));
    QAccessible::updateAccessibility(&changed);
  }
}

int TGauge::PercentDone() const {
  const double range = double(max_) - double(min_);
  if (range <= 0) return 0;
  return int(std::trunc(100.0 * (double(progress_) - double(min_)) / range));
}

QImage TGauge::Render(qreal dpr) const {
  const QSize size = this->size();
  TBltBitmap picture;
  picture.MakeLike(size, dpr);
  picture.fill(Qt::black);
  const QRect area = border_ == TGaugeBorder::Single ? QRect(QPoint(0, 0), size).adjusted(1, 1, -1, -1)
                                                     : QRect(QPoint(0, 0), size);
  if (area.width() <= 0 || area.height() <= 0) return picture;
  const int percent = PercentDone();

  // Each layer is drawn on black and combined by exclusive-or, so the text
  // stays readable over both the bar and the background.
  auto combine = [&](const QImage& layer) {
    QPainter p(&picture);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, layer);
  };

  TBltBitmap kind;
  kind.MakeLike(size, dpr);
  kind.fill(Qt::black);
  {
    QPainter p(&kind);
    const QColor fore = ForeColor();
    p.fillRect(area, BackColor());
    switch (kind_) {
      case TGaugeKind::TextOnly:
        break;
      case TGaugeKind::HorizontalBar:
        p.fillRect(QRect(area.left(), area.top(), int(percent * 0.01 * area.width()), area.height()),
                   fore);
        break;
      case TGaugeKind::VerticalBar: {
        const int h = int(percent * 0.01 * area.height());
        p.fillRect(QRect(area.left(), area.bottom() + 1 - h, area.width(), h), fore);
        break;
      }
      case TGaugeKind::Pie:
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(fore);
        // Clockwise from twelve o'clock.
        p.drawPie(area, 90 * 16, -int(percent * 3.6 * 16));
        break;
      case TGaugeKind::Needle: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(fore, 2));
        const QPointF centre(area.center().x() + 0.5, area.bottom());
        const double angle = std::numbers::pi * (1.0 - percent / 100.0);
        const double radius = std::min(area.width() / 2.0, double(area.height())) - 2;
        p.drawLine(centre, centre + QPointF(radius * std::cos(angle), -radius * std::sin(angle)));
        break;
      }
    }
  }
  combine(kind);

  if (showText_) {
    TBltBitmap text;
    text.MakeLike(size, dpr);
    text.fill(Qt::black);
    {
      QPainter p(&text);
      // Solid white text, so that exclusive-or inverts exactly what lies under it.
      QFont crisp = font();
      crisp.setStyleStrategy(QFont::NoAntialias);
      p.setFont(crisp);
      p.setPen(Qt::white);
      p.drawText(area, Qt::AlignCenter, QString::asprintf("%d%%", percent));
    }
    combine(text);
  }
  return picture;
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Render(devicePixelRatioF()));
}

}  // namespace quillet
