// SPDX-License-Identifier: GPL-3.0-or-later
/** TLookForAll: asks for the text to look for in every entry. */
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class TLookForAll : public QDialog {
  Q_OBJECT
 public:
  explicit TLookForAll(QWidget* parent = nullptr);

  QLineEdit* LookForText() const { return lookForText_; }
  QCheckBox* WholeWords() const { return wholeWords_; }
  QCheckBox* AllWords() const { return allWords_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  QLineEdit* lookForText_;
  QCheckBox* wholeWords_;
  QCheckBox* allWords_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace quillet
