// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget: its document operations, attributes and paragraphs.
// Keys, the mouse, the clipboard and the view are in rich_text_*.cpp.
#include <richtext/ui/rich_text.h>

#include <richtext/ui/rich_text_accessible.h>
#include <richtext/writer.h>

#include <QScrollBar>
#include <QTimer>

namespace richtext {

TRichText::TRichText(QWidget* parent) : QAbstractScrollArea(parent) {
  InstallRichTextAccessibility();
  layout_ = std::make_unique<TLayout>(doc_, metrics_);
  painter_ = std::make_unique<TPainter>(doc_, *layout_);
  doc_.AddListener(&marks_);
  viewport()->setCursor(Qt::IBeamCursor);
  setAcceptDrops(true);
  viewport()->setAutoFillBackground(false);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  editor_.OnChange = [this] { AfterEdit(); };
  editor_.OnCaretMoved = [this] {
    RestartBlink();
    NotifyAccessibleCaret();
    emit CaretMoved();
  };
  autoScroll_ = new QTimer(this);
  autoScroll_->setInterval(40);
  connect(autoScroll_, &QTimer::timeout, this, &TRichText::AutoScroll);
  blink_ = new QTimer(this);
  connect(blink_, &QTimer::timeout, this, [this] {
    caretOn_ = !caretOn_;
    viewport()->update(CaretRect().adjusted(-1, -1, 1, 1));
  });
  Clear();
}

TRichText::~TRichText() { doc_.RemoveListener(&marks_); }

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

void TRichText::AfterEdit() {
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
  NotifyAccessibleText();
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

// ---------------------------------------------------------------- attributes and paragraphs

TAttr TRichText::GetInsertionAttribute() const {
  // The insertion attribute follows the caret (TEditor::FollowCaret); with a
  // selection, its first character speaks for it.
  if (editor_.HasSelection() && doc_.IsRich()) {
    TPosition s = editor_.SelStart();
    const TParagraph& p = doc_.Par(s.par);
    if (s.offset < p.Length()) return doc_.CharAttr(p, s.offset);
  }
  return doc_.insertionAttr;
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
