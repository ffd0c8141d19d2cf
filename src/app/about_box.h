// SPDX-License-Identifier: GPL-3.0-or-later
/** "About Quillet": the program's name, version and home page. */
#pragma once

#include <QDialog>

namespace quillet {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace quillet
