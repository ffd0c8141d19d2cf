// SPDX-License-Identifier: GPL-3.0-or-later
/** The main window on a temporary diary, for the window's tests. */
#pragma once

#include <app/main_screen.h>

#include <diary/dates.h>

#include "../support/modal.h"
#include "../support/recording_messenger.h"
#include "../support/temp_dir.h"

#include <richtext/io.h>
#include <richtext/ui/rich_text.h>
#include <richtext/writer.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>

namespace quillet::testing {

// A diary directory whose settings keep the opening message away.
struct Diary {
  TempDir dir;
  RecordingMessenger messages;
  Diary() { dir.Write("QX.INI", "[Opening Screen]\nshow=0\n"); }
  std::filesystem::path Entry(TDate d) const { return dir / "Entries" / (DayKey(d) + ".QXE"); }
};

// The window as the program shows it: created, shown and activated.
inline std::unique_ptr<TMainScreen> Open(const std::filesystem::path& dir) {
  auto w = std::make_unique<TMainScreen>(dir);
  w->show();
  w->FormActivate();
  return w;
}

// Lets the window lay itself out and paint.
inline void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Types into the page as the user does.
inline void Type(TMainScreen& w, const QString& text) {
  w.RichText1()->setFocus();
  QTest::keyClicks(w.RichText1(), text);
}

// The page's plain text: enough to tell entries apart.
inline std::string PlainText(std::string_view rtf) {
  richtext::TRTFTextIo doc;
  doc.LoadFromStream(rtf);
  richtext::TStringStream out;
  richtext::TTextWriter(doc).Write(out);
  return out.bytes;
}
inline std::string Text(TMainScreen& w) { return PlainText(w.RichText1()->SaveToBytes()); }

// Runs `act`; the class name of the modal dialog it opened (which is then
// cancelled), empty when it opened none.
inline std::string DialogOpenedBy(const std::function<void()>& act) {
  std::string opened;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&opened] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      opened = modal->metaObject()->className();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
    }
  });
  poll.start();
  act();
  Settle();
  poll.stop();
  return opened;
}

// One of the window's tool buttons, by its object name.
inline QToolButton* Tool(TMainScreen& w, const char* name) {
  return w.findChild<QToolButton*>(QString::fromLatin1(name));
}

}  // namespace quillet::testing
