#include <richtext/ui/rich_text.h>

#include <richtext/reader.h>
#include <richtext/unicode.h>
#include <richtext/writer.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
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

// The clipboard names other programs give to RTF.
const char* const kRtfMimeTypes[] = {"text/rtf", "application/rtf", "text/richtext",
                                     "Rich Text Format"};

}  // namespace

TRichText::TRichText(QWidget* parent) : QAbstractScrollArea(parent) {
  layout_ = std::make_unique<TLayout>(doc_, metrics_);
  painter_ = std::make_unique<TPainter>(doc_, *layout_);
  doc_.Clear();
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  editor_.OnChange = [this] { AfterEdit(); };
}

TRichText::~TRichText() = default;

// ---------------------------------------------------------------- document

void TRichText::Clear() {
  doc_.Clear();
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
  return editor_.Absolute(editor_.SelEnd()) - editor_.Absolute(editor_.SelStart());
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
  TFragment fragment;
  bool found = false;
  for (const char* type : kRtfMimeTypes) {
    QString name = QString::fromLatin1(type);
    if (!data->hasFormat(name)) continue;
    QByteArray bytes = data->data(name);
    std::string_view view(bytes.constData(), size_t(bytes.size()));
    if (size_t nul = view.find('\0'); nul != std::string_view::npos) view = view.substr(0, nul);
    TReadOptions options;
    options.keepHeader = true;
    TRTFText::ParagraphList list = TRtfReader(&doc_, options).Read(view);
    fragment.paragraphs.clear();
    for (auto& p : list) fragment.paragraphs.push_back(std::move(*p));
    // What was read ends with an empty paragraph when the text ended with \par.
    if (fragment.paragraphs.size() > 1 && fragment.paragraphs.back().text.empty()) {
      fragment.paragraphs.pop_back();
    }
    found = true;
    break;
  }
  if (!found && data->hasText()) {
    TString text = ToTString(data->text());
    fragment.paragraphs.clear();
    fragment.paragraphs.emplace_back();
    uint16_t ai = doc_.IsRich() ? doc_.Intern(doc_.insertionAttr) : 0;
    for (size_t i = 0; i < text.size(); ++i) {
      TChar c = text[i];
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      if (c == '\r' || c == '\n') {
        TParagraph next;
        next.Props() = doc_.Par(editor_.caret.par).Props();
        fragment.paragraphs.push_back(std::move(next));
        continue;
      }
      fragment.paragraphs.back().text.push_back(c);
      if (doc_.IsRich()) fragment.paragraphs.back().attrs.push_back(ai);
    }
    found = true;
  }
  if (!found && data->hasImage()) {
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto pic = std::make_shared<TPicture>();
    pic->kind = TPicture::Kind::Png;
    pic->data.assign(png.constData(), size_t(png.size()));
    pic->width = image.width();
    pic->height = image.height();
    TTextObject* o = doc_.AddObject(pic, 0);
    TAttr a = doc_.insertionAttr;
    a.flags = (a.flags | afObject) & ~(afInsertPoint | afAutomatic);
    a.id = o->id;
    fragment.paragraphs[0].text = TString(1, kObjectById);
    fragment.paragraphs[0].attrs.assign(1, doc_.Intern(a));
    found = true;
  }
  if (!found) return false;
  bool doIt = !doc_.IsProtected(editor_.SelStart().par, editor_.SelStart().offset);
  emit OnBeforePasteEvent(doIt);
  if (!doIt) return false;
  editor_.InsertFragment(fragment);
  return true;
}

// ---------------------------------------------------------------- events

void TRichText::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), Qt::white);
  TQtSurface surface(p, false);
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

void TRichText::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TRichText::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TRichText::keyPressEvent(QKeyEvent* event) {
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
      if (!ctrl && !shift) editor_.InsertText(TString(1, kTab));
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

}  // namespace richtext
