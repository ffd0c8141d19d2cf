/** The diary's main window. For now it shows the day only; the entry page comes later. */
#pragma once

#include <QMainWindow>

class QLabel;

namespace quillet {

class TMainScreen : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainScreen(QWidget* parent = nullptr);

  QLabel* DateLabel() const { return dateLabel_; }

 private:
  QLabel* dateLabel_;
};

}  // namespace quillet
