// The editor widget's finding: the find and replace dialogs, FindString,
// marking a range, and the spell checker's walk through the words.
#include <richtext/ui/rich_text.h>

#include <richtext/ui/find_dialog.h>

namespace richtext {

TFragment TRichText::TextLike(const TString& text, TPosition at) {
  const TParagraph& p = doc_.Par(at.par);
  bool inside = doc_.IsRich() && at.offset < p.Length();
  return editor_.TextFragment(text, inside ? doc_.CharAttr(p, at.offset) : doc_.insertionAttr);
}

void TRichText::SelectFound(bool caretAtEnd) {
  TPosition a = editor_.FromAbsolute(finder_.FoundPosition());
  TPosition b = editor_.FromAbsolute(finder_.FoundPosition() + finder_.FoundLength());
  editor_.Select(caretAtEnd ? a : b, caretAtEnd ? b : a);
  EnsureCaretVisible();
  viewport()->update();
}

void TRichText::ShowFindDialog() {
  delete findDialog_;
  findDialog_ = new TFindDialog(false, this);
  findDialog_->SetMatchCase(finder_.caseSensitive);
  connect(findDialog_, &TFindDialog::FindRequested, this, &TRichText::DialogFind);
  findDialog_->show();
}

void TRichText::ShowReplaceDialog() {
  delete findDialog_;
  findDialog_ = new TFindDialog(true, this);
  findDialog_->SetMatchCase(finder_.caseSensitive);
  connect(findDialog_, &TFindDialog::FindRequested, this, &TRichText::DialogFind);
  connect(findDialog_, &TFindDialog::ReplaceRequested, this, &TRichText::DialogReplace);
  findDialog_->show();
}

void TRichText::DialogFind() {
  if (!findDialog_) return;
  finder_.wildcard = '*';
  finder_.wholeWord = findDialog_->WholeWord();
  finder_.caseSensitive = findDialog_->MatchCase();
  finder_.attrFilter = 0;
  finder_.keepPosition = true;
  bool down = findDialog_->Down();
  TString text = ToTString(findDialog_->FindText());
  finder_.SetPosition(long(editor_.Absolute(down ? editor_.SelEnd() : editor_.SelStart())));
  bool found = down ? finder_.FindNext(text) : finder_.FindPrevious(text);
  if (found) SelectFound(down);
}

void TRichText::DialogReplace(bool all) {
  if (!findDialog_ || editor_.readOnly) return;
  TString find = ToTString(findDialog_->FindText());
  TString with = ToTString(findDialog_->ReplaceText());
  finder_.wildcard = '*';
  finder_.wholeWord = findDialog_->WholeWord();
  finder_.caseSensitive = findDialog_->MatchCase();
  finder_.keepPosition = true;
  // Is the selection what the last search found?
  bool onMatch = finder_.Found() && editor_.HasSelection() &&
                 editor_.Absolute(editor_.SelStart()) == finder_.FoundPosition() &&
                 editor_.Absolute(editor_.SelEnd()) == finder_.FoundPosition() + finder_.FoundLength();
  if (!all) {
    if (!onMatch) return DialogFind();
    TPosition a = editor_.SelStart();
    editor_.Replace(a, editor_.SelEnd(), TextLike(with, a));
    editor_.anchor = a;  // the new text stays selected
    return;
  }
  editor_.BeginGroup();
  int count = 0;
  if (onMatch) {
    editor_.Replace(editor_.SelStart(), editor_.SelEnd(), TextLike(with, editor_.SelStart()));
    ++count;
  }
  for (;;) {
    finder_.SetPosition(long(editor_.Absolute(editor_.caret)));
    if (!finder_.FindNext(find)) break;
    TPosition a = editor_.FromAbsolute(finder_.FoundPosition());
    TPosition b = editor_.FromAbsolute(finder_.FoundPosition() + finder_.FoundLength());
    editor_.Replace(a, b, TextLike(with, a));
    if (++count % 30 == 0 && escapePressed && escapePressed()) break;
  }
  editor_.EndGroup();
  ReformatAll();
}

bool TRichText::FindString(const QString& text, bool backwards) {
  finder_.wildcard = '*';
  finder_.keepPosition = false;
  TString t = ToTString(text);
  bool found;
  if (backwards) {
    finder_.ToEnd();
    found = finder_.FindPrevious(t);
  } else {
    finder_.ToStart();
    found = finder_.FindNext(t);
  }
  if (found) SelectFound(!backwards);
  return found;
}

void TRichText::MarkStart(size_t position) {
  markStart_ = position;
  TPosition p = editor_.FromAbsolute(position);
  const TParagraph& par = doc_.Par(p.par);
  if (doc_.IsRich() && p.offset < par.Length()) doc_.insertionAttr = doc_.CharAttr(par, p.offset);
  if (markLength_) MarkLength(*markLength_);
}

void TRichText::MarkLength(size_t length) {
  markLength_ = length;
  if (!markStart_) return;
  if (*markStart_ == 0 && length == 0) {
    editor_.MoveTo(editor_.caret, false);
  } else {
    TAttr insertion = doc_.insertionAttr;  // MarkStart chose it
    editor_.Select(editor_.FromAbsolute(*markStart_), editor_.FromAbsolute(*markStart_ + length));
    doc_.insertionAttr = insertion;
  }
  markStart_.reset();
  markLength_.reset();
  viewport()->update();
}

void TRichText::StartWordWalk() {
  wordFinder_.Reset();
  wordFinder_.wildcard = '*';
  wordFinder_.wordEnd = ' ';
  wordFinder_.wordSpan = true;
  wordFinder_.skipHiddenAndObjects = true;
  wordStart_ = wordEnd_ = {0, 0};
}

QString TRichText::NextWord() {
  // After a replacement or a selected word the walk goes on from the caret.
  if (editor_.HasSelection() && editor_.SelStart() == wordStart_) {
    wordFinder_.keepPosition = true;
    wordFinder_.SetPosition(long(editor_.Absolute(editor_.SelEnd())));
  } else {
    wordFinder_.keepPosition = false;
  }
  if (!wordFinder_.FindNext(U"*")) return {};
  wordStart_ = editor_.FromAbsolute(wordFinder_.FoundPosition());
  wordEnd_ = editor_.FromAbsolute(wordFinder_.FoundPosition() + wordFinder_.FoundLength());
  TString w = wordFinder_.FoundText();
  return QString::fromUcs4(w.data(), qsizetype(w.size()));
}

void TRichText::SelectWord() {
  editor_.Select(wordStart_, wordEnd_);
  EnsureCaretVisible();
  viewport()->update();
}

void TRichText::ReplaceSelection(const QString& text) {
  if (editor_.readOnly || !editor_.HasSelection()) return;
  TPosition a = editor_.SelStart();
  TString t = ToTString(text.left(255));
  editor_.Replace(a, editor_.SelEnd(), TextLike(t, a));
  editor_.anchor = a;
  wordStart_ = a;
  wordEnd_ = editor_.caret;
}

}  // namespace richtext
