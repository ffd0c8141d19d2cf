#include <richtext/ui/rich_text.h>

#include <richtext/ui/find_dialog.h>

#include <richtext/reader.h>
#include <richtext/unicode.h>
#include <richtext/writer.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDateTime>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

namespace richtext {
namespace {

TString ToTString(const QString& s) {
  TString out;
  for (char32_t c : s.toUcs4()) out.push_back(c);
  return out;
}

// Our own copies, and the clipboard names other programs give to RTF. Our
// own RTF ends exactly where the selection ended; other programs end theirs
// with a paragraph end that was not selected.
const char* const kOwnRtf = "application/x-quillet-rtf";
const char* const kRtfMimeTypes[] = {kOwnRtf, "text/rtf", "application/rtf", "text/richtext",
                                     "Rich Text Format"};

}  // namespace

TRichText::TRichText(QWidget* parent) : QAbstractScrollArea(parent) {
  layout_ = std::make_unique<TLayout>(doc_, metrics_);
  painter_ = std::make_unique<TPainter>(doc_, *layout_);
  viewport()->setCursor(Qt::IBeamCursor);
  setAcceptDrops(true);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  editor_.OnChange = [this] { AfterEdit(); };
  Clear();
}

TRichText::~TRichText() = default;

// ---------------------------------------------------------------- document

void TRichText::Clear() {
  doc_.Clear();
  // Typing starts in the widget's font: font entry 0 takes its name, the
  // colours the first table entries equal to its text and paper colours.
  TTextHeader& h = doc_.Header();
  QFont f = font();
  h.fonts[0].name = f.family().left(TTextHeader::kFontNameLength).toStdString();
  TAttr& a = doc_.insertionAttr;
  a.font = 0;
  a.size = uint8_t(std::clamp(f.pointSize() > 0 ? f.pointSize() : 10, 1, 255));
  a.flags = (f.bold() ? uint32_t(afBold) : 0u) | (f.italic() ? uint32_t(afItalic) : 0u) |
            (f.underline() ? uint32_t(afUnderline) : 0u);
  uint32_t text = FromQColor(palette().color(QPalette::Text));
  uint32_t paper = FromQColor(viewport()->palette().color(QPalette::Base));
  for (int i = 0; i < 15; ++i) {
    if (h.colors[size_t(i)] == text) {
      a.SetTextColor(i);
      break;
    }
  }
  a.SetBackColor(0);
  for (int i = 0; i < 15; ++i) {
    if (h.colors[size_t(i)] == paper) {
      a.SetBackColor(i);
      break;
    }
  }
  editor_.ClearHistory();
  editor_.MoveTo({0, 0}, false);
  verticalScrollBar()->setValue(0);
  Relayout();
}

TIoResult TRichText::LoadFromStream(std::string_view bytes) {
  TIoResult r = doc_.LoadFromStream(bytes);
  editor_.ClearHistory();
  editor_.MoveTo({0, 0}, false);
  Relayout();
  return r;
}

TIoResult TRichText::LoadFromFile(const std::filesystem::path& path) {
  TIoResult r = doc_.LoadFromFile(path);
  editor_.ClearHistory();
  editor_.MoveTo({0, 0}, false);
  Relayout();
  return r;
}

std::string TRichText::SaveToBytes() {
  TStringStream out;
  doc_.writeOptions.writeBitmapAsDib = writeBitmapAsDib;
  doc_.SaveToStream(out);
  return out.bytes;
}

void TRichText::SetWordWrap(bool on) {
  wordWrap_ = on;
  Relayout();
}

void TRichText::Relayout() {
  int width = wordWrap_ ? viewport()->width() - 2 * Margin() : doc_.Header().TextWidthPixels();
  layout_->SetWrapWidth(std::max(width, 16));
  UpdateScrollBars();
  viewport()->update();
}

void TRichText::UpdateScrollBars() {
  int64_t total = layout_->TotalHeight() + 2 * Margin();
  verticalScrollBar()->setRange(0, int(std::max<int64_t>(0, total - viewport()->height())));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(16);
  int width = layout_->WrapWidth() + 2 * Margin();
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void TRichText::AfterEdit() {
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
  emit OnChange();
}

// ---------------------------------------------------------------- caret

void TRichText::SetCaretToStart() {
  editor_.MoveTo({0, 0}, false);
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void TRichText::SelectAll() {
  editor_.SelectAll();
  viewport()->update();
}

size_t TRichText::HasSelection() const {
  if (!editor_.HasSelection()) return 0;
  // A selection to the end takes the last paragraph end with it.
  bool toEnd = editor_.SelEnd() == editor_.End();
  return editor_.Absolute(editor_.SelEnd()) - editor_.Absolute(editor_.SelStart()) + (toEnd ? 1 : 0);
}

QRect TRichText::CaretRect() {
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  const TDisplayLine& line = layout_->Paragraph(c.par).lines[li];
  int x = layout_->XOf(c.par, li, c.offset) + Margin() - horizontalScrollBar()->value();
  int64_t y = layout_->ParagraphTop(c.par) + line.top + Margin() - verticalScrollBar()->value();
  return QRect(x, int(y), 2, std::max(line.height, 1));
}

void TRichText::EnsureCaretVisible() {
  QRect r = CaretRect();
  QScrollBar* v = verticalScrollBar();
  if (r.top() < 0) v->setValue(v->value() + r.top());
  if (r.bottom() > viewport()->height()) v->setValue(v->value() + r.bottom() - viewport()->height() + 1);
  QScrollBar* h = horizontalScrollBar();
  if (r.left() < 0) h->setValue(h->value() + r.left());
  if (r.right() > viewport()->width()) h->setValue(h->value() + r.right() - viewport()->width() + 1);
}

TPosition TRichText::PositionAt(const QPoint& point) {
  int64_t y = int64_t(point.y()) + verticalScrollBar()->value() - Margin();
  int x = point.x() + horizontalScrollBar()->value() - Margin();
  if (y < 0) return {0, 0};
  size_t par = layout_->ParagraphAt(y);
  const TParagraphLayout& pl = layout_->Paragraph(par);
  int64_t inPar = y - layout_->ParagraphTop(par);
  size_t li = 0;
  while (li + 1 < pl.lines.size() && pl.lines[li + 1].top <= inPar) ++li;
  return {par, layout_->OffsetAt(par, li, x)};
}

void TRichText::MoveVertically(int lines, bool extend) {
  TPosition c = editor_.caret;
  size_t li = layout_->LineOf(c.par, c.offset);
  if (preferredX_ < 0) preferredX_ = layout_->XOf(c.par, li, c.offset);
  size_t par = c.par;
  long line = long(li) + lines;
  while (line < 0 && par > 0) {
    --par;
    line += long(layout_->Paragraph(par).lines.size());
  }
  while (par + 1 < doc_.Size() && line >= long(layout_->Paragraph(par).lines.size())) {
    line -= long(layout_->Paragraph(par).lines.size());
    ++par;
  }
  line = std::clamp<long>(line, 0, long(layout_->Paragraph(par).lines.size()) - 1);
  editor_.MoveTo({par, layout_->OffsetAt(par, size_t(line), preferredX_)}, extend);
}

// ---------------------------------------------------------------- editing

void TRichText::InsertText(const QString& text) {
  if (editor_.readOnly) return;
  if (isVisible() && isEnabled()) setFocus();
  editor_.InsertText(ToTString(text));
}

void TRichText::DeleteSelection() { editor_.DeleteSelection(); }

void TRichText::InsertPageBreak() { editor_.PageBreak(); }

void TRichText::Undo() { editor_.Undo(); }

void TRichText::Redo() { editor_.Redo(); }

QMimeData* TRichText::SelectionMimeData() {
  auto* data = new QMimeData;
  TPosition a = editor_.SelStart(), b = editor_.SelEnd();
  TWriteRange range{a.par, a.offset, b.par, b.offset};
  TWriteOptions options = doc_.writeOptions;
  options.writeBitmapAsDib = writeBitmapAsDib;
  TStringStream rtf, text;
  TRTFWriter(doc_, range, options).Write(rtf);
  TTextWriter(doc_, range, options).Write(text);
  QByteArray rtfBytes(rtf.bytes.data(), qsizetype(rtf.bytes.size()));
  data->setData(QString::fromLatin1(kOwnRtf), rtfBytes);
  data->setData(QStringLiteral("text/rtf"), rtfBytes);
  data->setData(QStringLiteral("application/rtf"), rtfBytes);
  data->setText(QString::fromUtf8(text.bytes.data(), qsizetype(text.bytes.size())));
  return data;
}

void TRichText::CopyToClipboard() {
  bool doIt = true;
  emit OnBeforeCopyEvent(doIt);
  if (!doIt || !editor_.HasSelection()) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
}

void TRichText::CutToClipboard() {
  bool doIt = true;
  emit OnBeforeCopyEvent(doIt);
  if (!doIt || !editor_.HasSelection()) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
  if (!editor_.readOnly) editor_.DeleteSelection();
}

void TRichText::PasteFromClipboard() { Paste(QApplication::clipboard()->mimeData()); }

bool TRichText::Paste(const QMimeData* data) {
  if (editor_.readOnly || !data) return false;
  // RTF under any of its names, else plain text, else a picture.
  std::optional<TRTFText::ParagraphList> read;
  bool own = false;
  for (const char* type : kRtfMimeTypes) {
    QString name = QString::fromLatin1(type);
    if (!data->hasFormat(name)) continue;
    QByteArray bytes = data->data(name);
    std::string_view view(bytes.constData(), size_t(bytes.size()));
    if (size_t nul = view.find('\0'); nul != std::string_view::npos) view = view.substr(0, nul);
    read = doc_.ReadRtfForInsertion(view);  // its fonts and colours mapped into ours
    own = type == kOwnRtf;
    break;
  }
  if (!read && data->hasText()) {
    QByteArray utf8 = data->text().toUtf8();
    read = TTextReader(&doc_).Read(std::string_view(utf8.constData(), size_t(utf8.size())));
    // Pasted lines after the first take on the properties of the caret's paragraph.
    for (size_t i = 1; i < read->size(); ++i) (*read)[i]->Props() = doc_.Par(editor_.caret.par).Props();
    own = true;  // a line end at its end was copied with it
  }
  std::shared_ptr<TPicture> picture;
  if (!read && data->hasImage()) {
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    picture = std::make_shared<TPicture>();
    picture->kind = TPicture::Kind::Png;
    picture->data.assign(png.constData(), size_t(png.size()));
    picture->width = image.width();
    picture->height = image.height();
  }
  if (!read && !picture) return false;
  bool doIt = !doc_.IsProtected(editor_.SelStart().par, editor_.SelStart().offset);
  emit OnBeforePasteEvent(doIt);
  if (!doIt) return false;
  if (picture) {
    InsertGraphic(picture);
    return true;
  }
  TFragment fragment;
  fragment.paragraphs.clear();
  for (auto& p : *read) fragment.paragraphs.push_back(std::move(*p));
  // Foreign RTF ends with \par: the empty paragraph after it was not copied.
  if (!own && fragment.paragraphs.size() > 1 && fragment.paragraphs.back().text.empty()) {
    fragment.paragraphs.pop_back();
  }
  editor_.InsertFragment(fragment);
  return true;
}

// ---------------------------------------------------------------- events

void TRichText::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), Qt::white);
  TQtSurface surface(p, false);
  const TTextHeader& h = doc_.Header();
  painter_->options.pageHeight = layout_->TwipsY(h.pageHeight - h.marginTop - h.marginBottom);
  painter_->options.selStart = editor_.SelStart();
  painter_->options.selEnd = editor_.SelEnd();
  int originX = Margin() - horizontalScrollBar()->value();
  int64_t originY = Margin() - int64_t(verticalScrollBar()->value());
  painter_->Paint(surface, originX, originY, event->rect().top(), event->rect().bottom() + 1);
  if (hasFocus() && !editor_.HasSelection()) p.fillRect(CaretRect(), Qt::black);
}

void TRichText::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void TRichText::scrollContentsBy(int, int) { viewport()->update(); }

void TRichText::dragEnterEvent(QDragEnterEvent* event) {
  emit OnDragOver(event, PositionAt(event->position().toPoint()));
}

void TRichText::dragMoveEvent(QDragMoveEvent* event) {
  emit OnDragOver(event, PositionAt(event->position().toPoint()));
}

void TRichText::dropEvent(QDropEvent* event) {
  TPosition at = PositionAt(event->position().toPoint());
  editor_.MoveTo(at, false);
  emit OnDrop(event, at);
}

void TRichText::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TRichText::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

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
  if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_PageUp && key != Qt::Key_PageDown) {
    preferredX_ = -1;
  }
  if (event->matches(QKeySequence::Undo)) return Undo();
  if (event->matches(QKeySequence::Redo) || (ctrl && key == Qt::Key_Y)) return Redo();
  if (event->matches(QKeySequence::Copy) || (ctrl && key == Qt::Key_Insert)) return CopyToClipboard();
  if (event->matches(QKeySequence::Cut) || (shift && key == Qt::Key_Delete)) return CutToClipboard();
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
    case Qt::Key_PageDown: {
      int lines = std::max(1, viewport()->height() / 16);
      MoveVertically(key == Qt::Key_PageUp ? -lines : lines, shift);
      return moved();
    }
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
    case Qt::Key_Backtab:
      if (ctrl) {
        emit CtrlTabPressed();
      } else if (shift || key == Qt::Key_Backtab) {
        emit ShiftTabPressed();
      } else {
        editor_.InsertText(TString(1, kTab));
      }
      return;
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

void TRichText::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus();
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  clickCount_ = (now - lastClick_ < QApplication::doubleClickInterval()) ? clickCount_ + 1 : 1;
  lastClick_ = now;
  TPosition p = PositionAt(event->position().toPoint());
  if (clickCount_ >= 3) {
    editor_.SelectParagraphAt(p);
  } else {
    editor_.MoveTo(p, event->modifiers() & Qt::ShiftModifier);
  }
  preferredX_ = -1;
  viewport()->update();
}

void TRichText::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  clickCount_ = 2;
  lastClick_ = QDateTime::currentMSecsSinceEpoch();
  editor_.SelectWordAt(PositionAt(event->position().toPoint()));
  viewport()->update();
}

void TRichText::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || clickCount_ > 1) return;
  editor_.MoveTo(PositionAt(event->position().toPoint()), true);
  EnsureCaretVisible();
  viewport()->update();
}

// ---------------------------------------------------------------- find and replace

TFragment TRichText::TextLike(const TString& text, TPosition at) {
  const TParagraph& p = doc_.Par(at.par);
  bool inside = doc_.IsRich() && at.offset < p.Length();
  return editor_.TextFragment(text, inside ? doc_.CharAttr(p, at.offset) : doc_.insertionAttr);
}

void TRichText::SelectFound(bool caretAtEnd) {
  TPosition a = editor_.FromAbsolute(finder_.FoundPosition());
  TPosition b = editor_.FromAbsolute(finder_.FoundPosition() + finder_.FoundLength());
  editor_.anchor = caretAtEnd ? a : b;
  editor_.caret = caretAtEnd ? b : a;
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
    editor_.anchor = editor_.FromAbsolute(*markStart_);
    editor_.caret = editor_.FromAbsolute(*markStart_ + length);
  }
  markStart_.reset();
  markLength_.reset();
  viewport()->update();
}

// ---------------------------------------------------------------- word walk

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
  editor_.anchor = wordStart_;
  editor_.caret = wordEnd_;
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

// ---------------------------------------------------------------- attributes and paragraphs

TAttr TRichText::GetInsertionAttribute() const {
  TPosition c = editor_.caret;
  const TParagraph& p = doc_.Par(c.par);
  if (!doc_.IsRich() || p.Length() == 0) return doc_.insertionAttr;
  if (editor_.HasSelection()) return doc_.CharAttr(p, std::min(editor_.SelStart().offset, p.Length() - 1));
  return doc_.CharAttr(p, c.offset > 0 ? c.offset - 1 : 0);
}

void TRichText::SetInsertionAttribute(const TAttr& attr) {
  editor_.ChangeAttributes([&](TAttr& a) { a = attr; });
  viewport()->update();
  emit OnChange();
}

void TRichText::SetParagraphIndents(int32_t firstLine, int32_t left, int32_t right) {
  editor_.ChangeParagraphs([&](TParagraphProps& p) {
    p.firstIndent = firstLine;
    p.leftIndent = left;
    p.rightIndent = right;
  });
}

void TRichText::SetParagraphSpacing(int32_t before, int32_t lineSpacing, int32_t after) {
  editor_.ChangeParagraphs([&](TParagraphProps& p) {
    p.spaceBefore = before;
    p.lineSpacing = lineSpacing;
    p.spaceAfter = after;
  });
}

uint16_t TRichText::InsertGraphic(std::shared_ptr<TPicture> picture, int32_t width, int32_t height) {
  if (!picture) throw EEngineError(kErrNoObject);
  if (editor_.readOnly) return 0;
  TTextObject* o = doc_.AddObject(picture, 0);
  if (width > 0) o->width = width;
  if (height > 0) o->height = height;
  TAttr a = doc_.insertionAttr;
  a.flags = (a.flags | afObject) & ~(afInsertPoint | afAutomatic);
  a.id = o->id;
  TFragment f;
  f.paragraphs[0].text = TString(1, kObjectById);
  if (doc_.IsRich()) f.paragraphs[0].attrs.assign(1, doc_.Intern(a));
  editor_.InsertFragment(f);
  return o->id;
}

void TRichText::DocumentChangedOutside() {
  // Changes made past the editor cannot be undone in order with its own.
  editor_.ClearHistory();
  editor_.MoveTo(editor_.caret, false);
  Relayout();
}

size_t TRichText::InsertParagraphWith(const TParagraphDescriptor& d) {
  size_t n = doc_.InsertParagraphWith(editor_.caret.par, d);
  DocumentChangedOutside();
  return n;
}

void TRichText::CopyHeaderFrom(const TRichText& other) {
  doc_.CopyHeaderFrom(other.doc_);
  DocumentChangedOutside();
}

void TRichText::FastAppendText(TRichText& other) {
  doc_.FastAppendText(other.doc_);
  DocumentChangedOutside();
}

void TRichText::SetPageLayout(int32_t left, int32_t right, int32_t top, int32_t bottom,
                              int32_t width, int32_t height) {
  doc_.SetPageLayout(left, right, top, bottom, width, height);
  Relayout();
}

void TRichText::ReformatAll() {
  layout_->Invalidate();
  Relayout();
}

}  // namespace richtext
