// SPDX-License-Identifier: GPL-3.0-or-later
/** The editor widget as assistive technology sees it: editable text with caret, selection and runs. */
#pragma once

#include <richtext/paint.h>

#include <QAccessibleWidget>
#include <QString>

namespace richtext {

class TRichText;

// Offsets here are those of Qt's accessibility: UTF-16 units of the whole
// text, paragraphs joined by '\n' and pictures shown as U+FFFC.
class TRichTextAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
 public:
  explicit TRichTextAccessible(TRichText* editor);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text kind) const override;

  // QAccessibleTextInterface
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

  // QAccessibleEditableTextInterface
  void deleteText(int startOffset, int endOffset) override;
  void insertText(int offset, const QString& text) override;
  void replaceText(int startOffset, int endOffset, const QString& text) override;

 private:
  TRichText* Editor() const;
  // The displayed line holding an offset, its paragraph end included.
  bool LineAt(int offset, int* startOffset, int* endOffset) const;
};

// The whole text of an editor in accessibility offsets, and the conversions
// between those offsets and document positions.
QString AccessibleText(const TRichText& editor);
int AccessibleOffset(const TRichText& editor, TPosition position);
TPosition AccessiblePosition(const TRichText& editor, int offset);

// Makes Qt's accessibility build a TRichTextAccessible for every editor; once is enough.
void InstallRichTextAccessibility();

}  // namespace richtext
