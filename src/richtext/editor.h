// SPDX-License-Identifier: GPL-3.0-or-later
/** Editing: caret and selection, every change as a replacement of a range, undo and redo. */
#pragma once

#include <richtext/paint.h>

#include <functional>
#include <optional>
#include <vector>

namespace richtext {

// A piece of a document: one or more paragraphs with their attribute indexes
// and properties. A piece within one paragraph is a single paragraph.
struct TFragment {
  std::vector<TParagraph> paragraphs{TParagraph{}};
  bool Empty() const { return paragraphs.size() == 1 && paragraphs[0].text.empty(); }
};

// The editing logic of an editor, apart from its window: the widget forwards
// keys and mouse positions here, and tests drive it directly.
class TEditor {
 public:
  explicit TEditor(TRTFText& doc) : doc_(doc) {}

  TPosition caret;   // where typing goes
  TPosition anchor;  // the other end of the selection
  bool readOnly = false;
  std::function<void()> OnChange;
  // Told whenever the caret or the selection moved (by keys, the mouse or an edit).
  std::function<void()> OnCaretMoved;

  bool HasSelection() const { return caret != anchor; }
  TPosition SelStart() const { return std::min(caret, anchor); }
  TPosition SelEnd() const { return std::max(caret, anchor); }
  // Absolute positions count every paragraph end as one character.
  size_t Absolute(TPosition p) const;
  TPosition FromAbsolute(size_t index) const;
  TPosition End() const;
  TPosition Clamp(TPosition p) const;

  void MoveTo(TPosition p, bool extend);
  // Sets both ends of the selection at once.
  void Select(TPosition anchorAt, TPosition caretAt);
  // Typing continues the text it joins: the insertion attribute becomes the
  // attribute of the character before the caret (at the start of a paragraph,
  // of its first character; in an empty paragraph, of the previous
  // paragraph's last character). Called on every caret move; an attribute
  // set without a selection therefore holds until the caret moves, and
  // across Enter.
  void FollowCaret();
  // The attribute that typing at p continues, or none in plain mode and in
  // an empty document.
  std::optional<TAttr> AttrAt(TPosition p) const;
  void SelectAll();
  void CharLeft(bool extend);
  void CharRight(bool extend);
  void WordLeft(bool extend);
  void WordRight(bool extend);
  void SelectWordAt(TPosition p);
  void SelectParagraphAt(TPosition p);

  // Copies a range, and replaces a range by a fragment: every edit is one of
  // these, and each is recorded for undo. Gives the end of what was put in.
  TFragment Copy(TPosition a, TPosition b) const;
  TPosition Replace(TPosition a, TPosition b, const TFragment& with);

  // Editing at the caret; each does nothing when read-only.
  void InsertText(const TString& text);  // with the insertion attribute; \n is a line break
  // A piece of one paragraph: the text, every character in `attr`.
  TFragment TextFragment(const TString& text, const TAttr& attr);
  void InsertFragment(const TFragment& f);
  void Enter();         // splits the paragraph
  void PageBreak();     // Ctrl+Enter
  void Backspace();
  void Delete();
  bool DeleteSelection();
  // Changes the attributes of the selection (or the insertion attribute).
  void ChangeAttributes(const std::function<void(TAttr&)>& change);
  // Changes the properties of the selected paragraphs (or the caret's).
  void ChangeParagraphs(const std::function<void(TParagraphProps&)>& change);
  // Makes the selected paragraphs items of a bulleted or numbered list, or
  // plain paragraphs again when they all are items of that kind already.
  void ToggleList(uint8_t kind);
  // Tab and Shift+Tab at the start of a list item: one level deeper or
  // shallower (shallower than the first level ends the list). False where
  // the keys mean something else.
  bool ChangeListLevel(int delta);

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < history_.size(); }
  void Undo() { Step(true); }
  void Redo() { Step(false); }
  void ClearHistory();
  // Edits between BeginGroup and EndGroup undo as one.
  void BeginGroup();
  void EndGroup();

 private:
  struct Record {
    TPosition start, endBefore, endAfter;  // the range before and after the change
    TFragment removed, inserted;
    std::vector<std::pair<size_t, TParagraphProps>> propsBefore, propsAfter;  // paragraph changes
    TPosition caretBefore, anchorBefore, caretAfter, anchorAfter;
    int group = 0;
    bool typing = false;
  };
  TPosition Apply(TPosition a, TPosition b, const TFragment& with);
  void Step(bool back);  // one undo (back) or redo, a whole group at a time
  void Push(Record r);
  void Changed();

  TRTFText& doc_;
  std::vector<Record> history_;
  size_t done_ = 0;
  int groupDepth_ = 0, groupId_ = 0, nextGroup_ = 1;
  bool holdInsertion_ = false;  // an edit that keeps the insertion attribute as it is
};

}  // namespace richtext
