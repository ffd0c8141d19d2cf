// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's accessibility: its text, caret, selection, lines and
// runs for screen readers, and the events that keep them up to date.
#include <richtext/ui/rich_text_accessible.h>

#include <richtext/ui/accessible_factory.h>
#include <richtext/ui/rich_text.h>

#include <QAccessibleEvent>
#include <QScrollBar>


namespace richtext {
namespace {

constexpr char16_t kObjectReplacement = 0xFFFC;

bool IsObjectChar(TChar c) { return c == kObjectById || c == kObjectByTag; }

// UTF-16 units of the first `count` characters of a paragraph.
int Utf16Length(const TParagraph& p, size_t count) {
  int n = 0;
  for (size_t i = 0; i < count && i < p.text.size(); ++i) n += p.text[i] > 0xFFFF ? 2 : 1;
  return n;
}

QString ParagraphString(const TParagraph& p) {
  TString text = p.text;
  for (TChar& c : text) {
    if (IsObjectChar(c)) c = kObjectReplacement;
  }
  return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

QString Attribute(const char* name, const QString& value) {
  return QString::fromLatin1(name) + u':' + value + u';';
}

}  // namespace

QString AccessibleText(const TRichText& editor) {
  const TRTFTextIo& doc = editor.Document();
  QString all;
  for (size_t i = 0; i < doc.Size(); ++i) {
    if (i > 0) all += u'\n';
    all += ParagraphString(doc.Par(i));
  }
  return all;
}

int AccessibleOffset(const TRichText& editor, TPosition position) {
  const TRTFTextIo& doc = editor.Document();
  int offset = 0;
  for (size_t i = 0; i < position.par && i < doc.Size(); ++i) {
    offset += Utf16Length(doc.Par(i), doc.Par(i).text.size()) + 1;
  }
  if (position.par < doc.Size()) offset += Utf16Length(doc.Par(position.par), position.offset);
  return offset;
}

TPosition AccessiblePosition(const TRichText& editor, int offset) {
  const TRTFTextIo& doc = editor.Document();
  int left = std::max(offset, 0);
  for (size_t i = 0; i < doc.Size(); ++i) {
    const TParagraph& p = doc.Par(i);
    size_t at = 0;
    while (at < p.text.size() && left > 0) {
      int units = p.text[at] > 0xFFFF ? 2 : 1;
      if (units > left) break;  // inside a surrogate pair: the character's start
      left -= units;
      ++at;
    }
    if (left == 0 || i + 1 == doc.Size()) return {i, at};
    if (at == p.text.size()) --left;  // the paragraph end
    if (left == 0) return {i + 1, 0};
    if (at < p.text.size()) return {i, at};
  }
  return {};
}

// ---------------------------------------------------------------- the interface

TRichTextAccessible::TRichTextAccessible(TRichText* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText) {
  // Changes are told against the text as it is when a reader first looks.
  editor->accessibleText_ = AccessibleText(*editor);
}

TRichText* TRichTextAccessible::Editor() const { return static_cast<TRichText*>(widget()); }

void* TRichTextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  if (type == QAccessible::EditableTextInterface && !Editor()->ReadOnly()) {
    return static_cast<QAccessibleEditableTextInterface*>(this);
  }
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TRichTextAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.editable = !Editor()->ReadOnly();
  s.readOnly = Editor()->ReadOnly();
  s.multiLine = true;
  s.selectableText = true;
  return s;
}

QString TRichTextAccessible::text(QAccessible::Text kind) const {
  if (kind == QAccessible::Value) return AccessibleText(*Editor());
  return QAccessibleWidget::text(kind);
}

void TRichTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  const TEditor& e = Editor()->Editor();
  if (selectionIndex != 0 || !e.HasSelection()) return;
  *startOffset = AccessibleOffset(*Editor(), e.SelStart());
  *endOffset = AccessibleOffset(*Editor(), e.SelEnd());
}

int TRichTextAccessible::selectionCount() const { return Editor()->Editor().HasSelection() ? 1 : 0; }

void TRichTextAccessible::addSelection(int startOffset, int endOffset) {
  // One selection only: a new one takes the place of the old.
  setSelection(0, startOffset, endOffset);
}

void TRichTextAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex != 0) return;
  TEditor& e = Editor()->Editor();
  e.MoveTo(e.caret, false);
  Editor()->Invalidate();
}

void TRichTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  Editor()->Editor().Select(AccessiblePosition(*Editor(), startOffset),
                            AccessiblePosition(*Editor(), endOffset));
  Editor()->EnsureCaretVisible();
  Editor()->Invalidate();
}

int TRichTextAccessible::cursorPosition() const {
  return AccessibleOffset(*Editor(), Editor()->Editor().caret);
}

void TRichTextAccessible::setCursorPosition(int position) {
  Editor()->Editor().MoveTo(AccessiblePosition(*Editor(), position), false);
  Editor()->EnsureCaretVisible();
  Editor()->Invalidate();
}

QString TRichTextAccessible::text(int startOffset, int endOffset) const {
  QString all = AccessibleText(*Editor());
  if (endOffset < 0 || endOffset > all.size()) endOffset = int(all.size());
  startOffset = std::clamp(startOffset, 0, endOffset);
  return all.mid(startOffset, endOffset - startOffset);
}

int TRichTextAccessible::characterCount() const { return int(AccessibleText(*Editor()).size()); }

bool TRichTextAccessible::LineAt(int offset, int* startOffset, int* endOffset) const {
  if (offset < 0 || offset > characterCount()) return false;
  TRichText& editor = *Editor();
  TPosition at = AccessiblePosition(editor, offset);
  TLayout& layout = editor.Layout();
  const TParagraphLayout& pl = layout.Paragraph(at.par);
  if (pl.lines.empty()) return false;
  const TDisplayLine& line = pl.lines[layout.LineOf(at.par, at.offset)];
  *startOffset = AccessibleOffset(editor, {at.par, line.start});
  *endOffset = AccessibleOffset(editor, {at.par, line.start + line.length});
  // A paragraph's last line takes its end with it, as lines of text do.
  if (&line == &pl.lines.back() && at.par + 1 < editor.Document().Size()) ++*endOffset;
  return true;
}

QString TRichTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
  if (boundaryType != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
  }
  *startOffset = *endOffset = -1;
  if (!LineAt(offset, startOffset, endOffset)) return {};
  return text(*startOffset, *endOffset);
}

QString TRichTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                              int* startOffset, int* endOffset) const {
  if (boundaryType != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
  }
  *startOffset = *endOffset = -1;
  int start = 0, end = 0;
  if (!LineAt(offset, &start, &end) || start == 0) return {};
  return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString TRichTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
  if (boundaryType != QAccessible::LineBoundary) {
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
  }
  *startOffset = *endOffset = -1;
  int start = 0, end = 0;
  if (!LineAt(offset, &start, &end) || end >= characterCount() || end == start) return {};
  return textAtOffset(end, boundaryType, startOffset, endOffset);
}

QRect TRichTextAccessible::characterRect(int offset) const {
  TRichText& editor = *Editor();
  QRect box = editor.CharacterRect(AccessiblePosition(editor, offset));
  return QRect(editor.viewport()->mapToGlobal(box.topLeft()), box.size());
}

int TRichTextAccessible::offsetAtPoint(const QPoint& point) const {
  TRichText& editor = *Editor();
  QPoint local = editor.viewport()->mapFromGlobal(point);
  if (!editor.viewport()->rect().contains(local)) return -1;
  return AccessibleOffset(editor, editor.PositionAt(local));
}

void TRichTextAccessible::scrollToSubstring(int startIndex, int endIndex) {
  TRichText& editor = *Editor();
  TEditor& e = editor.Editor();
  TPosition caret = e.caret, anchor = e.anchor;
  // Shows the end, then the start, and leaves the caret where it was.
  e.caret = AccessiblePosition(editor, endIndex);
  editor.EnsureCaretVisible();
  e.caret = AccessiblePosition(editor, startIndex);
  editor.EnsureCaretVisible();
  e.caret = caret;
  e.anchor = anchor;
  editor.Invalidate();
}

QString TRichTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  TRichText& editor = *Editor();
  const TRTFTextIo& doc = editor.Document();
  *startOffset = *endOffset = offset;
  if (offset < 0 || offset >= characterCount()) return {};
  TPosition at = AccessiblePosition(editor, offset);
  const TParagraph& p = doc.Par(at.par);
  if (at.offset >= p.text.size() || !doc.IsRich()) {
    // A paragraph end, or plain text: one character with the document's own look.
    *endOffset = offset + 1;
    return {};
  }
  // The run: the neighbours in the same paragraph with the same look.
  const TAttr a = doc.CharAttr(p, at.offset);
  size_t from = at.offset, to = at.offset + 1;
  while (from > 0 && doc.CharAttr(p, from - 1).SameRun(a)) --from;
  while (to < p.text.size() && doc.CharAttr(p, to).SameRun(a)) ++to;
  *startOffset = AccessibleOffset(editor, {at.par, from});
  *endOffset = AccessibleOffset(editor, {at.par, to});

  const TTextHeader& h = doc.Header();
  QString out;
  if (a.font < h.fonts.size()) out += Attribute("font-family", QString::fromStdString(h.fonts[a.font].name));
  out += Attribute("font-size", QString::number(a.size ? a.size : 10) + QStringLiteral("pt"));
  out += Attribute("font-weight", (a.flags & afBold) ? QStringLiteral("bold") : QStringLiteral("normal"));
  out += Attribute("font-style", (a.flags & afItalic) ? QStringLiteral("italic") : QStringLiteral("normal"));
  if (a.flags & afUnderline) out += Attribute("text-underline-style", QStringLiteral("solid"));
  if (a.flags & afStrikeOut) out += Attribute("text-line-through-type", QStringLiteral("single"));
  if (!(a.flags & afAutomatic)) {
    QColor c = ToQColor(doc.GetColor(a.TextColor()));
    out += Attribute("color", QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()));
  }
  return out;
}

void TRichTextAccessible::deleteText(int startOffset, int endOffset) { replaceText(startOffset, endOffset, {}); }

void TRichTextAccessible::insertText(int offset, const QString& text) { replaceText(offset, offset, text); }

void TRichTextAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
  TRichText& editor = *Editor();
  if (editor.ReadOnly()) return;
  editor.Editor().Select(AccessiblePosition(editor, startOffset), AccessiblePosition(editor, endOffset));
  if (text.isEmpty()) {
    editor.DeleteSelection();
  } else {
    editor.Editor().InsertText(ToTString(text));
  }
}

// ---------------------------------------------------------------- registration and events

void InstallRichTextAccessibility() { InstallAccessibleFactory<TRichText, TRichTextAccessible>(); }

// Nothing is told, and nothing computed, until a reader has looked at the
// editor (its interface primes accessibleText_).
void TRichText::NotifyAccessibleCaret() {
  if (!accessibleText_) return;
  int caret = AccessibleOffset(*this, editor_.caret);
  if (editor_.HasSelection() || hadSelection_) {
    QAccessibleTextSelectionEvent selection(this, AccessibleOffset(*this, editor_.SelStart()),
                                            AccessibleOffset(*this, editor_.SelEnd()));
    selection.setCursorPosition(caret);
    QAccessible::updateAccessibility(&selection);
  }
  hadSelection_ = editor_.HasSelection();
  QAccessibleTextCursorEvent moved(this, caret);
  QAccessible::updateAccessibility(&moved);
}

void TRichText::NotifyAccessibleText() {
  if (!accessibleText_) return;
  QString now = AccessibleText(*this);
  const QString& before = *accessibleText_;
  if (now == before) return;
  // What changed is what lies between the common beginning and the common end.
  qsizetype head = 0;
  const qsizetype shorter = std::min(before.size(), now.size());
  while (head < shorter && before[head] == now[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head && before[before.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
  QString removed = before.mid(head, before.size() - head - tail);
  QString inserted = now.mid(head, now.size() - head - tail);
  accessibleText_ = now;
  if (removed.isEmpty()) {
    QAccessibleTextInsertEvent event(this, int(head), inserted);
    QAccessible::updateAccessibility(&event);
  } else if (inserted.isEmpty()) {
    QAccessibleTextRemoveEvent event(this, int(head), removed);
    QAccessible::updateAccessibility(&event);
  } else {
    QAccessibleTextUpdateEvent event(this, int(head), removed, inserted);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace richtext
