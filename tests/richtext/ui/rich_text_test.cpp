// The editor widget driven as a user would: keys, clicks, the clipboard.
#include <richtext/picture_codec.h>
#include <richtext/ui/metafile.h>
#include <richtext/ui/rich_text.h>

#include "../doc_builder.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

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
