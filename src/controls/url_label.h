// SPDX-License-Identifier: GPL-3.0-or-later
/** TUrlLabel: a blue underlined label that opens its address when clicked. */
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class QMenu;

namespace quillet {

// Clicking opens URL, or the caption when URL is blank, with the desktop's
// default application (QDesktopServices). While the left button is held the
// text turns ActiveColor. Its context menu has one item, "Copy", that puts
// the caption on the clipboard.
class TUrlLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TUrlLabel(QWidget* parent = nullptr);

  QString URL() const { return url_; }
  void SetURL(const QString& url) { url_ = url; }
  QColor ActiveColor() const { return activeColor_; }
  void SetActiveColor(const QColor& color) { activeColor_ = color; }

  // What a click opens: URL when it is not blank, else the caption; empty
  // when both are blank.
  QString Target() const;
  // Opens the target; false when there is none or nothing could open it.
  bool Open();
  void CopyCaption();
  QMenu* PopupMenu() const { return menu_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void SetTextColor(const QColor& color);

  QString url_;
  QColor activeColor_{0x80, 0x00, 0x80};
  QColor restColor_;  // the colour to return to when the button is released
  bool pressed_ = false;
  QMenu* menu_;
};

}  // namespace quillet
