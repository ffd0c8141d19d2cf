// SPDX-License-Identifier: GPL-3.0-or-later
// The ruler dragged and clicked as a user would; the saved RTF shows the result.
#include "format_fixture.h"

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Body;
using testing::FormatWindow;

// Two paragraphs: the first indented 0.5 inch on the left with its first
// line 0.25 inch further left, which reading rounds to 0.3 inch (432 twips).
constexpr std::string_view kIndented =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\li720\\fi-360 First\\par\\pard Second\\par}";

struct RulerWindow : FormatWindow {
  int actions = 0;
  RulerWindow() {
    QObject::connect(ruler, &TRichRuler::RulerAction, [this] { ++actions; });
  }
  int Y(bool lower) const { return lower ? ruler->height() - 2 : ruler->height() / 2 + 1; }
  int PerInch() const { return edit->Layout().TwipsX(1440); }
  // Drags from a point to another, in steps, with the given keys held.
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(ruler, Qt::LeftButton, mods, from);
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(ruler, from + (to - from) * i / 4);
    QTest::mouseRelease(ruler, Qt::LeftButton, mods, to);
    Settle();
  }
  void ClickAt(int x) {
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(x, Y(false)));
    Settle();
  }
  TParagraphProps Par(size_t i) { return edit->Document().Par(i).Props(); }
};

TEST(RichRuler, MarkersStandAtTheIndentsLinedUpWithTheText) {
  RulerWindow w;
  w.Load(kIndented);
  const int origin = w.ruler->TwipsToX(0);
  // The text's left edge, as the editor lays it out, lies under x = 0 of the ruler.
  const QPoint textOrigin = w.edit->viewport()->mapTo(&w.window, QPoint(w.edit->TextOriginX(), 0));
  EXPECT_EQ(w.ruler->mapTo(&w.window, QPoint(origin, 0)).x(), textOrigin.x());
  EXPECT_EQ(w.ruler->MarkerX(TRichRuler::mkLeft), origin + w.PerInch() / 2);
  EXPECT_EQ(w.ruler->MarkerX(TRichRuler::mkFirst), origin + w.edit->Layout().TwipsX(432));
  EXPECT_EQ(w.ruler->MarkerX(TRichRuler::mkRight), origin + w.edit->Layout().WrapWidth());
  w.Key(Qt::Key_Down);  // the second paragraph
  EXPECT_EQ(w.ruler->MarkerX(TRichRuler::mkLeft), origin);
}

TEST(RichRuler, DraggingIndentsRoundsToTheGridAndCarriesTheFirstLine) {
  struct Case {
    const char* name;
    TRichRuler::TMarker marker;
    bool lower;
    Qt::KeyboardModifiers mods;
    double inches;  // how far the mouse moves
    int32_t first, left, right;
  };
  const Case cases[] = {
      {"left marker, upper part: the left indent alone", TRichRuler::mkLeft, false, {}, 1.03, 432, 2160, 0},
      {"left marker, lower part: both", TRichRuler::mkLeft, true, {}, 1.0, 1872, 2160, 0},
      {"left marker with Shift: both", TRichRuler::mkLeft, false, Qt::ShiftModifier, 0.5, 1152, 1440, 0},
      {"first line to the right", TRichRuler::mkFirst, false, {}, 0.98, 1872, 720, 0},
      {"first line never below zero", TRichRuler::mkFirst, false, {}, -2, 0, 720, 0},
      {"left indent never below zero", TRichRuler::mkLeft, false, {}, -3, 432, 0, 0},
      {"both shifted right while the first line would be negative", TRichRuler::mkLeft, true, {}, -0.5, 0, 288, 0},
      {"right indent", TRichRuler::mkRight, false, {}, -1.5, 432, 720, 2160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RulerWindow w;
    w.Load(kIndented);
    const int x = w.ruler->MarkerX(c.marker);
    const int y = c.marker == TRichRuler::mkFirst ? 2 : w.Y(c.lower);
    w.Drag({x, y}, {x + int(c.inches * w.PerInch()), y}, c.mods);
    const TParagraphProps p = w.Par(0);
    EXPECT_EQ(p.firstIndent, c.first);
    EXPECT_EQ(p.leftIndent, c.left);
    EXPECT_EQ(p.rightIndent, c.right);
    EXPECT_EQ(w.Par(1).leftIndent, 0);  // only the caret's paragraph was selected
    EXPECT_GE(w.actions, 1);
    w.edit->Undo();  // one step
    EXPECT_EQ(w.Par(0).leftIndent, 720);
    EXPECT_EQ(w.Par(0).firstIndent, 432);
  }
}

TEST(RichRuler, DraggedIndentIsSavedAndAppliedToTheSelectedParagraphs) {
  RulerWindow w;
  w.Load(kIndented);
  w.Key(Qt::Key_Down, Qt::ShiftModifier);  // both paragraphs
  const int x = w.ruler->MarkerX(TRichRuler::mkLeft);
  w.Drag({x, w.Y(false)}, {x + w.PerInch() / 2, w.Y(false)});
  // The caret's paragraph (the second, without indents) was shown and dragged.
  for (size_t i : {0u, 1u}) {
    EXPECT_EQ(w.Par(i).leftIndent, 720);
    EXPECT_EQ(w.Par(i).firstIndent, 0);
  }
  std::string body = Body(w.Rtf());
  std::erase_if(body, [](char c) { return c == '\r' || c == '\n'; });
  // The second paragraph keeps the first one's indents: none are written again.
  // (The file states no size: it reads at RTF's default of 12 points.)
  EXPECT_EQ(body.rfind("{\\li720\\fi-720\\ri0 \\plain\\f1\\fs24\\cf0 First\\par"
                       "\\plain\\f1\\fs24\\cf0 Second\\par", 0),
            0u)
      << body;
  EXPECT_GT(w.changes, 0);
}

TEST(RichRuler, ClicksAddTabsAndCycleTheirKind) {
  RulerWindow w;
  w.Load(kIndented);
  const int x = w.ruler->TwipsToX(2880) + 1;  // about 2 inches
  w.ClickAt(x);
  EXPECT_NE(Body(w.Rtf()).find("\\tx2880 "), std::string::npos) << Body(w.Rtf());
  const char* kinds[] = {"\\tqr\\tx2880", "\\tqc\\tx2880", "\\tqdec\\tx2880", "\\tqdec\\tx2880"};
  for (const char* kind : kinds) {
    w.ClickAt(x);
    const std::string body = Body(w.Rtf());
    EXPECT_NE(body.find(kind), std::string::npos) << kind << " in " << body;
  }
  EXPECT_EQ(std::popcount(w.Par(0).tabSet), 1);
  EXPECT_EQ(w.Par(1).tabSet, 0u);
  EXPECT_EQ(w.actions, 5);

  // Undo steps back through the kinds; the click that changed nothing left no step.
  w.edit->Undo();
  w.edit->Undo();
  EXPECT_NE(Body(w.Rtf()).find("\\tqr\\tx2880"), std::string::npos);
}

TEST(RichRuler, ClickBeyondTheTextWidthAddsNoTab) {
  RulerWindow w;
  w.Load(kIndented);
  const std::string before = w.Rtf();
  const int end = w.ruler->MarkerX(TRichRuler::mkRight);
  w.ClickAt(std::min(end + 20, w.ruler->width() - 1));
  w.ClickAt(w.ruler->TwipsToX(0) - 2);
  EXPECT_EQ(w.Rtf(), before);
  EXPECT_EQ(w.actions, 2);  // the window still hears of every click
}

TEST(RichRuler, TabsGoToTheSelectedParagraphsAsOneStep) {
  RulerWindow w;
  w.Load(kIndented);
  w.Key(Qt::Key_Down, Qt::ShiftModifier);
  w.ruler->SetNewTabKind(tkCenter);
  w.ClickAt(w.ruler->TwipsToX(1440 * 3));
  for (size_t i : {0u, 1u}) {
    ASSERT_EQ(std::popcount(w.Par(i).tabSet), 1);
    const int k = std::countr_zero(w.Par(i).tabSet);
    EXPECT_EQ(w.edit->Document().Header().tabs[size_t(k)].kind, tkCenter);
  }
  w.ClickAt(w.ruler->TwipsToX(1440 * 3));  // a set kind does not cycle
  EXPECT_EQ(w.edit->Document().Header().tabs[size_t(std::countr_zero(w.Par(0).tabSet))].kind, tkCenter);
  w.edit->Undo();
  EXPECT_EQ(w.Par(0).tabSet, 0u);
  EXPECT_EQ(w.Par(1).tabSet, 0u);
}

TEST(RichRuler, ReadOnlyEditorKeepsItsIndentsAndTabs) {
  RulerWindow w;
  w.Load(kIndented);
  w.edit->SetReadOnly(true);
  const std::string before = w.Rtf();
  const int x = w.ruler->MarkerX(TRichRuler::mkLeft);
  w.Drag({x, w.Y(true)}, {x + w.PerInch(), w.Y(true)});
  w.ClickAt(w.ruler->TwipsToX(2880));
  EXPECT_EQ(w.Rtf(), before);
}

TEST(RichRuler, InATableCellOnlyTheCellCounts) {
  RulerWindow w;
  w.Load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\trowd\\cellx2880\\cellx5760"
         "\\pard\\intbl A\\cell B\\cell\\row\\pard After\\par}");
  ASSERT_TRUE(w.Par(0).flags & pfTableCell);
  const int rowWidth = w.edit->Layout().WrapWidth();
  const int cellRight = rowWidth * (w.Par(0).cellStart + w.Par(0).cellWidth) / 255;
  w.ClickAt(w.ruler->TwipsToX(0) + cellRight + 10);  // in the next cell
  EXPECT_EQ(w.Par(0).tabSet, 0u);
  w.ClickAt(w.ruler->TwipsToX(0) + cellRight / 2);
  EXPECT_EQ(std::popcount(w.Par(0).tabSet), 1);
}

TEST(RichRuler, UnitsChooseTheTabGrid) {
  RulerWindow w;
  w.Load(kIndented);
  w.ruler->SetUnits(TRulerUnit::Centimeter);
  EXPECT_FALSE(w.edit->Document().Header().inchUnits);
  w.ClickAt(w.ruler->TwipsToX(1000));
  const int k = std::countr_zero(w.Par(0).tabSet);
  EXPECT_EQ(w.edit->Document().Header().tabs[size_t(k)].position % 141, 0);
  w.ruler->SetUnits(TRulerUnit::Inch);
  EXPECT_TRUE(w.edit->Document().Header().inchUnits);
}

}  // namespace
}  // namespace richtext
