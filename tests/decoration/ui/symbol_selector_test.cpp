// SPDX-License-Identifier: GPL-3.0-or-later
// The symbol selector driven as a user would, inserting into a real editor.
#include <decoration/ui/symbol_selector.h>

#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QListWidget>
#include <QPainter>
#include <QRawFont>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace quillet {
namespace {

bool HaveWineFonts() { return std::filesystem::exists("/usr/share/wine/fonts/wingding.ttf"); }

std::vector<TFontFace> Faces(std::initializer_list<const char*> families) {
  std::vector<TFontFace> faces;
  for (const char* f : families) faces.push_back({f, "", 0});
  return faces;
}

// The row of a character in the grid.
int Row(QListWidget* list, char32_t code) {
  QList<QListWidgetItem*> found = list->findItems(QString::fromUcs4(&code, 1), Qt::MatchExactly);
  return found.isEmpty() ? -1 : list->row(found.front());
}

void ClickItem(QListWidget* list, int row, bool twice = false) {
  QRect r = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// Runs the dialog modally; `user` acts once it is shown.
int RunModal(TSymbolSelector& dlg, std::function<void()> user) {
  QTimer::singleShot(0, [&] {
    QApplication::processEvents();
    user();
  });
  return dlg.Run();
}

TEST(SymbolSelector, OkAtOnceInsertsASpaceInWingdingsThatSurvivesSaving) {
  if (!HaveWineFonts()) GTEST_SKIP() << "fonts-wine is not installed";
  richtext::TRichText edit;
  edit.LoadFromStream("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28\\b Bold }");
  edit.show();
  edit.SetCaretToStart();
  QTest::keyClick(&edit, Qt::Key_End);

  TSymbolSelector dlg;
  EXPECT_EQ(dlg.windowTitle(), "Symbol Selector");
  EXPECT_EQ(dlg.SymbolSets->currentText(), "Wingdings");
  // The space, then only what the font draws: no empty boxes.
  const QRawFont wingdings = QRawFont::fromFont(dlg.SymbolList->font());
  EXPECT_EQ(wingdings.familyName(), "Wingdings");
  ASSERT_GT(dlg.SymbolList->count(), 16);
  EXPECT_LT(dlg.SymbolList->count(), 224) << "Wine's Wingdings has but a few of the codes";
  EXPECT_EQ(dlg.SymbolList->item(0)->text(), " ");
  for (int i = 1; i < dlg.SymbolList->count(); ++i) {
    const char32_t code = dlg.SymbolList->item(i)->text().toUcs4().at(0);
    EXPECT_TRUE(wingdings.supportsCharacter(code) || wingdings.supportsCharacter(0xF000 + code)) << uint32_t(code);
  }
  int result = RunModal(dlg, [&] { QTest::mouseClick(dlg.CopyCharButton, Qt::LeftButton); });
  ASSERT_EQ(result, 1);
  EXPECT_EQ(dlg.ChosenFontName(), "Wingdings");
  EXPECT_EQ(dlg.ChosenChar(), " ");
  InsertSymbol(edit, dlg.ChosenFontName(), dlg.ChosenChar());

  // A second time, the pointing hand: the letter G of Wingdings.
  TSymbolSelector again;
  result = RunModal(again, [&] { ClickItem(again.SymbolList, Row(again.SymbolList, 'G'), true); });
  ASSERT_EQ(result, 1);
  EXPECT_EQ(again.ChosenChar(), "G");
  InsertSymbol(edit, again.ChosenFontName(), again.ChosenChar());
  InsertSymbol(edit, "Wingdings", QString(QChar(0xFC)));  // a tick mark, above 0x7F

  std::string rtf = edit.SaveToBytes();
  // The font table marks Wingdings with character set 2 (symbol).
  EXPECT_NE(rtf.find("charset2 Wingdings;"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find(" G\\'fc"), std::string::npos) << rtf;

  // Read back: the same two codes in the same font, bold and size kept.
  richtext::TRichText back;
  back.LoadFromStream(rtf);
  const auto& doc = back.Document();
  const auto& par = doc.Par(0);
  ASSERT_EQ(par.text.size(), 8u);
  EXPECT_EQ(par.text.substr(5), U" G\u00FC");
  richtext::TAttr a = doc.CharAttr(par, 5);
  EXPECT_EQ(doc.Header().fonts[a.font].name, "Wingdings");
  EXPECT_EQ(doc.Header().fonts[a.font].charset, 2u);
  EXPECT_TRUE(a.flags & richtext::afBold);
  EXPECT_EQ(a.size, 14);
}

TEST(SymbolSelector, QtDrawsTheSymbolGlyphsOfTheFont) {
  if (!HaveWineFonts()) GTEST_SKIP() << "fonts-wine is not installed";
  RegisterSymbolFonts(SymbolFonts());
  auto draw = [](const QString& family) {
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f(family);
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(img.rect(), Qt::AlignCenter, "G");
    return img;
  };
  QFont wingdings("Wingdings");
  EXPECT_EQ(QFontInfo(wingdings).family(), "Wingdings");
  QImage symbol = draw("Wingdings"), letter = draw("Liberation Sans");
  QImage blank(40, 40, QImage::Format_RGB32);
  blank.fill(Qt::white);
  EXPECT_NE(symbol, blank) << "a glyph is drawn";
  EXPECT_NE(symbol, letter) << "the hand, not the letter G";
}

TEST(SymbolSelector, PreselectsWingdingsAndFollowsTheChosenFont) {
  TSymbolSelector dlg(Faces({"Webdings", "Marlett", "Wingdings"}), nullptr);
  EXPECT_EQ(dlg.SymbolSets->itemText(0), "Marlett");
  EXPECT_EQ(dlg.SymbolSets->currentText(), "Wingdings");
  int result = RunModal(dlg, [&] {
    dlg.SymbolSets->setCurrentIndex(1);
    emit dlg.SymbolSets->activated(1);
    ClickItem(dlg.SymbolList, 1);
    EXPECT_EQ(dlg.ChosenFontName(), "Webdings");
    EXPECT_EQ(dlg.ChosenChar(), dlg.SymbolList->item(1)->text());
    EXPECT_NE(dlg.ChosenChar(), " ");
    QTest::mouseClick(dlg.OKButton, Qt::LeftButton);  // "Cancel"
  });
  EXPECT_EQ(result, 2);
}

// Fifteen columns of cells at least 26 pixels square, side by side without
// overlapping, at the dialog's first size and after the user widens it.
TEST(SymbolSelector, DrawsAReadableGridThatFollowsTheDialogsSize) {
  TSymbolSelector dlg(Faces({"Wingdings"}), nullptr);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  const QSize sizes[] = {dlg.size(), QSize(820, 500)};
  for (QSize size : sizes) {
    dlg.resize(size);
    QApplication::processEvents();
    QListWidget* list = dlg.SymbolList;
    QRect first = list->visualItemRect(list->item(0)), second = list->visualItemRect(list->item(1));
    QRect last = list->visualItemRect(list->item(14)), next = list->visualItemRect(list->item(15));
    EXPECT_GE(first.width(), 26) << size.width();
    EXPECT_GE(first.height(), 26) << size.width();
    EXPECT_FALSE(first.intersects(second)) << size.width();
    EXPECT_EQ(last.top(), first.top()) << "15 in the first row at " << size.width();
    EXPECT_LE(last.right(), list->viewport()->width()) << size.width();
    EXPECT_EQ(next.left(), first.left()) << "the 16th starts the second row at " << size.width();
    EXPECT_GE(next.top(), first.bottom()) << size.width();
    EXPECT_GE(first.width() * 15, list->viewport()->width() - 15) << "the cells fill the width";
  }
}

// However the character is chosen, "Ok" gives that character, not the space
// the dialog started on.
TEST(SymbolSelector, TheCharacterChosenWithoutTheMouseIsTheOneGiven) {
  struct Way {
    const char* name;
    std::function<void(TSymbolSelector&)> choose;  // to the 19th cell: 4th column, 2nd row
  };
  const Way ways[] = {
      {"keys",
       [](TSymbolSelector& dlg) {
         dlg.SymbolSets->setFocus();
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
         ASSERT_EQ(QApplication::focusWidget(), dlg.SymbolList);
         for (int i = 0; i < 3; ++i) QTest::keyClick(dlg.SymbolList, Qt::Key_Right);
         QTest::keyClick(dlg.SymbolList, Qt::Key_Down);
       }},
      {"accessibility bus",
       [](TSymbolSelector& dlg) {
         QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dlg.SymbolList);
         ASSERT_TRUE(list && list->tableInterface());
         QAccessibleInterface* cell = list->tableInterface()->cellAt(18, 0);
         ASSERT_TRUE(cell && cell->actionInterface());
         cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
       }},
  };
  for (const Way& way : ways) {
    TSymbolSelector dlg(Faces({"Wingdings"}), nullptr);
    dlg.resize(600, 400);
    ASSERT_GT(dlg.SymbolList->count(), 18);
    const QString expected = dlg.SymbolList->item(18)->text();
    ASSERT_NE(expected, " ");
    int result = RunModal(dlg, [&] {
      way.choose(dlg);
      QTest::keyClick(dlg.SymbolList, Qt::Key_Return);  // the default button, "Ok"
    });
    EXPECT_EQ(result, 1) << way.name;
    EXPECT_EQ(dlg.ChosenChar(), expected) << way.name;
    EXPECT_EQ(dlg.ChosenFontName(), "Wingdings") << way.name;
  }
}

// A font of Unicode symbols offers the characters it has; the one chosen is
// inserted as that Unicode character in that font, not as a symbol code.
TEST(SymbolSelector, AFontOfUnicodeSymbolsGivesItsOwnCharacters) {
  std::vector<TFontFace> fonts = SymbolFonts();
  auto open = std::find_if(fonts.begin(), fonts.end(), [](const TFontFace& f) { return f.family == "OpenSymbol"; });
  if (open == fonts.end()) GTEST_SKIP() << "fonts-opensymbol is not installed";
  TSymbolSelector dlg(fonts, nullptr);
  int at = dlg.SymbolSets->findText("OpenSymbol");
  ASSERT_GE(at, 0);
  int result = RunModal(dlg, [&] {
    dlg.SymbolSets->setCurrentIndex(at);
    emit dlg.SymbolSets->activated(at);
    QList<QListWidgetItem*> arrow = dlg.SymbolList->findItems(QString(QChar(0x2192)), Qt::MatchExactly);
    ASSERT_EQ(arrow.size(), 1);
    EXPECT_TRUE(dlg.SymbolList->findItems("A", Qt::MatchExactly).isEmpty()) << "no letters";
    ClickItem(dlg.SymbolList, dlg.SymbolList->row(arrow.front()), true);
  });
  ASSERT_EQ(result, 1);
  EXPECT_EQ(dlg.ChosenFontName(), "OpenSymbol");
  EXPECT_FALSE(dlg.ChosenIsSymbolCode());

  richtext::TRichText edit;
  edit.LoadFromStream("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 x}");
  edit.show();
  QTest::keyClick(&edit, Qt::Key_End);
  InsertSymbol(edit, dlg.ChosenFontName(), dlg.ChosenChar(), dlg.ChosenIsSymbolCode());
  std::string rtf = edit.SaveToBytes();
  EXPECT_EQ(rtf.find("charset2 OpenSymbol"), std::string::npos) << rtf;
  richtext::TRichText back;
  back.LoadFromStream(rtf);
  const auto& par = back.Document().Par(0);
  ASSERT_EQ(par.text, U"x\u2192");
  EXPECT_EQ(back.Document().Header().fonts[back.Document().CharAttr(par, 1).font].name, "OpenSymbol");
}

TEST(SymbolSelector, SaysSoWhenNoSymbolFontIsInstalled) {
  testing::RecordingMessenger messages;
  TSymbolSelector dlg(Faces({}), nullptr);
  EXPECT_EQ(dlg.Run(), 0);
  EXPECT_EQ(messages.shown, std::vector<std::string>{"No Symbol fonts installed"});
  EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
}  // namespace quillet
