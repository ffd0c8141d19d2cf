// SPDX-License-Identifier: GPL-3.0-or-later
/** TSmartImage: a picture control that loads picture files of every kind the browser offers. */
#pragma once

#include <QImage>
#include <QWidget>

namespace quillet {

// Shows a picture: at the top left, centred, stretched to fill, or stretched
// keeping its proportions; optionally leaving out the colour of its top-left
// pixel (Transparent); with AutoSize it takes the picture's size.
class TSmartImage : public QWidget {
  Q_OBJECT
 public:
  explicit TSmartImage(QWidget* parent = nullptr);

  const QImage& Picture() const { return picture_; }
  void SetPicture(const QImage& picture);
  // Loads a picture file; a file that cannot be read leaves an empty picture
  // and gives false with the reason in `error`.
  bool LoadFromFile(const QString& path, QString* error = nullptr);

  bool AutoSize = false;
  bool Center = false;
  bool Stretch = false;
  bool MaintainAspect = true;
  bool Transparent = false;

  // Where the picture is drawn inside the control.
  QRect PlacementRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace quillet
