// SPDX-License-Identifier: GPL-3.0-or-later
/** TGoToDateBox: the small box in which a day is typed to go to, in figures or words. */
#pragma once

#include <diary/dates.h>

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class TGoToDateBox : public QDialog {
  Q_OBJECT
 public:
  // Words such as "yesterday" are counted from `today`.
  explicit TGoToDateBox(TDate today, QWidget* parent = nullptr);

  QLineEdit* DateText() const { return text_; }
  QLabel* Problem() const { return problem_; }
  QPushButton* OkButton() const { return ok_; }
  // The day typed, once the box was closed with OK.
  std::optional<TDate> Day() const { return day_; }

  void accept() override;

 private:
  TDate today_;
  QLineEdit* text_;
  QLabel* problem_;
  QPushButton* ok_;
  std::optional<TDate> day_;
};

}  // namespace quillet
