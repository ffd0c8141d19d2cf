// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget's marked ranges (drawn as a wavy line under the text) and
// its context menu.
#include <richtext/ui/rich_text.h>

#include <QContextMenuEvent>
#include <QMenu>

namespace richtext {

namespace {
constexpr uint32_t kMarkColor = 0x0000FF;  // red
}

void TRichText::SetMarks(size_t par, std::vector<TMarkRange> ranges) {
  if (par >= doc_.Size()) return;
  size_t length = doc_.Par(par).Length();
  for (TMarkRange& r : ranges) r.end = std::min(r.end, length);
  if (ranges.empty() && marks_.Of(par).empty()) return;
  marks_.Set(par, std::move(ranges));
  viewport()->update();
}

void TRichText::ClearMarks() {
  if (marks_.Empty()) return;
  marks_.Clear();
  viewport()->update();
}

std::optional<TMarkRange> TRichText::MarkAt(TPosition at) const {
  if (const TMarkRange* r = marks_.At(at.par, at.offset)) return *r;
  return std::nullopt;
}

void TRichText::ReplaceRange(TPosition from, TPosition to, const QString& text) {
  if (editor_.readOnly || from.par != to.par || to < from || to.par >= doc_.Size() ||
      to.offset > doc_.Par(to.par).Length()) {
    return;
  }
  TPosition end = editor_.Replace(from, to, TextLike(ToTString(text), from));
  editor_.MoveTo(end, false);
  EnsureCaretVisible();
  viewport()->update();
}

void TRichText::PaintMarks(TSurface& s, int originX, int64_t originY, int clipTop, int clipBottom) {
  if (marks_.Empty()) return;
  for (size_t par = layout_->ParagraphAt(std::max<int64_t>(0, clipTop - originY)); par < doc_.Size(); ++par) {
    int64_t top = originY + layout_->ParagraphTop(par);
    if (top >= clipBottom) break;
    const std::vector<TMarkRange>& ranges = marks_.Of(par);
    if (ranges.empty()) continue;
    const TParagraphLayout& pl = layout_->Paragraph(par);
    for (size_t li = 0; li < pl.lines.size(); ++li) {
      const TDisplayLine& line = pl.lines[li];
      int64_t lineTop = top + line.top;
      if (lineTop + line.height <= clipTop || lineTop >= clipBottom) continue;
      size_t lineEnd = line.start + line.length;
      for (const TMarkRange& r : ranges) {
        size_t a = std::max<size_t>(r.start, line.start), b = std::min(r.end, lineEnd);
        if (a >= b) continue;
        TPainter::Zigzag(s, originX + layout_->XOf(par, li, a), originX + layout_->XOf(par, li, b),
                         int(lineTop + line.ascent), kMarkColor);
      }
    }
  }
}

QMenu* TRichText::CreateContextMenu(TPosition at) {
  auto* menu = new QMenu(this);
  auto add = [&](const QString& text, bool enabled, auto slot) {
    QAction* a = menu->addAction(text);
    a->setEnabled(enabled);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  bool editable = !editor_.readOnly, selected = editor_.HasSelection();
  add(QStringLiteral("&Undo"), editable && editor_.CanUndo(), [this] { Undo(); });
  add(QStringLiteral("&Redo"), editable && editor_.CanRedo(), [this] { Redo(); });
  menu->addSeparator();
  add(QStringLiteral("Cu&t"), editable && selected, [this] { CutToClipboard(); });
  add(QStringLiteral("&Copy"), selected, [this] { CopyToClipboard(); });
  add(QStringLiteral("&Paste"), editable, [this] { PasteFromClipboard(); });
  add(QStringLiteral("&Delete"), editable && selected, [this] { DeleteSelection(); });
  menu->addSeparator();
  add(QStringLiteral("Select &All"), true, [this] { SelectAll(); });
  emit ContextMenu(menu, at);
  return menu;
}

void TRichText::contextMenuEvent(QContextMenuEvent* event) {
  TPosition at = editor_.caret;
  QPoint where = CaretRect().bottomLeft();
  if (event->reason() == QContextMenuEvent::Mouse) {
    where = event->pos();
    at = PositionAt(where);
    // A click outside the selection moves the caret there, as a left click would.
    bool inSelection = editor_.HasSelection() && editor_.SelStart() <= at && at <= editor_.SelEnd();
    if (!inSelection) {
      editor_.MoveTo(at, false);
      viewport()->update();
    }
  }
  std::unique_ptr<QMenu> menu(CreateContextMenu(at));
  menu->exec(viewport()->mapToGlobal(where));
  event->accept();
}

}  // namespace richtext
