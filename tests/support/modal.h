// SPDX-License-Identifier: GPL-3.0-or-later
/** Answering a modal dialog in a widget test: act on it as soon as it is shown. */
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace quillet::testing {

// Acts on the modal dialog of type T as soon as it is shown.
template <class T>
void WhenShown(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    }
  });
  timer->start();
}

}  // namespace quillet::testing
