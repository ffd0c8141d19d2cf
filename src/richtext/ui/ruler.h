// SPDX-License-Identifier: GPL-3.0-or-later
/** TRichRuler: the bar above an editor that shows and sets indents and tab stops. */
#pragma once

#include <richtext/defs.h>

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

namespace richtext {

class TRichText;
class TCaretWatch;

enum class TRulerUnit { Centimeter, Inch };

// Shows the caret paragraph's first-line, left and right indents and its tab
// stops, lined up with the editor's text.
//
// Dragging a marker moves that indent, rounded to the tab grid and never
// negative; the left marker carries the first-line indent along when it is
// grabbed by its lower part or with Shift held. A click elsewhere adds a tab
// there or, on a tab, advances its kind: left, right, centre, decimal. Each
// change goes to the selected paragraphs as one undo step, and every mouse
// action on the ruler signals RulerAction.
class TRichRuler : public QWidget {
  Q_OBJECT
 public:
  explicit TRichRuler(QWidget* parent = nullptr);
  ~TRichRuler() override;

  void SetEditor(TRichText* editor);
  TRichText* Editor() const { return editor_; }

  // Units choose the tab grid of the linked document: 1/10 inch or 1/4 cm.
  TRulerUnit Units() const { return units_; }
  void SetUnits(TRulerUnit units);
  // Pixels the text origin lies right of where the editor puts it.
  int XOffset() const { return xOffset_; }
  void SetXOffset(int pixels);
  bool ShowNumbers() const { return showNumbers_; }
  void SetShowNumbers(bool on);
  // The kind of a new tab; tkAll adds left tabs and lets clicks cycle the kind.
  TTabKind NewTabKind() const { return newTabKind_; }
  void SetNewTabKind(TTabKind kind) { newTabKind_ = kind; }

  // What the ruler did: typ 1 an indent (group 1 first line, 2 left, 3 right,
  // num the new value in twips), typ 2 a tab (num its position in twips).
  // While dragging, WhileSelection is called with changing = true; at the
  // end OnSelection with changing = false. Setting typ to 0 in OnSelection
  // keeps the change from the editor.
  enum TRulerSel : int { rsIndent = 1, rsTab = 2 };
  using TRulerSelectEvent =
      std::function<void(TRichRuler& sender, int& typ, int& group, int& num, bool changing)>;
  TRulerSelectEvent OnSelection, WhileSelection;

  // Where a marker is drawn, in the ruler's pixels, for the caret paragraph.
  enum TMarker { mkFirst = 1, mkLeft = 2, mkRight = 3 };
  int MarkerX(TMarker marker) const;
  // Where a twips position of the text lies on the ruler, and back.
  int TwipsToX(int32_t twips) const;
  int32_t XToTwips(int x) const;

  // Shows the caret paragraph; runs by itself after caret moves and edits.
  void UpdateFromEditor() { update(); }

  QSize sizeHint() const override;

 signals:
  // Every mouse action on the ruler, also one that changed nothing.
  void RulerAction();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct Drag {
    TMarker marker;
    bool carryFirst;
    int32_t first, left, right;  // the indents as dragged, in twips
  };
  std::optional<TMarker> MarkerAt(QPoint point, bool& lowerPart) const;
  int OriginX() const;
  int TextWidthTwips() const;
  void DragTo(int x);
  void ClickAt(int x);
  void DrawMarker(QPainter& p, TMarker marker, int x) const;

  QPointer<TRichText> editor_;
  TCaretWatch* watch_;
  TRulerUnit units_ = TRulerUnit::Inch;
  int xOffset_ = 0;
  bool showNumbers_ = false;
  TTabKind newTabKind_ = tkAll;
  std::optional<Drag> drag_;
};

}  // namespace richtext
