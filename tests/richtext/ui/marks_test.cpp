// SPDX-License-Identifier: GPL-3.0-or-later
// Marked ranges of the editor widget: they follow edits, are drawn as the red
// wavy line, and stay out of the document, its files and its undo.
#include <richtext/ui/rich_text.h>

#include "../doc_builder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Text;

struct Marked {
  TRichText edit;
  Marked() {
    edit.resize(400, 200);
    edit.show();
    edit.setFocus();
    QApplication::processEvents();
    QTest::keyClicks(&edit, "one twoo three");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "four fivve");
    edit.SetMarks(0, {{4, 8}});
    edit.SetMarks(1, {{5, 10}});
  }
};

bool Red(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }

// The columns where red pixels stand, in the rows of a paragraph's line.
QRect RedIn(const QImage& image, int top, int bottom) {
  QRect r;
  for (int y = std::max(0, top); y < std::min(image.height(), bottom); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (Red(image.pixel(x, y))) r = r.united(QRect(x, y, 1, 1));
    }
  }
  return r;
}

TEST(Marks, FollowTheEditsOfTheirParagraph) {
  struct Case {
    const char* name;
    TPosition at;  // where "X" is typed
    std::vector<TMarkRange> first, second;
  };
  const Case cases[] = {
      {"before the mark: it moves", {0, 0}, {{5, 9}}, {{5, 10}}},
      {"inside the mark: dropped", {0, 6}, {}, {{5, 10}}},
      {"just after the mark: dropped", {0, 8}, {}, {{5, 10}}},
      {"after the mark: it stays", {0, 12}, {{4, 8}}, {{5, 10}}},
      {"in another paragraph: untouched", {1, 0}, {{4, 8}}, {{6, 11}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Marked m;
    m.edit.Editor().MoveTo(c.at, false);
    QTest::keyClicks(&m.edit, "X");
    EXPECT_EQ(m.edit.Marks(0), c.first);
    EXPECT_EQ(m.edit.Marks(1), c.second);
  }
}

TEST(Marks, MoveWithInsertedAndRemovedParagraphsAndNeverComeBackByUndo) {
  Marked m;
  m.edit.Editor().MoveTo({0, 0}, false);
  QTest::keyClick(&m.edit, Qt::Key_Return);  // the first paragraph changes; the second moves down
  EXPECT_TRUE(m.edit.Marks(0).empty());
  EXPECT_TRUE(m.edit.Marks(1).empty());
  EXPECT_EQ(m.edit.Marks(2), (std::vector<TMarkRange>{{5, 10}}));
  QTest::keyClick(&m.edit, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(m.edit.Document()), "one twoo three|four fivve");
  EXPECT_TRUE(m.edit.Marks(0).empty());  // marks are no part of the history
  EXPECT_EQ(m.edit.Marks(1), (std::vector<TMarkRange>{{5, 10}}));
  EXPECT_EQ(m.edit.MarkAt({1, 10}), (TMarkRange{5, 10}));
  EXPECT_FALSE(m.edit.MarkAt({1, 4}));
  m.edit.LoadFromStream("{\\rtf1 other}");
  EXPECT_TRUE(m.edit.Marks(0).empty());
}

TEST(Marks, AreDrawnAsTheRedWavyLineAndNeverSaved) {
  Marked m;
  std::string saved = m.edit.SaveToBytes();
  m.edit.Editor().MoveTo({0, 0}, false);
  m.edit.ClearMarks();
  EXPECT_EQ(m.edit.SaveToBytes(), saved);
  m.edit.SetMarks(0, {{4, 8}});
  EXPECT_EQ(m.edit.SaveToBytes(), saved);

  QImage image = m.edit.viewport()->grab().toImage();
  TLayout& layout = m.edit.Layout();
  int top = int(layout.ParagraphTop(0)) + 4 - m.edit.verticalScrollBar()->value();
  int bottom = top + layout.Paragraph(0).lines[0].height;
  QRect red = RedIn(image, top, bottom);
  ASSERT_FALSE(red.isEmpty());
  int x4 = m.edit.TextOriginX() + layout.XOf(0, 0, 4), x8 = m.edit.TextOriginX() + layout.XOf(0, 0, 8);
  EXPECT_GE(red.left(), x4 - 2);
  EXPECT_LE(red.right(), x8 + 1);
  EXPECT_LE(red.height(), 4);
  EXPECT_TRUE(RedIn(image, bottom, image.height()).isEmpty());  // nothing under the second paragraph now

  m.edit.ClearMarks();
  image = m.edit.viewport()->grab().toImage();
  EXPECT_TRUE(RedIn(image, 0, image.height()).isEmpty());
}

TEST(Marks, TheContextMenuOffersTheUsualActionsAfterWhatListenersAdd) {
  Marked m;
  TPosition asked{99, 99};
  QObject::connect(&m.edit, &TRichText::ContextMenu, [&](QMenu* menu, TPosition at) {
    asked = at;
    menu->insertAction(menu->actions().value(0), new QAction("Mine", menu));
  });
  // A right click on "fivve" moves the caret there and opens the menu.
  TLayout& layout = m.edit.Layout();
  QPoint p(m.edit.TextOriginX() + layout.XOf(1, 0, 7),
           int(layout.ParagraphTop(1)) + 4 + layout.Paragraph(1).lines[0].height / 2);
  QStringList captions;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) captions << a->text();
    }
    menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, p, m.edit.viewport()->mapToGlobal(p));
  QApplication::sendEvent(m.edit.viewport(), &event);
  EXPECT_EQ(asked, (TPosition{1, 7}));
  EXPECT_EQ(m.edit.Editor().caret, (TPosition{1, 7}));
  EXPECT_EQ(captions, (QStringList{"Mine", "&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "&Delete", "Select &All"}));
}

}  // namespace
}  // namespace richtext
