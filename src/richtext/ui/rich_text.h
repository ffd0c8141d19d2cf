/** TRichText: the editor widget the diary is written in. */
#pragma once

#include <richtext/editor.h>
#include <richtext/io.h>
#include <richtext/layout.h>
#include <richtext/paint.h>
#include <richtext/ui/qt_platform.h>

#include <QAbstractScrollArea>

#include <filesystem>
#include <memory>

class QMimeData;

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
  TEditor& Editor() { return editor_; }
  TLayout& Layout() { return *layout_; }

  // Document and files.
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
  bool writeBitmapAsDib = true;  // so that other programs open copied and saved pictures

  // The document position nearest to a point of the viewport.
  TPosition PositionAt(const QPoint& point);
  QRect CaretRect();

 signals:
  void OnChange();
  // Before pasting: clear doIt to refuse the paste.
  void OnBeforePasteEvent(bool& doIt);
  void OnBeforeCopyEvent(bool& doIt);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void Relayout();
  void UpdateScrollBars();
  void AfterEdit();
  void MoveVertically(int lines, bool extend);
  int Margin() const { return 4; }

  TRTFTextIo doc_;
  TEditor editor_{doc_};
  TQtFontMetrics metrics_;
  std::unique_ptr<TLayout> layout_;
  std::unique_ptr<TPainter> painter_;
  bool wordWrap_ = true;
  int preferredX_ = -1;  // kept while moving up and down
  qint64 lastClick_ = 0;
  int clickCount_ = 0;
};

}  // namespace richtext
