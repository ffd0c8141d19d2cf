// SPDX-License-Identifier: GPL-3.0-or-later
/** The message shown at start until the user asks for it no more. */
#pragma once

#include <QDialog>

class QCheckBox;

namespace quillet {

class TShowOpeningMessage : public QDialog {
  Q_OBJECT
 public:
  explicit TShowOpeningMessage(QWidget* parent = nullptr);
  QCheckBox* DontShow() const { return dontShow_; }
  bool DontShowChecked() const;

 private:
  QCheckBox* dontShow_;
};

}  // namespace quillet
