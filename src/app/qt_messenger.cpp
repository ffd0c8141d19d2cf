// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/qt_messenger.h>

#include <app/main_screen.h>

#include <QApplication>
#include <QMessageBox>

namespace quillet {
namespace {

QWidget* Parent() {
  QWidget* main = MainScreen();
  return main && main->isVisible() ? main : nullptr;
}

}  // namespace

void TQtMessenger::ShowMessage(const std::string& text) {
  QMessageBox::warning(Parent(), QApplication::applicationName(), QString::fromStdString(text));
}

void TQtMessenger::InfoBox(const std::string& text) {
  QMessageBox::information(Parent(), QStringLiteral("Information"), QString::fromStdString(text));
}

bool TQtMessenger::ConfirmBox(const std::string& text) {
  return QMessageBox::question(Parent(), QStringLiteral("Confirm"), QString::fromStdString(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace quillet
