// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/convert_notify.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace quillet {

TConvertNotify::TConvertNotify(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
  setWindowTitle("Quillet");
  setFixedSize(355, 146);
  whatAmIdoing_ = new QLabel("Converting to new Quillet file format....", this);
  whatAmIdoing_->setObjectName("WhatAmIdoing");
  whatAmIdoing_->setGeometry(18, 14, 355 - 36, 24);
  status_ = new QLabel("Working...", this);
  status_->setObjectName("Status");
  status_->setGeometry(18, 51, 355 - 36, 24);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TConvertNotify::SetWhat(const QString& text) { whatAmIdoing_->setText(text); }
void TConvertNotify::SetStatus(const QString& text) { status_->setText(text); }

}  // namespace quillet
