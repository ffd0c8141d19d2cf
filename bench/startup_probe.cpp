// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own start-up, ended as soon as the main window has painted
// for the first time. startup_bench times it against minimal_window_probe.
// Once the first paint is through it says so (first_paint.h).
#include <app/main_screen.h>
#include <app/startup.h>

#include <QApplication>
#include <QEvent>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "first_paint.h"

namespace {

// Quits once the watched window has painted; with QUILLET_PROBE_GRAB=FILE.png
// it saves what was painted first, to show that the probe paints the diary.
class QuitAfterPaint : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      auto* window = qobject_cast<QWidget*>(watched);
      QTimer::singleShot(0, qApp, [window] {
        quillet::bench::SayFirstPaintDone();
        const QString grab = qEnvironmentVariable("QUILLET_PROBE_GRAB");
        if (!grab.isEmpty() && window) window->grab().save(grab);
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  // QUILLET_PROBE_TRACE=1 prints where the time goes.
  const bool trace = qEnvironmentVariableIsSet("QUILLET_PROBE_TRACE");
  QElapsedTimer clock;
  clock.start();
  auto mark = [&](const char* what) {
    if (trace) std::fprintf(stderr, "%7.1f ms  %s\n", clock.nsecsElapsed() / 1e6, what);
  };
  const quillet::TStartOptions options =
      quillet::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (int status = quillet::StartOptionsOutcome(options); status >= 0) return status;
  QApplication app(argc, argv);
  quillet::SetUpApplication(app);
  mark("application");
  QuitAfterPaint quit;
  quillet::TRunHooks hooks;
  hooks.shown = [&](quillet::TMainScreen& w) {
    mark("window created and shown");
    w.installEventFilter(&quit);
  };
  int status = quillet::RunQuillet(app, options, hooks);
  mark("painted");
  return status;
}
