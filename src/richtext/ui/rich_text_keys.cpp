// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's keys: moving the caret by characters, lines, pages
// and table cells, editing keys, text from input methods.
#include <richtext/ui/rich_text.h>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>

namespace richtext {

bool TRichText::event(QEvent* event) {
  // Tab keys go into the text, not to the next widget.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TRichText::keyPressEvent(QKeyEvent* event) {
  bool handled = false;
  emit OnKeyDown(event, handled);
  if (handled) return;
  bool shift = event->modifiers() & Qt::ShiftModifier;
  bool ctrl = event->modifiers() & Qt::ControlModifier;
  int key = event->key();
  if (event->matches(QKeySequence::Undo)) return Undo();
  if (event->matches(QKeySequence::Redo) || (ctrl && key == Qt::Key_Y)) return Redo();
  if (event->matches(QKeySequence::Copy) || (ctrl && key == Qt::Key_Insert)) return CopyToClipboard();
  // Shift+Delete and Ctrl+Delete both cut the selection.
  if (event->matches(QKeySequence::Cut) || ((shift || ctrl) && key == Qt::Key_Delete)) return CutToClipboard();
  if (event->matches(QKeySequence::Paste) || (shift && key == Qt::Key_Insert)) return PasteFromClipboard();
  if (event->matches(QKeySequence::SelectAll)) return SelectAll();

  auto moved = [this] {
    EnsureCaretVisible();
    viewport()->update();
  };
  switch (key) {
    case Qt::Key_Left:
      ctrl ? editor_.WordLeft(shift) : editor_.CharLeft(shift);
      return moved();
    case Qt::Key_Right:
      ctrl ? editor_.WordRight(shift) : editor_.CharRight(shift);
      return moved();
    case Qt::Key_Up:
      MoveVertically(-1, shift);
      return moved();
    case Qt::Key_Down:
      MoveVertically(1, shift);
      return moved();
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (ctrl) {
        // The first or the last line wholly in view, in the caret's column.
        TPosition c = editor_.caret;
        if (preferredX_ < 0 || c != preferredFor_) {
          preferredX_ = layout_->XOf(c.par, layout_->LineOf(c.par, c.offset), c.offset);
        }
        int64_t top = int64_t(verticalScrollBar()->value()) - Margin();
        int64_t y = key == Qt::Key_PageUp ? top : top + viewport()->height() - 1;
        TPosition to = PositionAtDocument(y, preferredX_);
        size_t li = layout_->LineOf(to.par, to.offset);
        const TDisplayLine& line = layout_->Paragraph(to.par).lines[li];
        int64_t lineTop = layout_->ParagraphTop(to.par) + line.top;
        if (key == Qt::Key_PageUp && lineTop < top) y = lineTop + line.height;  // partly above
        if (key == Qt::Key_PageDown && lineTop + line.height > top + viewport()->height()) y = lineTop - 1;
        editor_.MoveTo(PositionAtDocument(y, preferredX_), shift);
        preferredFor_ = editor_.caret;
      } else {
        MovePage(key == Qt::Key_PageUp ? -1 : 1, shift);
      }
      return moved();
    case Qt::Key_Home:
    case Qt::Key_End: {
      TPosition c = editor_.caret;
      if (ctrl) {
        editor_.MoveTo(key == Qt::Key_Home ? TPosition{0, 0} : editor_.End(), shift);
      } else {
        const TParagraphLayout& pl = layout_->Paragraph(c.par);
        size_t li = layout_->LineOf(c.par, c.offset);
        const TDisplayLine& line = pl.lines[li];
        size_t end = line.start + line.length;
        bool last = li + 1 == pl.lines.size();
        if (!last && end > line.start) --end;  // before the wrap, still on this line
        editor_.MoveTo({c.par, key == Qt::Key_Home ? line.start : end}, shift);
      }
      return moved();
    }
    case Qt::Key_Escape:
      editor_.MoveTo(editor_.caret, false);
      return moved();
    case Qt::Key_Insert:
      doc_.insertMode = !doc_.insertMode;
      RestartBlink();
      return;
    case Qt::Key_Backspace:
      return editor_.Backspace();
    case Qt::Key_Delete:
      return editor_.Delete();
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) return editor_.PageBreak();
      if (shift) return editor_.InsertText(TString(1, kLineBreak));
      return editor_.Enter();
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      // Tab is typed into the text; Ctrl+Tab, Ctrl+Shift+Tab and (outside
      // tables) Shift+Tab leave it for the next or previous control, so the
      // keyboard is never caught in the page.
      const bool back = shift || key == Qt::Key_Backtab;
      if (ctrl) {
        emit CtrlTabPressed();
        focusNextPrevChild(!back);
      } else if (editor_.ChangeListLevel(back ? -1 : 1)) {
        return moved();
      } else if (doc_.Par(editor_.caret.par).IsTableCell()) {
        MoveToCell(back ? -1 : 1);
        return moved();
      } else if (back) {
        emit ShiftTabPressed();
        focusNextPrevChild(false);
      } else {
        editor_.InsertText(TString(1, kTab));
      }
      return;
    }
    default:
      break;
  }
  QString text = event->text();
  if (!text.isEmpty() && !ctrl && text[0].isPrint()) {
    editor_.InsertText(ToTString(text));
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void TRichText::inputMethodEvent(QInputMethodEvent* event) {
  // Text that input methods, dead keys and compose sequences commit.
  if (!event->commitString().isEmpty()) editor_.InsertText(ToTString(event->commitString()));
  event->accept();
}

QVariant TRichText::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImCursorRectangle) return const_cast<TRichText*>(this)->CaretRect();
  if (query == Qt::ImEnabled) return !editor_.readOnly;
  return QAbstractScrollArea::inputMethodQuery(query);
}

void TRichText::MoveVertically(int direction, bool extend) {
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  const TParagraphLayout& pl = layout_->Paragraph(c.par);
  const TDisplayLine& line = pl.lines[li];
  if (preferredX_ < 0 || c != preferredFor_) preferredX_ = layout_->XOf(c.par, li, c.offset);
  int64_t top = layout_->ParagraphTop(c.par);
  int64_t y;
  if (direction > 0) {
    // Below the caret's line; from a cell's last line, below its row.
    bool lastInCell = doc_.Par(c.par).IsTableCell() && li + 1 == pl.lines.size();
    y = top + (lastInCell ? pl.rowHeight : line.top + line.height);
    if (y >= layout_->TotalHeight()) return;
  } else {
    y = top + line.top - 1;
    if (y < 0) return;
  }
  editor_.MoveTo(PositionAtDocument(y, preferredX_), extend);
  preferredFor_ = editor_.caret;
}

void TRichText::MovePage(int direction, bool extend) {
  // One screenful by the real heights of the lines: the line at the same
  // place on the next (previous) screen gets the caret, in the same column,
  // and the view scrolls with it.
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  if (preferredX_ < 0 || c != preferredFor_) preferredX_ = layout_->XOf(c.par, li, c.offset);
  const TDisplayLine& line = layout_->Paragraph(c.par).lines[li];
  int64_t before = layout_->ParagraphTop(c.par) + line.top;
  int page = std::max(16, viewport()->height());
  int64_t y = before + line.height / 2 + (direction > 0 ? page : -page);
  editor_.MoveTo(PositionAtDocument(y, preferredX_), extend);
  c = preferredFor_ = editor_.caret;
  int64_t after = layout_->ParagraphTop(c.par) + layout_->Paragraph(c.par).lines[layout_->LineOf(c.par, c.offset)].top;
  QScrollBar* v = verticalScrollBar();
  v->setValue(int(v->value() + (after - before)));
}

void TRichText::MoveToCell(int direction) {
  // Tab and Shift+Tab in a table: the next or previous cell, its text selected.
  size_t par = editor_.caret.par;
  if (direction > 0 && par + 1 >= doc_.Size()) return;
  if (direction < 0 && (par == 0 || !doc_.Par(par - 1).IsTableCell())) return;
  size_t to = direction > 0 ? par + 1 : par - 1;
  editor_.Select({to, 0}, {to, doc_.Par(to).IsTableCell() ? doc_.Par(to).Length() : 0});
}

}  // namespace richtext
