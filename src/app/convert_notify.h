// SPDX-License-Identifier: GPL-3.0-or-later
/** TConvertNotify: the small stay-on-top window that tells what a long whole-diary job is doing. */
#pragma once

#include <QWidget>

class QLabel;

namespace quillet {

// Two lines: what the job does ("Searching...", "Exporting...") and the day it
// is at. Centred on the screen, no title-bar buttons; it does not block other
// windows. Set either label while it is shown; call Update() to repaint.
class TConvertNotify : public QWidget {
  Q_OBJECT
 public:
  explicit TConvertNotify(QWidget* parent = nullptr);

  QLabel* WhatAmIdoing() const { return whatAmIdoing_; }
  QLabel* Status() const { return status_; }
  void SetWhat(const QString& text);
  void SetStatus(const QString& text);

 private:
  QLabel* whatAmIdoing_;
  QLabel* status_;
};

}  // namespace quillet
