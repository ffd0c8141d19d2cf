// SPDX-License-Identifier: GPL-3.0-or-later
/** TCaretWatch: tells when the caret, the selection or the text of an editor may have changed. */
#pragma once

#include <QObject>
#include <QPointer>

namespace richtext {

class TRichText;

// Watches an editor's keys, mouse, input and repaints (every caret move and
// every edit repaints the text) and reports once, after the event loop has
// finished with them, through Moved. The toolbar and the ruler follow the
// caret with it.
class TCaretWatch : public QObject {
  Q_OBJECT
 public:
  explicit TCaretWatch(QObject* parent = nullptr) : QObject(parent) {}
  void Watch(TRichText* editor);
  TRichText* Editor() const { return editor_; }

 signals:
  void Moved();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Schedule();

  QPointer<TRichText> editor_;
  bool pending_ = false;
};

}  // namespace richtext
