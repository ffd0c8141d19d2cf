// SPDX-License-Identifier: GPL-3.0-or-later
/** Registers a widget class's own accessibility interface with Qt, once. */
#pragma once

#include <QAccessible>

#include <mutex>

namespace richtext {

// After this, Qt's accessibility builds an `Interface` (constructed from the
// widget) for every `Widget`; calling it again does nothing.
template <class Widget, class Interface>
void InstallAccessibleFactory() {
  static std::once_flag once;
  std::call_once(once, [] {
    QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
      if (auto* widget = qobject_cast<Widget*>(object)) return new Interface(widget);
      return nullptr;
    });
  });
}

}  // namespace richtext
