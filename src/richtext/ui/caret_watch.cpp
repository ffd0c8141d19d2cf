// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/caret_watch.h>

#include <richtext/ui/rich_text.h>

#include <QEvent>
#include <QScrollBar>
#include <QTimer>

namespace richtext {

void TCaretWatch::Watch(TRichText* editor) {
  if (editor_) {
    editor_->removeEventFilter(this);
    editor_->viewport()->removeEventFilter(this);
    disconnect(editor_, nullptr, this, nullptr);
    disconnect(editor_->horizontalScrollBar(), nullptr, this, nullptr);
  }
  editor_ = editor;
  if (!editor) return;
  editor->installEventFilter(this);
  editor->viewport()->installEventFilter(this);
  connect(editor, &TRichText::OnChange, this, &TCaretWatch::Schedule);
  connect(editor->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TCaretWatch::Schedule);
  Schedule();
}

bool TCaretWatch::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
    case QEvent::Paint:
    case QEvent::Resize:
    case QEvent::Drop:
      Schedule();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void TCaretWatch::Schedule() {
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, [this] {
    pending_ = false;
    if (editor_) emit Moved();
  });
}

}  // namespace richtext
