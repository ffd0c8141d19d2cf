// SPDX-License-Identifier: GPL-3.0-or-later
/** TGraphicPanel: a panel that only paints: bevels, border and a caption. */
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace quillet {

enum class TBevel { None, Lowered, Raised };
enum class TBorderStyle { None, Single };

// Draws, from the outside in: a black single border, the outer bevel,
// BorderWidth frames in Color, the inner bevel, then fills the rest with Color
// and draws the caption centred vertically. Used for the date caption of the
// date selector and for spacers between tool buttons.
class TGraphicPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TGraphicPanel(QWidget* parent = nullptr);

  Qt::Alignment Alignment() const { return alignment_; }  // left, right or centred
  void SetAlignment(Qt::Alignment alignment);
  TBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevel bevel);
  TBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevel bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  // The fill colour; invalid means the button-face colour of the palette.
  QColor Color() const;
  void SetColor(const QColor& color);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Alignment alignment_ = Qt::AlignHCenter;
  TBevel bevelInner_ = TBevel::None;
  TBevel bevelOuter_ = TBevel::Raised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = TBorderStyle::None;
  QColor color_;
  QString caption_;
};

}  // namespace quillet
