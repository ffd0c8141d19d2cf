// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/ruler.h>

#include <richtext/ui/caret_watch.h>
#include <richtext/ui/rich_text.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace richtext {

namespace {
constexpr int kHalfMarker = 5;     // markers are 11 pixels wide
constexpr int kLeftTopPart = 4;    // the left marker's upper part moves the left indent alone
constexpr int kTabHitPixels = 3;   // a click this near a tab hits it
}  // namespace

TRichRuler::TRichRuler(QWidget* parent) : QWidget(parent), watch_(new TCaretWatch(this)) {
  setFixedHeight(20);
  setMouseTracking(false);
  connect(watch_, &TCaretWatch::Moved, this, &TRichRuler::UpdateFromEditor);
}

TRichRuler::~TRichRuler() = default;

void TRichRuler::SetEditor(TRichText* editor) {
  editor_ = editor;
  watch_->Watch(editor);
  SetUnits(units_);
  update();
}

void TRichRuler::SetUnits(TRulerUnit units) {
  units_ = units;
  if (editor_) editor_->Document().Header().inchUnits = units == TRulerUnit::Inch;
  update();
}

void TRichRuler::SetXOffset(int pixels) {
  xOffset_ = pixels;
  update();
}

void TRichRuler::SetShowNumbers(bool on) {
  showNumbers_ = on;
  update();
}

QSize TRichRuler::sizeHint() const { return QSize(300, height()); }

int TRichRuler::OriginX() const {
  if (!editor_) return xOffset_;
  QWidget* view = editor_->viewport();
  return mapFromGlobal(view->mapToGlobal(QPoint(0, 0))).x() + editor_->TextOriginX() + xOffset_;
}

int TRichRuler::TwipsToX(int32_t twips) const {
  return OriginX() + (editor_ ? editor_->Layout().TwipsX(twips) : MulDiv(twips, 96, 1440));
}

int32_t TRichRuler::XToTwips(int x) const {
  const int perInch = editor_ ? std::max(1, editor_->Layout().TwipsX(1440)) : 96;
  return MulDiv(x - OriginX(), 1440, perInch);
}

int TRichRuler::TextWidthTwips() const {
  if (!editor_) return 0;
  const int perInch = std::max(1, editor_->Layout().TwipsX(1440));
  return MulDiv(editor_->Layout().WrapWidth(), 1440, perInch);
}

int TRichRuler::MarkerX(TMarker marker) const {
  if (!editor_) return 0;
  TParagraphProps p = editor_->GetCaretParagraph();
  int32_t first = p.firstIndent, left = p.leftIndent, right = p.rightIndent;
  if (drag_) first = drag_->first, left = drag_->left, right = drag_->right;
  switch (marker) {
    case mkFirst: return TwipsToX(first);
    case mkLeft: return TwipsToX(left);
    case mkRight:
      return OriginX() + editor_->Layout().WrapWidth() - editor_->Layout().TwipsX(right);
  }
  return 0;
}

// ---------------------------------------------------------------- painting

void TRichRuler::DrawMarker(QPainter& p, TMarker marker, int x) const {
  const int h = height();
  const int mid = h / 2;
  QPainterPath path;
  if (marker == mkFirst) {  // pointing down from the top
    path.moveTo(x - kHalfMarker, 0);
    path.lineTo(x + kHalfMarker, 0);
    path.lineTo(x, mid - 1);
  } else {  // pointing up from the middle
    path.moveTo(x, mid);
    path.lineTo(x + kHalfMarker, mid + kLeftTopPart);
    path.lineTo(x - kHalfMarker, mid + kLeftTopPart);
  }
  path.closeSubpath();
  // Outlined in the text colour, filled a shade darker than the buttons.
  p.setPen(QPen(palette().color(QPalette::WindowText), 1));
  p.setBrush(palette().color(QPalette::Button).darker(114));
  p.drawPath(path);
  if (marker == mkLeft) {  // the lower part that carries the first line along
    p.drawRect(QRectF(x - kHalfMarker, mid + kLeftTopPart, 2 * kHalfMarker, h - mid - kLeftTopPart - 1));
  }
}

void TRichRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));
  if (!editor_) return;
  const int h = height();
  const int origin = OriginX();
  const int textRight = origin + editor_->Layout().WrapWidth();
  p.fillRect(QRect(origin, 1, textRight - origin, h - 2), palette().color(QPalette::Base));

  // Ticks: eighths of an inch, or quarters of a centimetre; numbers at whole units.
  const bool inch = units_ == TRulerUnit::Inch;
  const int steps = inch ? 8 : 4;
  const double unitTwips = inch ? 1440.0 : 567.0;
  p.setPen(palette().color(QPalette::WindowText));
  QFont small = font();
  small.setPixelSize(std::max(7, h - 8));
  p.setFont(small);
  for (int i = 1;; ++i) {
    const int x = TwipsToX(int32_t(i * unitTwips / steps));
    if (x > textRight) break;
    const int whole = i % steps == 0, half = i % (steps / 2) == 0;
    if (whole && showNumbers_) {
      p.drawText(QRect(x - 10, 0, 20, h), Qt::AlignCenter, QString::number(i / steps));
      continue;
    }
    const int len = whole ? h / 2 : half ? h / 3 : 2;
    p.drawLine(x, (h - len) / 2, x, (h - len) / 2 + len - 1);
  }

  // The paragraph's tabs, each drawn by its kind.
  const TTextHeader& header = editor_->Document().Header();
  const TParagraphProps par = editor_->GetCaretParagraph();
  p.setPen(QPen(palette().color(QPalette::Text), 2, Qt::SolidLine, Qt::FlatCap));
  const int base = h - 4, top = h - 9;
  for (int i = 0; i < TTextHeader::kTabs; ++i) {
    if (!(par.tabSet >> i & 1) || header.tabs[size_t(i)].position == 0) continue;
    const int x = TwipsToX(header.tabs[size_t(i)].position);
    switch (header.tabs[size_t(i)].kind) {
      case tkRight:
        p.drawLine(x, top, x, base);
        p.drawLine(x - 4, base, x, base);
        break;
      case tkCenter:
        p.drawLine(x, top, x, base);
        p.drawLine(x - 3, base, x + 3, base);
        break;
      case tkDecimal:
        p.drawLine(x, top, x, base);
        p.drawLine(x - 3, base, x + 3, base);
        p.fillRect(QRect(x + 2, top + 1, 2, 2), palette().color(QPalette::Text));
        break;
      default:
        p.drawLine(x, top, x, base);
        p.drawLine(x, base, x + 4, base);
        break;
    }
  }

  p.setRenderHint(QPainter::Antialiasing);
  for (TMarker m : {mkFirst, mkLeft, mkRight}) DrawMarker(p, m, MarkerX(m));
}

// ---------------------------------------------------------------- mouse

std::optional<TRichRuler::TMarker> TRichRuler::MarkerAt(QPoint point, bool& lowerPart) const {
  lowerPart = false;
  if (!editor_) return std::nullopt;
  const int mid = height() / 2;
  auto near = [&](TMarker m) { return std::abs(point.x() - MarkerX(m)) <= kHalfMarker; };
  if (point.y() < mid) {
    if (near(mkFirst)) return mkFirst;
    return std::nullopt;
  }
  if (near(mkLeft)) {
    lowerPart = point.y() >= mid + kLeftTopPart;
    return mkLeft;
  }
  if (near(mkRight)) return mkRight;
  return std::nullopt;
}

void TRichRuler::mousePressEvent(QMouseEvent* event) {
  emit RulerAction();
  if (!editor_ || event->button() != Qt::LeftButton) return;
  bool lowerPart = false;
  const QPoint at = event->position().toPoint();
  if (std::optional<TMarker> marker = MarkerAt(at, lowerPart)) {
    const TParagraphProps p = editor_->GetCaretParagraph();
    const bool carry = *marker == mkLeft && (lowerPart || (event->modifiers() & Qt::ShiftModifier));
    drag_ = Drag{*marker, carry, p.firstIndent, p.leftIndent, p.rightIndent};
    return;
  }
  ClickAt(at.x());
}

void TRichRuler::DragTo(int x) {
  const TTextHeader& header = editor_->Document().Header();
  const TParagraphProps p = editor_->GetCaretParagraph();
  auto rounded = [&](int32_t twips) { return header.RoundToTabGrid(std::max(0, twips)); };
  const int32_t at = XToTwips(x);
  switch (drag_->marker) {
    case mkFirst:
      drag_->first = rounded(at);
      break;
    case mkRight:
      drag_->right = rounded(TextWidthTwips() - at);
      break;
    case mkLeft:
      drag_->left = rounded(at);
      if (drag_->carryFirst) {
        drag_->first = p.firstIndent + drag_->left - p.leftIndent;
        if (drag_->first < 0) {  // both move right until the first line starts at 0
          drag_->left -= drag_->first;
          drag_->first = 0;
        }
      }
      break;
  }
}

void TRichRuler::mouseMoveEvent(QMouseEvent* event) {
  if (!drag_ || !editor_) return;
  DragTo(event->position().toPoint().x());
  int typ = rsIndent, group = drag_->marker;
  int num = group == mkFirst ? drag_->first : group == mkLeft ? drag_->left : drag_->right;
  if (WhileSelection) WhileSelection(*this, typ, group, num, true);
  update();
}

void TRichRuler::mouseReleaseEvent(QMouseEvent* event) {
  if (!drag_ || !editor_) return;
  DragTo(event->position().toPoint().x());
  const Drag done = *drag_;
  drag_.reset();
  int typ = rsIndent, group = done.marker;
  int num = group == mkFirst ? done.first : group == mkLeft ? done.left : done.right;
  if (OnSelection) OnSelection(*this, typ, group, num, false);
  const TParagraphProps p = editor_->GetCaretParagraph();
  const bool changes = done.first != p.firstIndent || done.left != p.leftIndent || done.right != p.rightIndent;
  if (typ != 0 && changes && !editor_->ReadOnly()) {
    editor_->SetParagraphIndents(done.first, done.left, done.right);
    emit RulerAction();
  }
  update();
}

void TRichRuler::ClickAt(int x) {
  if (editor_->ReadOnly()) return;
  const int32_t twips = XToTwips(x);
  if (twips <= 0 || twips > TextWidthTwips()) return;
  const TParagraphProps par = editor_->GetCaretParagraph();
  if (par.flags & pfTableCell) {
    // In a table cell only the cell's own stretch of the row counts.
    const TLayout& layout = editor_->Layout();
    const int l = layout.TwipsX(par.leftIndent), r = layout.TwipsX(par.rightIndent);
    const int row = std::max(layout.WrapWidth() - l - r, 0);
    const int cellLeft = l + row * par.cellStart / 255;
    const int cellRight = l + row * (par.cellStart + par.cellWidth) / 255;
    const int at = x - OriginX();
    if (at < cellLeft || at > cellRight) return;
  }
  TTextHeader& header = editor_->Document().Header();
  const uint64_t set = par.tabSet;

  // A tab under the mouse: at the position, on the grid, or a few pixels off.
  int found = header.FindTabInSet(twips, tkAll, set);
  for (int i = 0; found < 0 && i < TTextHeader::kTabs; ++i) {
    const TTabStop& t = header.tabs[size_t(i)];
    if ((set >> i & 1) && t.position != 0 && std::abs(TwipsToX(t.position) - x) <= kTabHitPixels)
      found = i;
  }

  uint64_t newSet = set;
  int32_t position = 0;
  if (found < 0) {
    position = header.RoundToTabGrid(twips);
    header.AddTab(position, newTabKind_ == tkAll ? tkLeft : newTabKind_);
    if (!header.scratchMask) return;  // no room for another tab
    newSet |= header.scratchMask;
  } else {
    if (newTabKind_ != tkAll) return;
    const TTabStop old = header.tabs[size_t(found)];
    if (old.kind == tkDecimal) return;  // the last kind stays
    position = old.position;
    const TTabKind next = old.kind == tkLeft ? tkRight : old.kind == tkRight ? tkCenter : tkDecimal;
    // Tab entries are shared between paragraphs: this one takes another entry.
    header.AddTab(old.position, next);
    if (!header.scratchMask) return;
    newSet = (set & ~(uint64_t(1) << found)) | header.scratchMask;
  }
  int typ = rsTab, group = 0, num = position;
  if (OnSelection) OnSelection(*this, typ, group, num, false);
  if (typ == 0) return;
  editor_->Editor().ChangeParagraphs([&](TParagraphProps& p) { p.tabSet = newSet; });
  update();
}

}  // namespace richtext
