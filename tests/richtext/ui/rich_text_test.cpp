// SPDX-License-Identifier: GPL-3.0-or-later
// The editor widget driven as a user would: keys, clicks, the clipboard.
#include <richtext/picture_codec.h>
#include <richtext/ui/metafile.h>
#include <richtext/ui/rich_text.h>

#include "../doc_builder.h"
#include "../table_rtf.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace richtext {
namespace {

using testing::Text;

struct Widget {
  TRichText edit;
  int changes = 0;
  Widget() {
    edit.resize(400, 300);
    QObject::connect(&edit, &TRichText::OnChange, [this] { ++changes; });
    edit.show();
    edit.setFocus();
    QApplication::processEvents();
  }
  void Type(const QString& text) { QTest::keyClicks(&edit, text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(&edit, key, mods); }
};

TEST(RichText, TypingEnterBackspaceAndUndo) {
  Widget w;
  w.Type("Dear diary");
  w.Key(Qt::Key_Return);
  w.Type("today");
  EXPECT_EQ(Text(w.edit.Document()), "Dear diary|today");
  EXPECT_GT(w.changes, 0);
  w.Key(Qt::Key_Backspace);
  EXPECT_EQ(Text(w.edit.Document()), "Dear diary|toda");
  w.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "Dear diary|today");
  w.Key(Qt::Key_Z, Qt::ControlModifier);
  w.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "Dear diary");
  w.Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "Dear diary|");
}

TEST(RichText, SelectingCopyingAndPasting) {
  Widget w;
  w.Type("one two three");
  w.Key(Qt::Key_Home);
  w.Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(w.edit.HasSelection(), 4u);  // "one "
  w.edit.Editor().ChangeAttributes([](TAttr& a) { a.flags |= afBold; });
  w.Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasFormat("text/rtf"));
  EXPECT_EQ(data->text(), "one ");
  w.Key(Qt::Key_End);
  w.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "one two threeone ");
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 13).flags & afBold, afBold);  // pasted as RTF, bold kept
  w.edit.SelectAll();
  w.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "");

  // A copy that takes a paragraph end pastes it again.
  w.Type("ab");
  w.Key(Qt::Key_Return);
  w.Type("cd");
  w.edit.Editor().anchor = {0, 0};
  w.edit.Editor().caret = {1, 0};
  w.Key(Qt::Key_C, Qt::ControlModifier);
  w.Key(Qt::Key_End, Qt::ControlModifier);
  w.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "ab|cdab|");
  w.edit.SelectAll();
  w.Key(Qt::Key_Delete);
  w.edit.SetReadOnly(true);
  w.Key(Qt::Key_V, Qt::ControlModifier);
  w.Type("x");
  EXPECT_EQ(Text(w.edit.Document()), "");
}

TEST(RichText, PastesRtfFromOtherProgramsAndPlainText) {
  Widget w;
  auto* rtf = new QMimeData;
  rtf->setData("text/rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Liberation Sans;}}"
                           "{\\colortbl;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}"
                           "\\f0\\fs24 {\\i\\cf1 blue} {\\highlight2 text}\\par}");
  QApplication::clipboard()->setMimeData(rtf);
  w.edit.PasteFromClipboard();
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(Text(doc), "blue text");
  TAttr a = doc.CharAttr(doc.Par(0), 0);
  EXPECT_TRUE(a.flags & afItalic);
  EXPECT_EQ(doc.Header().fonts[a.font].name, "Liberation Sans");
  EXPECT_EQ(a.size, 12);
  // The pasted colours are the pasted document's, mapped into ours.
  EXPECT_EQ(doc.Header().colors[size_t(a.TextColor())], 0xFF0000u);  // blue
  TAttr lit = doc.CharAttr(doc.Par(0), 6);
  EXPECT_EQ(doc.Header().colors[size_t(lit.BackColor())], 0x00FFFFu);  // yellow
  auto* plain = new QMimeData;
  plain->setText("line 1\nline 2");
  QApplication::clipboard()->setMimeData(plain);
  w.edit.PasteFromClipboard();
  EXPECT_EQ(Text(doc), "blue textline 1|line 2");
}

TEST(RichText, InputMethodsAndMouse) {
  Widget w;
  QInputMethodEvent ime;
  ime.setCommitString(QString::fromUtf8("日記 é"));
  QApplication::sendEvent(&w.edit, &ime);
  EXPECT_EQ(Text(w.edit.Document()), "\xE6\x97\xA5\xE8\xA8\x98 \xC3\xA9");
  w.edit.Editor().MoveTo({0, 0}, false);
  QRect caret = w.edit.CaretRect();
  // A click at the end of the text puts the caret there.
  QTest::mouseClick(w.edit.viewport(), Qt::LeftButton, {}, QPoint(390, caret.center().y()));
  EXPECT_EQ(w.edit.Editor().caret, (TPosition{0, 4}));
}

TEST(RichText, TypingContinuesTheFormattingAroundTheCaret) {
  Widget w;
  // Plain Times, a bold word, then a red Arial 12 pt run, as a word processor writes them.
  w.edit.LoadFromStream(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
      "\\pard\\plain\\f0\\fs20 one {\\b bold} two {\\f1\\fs24\\cf2 red}}");
  TRTFText& doc = w.edit.Document();
  ASSERT_EQ(Text(doc), "one bold two red");
  auto typedAt = [&](size_t offset) { return doc.CharAttr(doc.Par(0), offset); };

  for (int i = 0; i < 5; ++i) w.Key(Qt::Key_Right);  // inside "bold", after "b"
  w.Type("X");
  EXPECT_EQ(typedAt(5).flags & afBold, afBold);
  EXPECT_EQ(typedAt(5).size, 10);

  w.Key(Qt::Key_End);  // after "red"
  w.Type("Y");
  TAttr y = typedAt(17);
  EXPECT_EQ(doc.Header().fonts[y.font].name, "Arial");
  EXPECT_EQ(y.size, 12);
  EXPECT_EQ(doc.Header().colors[size_t(y.TextColor())], 0x0000FFu);  // red
  EXPECT_EQ(w.edit.GetInsertionAttribute(), y);

  w.Key(Qt::Key_Home);  // at the paragraph start: its first character
  w.Type("Z");
  EXPECT_EQ(typedAt(0), typedAt(1));
  EXPECT_EQ(typedAt(0).flags & afBold, 0u);

  // A click into the bold word, then typing.
  QRect caret = w.edit.CaretRect();
  w.edit.Editor().MoveTo({0, 1}, false);
  int x = w.edit.Layout().XOf(0, 0, 8) + 4;  // inside "bold"
  QTest::mouseClick(w.edit.viewport(), Qt::LeftButton, {}, QPoint(x, caret.center().y()));
  QTest::qWait(QApplication::doubleClickInterval() + 10);
  TPosition at = w.edit.Editor().caret;
  w.Type("W");
  EXPECT_EQ(doc.CharAttr(doc.Par(0), at.offset).flags & afBold, afBold);

  // The saved file holds the typed letters in the runs they joined.
  std::string rtf = w.edit.SaveToBytes();
  EXPECT_NE(rtf.find("bXo"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("redY"), std::string::npos) << rtf;
}

TEST(RichText, AnExplicitInsertionAttributeHoldsUntilTheCaretMoves) {
  Widget w;
  int moves = 0;
  QObject::connect(&w.edit, &TRichText::CaretMoved, [&] { ++moves; });
  w.Type("ab");
  EXPECT_GT(moves, 0);
  TAttr bold = w.edit.GetInsertionAttribute();
  bold.flags |= afBold;
  w.edit.SetInsertionAttribute(bold);
  EXPECT_EQ(w.edit.GetInsertionAttribute().flags & afBold, afBold);
  w.Type("c");  // bold typing, and it goes on being bold
  w.Type("d");
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 2).flags & afBold, afBold);
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 3).flags & afBold, afBold);

  TAttr italic = w.edit.GetInsertionAttribute();
  italic.flags = afItalic;
  w.edit.SetInsertionAttribute(italic);
  w.Key(Qt::Key_Left);  // the caret moves: the attribute follows it again
  w.Key(Qt::Key_Right);
  w.Type("e");
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 4).flags, uint32_t(afBold));
}

TEST(RichText, TablesAreGridsTheCaretWalksThrough) {
  Widget w;
  w.edit.resize(640, 400);
  QApplication::processEvents();
  w.edit.LoadFromStream(testing::kLibreOfficeTable);
  std::string stored = w.edit.SaveToBytes();
  TEditor& ed = w.edit.Editor();
  auto at = [&](size_t par, size_t offset) {
    ed.MoveTo({par, offset}, false);
    return w.edit.CaretRect();
  };
  // The cells of a row stand side by side on one line of the screen.
  QRect name = at(1, 0), place = at(2, 0), time = at(3, 0), anna = at(4, 0);
  EXPECT_EQ(name.top(), place.top());
  EXPECT_EQ(place.top(), time.top());
  EXPECT_LT(name.left(), place.left());
  EXPECT_LT(place.left(), time.left());
  EXPECT_GT(anna.top(), name.top());
  EXPECT_EQ(anna.left(), name.left());

  struct Step {
    TPosition from;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    size_t par;  // where the caret goes
  } steps[] = {
      {{1, 2}, Qt::Key_Down, {}, 4},       // down a column
      {{4, 2}, Qt::Key_Up, {}, 1},
      {{0, 0}, Qt::Key_Down, {}, 1},       // into the table under the column
      {{4, 2}, Qt::Key_Down, {}, 7},       // a cell's last line: below its row
      {{5, 0}, Qt::Key_Down, {}, 5},       // the tall cell's next line
      {{7, 8}, Qt::Key_Up, {}, 4},         // from below: the cell above in the row
      {{1, 4}, Qt::Key_Right, {}, 2},      // past a cell's end: the next cell
      {{1, 1}, Qt::Key_Tab, {}, 2},        // Tab: the next cell
      {{3, 1}, Qt::Key_Tab, {}, 4},        // the next row
      {{6, 0}, Qt::Key_Tab, {}, 7},        // out of the table
      {{5, 3}, Qt::Key_Backtab, Qt::ShiftModifier, 4},
  };
  for (const Step& s : steps) {
    ed.MoveTo(s.from, false);
    w.Key(s.key, s.mods);
    EXPECT_EQ(ed.caret.par, s.par) << s.from.par << "," << s.from.offset << " key " << s.key;
  }
  ed.MoveTo({1, 0}, false);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(ed.SelStart(), (TPosition{2, 0}));  // the next cell's text is selected
  EXPECT_EQ(ed.SelEnd(), (TPosition{2, 5}));
  // The tall cell's second line keeps its column when going down.
  ed.MoveTo({5, 1}, false);
  w.Key(Qt::Key_Down);
  EXPECT_EQ(ed.caret, (TPosition{5, 8}));  // "P" of "Porto", after "Lisbon\n"
  w.Key(Qt::Key_Down);
  w.Key(Qt::Key_Down);
  EXPECT_EQ(ed.caret.par, 7u);  // past "Faro": below the table

  // A click on the third cell of the second row, below its text.
  QRect june = at(6, 0);
  QTest::mouseClick(w.edit.viewport(), Qt::LeftButton, {}, QPoint(june.left() + 60, june.top() + 2 * june.height()));
  EXPECT_EQ(ed.caret.par, 6u);
  EXPECT_EQ(w.edit.SaveToBytes(), stored);  // the grid is drawn, not stored
}

// A widget holding `count` equal paragraphs in a 28 pt font.
void FillLargeLines(Widget& w, int count) {
  TRTFText& doc = w.edit.Document();
  TAttr big = doc.insertionAttr;
  big.size = 28;
  for (int i = 0; i < count; ++i) {
    if (i > 0) doc.NewParagraph(doc.Size() - 1);
    doc.SetParagraphText(doc.Size() - 1, U"abcdefghij", &big);
  }
  w.edit.ReformatAll();
}

TEST(RichText, PageKeysMoveAScreenfulOfRealLinesKeepingTheColumn) {
  Widget w;
  FillLargeLines(w, 60);
  TEditor& ed = w.edit.Editor();
  ed.MoveTo({0, 3}, false);
  int lineHeight = w.edit.Layout().Paragraph(0).height;
  int visible = w.edit.viewport()->height() / lineHeight;  // lines wholly on the screen
  ASSERT_GE(visible, 3);
  QRect before = w.edit.CaretRect();
  w.Key(Qt::Key_PageDown);
  // The caret lands on the line the screen ended with, not beyond it.
  EXPECT_GE(ed.caret.par, size_t(visible));
  EXPECT_LE(ed.caret.par, size_t(visible + 1));
  EXPECT_EQ(ed.caret.offset, 3u);
  EXPECT_EQ(w.edit.CaretRect().top(), before.top());  // the view moved with it
  size_t first = ed.caret.par;
  w.Key(Qt::Key_PageDown);
  EXPECT_EQ(ed.caret.par, 2 * first);
  w.Key(Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(ed.caret, (TPosition{first, 3}));
  EXPECT_EQ(ed.anchor, (TPosition{2 * first, 3}));
  w.Key(Qt::Key_PageUp);
  w.Key(Qt::Key_PageUp);
  EXPECT_EQ(ed.caret, (TPosition{0, 3}));

  // With Ctrl: the last and the first line wholly in view, the view staying put.
  int scrolled = w.edit.verticalScrollBar()->value();
  w.Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(ed.caret, (TPosition{size_t(visible - 1), 3}));
  w.Key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(ed.caret, (TPosition{0, 3}));
  EXPECT_EQ(w.edit.verticalScrollBar()->value(), scrolled);
}

TEST(RichText, ShiftAloneKeepsTheColumnOfUpAndDown) {
  Widget w;
  w.Type("abcdefghij");
  w.Key(Qt::Key_Return);
  w.Type("ab");
  w.Key(Qt::Key_Return);
  w.Type("abcdefghij");
  w.edit.Editor().MoveTo({0, 8}, false);
  w.Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.edit.Editor().caret, (TPosition{1, 2}));
  QTest::keyClick(&w.edit, Qt::Key_Shift, Qt::ShiftModifier);  // the hand lets go of Shift and takes it again
  w.Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.edit.Editor().caret, (TPosition{2, 8}));
  EXPECT_EQ(w.edit.Editor().anchor, (TPosition{0, 8}));
  w.Key(Qt::Key_End);  // any other move forgets it
  w.Key(Qt::Key_Up);
  EXPECT_EQ(w.edit.Editor().caret, (TPosition{1, 2}));
}

TEST(RichText, CtrlHomeAndCtrlEndShowTheMargins) {
  Widget w;
  FillLargeLines(w, 40);
  QScrollBar* v = w.edit.verticalScrollBar();
  w.Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(v->value(), v->maximum());
  w.Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(v->value(), 0);
}

TEST(RichText, DraggingBeyondTheWindowKeepsScrollingFasterFurtherAway) {
  // The steps the view takes while the pointer is held still at a distance.
  auto stepsAt = [](int below) {
    Widget w;
    FillLargeLines(w, 80);
    QWidget* view = w.edit.viewport();
    std::vector<int> steps;
    int last = 0;
    QObject::connect(w.edit.verticalScrollBar(), &QScrollBar::valueChanged, [&](int v) {
      steps.push_back(v - last);
      last = v;
    });
    QPoint start(20, 10), held(20, view->height() + below);
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, held, view->mapToGlobal(held), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
    // No further mouse events: the scrolling goes on by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return steps.size() >= 3; }, 5000));
    EXPECT_GT(w.edit.Editor().caret.par, w.edit.Editor().anchor.par);  // the selection grew with it
    QTest::mouseRelease(view, Qt::LeftButton, {}, held);
    size_t stopped = steps.size();
    QTest::qWait(150);
    EXPECT_EQ(steps.size(), stopped);  // letting go stops it
    return steps.empty() ? 0 : steps[1];
  };
  int near = stepsAt(5), far = stepsAt(150);
  EXPECT_GT(near, 0);
  EXPECT_GT(far, 2 * near);
}

TEST(RichText, TheCaretBlinksWhileFocusedAndIsABlockWhenOverwriting) {
  Widget w;
  w.Type("Ink");
  ASSERT_TRUE(w.edit.hasFocus());
  EXPECT_TRUE(w.edit.CaretShown());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.edit.CaretShown(); }, 3000));  // it goes off
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.edit.CaretShown(); }, 3000));   // and on again
  w.Key(Qt::Key_Left);
  EXPECT_TRUE(w.edit.CaretShown());  // a move shows it at once
  EXPECT_EQ(w.edit.CaretRect().width(), 2);

  // Overwrite mode: a block as wide as the character it replaces, painted inverted.
  w.Key(Qt::Key_Insert);
  QRect block = w.edit.CaretRect();
  EXPECT_EQ(block.width(), w.edit.Layout().Paragraph(0).widths[2]);
  EXPECT_GT(block.width(), 2);
  QImage image = w.edit.viewport()->grab().toImage();
  int dark = 0, light = 0;
  for (int y = block.top(); y <= block.bottom(); ++y) {
    for (int x = block.left(); x <= block.right(); ++x) (qGray(image.pixel(x, y)) < 128 ? dark : light)++;
  }
  EXPECT_GT(dark, light);  // white paper turned black, the letter white
  EXPECT_GT(light, 0);

  // Without the focus the caret neither shows nor blinks.
  QLineEdit other;
  other.show();
  other.setFocus();
  QApplication::processEvents();
  ASSERT_FALSE(w.edit.hasFocus());
  EXPECT_FALSE(w.edit.CaretShown());
  QTest::qWait(QGuiApplication::styleHints()->cursorFlashTime());
  other.close();
  w.edit.activateWindow();
  w.edit.setFocus();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.edit.hasFocus(); }, 2000));
  EXPECT_TRUE(w.edit.CaretShown());
}

TEST(RichText, CopiesPlainTextWithLineFeedsAndTheBackgroundForOtherPrograms) {
  Widget w;
  w.Type("high");
  w.Key(Qt::Key_Return);
  w.Type("light");
  w.Key(Qt::Key_Return, Qt::ShiftModifier);
  w.Type("end");
  w.edit.Editor().Select({0, 0}, {1, 5});
  w.edit.Editor().ChangeAttributes([](TAttr& a) { a.SetBackColor(11); });  // yellow
  w.edit.SelectAll();
  w.Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  EXPECT_EQ(data->text(), "high\nlight\nend");
  std::string rtf = data->data("text/rtf").toStdString();
  EXPECT_NE(rtf.find("\\cb11\\chcbpat11"), std::string::npos) << rtf;
  // The stored entry keeps \cb alone.
  std::string stored = w.edit.SaveToBytes();
  EXPECT_NE(stored.find("\\cb11"), std::string::npos);
  EXPECT_EQ(stored.find("chcbpat"), std::string::npos);
  // Pasted back, the background is the same colour.
  w.Key(Qt::Key_End, Qt::ControlModifier);
  w.Key(Qt::Key_V, Qt::ControlModifier);
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(doc.CharAttr(doc.Par(2), 0).BackColor(), 11);
}

// Typed text has the page's own white as its background: copies for other
// programs carry only the backgrounds that show, and HTML beside RTF and text.
TEST(RichText, CopiesRtfHtmlAndTextWithBackgroundsOnlyWhereTheyShow) {
  Widget w;
  w.Type("plain bold lit");
  w.Key(Qt::Key_Return);
  w.Type("two");
  TEditor& e = w.edit.Editor();
  ASSERT_EQ(w.edit.Document().insertionAttr.BackColor(), 12);  // white, the page's colour
  e.Select({0, 6}, {0, 10});
  e.ChangeAttributes([](TAttr& a) { a.flags |= afBold; a.SetTextColor(1); });  // red
  e.Select({0, 11}, {0, 14});
  e.ChangeAttributes([](TAttr& a) { a.SetBackColor(4); });  // yellow
  w.edit.SelectAll();
  w.Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QApplication::clipboard()->mimeData();

  std::string rtf = data->data("text/rtf").toStdString();
  EXPECT_EQ(rtf.find("\\cb12"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("chcbpat12"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\cb4\\chcbpat4"), std::string::npos) << rtf;

  ASSERT_TRUE(data->hasHtml());
  std::string html = data->html().toStdString();
  EXPECT_NE(html.find("<b>bold</b>"), std::string::npos) << html;
  EXPECT_NE(html.find("color:#ff0000\"><b>bold"), std::string::npos) << html;
  EXPECT_NE(html.find("background-color:#ffff00\">lit"), std::string::npos) << html;
  EXPECT_EQ(html.find("background-color:#ffffff"), std::string::npos) << html;
  EXPECT_NE(html.find(">two</span></p>"), std::string::npos) << html;
  EXPECT_EQ(data->text(), "plain bold lit\ntwo");

  // The HTML alone, pasted into another editor, looks the same.
  auto* only = new QMimeData;
  only->setHtml(data->html());
  QApplication::clipboard()->setMimeData(only);
  Widget other;
  other.Key(Qt::Key_V, Qt::ControlModifier);
  TRTFText& doc = other.edit.Document();
  EXPECT_EQ(Text(doc), "plain bold lit|two");
  TAttr bold = doc.CharAttr(doc.Par(0), 6), lit = doc.CharAttr(doc.Par(0), 11);
  EXPECT_TRUE(bold.flags & afBold);
  EXPECT_EQ(doc.Header().colors[size_t(bold.TextColor())], 0x0000FFu);  // red
  EXPECT_EQ(doc.Header().colors[size_t(lit.BackColor())], 0x00FFFFu);   // yellow
  EXPECT_FALSE(doc.CharAttr(doc.Par(0), 0).flags & afBold);
}

// A small PNG as a data: address.
QByteArray PngDataUrl(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return "data:image/png;base64," + png.toBase64();
}

TEST(RichText, PastesRtfFirstThenHtmlThenPlainText) {
  struct Case {
    const char* name;
    std::vector<std::pair<QString, QByteArray>> formats;
    const char* text;
    std::function<void(TRTFText&)> check;
  };
  const QByteArray page =
      "<html><head><style>p { color: green }</style></head><body>"
      "<p><b>bold</b> <i>it</i> <u>under</u> <s>gone</s> "
      "<span style=\"color:#ff0000;font-size:14pt;background-color:yellow\">red</span></p>\n"
      "<p style=\"text-align:center\">second&nbsp;line<br>broken</p>"
      "<ul><li>one</li><li>two<ol><li>deep</li></ol></li></ul></body></html>";
  const Case cases[] = {
      {"html alone", {{"text/html", page}}, "bold it under gone red|second\u00A0line\nbroken|\u2022 one|\u2022 two|1. deep",
       [](TRTFText& doc) {
         const TParagraph& p = doc.Par(0);
         EXPECT_TRUE(doc.CharAttr(p, 0).flags & afBold);
         EXPECT_FALSE(doc.CharAttr(p, 4).flags & afBold);
         EXPECT_TRUE(doc.CharAttr(p, 5).flags & afItalic);
         EXPECT_TRUE(doc.CharAttr(p, 8).flags & afUnderline);
         EXPECT_TRUE(doc.CharAttr(p, 14).flags & afStrikeOut);
         TAttr red = doc.CharAttr(p, 19);
         EXPECT_EQ(doc.Header().colors[size_t(red.TextColor())], 0x0000FFu);
         EXPECT_EQ(doc.Header().colors[size_t(red.BackColor())], 0x00FFFFu);
         EXPECT_EQ(red.size, 14);
         EXPECT_EQ(doc.Par(1).alignment, alCenter);
         EXPECT_EQ(doc.Par(2).leftIndent, 360);  // list items: indented paragraphs
         EXPECT_EQ(doc.Par(4).leftIndent, 720);
       }},
      {"html beside plain text", {{"text/html", "<b>rich</b>"}, {"text/plain", "plain"}}, "rich",
       [](TRTFText& doc) { EXPECT_TRUE(doc.CharAttr(doc.Par(0), 0).flags & afBold); }},
      {"rtf beside html", {{"text/rtf", "{\\rtf1\\ansi {\\i from rtf}\\par}"}, {"text/html", "<b>from html</b>"}},
       "from rtf", [](TRTFText& doc) { EXPECT_TRUE(doc.CharAttr(doc.Par(0), 0).flags & afItalic); }},
      {"plain text alone", {{"text/plain", "a\nb"}}, "a|b", [](TRTFText&) {}},
      {"html with a picture", {{"text/html", "<p>see <img src=\"" + PngDataUrl(8, 4) + "\" width=\"20\"></p>"}},
       "see \x02",
       [](TRTFText& doc) {
         TAttr a = doc.CharAttr(doc.Par(0), 4);
         ASSERT_TRUE(a.flags & afObject);
         TTextObject* o = doc.ObjectOf(kObjectById, a);
         ASSERT_TRUE(o && o->picture);
         EXPECT_EQ(o->picture->kind, TPicture::Kind::Png);
         EXPECT_EQ(o->picture->width, 8);
         EXPECT_EQ(o->width, 20 * 15);   // 20 pixels of 1/96 inch
         EXPECT_EQ(o->height, 10 * 15);  // in the picture's proportions
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* data = new QMimeData;
    for (const auto& [type, bytes] : c.formats) data->setData(type, bytes);
    QApplication::clipboard()->setMimeData(data);
    Widget w;
    w.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(w.edit.Document()), c.text);
    c.check(w.edit.Document());
  }
}

TEST(RichText, ShiftDeleteAndCtrlDeleteCutTheSelection) {
  for (Qt::KeyboardModifier mod : {Qt::ShiftModifier, Qt::ControlModifier}) {
    SCOPED_TRACE(mod == Qt::ShiftModifier ? "Shift+Delete" : "Ctrl+Delete");
    QApplication::clipboard()->clear();
    Widget w;
    w.Type("one two");
    w.Key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    w.Key(Qt::Key_Delete, mod);
    EXPECT_EQ(Text(w.edit.Document()), "one ");
    EXPECT_EQ(QApplication::clipboard()->text(), "two");
    // Without a selection there is nothing to cut.
    w.Key(Qt::Key_Home);
    w.Key(Qt::Key_Delete, mod);
    EXPECT_EQ(Text(w.edit.Document()), "one ");
    EXPECT_EQ(QApplication::clipboard()->text(), "two");
  }
}

TEST(RichText, ClearTakesTheWidgetsFontAndColours) {
  Widget w;
  QFont f("Liberation Serif", 14);
  f.setBold(true);
  w.edit.setFont(f);
  w.edit.Clear();
  TRTFText& doc = w.edit.Document();
  EXPECT_EQ(doc.Header().fonts[0].name, "Liberation Serif");
  EXPECT_EQ(doc.insertionAttr.size, 14);
  EXPECT_EQ(doc.insertionAttr.flags, afBold);
  EXPECT_EQ(doc.insertionAttr.TextColor(), 0);   // black
  EXPECT_EQ(doc.insertionAttr.BackColor(), 12);  // the white of the colour table
  w.Type("x");
  EXPECT_EQ(doc.CharAttr(doc.Par(0), 0).size, 14);
}

TEST(RichText, TabGoesIntoTheTextAndCtrlTabToListeners) {
  Widget w;
  int ctrlTabs = 0;
  QObject::connect(&w.edit, &TRichText::CtrlTabPressed, [&] { ++ctrlTabs; });
  w.Type("a");
  w.Key(Qt::Key_Tab);
  w.Type("b");
  w.Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Text(w.edit.Document()), "a\tb");
  EXPECT_EQ(ctrlTabs, 1);
}

TEST(RichText, KeysCanBeTakenBeforeTheEditor) {
  Widget w;
  QObject::connect(&w.edit, &TRichText::OnKeyDown, [](QKeyEvent* e, bool& handled) {
    handled = e->key() == Qt::Key_Q;
  });
  w.Type("aqb");
  EXPECT_EQ(Text(w.edit.Document()), "ab");
}

TEST(RichText, PaintsTextOnTheViewport) {
  Widget w;
  w.Type("Ink");
  QImage image = w.edit.viewport()->grab().toImage();
  int dark = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) dark += qGray(image.pixel(x, y)) < 128;
  }
  EXPECT_GT(dark, 10);
}

TEST(Metafile, PlaysShapesIntoItsRectangle) {
  // A placeable metafile, 100 x 100 units at 100 units per inch: a red
  // filled rectangle over its left half.
  auto u16 = [](std::string& s, int v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
  };
  std::string records;
  auto record = [&](int fn, std::vector<int> args) {
    u16(records, int(3 + args.size()));
    u16(records, 0);
    u16(records, fn);
    for (int a : args) u16(records, a);
  };
  record(0x020B, {0, 0});      // SetWindowOrg
  record(0x020C, {100, 100});  // SetWindowExt
  record(0x02FC, {0, 0x00FF, 0, 0});  // CreateBrushIndirect: solid red
  record(0x02FA, {5, 0, 0, 0, 0});    // CreatePenIndirect: no pen
  record(0x012D, {0});
  record(0x012D, {1});
  record(0x041B, {100, 50, 0, 0});  // Rectangle bottom, right, top, left
  record(0x0000, {});
  std::string header;
  u16(header, 1);
  u16(header, 9);
  u16(header, 0x300);
  u16(header, 0);
  u16(header, 0);
  u16(header, 2);
  u16(header, 0);
  u16(header, 0);
  u16(header, 0);
  std::string wmf = MakePlaceableMetafile(header + records, 100, 100);
  wmf[14] = 100;  // 100 units per inch
  wmf[15] = 0;
  QImage image = RenderMetafile(wmf);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 96);
  EXPECT_EQ(QColor(image.pixel(20, 48)), QColor(Qt::red));
  EXPECT_NE(QColor(image.pixel(80, 48)), QColor(Qt::red));
  EXPECT_TRUE(RenderMetafile("not a metafile").isNull());
}

}  // namespace
}  // namespace richtext
