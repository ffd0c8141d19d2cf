// SPDX-License-Identifier: GPL-3.0-or-later
/** TRichText: the editor widget the diary is written in. */
#pragma once

#include <richtext/editor.h>
#include <richtext/finder.h>
#include <richtext/io.h>
#include <richtext/layout.h>
#include <richtext/paint.h>
#include <richtext/ui/qt_platform.h>

#include <QAbstractScrollArea>

#include <filesystem>
#include <memory>
#include <optional>

#include <richtext/ui/find_dialog.h>
#include <richtext/ui/mark_layer.h>

#include <QPointer>

class QMenu;
class QMimeData;
class QTimer;
class QPrinter;

namespace richtext {

// Shows and edits one document. The widget is thin: layout, painting and
// editing live in the engine's core; here are the window, the caret, the
// keys and the mouse, scrolling and the clipboard.
class TRichText : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TRichText(QWidget* parent = nullptr);
  ~TRichText() override;

  TRTFTextIo& Document() { return doc_; }
  const TRTFTextIo& Document() const { return doc_; }
  TEditor& Editor() { return editor_; }
  const TEditor& Editor() const { return editor_; }
  TLayout& Layout() { return *layout_; }

  // Document and files. Clear empties the document and takes the insertion
  // attribute from the widget's font and colour.
  void Clear();
  bool IsEmpty() const { return doc_.IsEmpty(); }
  TIoResult LoadFromStream(std::string_view bytes);
  TIoResult LoadFromFile(const std::filesystem::path& path);
  TIoResult SaveToFile(const std::filesystem::path& path) { return doc_.SaveToFile(path); }
  std::string SaveToBytes();

  // Caret, selection and display.
  void SetCaretToStart();
  void SelectAll();
  size_t HasSelection() const;
  void Invalidate() { viewport()->update(); }
  void Repaint() { viewport()->repaint(); }
  void SetFocus() { setFocus(); }
  void Changed() { emit OnChange(); }
  void EnsureCaretVisible();

  // Editing; each does nothing while read-only.
  void InsertText(const QString& text);
  void DeleteSelection();
  void InsertPageBreak();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  void Redo();

  // Clipboard contents of the selection, and pasting from mime data.
  QMimeData* SelectionMimeData();
  bool Paste(const QMimeData* data);

  bool ReadOnly() const { return editor_.readOnly; }
  void SetReadOnly(bool on) { editor_.readOnly = on; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool ShowPageBreak() const { return painter_->options.showPageBreak; }
  void SetShowPageBreak(bool on) { painter_->options.showPageBreak = on; }
  // Dark paper with light ink on screen; the document's colours do not change.
  bool DarkPage() const { return painter_->options.lightInk; }
  void SetDarkPage(bool dark);
  // Bitmaps are written as device-independent bitmaps, which every program
  // opens, when this is on (the diary turns it on); else as device bitmaps.
  bool writeBitmapAsDib = false;
  int Zooming() const { return layout_->Zoom(); }
  void SetZooming(int percent) {
    layout_->SetZoom(percent);
    Relayout();
  }

  // Finding and replacing. The dialogs stay open; their choice of match case
  // holds for FindString too.
  void ShowFindDialog();
  void ShowReplaceDialog();
  bool FindString(const QString& text, bool backwards);
  void MarkStart(size_t position);
  void MarkLength(size_t length);
  TFindDialog* FindDialog() const { return findDialog_; }
  // Asked after every 30 replacements of Replace All; true stops it. Unset,
  // Replace All looks at the keys pressed meanwhile and stops on Escape.
  std::function<bool()> escapePressed;

  // The spell checker's walk through the words.
  void StartWordWalk();
  QString NextWord();  // empty at the end
  void SelectWord();
  void ReplaceSelection(const QString& text);

  // Attributes and paragraphs at the caret.
  TAttr GetInsertionAttribute() const;
  void SetInsertionAttribute(const TAttr& attr);
  int FontNumber(const QString& name) { return doc_.FontNumber(name.left(31).toStdString()); }
  uint32_t GetColor(int i) const { return doc_.GetColor(i); }
  TParagraphProps GetCaretParagraph() const { return doc_.Par(editor_.caret.par).Props(); }
  void SetParagraphIndents(int32_t firstLine, int32_t left, int32_t right);
  void SetParagraphSpacing(int32_t before, int32_t lineSpacing, int32_t after);

  // Pictures and whole paragraphs; gives the object's id.
  uint16_t InsertGraphic(std::shared_ptr<TPicture> picture, int32_t width = 0, int32_t height = 0);
  size_t InsertParagraphWith(const TParagraphDescriptor& descriptor);
  void CopyHeaderFrom(const TRichText& other);
  void FastAppendText(TRichText& other);
  void SetPageLayout(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t width,
                     int32_t height);
  void ReformatAll();

  // Printing. The bands get the painter, their rectangle, the page number
  // and the number of the page's first line.
  using TPrintBand = std::function<void(QPainter& painter, const QRect& band, int page, long line)>;
  TPrintBand PrintHeader, PrintFooter;
  // Prints every page as one job: margins and page size from the document,
  // a page wherever a paragraph asks for one or the page is full. False when
  // the printer could not be started.
  bool PrintAll(QPrinter& printer);
  // Mode 2 lays the document out for the rectangle's width on the painter's
  // device, mode 4 drops that layout again; mode 0 measures and mode 1 prints
  // lines from `firstLine` on into the rectangle. Gives the first line that
  // did not fit, or 0 when the rest of the document did.
  long PrintOnCanvas(QPainter& painter, int mode, long firstLine, const QRect& rect);

  // Marked ranges: a wavy red line under ranges of text that a helper of the
  // editor points out. They belong to the view, not the document: never
  // saved, copied or undone; an edit that touches a range drops it (see TMarkLayer).
  void SetMarks(size_t par, std::vector<TMarkRange> ranges);
  const std::vector<TMarkRange>& Marks(size_t par) const { return marks_.Of(par); }
  void ClearMarks();
  // The marked range at a position, its ends included; nothing when none is.
  std::optional<TMarkRange> MarkAt(TPosition at) const;
  // Replaces characters from..to of one paragraph by `text` in the attribute
  // of the first of them, as one step to undo; the caret goes after it.
  void ReplaceRange(TPosition from, TPosition to, const QString& text);

  // The context menu at a document position: Undo, Redo, Cut, Copy, Paste,
  // Delete and Select All, after what the ContextMenu signal's listeners put
  // in front of them. The caller owns the menu.
  QMenu* CreateContextMenu(TPosition at);

  // Whether the blinking caret is in its shown phase (it blinks only while
  // the widget has the focus; it is a block in overwrite mode).
  bool CaretShown() const { return caretOn_ && hasFocus(); }
  // The document position nearest to a point of the viewport, and to a
  // point of the document (pixels from its top and its text area's left).
  TPosition PositionAt(const QPoint& point);
  TPosition PositionAtDocument(int64_t y, int x);
  // Where x = 0 of the text lies in the viewport: the margin less the scrolling.
  int TextOriginX() const;
  QRect CaretRect();
  // The box of the character at a position in the viewport; a thin one at a line's end.
  QRect CharacterRect(TPosition at);

 signals:
  void OnChange();
  // The caret or the selection moved (keys, mouse, an edit, a search): what
  // shows the attributes at the caret refreshes itself.
  void CaretMoved();
  // Before pasting: clear doIt to refuse the paste.
  void OnBeforePasteEvent(bool& doIt);
  void OnBeforeCopyEvent(bool& doIt);
  // Ctrl+Tab and Shift+Tab: told before the focus moves on to the next or previous control.
  void CtrlTabPressed();
  void ShiftTabPressed();
  // Every key before the editor handles it; set handled to keep it from the editor.
  void OnKeyDown(QKeyEvent* event, bool& handled);
  // Something is dragged over or dropped on the text, at a document position.
  void OnDragOver(QDragMoveEvent* event, TPosition at);
  void OnDrop(QDropEvent* event, TPosition at);
  // A context menu is being built for a document position: listeners may
  // insert their own actions before the menu's first action.
  void ContextMenu(QMenu* menu, TPosition at);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Relayout();
  void UpdateScrollBars();
  void AfterEdit();
  void MoveVertically(int direction, bool extend);
  void MovePage(int direction, bool extend);
  void MoveToCell(int direction);
  void AutoScroll();
  void RestartBlink();
  int Margin() const { return 4; }
  void DialogFind();
  void DialogReplace(bool all);
  bool SearchFrom(size_t at, bool down, const TString& text);
  bool FoundWithin(size_t from, size_t to, const TString& text);
  int ReplaceRun(const TString& find, const TString& with, size_t from,
                 std::optional<size_t> until, int done, bool& stopped);
  void PlaceDialogClear();
  void SelectFound(bool caretAtEnd);
  TFragment TextLike(const TString& text, TPosition at);
  void DocumentChangedOutside();
  void PaintMarks(TSurface& surface, int originX, int64_t originY, int clipTop, int clipBottom);
  // Tell screen readers where the caret went and what the text became
  // (rich_text_accessible.cpp), once one has looked at the editor.
  void NotifyAccessibleCaret();
  void NotifyAccessibleText();
  friend class TRichTextAccessible;

  TRTFTextIo doc_;
  TEditor editor_{doc_};
  TQtFontMetrics metrics_;
  std::unique_ptr<TLayout> layout_;
  std::unique_ptr<TPainter> painter_;
  bool wordWrap_ = true;
  // The column that Up, Down and the page keys keep, while the caret stays
  // where they put it.
  int preferredX_ = -1;
  TPosition preferredFor_;
  qint64 lastClick_ = 0;
  bool dragging_ = false;  // the left button went down on the text and is held
  QPoint dragPos_;         // where the pointer was last seen while dragging
  QTimer* autoScroll_;     // scrolls while the pointer is held beyond the window
  QTimer* blink_;
  bool caretOn_ = true;
  int clickCount_ = 0;
  TTextFinder finder_{doc_};
  TTextFinder wordFinder_{doc_};
  QPointer<TFindDialog> findDialog_;
  std::optional<size_t> markStart_, markLength_;
  TPosition wordStart_, wordEnd_;
  std::unique_ptr<TQtFontMetrics> printMetrics_;
  std::unique_ptr<TLayout> printLayout_;
  TMarkLayer marks_;
  bool hadSelection_ = false;
  std::optional<QString> accessibleText_;  // the text screen readers were last told of
};

}  // namespace richtext
