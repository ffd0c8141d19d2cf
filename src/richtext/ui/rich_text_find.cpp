// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's finding: the find and replace dialogs, FindString,
// marking a range, and the spell checker's walk through the words.
#include <richtext/ui/rich_text.h>

#include <base/messages.h>
#include <richtext/ui/find_dialog.h>
#include <richtext/unicode.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

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
  PlaceDialogClear();
}

void TRichText::ShowReplaceDialog() {
  delete findDialog_;
  findDialog_ = new TFindDialog(true, this);
  findDialog_->SetMatchCase(finder_.caseSensitive);
  connect(findDialog_, &TFindDialog::FindRequested, this, &TRichText::DialogFind);
  connect(findDialog_, &TFindDialog::ReplaceRequested, this, &TRichText::DialogReplace);
  findDialog_->show();
  PlaceDialogClear();
}

namespace {

std::string NotFoundText(const TString& text) { return "\"" + ToUtf8(text) + "\" was not found."; }

std::string ReachedText(bool down) {
  return down ? "The search reached the end. Continue from the beginning?"
              : "The search reached the beginning. Continue from the end?";
}

std::string ReplacedText(int count, bool stopped) {
  std::string n = std::to_string(count) + (count == 1 ? " replacement" : " replacements");
  return stopped ? "Replace All stopped after " + n + "." : n + " made.";
}

// While Replace All runs, the keys and clicks that come in are held from the
// window (the text must not change under it); an Escape among them stops it.
class TEscapeWatch : public QObject {
 public:
  TEscapeWatch() { QCoreApplication::instance()->installEventFilter(this); }
  ~TEscapeWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
  bool Pressed() {
    QCoreApplication::processEvents();
    return pressed_;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) pressed_ = true;
        return true;
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        return true;
      default:
        return false;
    }
  }

 private:
  bool pressed_ = false;
};

}  // namespace

// The dialog's options go to the finder, which searches from exactly where it is put.
bool TRichText::SearchFrom(size_t at, bool down, const TString& text) {
  finder_.wildcard = '*';
  finder_.attrFilter = 0;
  if (findDialog_) {
    finder_.wholeWord = findDialog_->WholeWord();
    finder_.caseSensitive = findDialog_->MatchCase();
  }
  finder_.keepPosition = true;
  finder_.SetPosition(long(at));
  return down ? finder_.FindNext(text) : finder_.FindPrevious(text);
}

bool TRichText::FoundWithin(size_t from, size_t to, const TString& text) {
  return SearchFrom(from, true, text) && finder_.FoundPosition() < to;
}

// Searches from the caret towards the end (or the start, going up); when
// nothing is there but the text is found on the other side of the caret, the
// user is asked whether to go on from the other end.
void TRichText::DialogFind() {
  if (!findDialog_) return;
  bool down = findDialog_->Down();
  TString text = ToTString(findDialog_->FindText());
  if (!SearchFrom(editor_.Absolute(down ? editor_.SelEnd() : editor_.SelStart()), down, text)) {
    if (!SearchFrom(down ? 0 : doc_.TotalLength(), down, text)) {
      quillet::Messenger().InfoBox(NotFoundText(text));
      return;
    }
    if (!quillet::Messenger().ConfirmBox(ReachedText(down))) return;
  }
  SelectFound(down);
  PlaceDialogClear();
}

// Replaces every match from `from` on (up to a match starting at `until`,
// which moves with the replacements before it); `done` replacements were made
// before. Gives the count with those; `stopped` tells that Escape stopped it.
int TRichText::ReplaceRun(const TString& find, const TString& with, size_t from,
                          std::optional<size_t> until, int done, bool& stopped) {
  std::optional<TEscapeWatch> watch;
  if (!escapePressed) watch.emplace();
  int count = done;
  size_t at = from;
  while (SearchFrom(at, true, find)) {
    size_t pos = finder_.FoundPosition(), len = finder_.FoundLength();
    if ((until && pos >= *until) || len == 0) break;
    TPosition a = editor_.FromAbsolute(pos);
    editor_.Replace(a, editor_.FromAbsolute(pos + len), TextLike(with, a));
    at = editor_.Absolute(editor_.caret);
    if (until) *until = size_t(std::max<long long>(0, (long long)*until + (long long)at - (long long)(pos + len)));
    if (++count % 30 == 0 && (watch ? watch->Pressed() : escapePressed())) {
      stopped = true;
      break;
    }
  }
  return count;
}

void TRichText::DialogReplace(bool all) {
  if (!findDialog_ || editor_.readOnly) return;
  TString find = ToTString(findDialog_->FindText());
  TString with = ToTString(findDialog_->ReplaceText());
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
  // From the caret to the end, then, when the user wants it, from the
  // beginning up to where it started.
  size_t from = editor_.Absolute(editor_.SelStart());
  bool stopped = false;
  editor_.BeginGroup();
  int count = ReplaceRun(find, with, from, std::nullopt, 0, stopped);
  bool before = !stopped && from > 0 && FoundWithin(0, from, find);
  if (before && quillet::Messenger().ConfirmBox(ReachedText(true))) {
    count = ReplaceRun(find, with, 0, from, count, stopped);
  }
  editor_.EndGroup();
  ReformatAll();
  quillet::Messenger().InfoBox(count || before ? ReplacedText(count, stopped) : NotFoundText(find));
}

// Moves the dialog off the lines of the caret and the selection: below them
// or above them, wherever the screen has more room.
void TRichText::PlaceDialogClear() {
  if (!findDialog_ || !findDialog_->isVisible()) return;
  QRect lines = CaretRect();
  TPosition caret = editor_.caret;
  editor_.caret = editor_.anchor;
  lines |= CaretRect();
  editor_.caret = caret;
  QRect band(viewport()->mapToGlobal(QPoint(0, lines.top())), QSize(viewport()->width(), lines.height()));
  band.adjust(0, -Margin(), 0, Margin());
  QRect frame = findDialog_->frameGeometry();
  if (!frame.intersects(band)) return;
  QScreen* screen = findDialog_->screen();
  QRect room = screen ? screen->availableGeometry() : QRect(frame.united(band));
  int y = room.bottom() - band.bottom() >= band.top() - room.top()
              ? std::min(band.bottom() + 1, room.bottom() + 1 - frame.height())
              : std::max(band.top() - frame.height(), room.top());
  findDialog_->move(frame.x(), y);
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
