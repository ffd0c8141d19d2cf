// SPDX-License-Identifier: GPL-3.0-or-later
#include <controls/url_label.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>

namespace quillet {

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent), menu_(new QMenu(this)) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  SetTextColor(Qt::blue);
  setCursor(Qt::PointingHandCursor);
  menu_->addAction(tr("Copy"), this, &TUrlLabel::CopyCaption);
}

void TUrlLabel::SetTextColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, color);
  setPalette(pal);
}

QString TUrlLabel::Target() const {
  QString target = url_.trimmed();
  if (target.isEmpty()) target = text().trimmed();
  return target;
}

bool TUrlLabel::Open() {
  const QString target = Target();
  if (target.isEmpty()) return false;
  // "www.example.org" and "/home/me/file.txt" open as a user would expect.
  return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

void TUrlLabel::CopyCaption() { QGuiApplication::clipboard()->setText(text()); }

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !pressed_) {
    pressed_ = true;
    restColor_ = palette().color(QPalette::WindowText);
    SetTextColor(activeColor_);
  }
  QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && pressed_) {
    pressed_ = false;
    SetTextColor(restColor_);
    if (rect().contains(event->position().toPoint())) Open();
  }
  QLabel::mouseReleaseEvent(event);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* event) { menu_->popup(event->globalPos()); }

}  // namespace quillet
