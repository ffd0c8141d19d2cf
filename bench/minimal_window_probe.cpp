// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest Qt window program: a main window with a label, ended as soon
// as it has painted for the first time. The yardstick of startup_bench.
// Once the first paint is through it says so (first_paint.h).
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include "first_paint.h"

namespace {

class Window : public QMainWindow {
 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Paint && !done_) {
      done_ = true;
      QTimer::singleShot(0, qApp, [] {
        quillet::bench::SayFirstPaintDone();
        QCoreApplication::quit();
      });
    }
    return QMainWindow::event(e);
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Window w;
  w.setCentralWidget(new QLabel(QStringLiteral("Hello"), &w));
  w.resize(622, 402);
  w.show();
  return app.exec();
}
