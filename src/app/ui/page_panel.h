/** The page the main window shows the day on: grey binder, white page, rings at the left. */
#pragma once

#include <QWidget>

namespace quillet {

class TPagePanel : public QWidget {
  Q_OBJECT
 public:
  explicit TPagePanel(QWidget* parent = nullptr);
  int LeftEdge() const { return 31; }
  int RightEdge() const { return 15; }

 signals:
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};

}  // namespace quillet
