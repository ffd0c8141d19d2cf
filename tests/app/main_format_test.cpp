// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's formatting toolbar, ruler, Format menu and spell check,
// driven as a user would on a temporary diary.
#include "main_fixture.h"

#include <base/safe_file.h>
#include <controls/gauge.h>
#include <controls/ring_panel.h>
#include <diary/settings_file.h>
#include <finding/ui/calendar_with_glyphs.h>
#include <decoration/ui/spell_as_you_type.h>
#include <decoration/ui/spell_check_dialog.h>
#include <decoration/ui/user_dictionary_dialog.h>
#include <richtext/ui/rich_text.h>
#include <richtext/ui/ruler.h>
#include <richtext/ui/toolbar.h>
#include <richtext/unicode.h>

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

namespace quillet {
namespace {

using testing::DialogOpenedBy;
using testing::Diary;
using testing::Open;
using testing::Settle;
using testing::Tool;
using testing::WhenShown;

// The saved entry's RTF, without line breaks.
std::string SavedRtf(Diary& d) {
  std::string rtf = ReadWholeFile(d.Entry(Today()));
  std::erase_if(rtf, [](char c) { return c == '\r' || c == '\n'; });
  return rtf;
}

// Saves, so that the next change shows "&Save" again.
void Save(TMainScreen& w) {
  ASSERT_TRUE(w.SaveButtonClick());
  ASSERT_FALSE(w.Unsaved());
}

void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers mods) {
  QTest::keyClick(to, key, mods);
  Settle();
}

TEST(MainFormat, ToolbarAndRulerStandAboveThePageWithTheWindowsButtons) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  richtext::TRichToolBar* bar = w->RichToolBar2();
  richtext::TRichRuler* ruler = w->RichRuler1();
  ASSERT_TRUE(bar && ruler);
  EXPECT_EQ(bar->Editor(), w->RichText1());
  EXPECT_EQ(ruler->Editor(), w->RichText1());
  EXPECT_EQ(bar->WidthBetweenGroups(), 5);
  bar->FontSizeList()->showPopup();  // the sizes are listed once the list is opened
  bar->FontSizeList()->hidePopup();
  EXPECT_EQ(bar->FontSizeList()->itemText(0), "8");
  EXPECT_EQ(bar->FontSizeList()->itemText(bar->FontSizeList()->count() - 1), "72");
  EXPECT_EQ(bar->FontNameList()->toolTip(), "Font");
  EXPECT_EQ(bar->FontSizeList()->toolTip(), "Font Size");
  EXPECT_EQ(ruler->Units(), richtext::TRulerUnit::Inch);
  EXPECT_FALSE(ruler->ShowNumbers());

  // Full width, the ruler (15 high) under the toolbar, the page under the ruler.
  const QRect barBox(bar->mapTo(w.get(), QPoint()), bar->size());
  const QRect rulerBox(ruler->mapTo(w.get(), QPoint()), ruler->size());
  const QRect pageBox(w->RingPanel1()->mapTo(w.get(), QPoint()), w->RingPanel1()->size());
  EXPECT_EQ(barBox.width(), w->width());
  EXPECT_EQ(rulerBox.width(), w->width());
  EXPECT_EQ(ruler->height(), 15);
  EXPECT_EQ(rulerBox.top(), barBox.bottom() + 1);
  EXPECT_EQ(pageBox.top(), rulerBox.bottom() + 1);
  // At the designed width the toolbar takes two rows; in a wide window one,
  // and the ruler and the page follow it up.
  EXPECT_EQ(bar->height(), 52);
  w->resize(1100, w->height());
  Settle();
  EXPECT_EQ(bar->height(), 26);
  EXPECT_EQ(ruler->mapTo(w.get(), QPoint()).y(), bar->mapTo(w.get(), QPoint()).y() + 26);
  EXPECT_EQ(w->RingPanel1()->mapTo(w.get(), QPoint()).y(), ruler->mapTo(w.get(), QPoint()).y() + 15);
  w->resize(barBox.width(), w->height());
  Settle();
  EXPECT_EQ(bar->height(), 52);

  // The window's buttons, with pictures and hints, each followed by a blank 3-pixel spacer.
  const std::pair<const char*, const char*> buttons[] = {
      {"Deletebutton", "Delete current entry"},
      {"DocPageBreakButton", "Insert Page Break"},
      {"ParagraphSetupButton", "Paragraph properties"},
      {"DocWordWrapButton", "Toggle word wrap off"},
  };
  int left = -1;
  for (const auto& [name, hint] : buttons) {
    QToolButton* b = Tool(*w, name);
    ASSERT_TRUE(b) << name;
    EXPECT_EQ(b->parentWidget(), bar);
    EXPECT_EQ(b->toolTip(), hint);
    EXPECT_FALSE(b->icon().isNull()) << name;
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(b->size(), QSize(24, 24));
    if (left >= 0) {
      EXPECT_EQ(b->x(), left + 24 + 3) << name;
    }
    left = b->x();
    auto* spacer = bar->findChild<QWidget*>(QString::fromLatin1(name) + "Spacer");
    ASSERT_TRUE(spacer);
    EXPECT_EQ(spacer->geometry(), QRect(b->x() + 24, b->y(), 3, 24));
  }
  // Their pictures are drawn at any density.
  const QPixmap big = Tool(*w, "DocPageBreakButton")->icon().pixmap(QSize(64, 64));
  EXPECT_EQ(big.size(), QSize(64, 64));
}

TEST(MainFormat, ToolbarListsAndRulerReachTheSavedEntry) {
  Diary d;
  auto w = Open(d.dir.path());
  richtext::TRichToolBar* bar = w->RichToolBar2();
  w->RichText1()->setFocus();
  Settle();

  // Bold pressed, then typed: the text is bold, and the entry changed.
  QTest::mouseClick(bar->Button("Bold"), Qt::LeftButton);
  QTest::keyClicks(w->RichText1(), "Dear diary");
  Settle();
  EXPECT_TRUE(w->Unsaved());
  EXPECT_TRUE(bar->Button("Bold")->isChecked());
  Save(*w);
  EXPECT_NE(SavedRtf(d).find("\\b Dear diary"), std::string::npos) << SavedRtf(d);

  // All selected, 14 picked from the size list's drop-down.
  Key(w->RichText1(), Qt::Key_A, Qt::ControlModifier);
  QComboBox* sizes = bar->FontSizeList();
  sizes->showPopup();
  Settle();
  QAbstractItemView* view = sizes->view();
  const QModelIndex fourteen = sizes->model()->index(sizes->findText("14"), 0);
  view->scrollTo(fourteen);
  Settle();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(fourteen).center());
  Settle();
  EXPECT_EQ(sizes->currentText(), "14");
  EXPECT_TRUE(w->Unsaved());
  EXPECT_EQ(w->RichText1()->focusWidget(), w->RichText1());
  Save(*w);
  EXPECT_NE(SavedRtf(d).find("\\fs28"), std::string::npos) << SavedRtf(d);

  // The left indent marker dragged half an inch: indented, and "&Save" shows.
  richtext::TRichRuler* ruler = w->RichRuler1();
  const int x = ruler->MarkerX(richtext::TRichRuler::mkLeft);
  const int perInch = w->RichText1()->Layout().TwipsX(1440);
  const int y = ruler->height() / 2 + 1;
  QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(x, y));
  for (int i = 1; i <= 4; ++i) QTest::mouseMove(ruler, QPoint(x + perInch / 2 * i / 4, y));
  QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(x + perInch / 2, y));
  Settle();
  EXPECT_TRUE(w->Unsaved());
  Save(*w);
  EXPECT_NE(SavedRtf(d).find("\\li720"), std::string::npos) << SavedRtf(d);

  // A click on the ruler that changes nothing still counts as a change.
  QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(ruler->MarkerX(richtext::TRichRuler::mkRight), y));
  QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(ruler->MarkerX(richtext::TRichRuler::mkRight), y));
  Settle();
  EXPECT_TRUE(w->Unsaved());
}

// The list keys make lists that are saved as lists; Tab nests an item and
// Enter on an empty item ends the list.
TEST(MainFormat, ListKeysMakeListsThatReachTheSavedEntry) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Milk\\par Bread}");
  auto w = Open(d.dir.path());
  richtext::TRichText* edit = w->RichText1();
  edit->setFocus();
  Settle();
  const richtext::TRTFTextIo& doc = edit->Document();
  auto labels = [&] {
    std::string out;
    for (size_t i = 0; i < doc.Size(); ++i) out += (i ? "|" : "") + richtext::ToUtf8(doc.ListLabel(i));
    return out;
  };
  Key(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keySequence(edit, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  Settle();
  EXPECT_EQ(labels(), "1.|2.");
  EXPECT_TRUE(w->RichToolBar2()->Button("Numbers")->isChecked());
  QTest::keySequence(edit, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  Settle();
  EXPECT_EQ(labels(), "\u2022|\u2022");
  EXPECT_TRUE(w->RichToolBar2()->Button("Bullets")->isChecked());

  // Tab at the start of the second item nests it.
  Key(edit, Qt::Key_End, Qt::ControlModifier);
  Key(edit, Qt::Key_Home, {});
  Key(edit, Qt::Key_Tab, {});
  EXPECT_EQ(doc.Par(1).listLevel, 1);
  EXPECT_EQ(richtext::ToUtf8(doc.Par(1).text), "Bread");
  // Enter at its end, then Enter on the new empty item, ends the list.
  Key(edit, Qt::Key_End, {});
  Key(edit, Qt::Key_Return, {});
  Key(edit, Qt::Key_Return, {});
  QTest::keyClicks(edit, "Done");
  Settle();
  ASSERT_EQ(doc.Size(), 3u);
  EXPECT_EQ(labels(), "\u2022|\u2022|");

  Save(*w);
  const std::string rtf = SavedRtf(d);
  EXPECT_NE(rtf.find("\\pnlvlblt"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("\\pnlvlbody"), std::string::npos) << rtf;
  w.reset();
  auto again = Open(d.dir.path());
  const richtext::TRTFTextIo& back = again->RichText1()->Document();
  ASSERT_EQ(back.Size(), 3u);
  EXPECT_EQ(back.Par(0).listKind, richtext::lkBullet);
  EXPECT_EQ(back.Par(1).listLevel, 1);
  EXPECT_FALSE(back.Par(2).IsListItem());
}

// Every command of the toolbar is on the keyboard, from wherever the focus
// is in the window, and no two commands share a key.
TEST(MainFormat, FormatMenuPutsEveryToolbarCommandOnTheKeyboard) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Plain words\\par}");
  auto w = Open(d.dir.path());
  richtext::TRichText* edit = w->RichText1();
  edit->setFocus();
  Settle();
  Key(edit, Qt::Key_A, Qt::ControlModifier);
  // The focus away from the editor, on a button of the window.
  auto* today = w->findChild<QPushButton*>("BitBtn1");
  today->setFocus();
  Settle();

  struct Case {
    const char* what;
    QKeySequence keys;
    std::function<bool(const richtext::TAttr&, const richtext::TParagraphProps&)> holds;
  };
  auto attr = [&] { return edit->Document().CharAttr(edit->Document().Par(0), 0); };
  const Case cases[] = {
      {"bold", QKeySequence(Qt::CTRL | Qt::Key_B), [](auto& a, auto&) { return (a.flags & richtext::afBold) != 0; }},
      {"italic", QKeySequence(Qt::CTRL | Qt::Key_I), [](auto& a, auto&) { return (a.flags & richtext::afItalic) != 0; }},
      {"underline", QKeySequence(Qt::CTRL | Qt::Key_U),
       [](auto& a, auto&) { return (a.flags & richtext::afUnderline) != 0; }},
      {"strike-out", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X),
       [](auto& a, auto&) { return (a.flags & richtext::afStrikeOut) != 0; }},
      {"normal", QKeySequence(Qt::CTRL | Qt::Key_M),
       [](auto& a, auto&) { return (a.flags & (richtext::afBold | richtext::afItalic | richtext::afUnderline |
                                                 richtext::afStrikeOut)) == 0; }},
      {"centred", QKeySequence(Qt::CTRL | Qt::Key_E), [](auto&, auto& p) { return p.alignment == richtext::alCenter; }},
      {"right", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
       [](auto&, auto& p) { return p.alignment == richtext::alRight; }},
      {"justified", QKeySequence(Qt::CTRL | Qt::Key_J), [](auto&, auto& p) { return p.alignment == richtext::alJustify; }},
      {"left", QKeySequence(Qt::CTRL | Qt::Key_L), [](auto&, auto& p) { return p.alignment == richtext::alLeft; }},
  };
  for (const Case& c : cases) {
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : today;
    QTest::keySequence(focus, c.keys);
    Settle();
    EXPECT_TRUE(c.holds(attr(), edit->Document().Par(0).Props())) << c.what;
    // The first one moved the focus into the editor; the next starts away from it again.
    today->setFocus();
    Settle();
  }
  EXPECT_TRUE(w->Unsaved());

  // Ctrl+Return breaks the page, from the menu's item.
  Key(edit, Qt::Key_End, Qt::ControlModifier);
  QTest::keySequence(today, QKeySequence(Qt::CTRL | Qt::Key_Return));
  Settle();
  ASSERT_EQ(edit->Document().Size(), 2u);
  EXPECT_TRUE(edit->Document().Par(1).flags & richtext::pfPageBreak);

  // One key, one command, across the whole window: the commands' keys and the
  // underlined letters (Alt+letter) of the menu titles and the buttons, the
  // "&Save" and "&Cancel" that show while the page has changes among them.
  // Ctrl+R stays with Replace.
  std::map<QKeySequence, QString> owner;
  auto claim = [&](const QKeySequence& k, const QString& who) {
    if (k.isEmpty()) return;
    auto [it, fresh] = owner.emplace(k, who);
    EXPECT_TRUE(fresh || it->second == who)
        << k.toString().toStdString() << ": " << it->second.toStdString() << " and " << who.toStdString();
  };
  for (QAction* a : w->findChildren<QAction*>()) {
    for (const QKeySequence& k : a->shortcuts()) claim(k, a->objectName() + " " + a->text());
  }
  for (QAction* title : w->menuBar()->actions()) claim(QKeySequence::mnemonic(title->text()), "menu " + title->text());
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) claim(b->shortcut(), "button " + b->text());
  EXPECT_EQ(owner[QKeySequence(Qt::ALT | Qt::Key_S)], "button &Save");
  EXPECT_EQ(owner[QKeySequence(Qt::ALT | Qt::Key_I)], "button H&ide");
  EXPECT_EQ(owner[QKeySequence(Qt::CTRL | Qt::Key_Equal)], "mnuZoomIn Zoom &In");
  EXPECT_EQ(owner[QKeySequence(Qt::CTRL | Qt::Key_Plus)], "mnuZoomIn Zoom &In");
  EXPECT_EQ(owner[QKeySequence(Qt::CTRL | Qt::Key_Minus)], "mnuZoomOut Zoom &Out");
  EXPECT_EQ(owner[QKeySequence(Qt::CTRL | Qt::Key_0)], "mnuActualSize &Actual Size");
  // Inside each menu, no two items share their underlined letter.
  for (QMenu* menu : w->findChildren<QMenu*>()) {
    std::map<QKeySequence, QString> letters;
    for (QAction* a : menu->actions()) {
      const QKeySequence k = QKeySequence::mnemonic(a->text());
      if (k.isEmpty()) continue;
      auto [it, fresh] = letters.emplace(k, a->text());
      EXPECT_TRUE(fresh) << menu->title().toStdString() << ": " << it->second.toStdString() << " and "
                         << a->text().toStdString();
    }
  }
  EXPECT_TRUE(owner[QKeySequence(Qt::CTRL | Qt::Key_R)].startsWith("Replace1"));
  EXPECT_TRUE(owner[QKeySequence(Qt::CTRL | Qt::Key_G)].startsWith("mnuGoToDate"));
  for (const char* name : {"mnuNormal", "mnuStrikeOut", "mnuAlignRight", "mnuFontName", "mnuFontSize",
                           "mnuTextColor", "mnuBackgroundColor", "InsertPageBreak1", "SpellCheck1",
                           "DeleteEntry1", "mnuInsertSymbol", "mnuInsertPicture", "mnuShowHideIconTool",
                           "mnuParagraphSetup", "mnuBulletedList", "mnuNumberedList"}) {
    auto* a = w->findChild<QAction*>(name);
    ASSERT_TRUE(a) << name;
    EXPECT_FALSE(a->shortcut().isEmpty()) << name;
  }

  // Ctrl+Shift+P opens the size list under the keyboard: Down and Enter pick the next size.
  edit->setFocus();
  Key(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keySequence(edit, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  Settle();
  QComboBox* sizes = w->RichToolBar2()->FontSizeList();
  ASSERT_TRUE(sizes->view()->isVisible());
  const int before = attr().size;
  Key(sizes->view(), Qt::Key_Down, {});
  Key(sizes->view(), Qt::Key_Return, {});
  EXPECT_EQ(attr().size, before + 1);
}

// What the Format keys choose at the caret goes on past Enter, as in every word processor.
TEST(MainFormat, FormattingChosenAtTheCaretHoldsAcrossEnter) {
  using richtext::afBold;
  using richtext::afItalic;
  using richtext::afUnderline;
  struct Case {
    const char* what;
    const char* rtf;
    bool middle;  // Enter between the first two characters, else at the end
    QKeySequence choose;
    uint32_t typed;  // the styles of what is typed after Enter
  };
  const Case cases[] = {
      {"bold after plain text", "{\\rtf1\\ansi plain}", false, QKeySequence(Qt::CTRL | Qt::Key_B), afBold},
      {"normal after bold italic", "{\\rtf1\\ansi {\\b\\i bold italic}}", false, QKeySequence(Qt::CTRL | Qt::Key_M), 0},
      {"italic after underlined", "{\\rtf1\\ansi {\\ul under}}", false, QKeySequence(Qt::CTRL | Qt::Key_I),
       afItalic | afUnderline},
      {"bold in the middle of plain text", "{\\rtf1\\ansi ab}", true, QKeySequence(Qt::CTRL | Qt::Key_B), afBold},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Diary d;
    d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", c.rtf);
    auto w = Open(d.dir.path());
    richtext::TRichText* edit = w->RichText1();
    edit->setFocus();
    Settle();
    if (c.middle) {
      Key(edit, Qt::Key_Right, {});
    } else {
      Key(edit, Qt::Key_End, Qt::ControlModifier);
    }
    QTest::keySequence(edit, c.choose);
    Key(edit, Qt::Key_Return, {});
    QTest::keyClicks(edit, "next");
    Settle();
    richtext::TRTFText& doc = edit->Document();
    ASSERT_EQ(doc.Size(), 2u);
    const uint32_t styles = afBold | afItalic | afUnderline;
    EXPECT_EQ(doc.CharAttr(doc.Par(1), 0).flags & styles, c.typed);
    EXPECT_EQ(doc.CharAttr(doc.Par(1), 3).flags & styles, c.typed);
    if (c.middle) {  // the text after the caret keeps its own look
      EXPECT_EQ(richtext::ToUtf8(doc.Par(1).text), "nextb");
      EXPECT_EQ(doc.CharAttr(doc.Par(1), 4).flags & styles, 0u);
    }
  }
}

struct SpellDiary : Diary {
  SpellDiary() {
    dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi Teh cat sat.\\par}");
  }
};

// Each key a command shows reaches that command, from the page.
TEST(MainFormat, EveryKeyReachesItsOneCommand) {
  struct Case {
    const char* what;
    QKeySequence keys;
    bool changedFirst;    // typed into the page first, so "&Save" shows
    const char* dialog;   // the dialog the key opens, or ""
    std::function<void(TMainScreen&, Diary&)> check;
  };
  const Case cases[] = {
      {"Alt+S saves while \"&Save\" shows", QKeySequence(Qt::ALT | Qt::Key_S), true, "",
       [](TMainScreen& w, Diary& d) {
         EXPECT_FALSE(w.Unsaved());
         EXPECT_NE(ReadWholeFile(d.Entry(Today())).find("xTeh"), std::string::npos);
       }},
      {"F7 checks the spelling", QKeySequence(Qt::Key_F7), false, "quillet::TSpellCheckDialog",
       [](TMainScreen&, Diary&) {}},
      {"Ctrl+Shift+A opens the paragraph's properties", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), false,
       "quillet::TParagraphPropDlg", [](TMainScreen& w, Diary&) { EXPECT_EQ(w.RichText1()->HasSelection(), 0u); }},
      {"Ctrl+A selects all", QKeySequence(Qt::CTRL | Qt::Key_A), false, "",
       [](TMainScreen& w, Diary&) { EXPECT_GT(w.RichText1()->HasSelection(), 12u); }},  // the text and its ends
      {"Alt+I hides the window", QKeySequence(Qt::ALT | Qt::Key_I), false, "",
       [](TMainScreen& w, Diary&) { EXPECT_TRUE(w.isMinimized()); }},
      {"Alt+D deletes the entry", QKeySequence(Qt::ALT | Qt::Key_D), false, "",
       [](TMainScreen& w, Diary& d) {
         EXPECT_EQ(d.messages.shown, std::vector<std::string>{"Delete this entry?"});
         EXPECT_TRUE(w.RichText1()->IsEmpty());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SpellDiary d;
    auto w = Open(d.dir.path());
    richtext::TRichText* edit = w->RichText1();
    edit->setFocus();
    Settle();
    if (c.changedFirst) {
      QTest::keyClicks(edit, "x");
      ASSERT_TRUE(w->Unsaved());
    }
    EXPECT_EQ(DialogOpenedBy([&] {
                QTest::keySequence(edit, c.keys);
                QTest::qWait(300);  // a button's key clicks it after its press is shown
              }),
              c.dialog);
    c.check(*w, d);
  }
}

// Replaces the first misspelling with `as` as soon as the dialog shows.
void ReplaceFirstWith(const QString& as, QString* seen) {
  WhenShown<TSpellCheckDialog>([as, seen](TSpellCheckDialog* dialog) {
    QTimer::singleShot(20, dialog, [dialog, as, seen] {
      *seen = dialog->Word->text();
      dialog->ReplaceAs->setText(as);
      QTest::mouseClick(dialog->ReplaceButton, Qt::LeftButton);
    });
  });
}

TEST(MainFormat, SpellCheckFromTheMenuAndTheToolbarIconSavesItsReplacement) {
  for (const char* from : {"menu", "key", "toolbar"}) {
    SCOPED_TRACE(from);
    SpellDiary d;
    auto w = Open(d.dir.path());
    w->RichText1()->setFocus();
    Settle();
    ASSERT_FALSE(w->Unsaved());
    QString seen;
    ReplaceFirstWith("The", &seen);
    if (from == std::string("menu")) {
      QAction* item = w->findChild<QAction*>("SpellCheck1");
      ASSERT_TRUE(item);
      EXPECT_EQ(item->text(), "&Spell Check");
      EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F7));
      item->trigger();
    } else if (from == std::string("key")) {
      Key(w->RichText1(), Qt::Key_F7, {});
    } else {
      QToolButton* spell = w->RichToolBar2()->Button("Spell");
      ASSERT_TRUE(spell);
      EXPECT_EQ(spell->toolTip(), "Spell Check");
      QTest::mouseClick(spell, Qt::LeftButton);
    }
    Settle();
    EXPECT_EQ(seen, "Teh");
    EXPECT_EQ(d.messages.shown, std::vector<std::string>{"Spell check complete"});
    EXPECT_TRUE(w->Unsaved());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    Save(*w);
    EXPECT_NE(SavedRtf(d).find("The cat sat."), std::string::npos) << SavedRtf(d);
  }
}

// Lets the check of the shown entry finish and its marks come in.
void SettleSpelling(TMainScreen& w) {
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents();
    QTest::qWait(5);
  } while (w.SpellAsYouType()->Busy() && t.elapsed() < 20000);
}

// Right-clicks the first character of the entry and triggers the menu item `choose`.
void RightClickFirstWord(TMainScreen& w, const QString& choose) {
  richtext::TRichText* edit = w.RichText1();
  richtext::TLayout& layout = edit->Layout();
  QPoint p(edit->TextOriginX() + layout.XOf(0, 0, 1), 4 + layout.Paragraph(0).lines[0].height / 2);
  QTimer::singleShot(0, [choose] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    menu->close();
    for (QAction* a : menu->actions()) {
      if (a->text() == choose) a->trigger();
    }
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, p, edit->viewport()->mapToGlobal(p));
  QApplication::sendEvent(edit->viewport(), &event);
  SettleSpelling(w);
}

TEST(MainFormat, CheckSpellingAsYouTypeIsOnByDefaultAndKeptInTheSettings) {
  SpellDiary d;
  using Ranges = std::vector<richtext::TMarkRange>;
  {
    auto w = Open(d.dir.path());
    SettleSpelling(*w);
    QAction* toggle = w->findChild<QAction*>("mnuCheckSpellingAsYouType");
    ASSERT_TRUE(toggle);
    EXPECT_EQ(toggle->text(), "Check Spelling as You Type");
    EXPECT_TRUE(qobject_cast<QMenu*>(w->findChild<QAction*>("EnterDate1")->parent())->actions().contains(toggle));
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 3}}));
    ASSERT_FALSE(w->Unsaved());

    // A suggestion chosen from the right-click menu is a change of the entry.
    RightClickFirstWord(*w, "The");
    EXPECT_EQ(w->RichText1()->Marks(0), Ranges{});
    EXPECT_TRUE(w->Unsaved());
    Save(*w);
    EXPECT_NE(SavedRtf(d).find("The cat sat."), std::string::npos) << SavedRtf(d);

    w->RichText1()->Editor().MoveTo({0, 12}, false);
    QTest::keyClicks(w->RichText1(), " Qwzx ");
    SettleSpelling(*w);
    EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{13, 17}}));
    toggle->trigger();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(w->RichText1()->Marks(0), Ranges{});
    EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Spelling", "CheckAsYouType", ""), "0");
    Save(*w);
    EXPECT_EQ(SavedRtf(d).find("Qwzx"), SavedRtf(d).rfind("Qwzx"));  // the text alone, no mark of it
  }
  // The next start keeps it off until it is turned on again.
  auto w = Open(d.dir.path());
  SettleSpelling(*w);
  QAction* toggle = w->findChild<QAction*>("mnuCheckSpellingAsYouType");
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_EQ(w->RichText1()->Marks(0), Ranges{});
  toggle->trigger();
  SettleSpelling(*w);
  EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{13, 17}}));
  EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Spelling", "CheckAsYouType", ""), "1");
}

// Edit, "User Dictionary...": a word added there is no longer marked in the
// entry; taken out again, it is marked again.
TEST(MainFormat, TheUserDictionaryFromTheEditMenuChangesTheMarks) {
  SpellDiary d;
  using Ranges = std::vector<richtext::TMarkRange>;
  auto w = Open(d.dir.path());
  SettleSpelling(*w);
  ASSERT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 3}}));
  QAction* item = w->findChild<QAction*>("mnuUserDictionary");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->text(), "User Dictionary...");
  EXPECT_TRUE(qobject_cast<QMenu*>(w->findChild<QAction*>("EnterDate1")->parent())->actions().contains(item));

  WhenShown<TUserDictionaryDialog>([](TUserDictionaryDialog* dialog) {
    QTest::keyClicks(dialog->NewWord, "Teh");
    QTest::keyClick(dialog->NewWord, Qt::Key_Return);
    QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
  });
  item->trigger();
  SettleSpelling(*w);
  EXPECT_EQ(w->RichText1()->Marks(0), Ranges{});

  WhenShown<TUserDictionaryDialog>([](TUserDictionaryDialog* dialog) {
    QTest::keyClicks(dialog->FindBox, "teh");
    dialog->WordList->setCurrentRow(0);
    QTest::mouseClick(dialog->RemoveButton, Qt::LeftButton);
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  item->trigger();
  SettleSpelling(*w);
  EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 3}}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(w->Unsaved());
}

// Edit, "Spelling Language": English (ours) first, then the installed
// dictionaries; choosing German marks the entry's words by German, the Spell
// Check follows it, a word added from the right-click menu goes to German's
// personal list, and the choice is kept for the next start.
TEST(MainFormat, TheSpellingLanguageMenuChoosesTheLanguageOfBothChecks) {
  Diary d;
  qputenv("ENCHANT_CONFIG_DIR", QByteArray::fromStdString((d.dir / "enchant").string()));
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi Hauss und house.\\par}");
  using Ranges = std::vector<richtext::TMarkRange>;
  {
    auto w = Open(d.dir.path());
    SettleSpelling(*w);
    EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 5}, {6, 9}}));
    QMenu* menu = w->SpellingLanguageMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->actions().isEmpty());  // filled when first opened
    emit menu->aboutToShow();
    EXPECT_EQ(menu->title(), "Spelling Language");
    EXPECT_TRUE(qobject_cast<QMenu*>(w->findChild<QAction*>("EnterDate1")->parent())->actions().contains(menu->menuAction()));
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions()[0]->text(), "English");
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    QAction* german = w->findChild<QAction*>("mnuSpellingLanguage_de_DE");
    ASSERT_TRUE(german);
    EXPECT_EQ(german->text(), "German (Germany) [de_DE]");

    german->trigger();
    SettleSpelling(*w);
    EXPECT_TRUE(german->isChecked());
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 5}, {10, 15}}));
    EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Spelling", "Language", ""), "de_DE");

    // The Spell Check stops at the same word, with German suggestions.
    QStringList offered;
    WhenShown<TSpellCheckDialog>([&offered](TSpellCheckDialog* dialog) {
      QTimer::singleShot(20, dialog, [dialog, &offered] {
        offered << dialog->Word->text();
        for (int i = 0; i < dialog->WordList->count(); ++i) offered << dialog->WordList->item(i)->text();
        QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
      });
    });
    w->findChild<QAction*>("SpellCheck1")->trigger();
    Settle();
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(offered[0], "Hauss");
    EXPECT_TRUE(offered.contains("Haus")) << offered.join(',').toStdString();

    RightClickFirstWord(*w, "Add to Dictionary");
    EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{10, 15}}));
    EXPECT_NE(testing::ReadFile(d.dir / "enchant" / "de_DE.dic").find("Hauss"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(d.dir / "quilletu.dct"));
  }
  auto w = Open(d.dir.path());
  SettleSpelling(*w);
  emit w->SpellingLanguageMenu()->aboutToShow();
  EXPECT_TRUE(w->findChild<QAction*>("mnuSpellingLanguage_de_DE")->isChecked());
  EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{10, 15}}));
  w->SpellingLanguageMenu()->actions()[0]->trigger();
  SettleSpelling(*w);
  EXPECT_EQ(w->RichText1()->Marks(0), (Ranges{{0, 5}, {6, 9}}));
  EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Spelling", "Language", ""), "en");
}

TEST(MainFormat, AnEntryShownReadOnlyIsNotSpellChecked) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", std::string("\x01\x02\x00\xff garbage", 12));
  auto w = Open(d.dir.path());
  ASSERT_TRUE(w->EntryUnreadable());
  d.messages.shown.clear();
  w->findChild<QAction*>("SpellCheck1")->trigger();
  QTest::mouseClick(w->RichToolBar2()->Button("Spell"), Qt::LeftButton);
  Settle();
  EXPECT_TRUE(d.messages.shown.empty());
  EXPECT_FALSE(w->Unsaved());
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// The window as the README shows it: an entry with formatted text, the caret
// in a bold word of an indented paragraph with a tab stop.
// QUILLET_SCREENSHOT=FILE.png keeps the picture.
// What a dark desktop gives the program: dark windows, buttons and fields, light text.
QPalette DarkDesktop() {
  QPalette night;
  for (auto [role, color] : {std::pair{QPalette::Window, QColor(45, 45, 45)}, {QPalette::Base, QColor(30, 30, 30)},
                             {QPalette::Button, QColor(55, 55, 55)}, {QPalette::WindowText, QColor(225, 225, 225)},
                             {QPalette::Text, QColor(225, 225, 225)}, {QPalette::ButtonText, QColor(225, 225, 225)},
                             {QPalette::Mid, QColor(70, 70, 70)}}) {
    night.setColor(role, color);
  }
  return night;
}

// Under a dark palette the bars, the page's surround and the small controls
// are dark, and what is drawn on them light.
TEST(MainFormat, ADarkDesktopPaletteGivesDarkBarsSurroundAndControls) {
  Diary d;
  auto w = Open(d.dir.path());
  const QPalette before = QApplication::palette();
  QApplication::setPalette(DarkDesktop());
  TCalendarWithGlyphs calendar;
  calendar.resize(316, 187);
  TGauge gauge;
  gauge.resize(200, 20);
  gauge.SetShowText(false);
  Settle();
  auto at = [](QWidget* widget, QPoint point) { return widget->grab().toImage().pixelColor(point).lightness(); };
  auto lightest = [](QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) most = std::max(most, image.pixelColor(x, y).lightness());
    return most;
  };
  richtext::TRichRuler* ruler = w->RichRuler1();
  QToolButton* bold = w->RichToolBar2()->Button("Bold");
  ASSERT_NE(bold, nullptr);
  struct Row {
    const char* what;
    int lightness;
    bool dark;  // else light
  } rows[] = {
      {"the ruler's ground", at(ruler, QPoint(2, 2)), true},
      {"the ruler's left indent marker", at(ruler, QPoint(ruler->MarkerX(richtext::TRichRuler::mkLeft), ruler->height() - 3)), true},
      {"the toolbar", at(w->RichToolBar2(), QPoint(w->RichToolBar2()->width() - 2, 2)), true},
      {"a toolbar button", at(bold, QPoint(1, 1)), true},
      {"the ink of a toolbar button's picture", lightest(bold), false},
      {"the page's surround", at(w->RingPanel1(), QPoint(6, 3)), true},
      {"the calendar's day cells", at(&calendar, calendar.CellRect(3, 3).topLeft() + QPoint(1, 1)), true},
      {"the calendar's day numbers", lightest(&calendar), false},
      {"the gauge", at(&gauge, QPoint(100, 10)), true},
  };
  QApplication::setPalette(before);
  for (const Row& row : rows) {
    if (row.dark) {
      EXPECT_LT(row.lightness, 100) << row.what;
    } else {
      EXPECT_GT(row.lightness, 170) << row.what;
    }
  }
}

TEST(MainFormat, PaintsToolbarAndRulerOverAFormattedEntry) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE",
              "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Liberation Serif;}}"
              "{\\colortbl;\\red0\\green0\\blue0;\\red128\\green0\\blue128;\\red0\\green0\\blue255;}"
              "\\pard\\qc\\f0\\fs32\\b\\cf2 A walk by the river\\b0\\par"
              "\\pard\\fs20\\cf1 We left early and took the \\i long way\\i0  round, past the "
              "\\ul old mill\\ul0  and the lock.\\par"
              "\\pard\\li720\\fi-360\\tx1080\\f1\\fs22 -\\tab \\b Saw:\\b0  two herons, a kingfisher\\par"
              "\\pard\\li720\\fi-360\\tx1080 -\\tab \\b Found:\\b0  \\cf3 a blue \\strike pebble\\strike0  feather\\par"
              "\\pard\\f0\\fs20\\cf1 Home by noon, tired and happy.\\par}");
  auto w = Open(d.dir.path());
  w->RichText1()->setFocus();
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Home, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right})
    QTest::keyClick(w->RichText1(), key);
  Settle();
  EXPECT_TRUE(w->RichToolBar2()->Button("Bold")->isChecked());
  EXPECT_TRUE(w->RichToolBar2()->Button("Left")->isChecked());
  EXPECT_EQ(w->RichToolBar2()->FontSizeList()->currentText(), "11");
  EXPECT_GT(w->RichRuler1()->MarkerX(richtext::TRichRuler::mkLeft),
            w->RichRuler1()->MarkerX(richtext::TRichRuler::mkFirst));

  const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // The ruler is drawn: more than one colour along its middle.
  const QRect ruler(w->RichRuler1()->mapTo(w.get(), QPoint()), w->RichRuler1()->size());
  std::set<QRgb> colours;
  for (int x = ruler.left(); x <= ruler.right(); ++x) colours.insert(shot.pixel(x, ruler.center().y()));
  EXPECT_GT(colours.size(), 1u);
  if (const char* path = std::getenv("QUILLET_SCREENSHOT")) {
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path)));
  }
}

}  // namespace
}  // namespace quillet
