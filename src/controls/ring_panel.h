// SPDX-License-Identifier: GPL-3.0-or-later
/** TRingPanel: the ring-binder page the day's entry is shown on. */
#pragma once

#include <QColor>
#include <QFrame>
#include <QPixmap>

namespace quillet {

// A grey background, a white page with rounded corners and binder rings down
// its left side. Children (the date, the editor) are placed inside the page
// from LeftEdge and RightEdge, which the drawing sets. A frame (the diary's
// single border: setFrameStyle(QFrame::Box | QFrame::Plain)) goes around it
// all, and the drawing keeps inside it.
class TRingPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TRingPanel(QWidget* parent = nullptr);

  // Two rings per binder position.
  bool DoubleRing() const { return doubleRing_; }
  void SetDoubleRing(bool on);
  // The narrow ring picture (31 pixels wide instead of 43).
  bool SmallRing() const { return smallRing_; }
  void SetSmallRing(bool on);
  // Set by painting: the width of the ring picture, and the page margin.
  int LeftEdge() const { return leftEdge_; }
  int RightEdge() const { return rightEdge_; }
  // Kept for the forms that set it; changing it only repaints.
  // The page's colour; white unless the diary is shown dark.
  QColor PaperColor() const { return paper_; }
  void SetPaperColor(const QColor& color) {
    paper_ = color;
    update();
  }
  int Shape() const { return shape_; }
  void SetShape(int shape);

  // The ring picture as it is drawn: 43 x 11 or 31 x 11 logical pixels,
  // painted at the given density so it stays crisp.
  static QPixmap RingPicture(bool small, qreal devicePixelRatio);

  // True while a control on the page has the focus that the keyboard moves.
  bool ShowsKeyboardFocus() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool doubleRing_ = false;
  bool smallRing_ = false;
  int leftEdge_ = 0;
  int rightEdge_ = 0;
  int shape_ = 1;
  QColor paper_ = Qt::white;
  QPixmap ring_;  // the current ring picture
};

}  // namespace quillet
