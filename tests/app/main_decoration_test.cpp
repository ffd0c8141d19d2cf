// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's decorating commands, driven as a user would on a
// temporary diary: the icon palette and its drop, symbols, pictures and
// paragraph properties, each reaching the saved entry.
#include "main_fixture.h"

#include <diary/settings_file.h>
#include <base/safe_file.h>
#include <decoration/ui/floating_palette.h>
#include <decoration/ui/icon_list_box.h>
#include <decoration/ui/image_browser.h>
#include <decoration/ui/paragraph_props_dialog.h>
#include <decoration/ui/symbol_selector.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>
#include <richtext/ui/toolbar.h>

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::DialogOpenedBy;
using testing::Diary;
using testing::Open;
using testing::Settle;
using testing::Tool;
using testing::WhenShown;

QAction* Item(TMainScreen& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

// The saved entry's RTF, without line breaks.
std::string SavedRtf(const Diary& d) {
  std::string rtf = ReadWholeFile(d.Entry(Today()));
  std::erase_if(rtf, [](char c) { return c == '\r' || c == '\n'; });
  return rtf;
}

// The entry as the window reads it back: closed, opened again.
std::unique_ptr<TMainScreen> Reopen(std::unique_ptr<TMainScreen> w, const Diary& d) {
  w->close();
  w.reset();
  return Open(d.dir.path());
}

bool HaveWingdings() { return std::filesystem::exists("/usr/share/wine/fonts/wingding.ttf"); }

TEST(MainDecoration, ButtonsMenuItemsAndHints) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  // In the toolbar's order: ... page break, paragraph, word wrap, print, picture, symbol, icon tool.
  const std::pair<const char*, const char*> buttons[] = {
      {"DocPageBreakButton", "Insert Page Break"},
      {"ParagraphSetupButton", "Paragraph properties"},
      {"DocWordWrapButton", "Toggle word wrap off"},
      {"Printbutton", "Print diary entries"},
      {"PasteGraphicButton", "Paste an image into the text"},
      {"SymbolSelectorButton", "Paste a symbol into the text"},
      {"ShowHideIconTool", "Show/hide the icon palette"},
  };
  const QList<QWidget*> order = w->RichToolBar2()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  qsizetype last = -1;
  for (const auto& [name, hint] : buttons) {
    QToolButton* b = Tool(*w, name);
    ASSERT_TRUE(b) << name;
    EXPECT_EQ(b->toolTip(), hint) << name;
    EXPECT_EQ(b->height(), 24) << name;
    const qsizetype at = order.indexOf(b);
    EXPECT_GT(at, last) << name;
    last = at;
    auto* spacer = w->RichToolBar2()->findChild<QWidget*>(QString::fromLatin1(name) + "Spacer");
    ASSERT_TRUE(spacer) << name;
    EXPECT_EQ(spacer->width(), 3);
  }
  EXPECT_EQ(Tool(*w, "ShowHideIconTool")->text(), "Show Icon Tool");
  EXPECT_EQ(Tool(*w, "ShowHideIconTool")->toolButtonStyle(), Qt::ToolButtonTextOnly);
  for (const char* name : {"ParagraphSetupButton", "PasteGraphicButton", "SymbolSelectorButton"})
    EXPECT_FALSE(Tool(*w, name)->icon().isNull()) << name;

  // Each command also in a menu, on its own key.
  for (const char* name : {"mnuInsertSymbol", "mnuInsertPicture", "mnuShowHideIconTool", "mnuParagraphSetup"}) {
    QAction* a = Item(*w, name);
    ASSERT_TRUE(a) << name;
    EXPECT_FALSE(a->shortcut().isEmpty()) << name;
    EXPECT_TRUE(qobject_cast<QMenu*>(a->associatedObjects().value(0))) << name << " is in a menu";
  }
  EXPECT_EQ(Item(*w, "mnuShowHideIconTool")->text(), "Show Icon Tool");
}

// The icon tool shows and hides the palette; its set, place and visibility
// are kept in QX.INI from one run to the next.
TEST(MainDecoration, IconToolTogglesThePaletteAndItsStateOutlivesTheRun) {
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  TFloatingPalette* palette = w->IconPalette();
  ASSERT_TRUE(palette);
  EXPECT_FALSE(palette->isVisible()) << "hidden the first time";
  QToolButton* tool = Tool(*w, "ShowHideIconTool");
  QTest::mouseClick(tool, Qt::LeftButton);
  Settle();
  EXPECT_TRUE(palette->isVisible());
  EXPECT_EQ(tool->text(), "Hide Icon Tool");
  EXPECT_EQ(Item(*w, "mnuShowHideIconTool")->text(), "Hide Icon Tool");
  palette->mnuHolidaysICL->trigger();
  palette->move(140, 90);
  Settle();

  // An unsaved change is not touched by the palette coming and going.
  w->RichText1()->setFocus();
  QTest::keyClicks(w->RichText1(), "x");
  Settle();
  ASSERT_TRUE(w->Unsaved());
  Item(*w, "mnuShowHideIconTool")->trigger();
  Settle();
  EXPECT_FALSE(palette->isVisible());
  EXPECT_EQ(tool->text(), "Show Icon Tool");
  EXPECT_TRUE(w->Unsaved());
  QTest::mouseClick(tool, Qt::LeftButton);
  Settle();
  EXPECT_TRUE(palette->isVisible());

  w = Reopen(std::move(w), d);
  Settle();
  {
    TIniFile ini(d.dir / "QX.INI");
    EXPECT_TRUE(ini.ReadBool("Icons", "Visible", false));
    EXPECT_EQ(TFloatingPalette::BaseName(QString::fromStdString(ini.ReadString("Icons", "File", ""))), "holiday");
    EXPECT_EQ(ini.ReadInteger("Icons", "Left", 0), 140);
    EXPECT_EQ(ini.ReadInteger("Icons", "Top", 0), 90);
  }
  palette = w->IconPalette();
  tool = Tool(*w, "ShowHideIconTool");
  EXPECT_TRUE(palette->isVisible()) << "shown again at start";
  EXPECT_EQ(tool->text(), "Hide Icon Tool");
  EXPECT_TRUE(palette->mnuHolidaysICL->isChecked());
  EXPECT_EQ(TFloatingPalette::BaseName(palette->IconListBox->FileName()), "holiday");
  EXPECT_EQ(palette->pos(), QPoint(140, 90));

  QTest::mouseClick(tool, Qt::LeftButton);
  Settle();
  EXPECT_FALSE(palette->isVisible());
  w = Reopen(std::move(w), d);
  Settle();
  EXPECT_FALSE(w->IconPalette()->isVisible());
  EXPECT_EQ(Tool(*w, "ShowHideIconTool")->text(), "Show Icon Tool");
  EXPECT_FALSE(TIniFile(d.dir / "QX.INI").ReadBool("Icons", "Visible", true));
}

// Sends a drag of `data` over the page and drops it; true when the page took it.
bool DropOnPage(TMainScreen& w, QMimeData* data) {
  QWidget* page = w.RichText1()->viewport();
  const QPoint at = page->rect().topLeft() + QPoint(6, 8);
  QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(page, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(page, &drop);
  Settle();
  return drop.isAccepted();
}

TEST(MainDecoration, AnIconDroppedOnThePageIsSavedAsAPicture) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Merry days\\par}");
  auto w = Open(d.dir.path());
  Settle();
  TIconListBox* icons = w->IconPalette()->IconListBox;
  ASSERT_GT(icons->count(), 3) << "the icon sets are built";
  std::unique_ptr<QMimeData> data(icons->DragData(3));
  ASSERT_TRUE(data);
  EXPECT_FALSE(w->Unsaved());
  ASSERT_TRUE(DropOnPage(*w, data.get()));
  EXPECT_TRUE(w->Unsaved()) << "\"&Save\" shows";
  EXPECT_EQ(w->RichText1()->Document().Par(0).text[0], richtext::kObjectById) << "at the drop point";

  // Plain pictures dragged from elsewhere are not taken.
  QMimeData other;
  other.setImageData(QImage(8, 8, QImage::Format_RGB32));
  EXPECT_FALSE(DropOnPage(*w, &other));

  ASSERT_TRUE(w->SaveButtonClick());
  const std::string rtf = SavedRtf(d);
  EXPECT_NE(rtf.find("\\dibitmap"), std::string::npos) << rtf.substr(0, 400);
  EXPECT_NE(rtf.find("\\picw32\\pich32"), std::string::npos);
  w = Reopen(std::move(w), d);
  const auto& doc = w->RichText1()->Document();
  ASSERT_FALSE(doc.Par(0).text.empty());
  EXPECT_EQ(doc.Par(0).text[0], richtext::kObjectById);
  EXPECT_EQ(richtext::ToUtf8(doc.Par(0).text.substr(1)), "Merry days");
}

TEST(MainDecoration, ASymbolFromTheDialogIsSavedInItsFontAndReadsBack) {
  if (!HaveWingdings()) GTEST_SKIP() << "fonts-wine is not installed";
  Diary d;
  auto w = Open(d.dir.path());
  Settle();
  WhenShown<TSymbolSelector>([](TSymbolSelector* dialog) {
    QListWidget* list = dialog->SymbolList;
    const QRect r = list->visualItemRect(list->findItems("G", Qt::MatchExactly).value(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  });
  QTest::mouseClick(Tool(*w, "SymbolSelectorButton"), Qt::LeftButton);
  Settle();
  EXPECT_TRUE(w->Unsaved());
  // A second one from the menu: the tick mark above 0x7F.
  WhenShown<TSymbolSelector>([](TSymbolSelector* dialog) {
    QListWidget* list = dialog->SymbolList;
    QListWidgetItem* tick = list->findItems(QString(QChar(0xFC)), Qt::MatchExactly).value(0);
    list->scrollToItem(tick);
    const QRect r = list->visualItemRect(tick);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseClick(dialog->CopyCharButton, Qt::LeftButton);
  });
  Item(*w, "mnuInsertSymbol")->trigger();
  Settle();
  ASSERT_TRUE(w->SaveButtonClick());
  const std::string rtf = SavedRtf(d);
  EXPECT_NE(rtf.find("\\fcharset2 Wingdings;"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("G\\'fc"), std::string::npos) << rtf;

  w = Reopen(std::move(w), d);
  const auto& doc = w->RichText1()->Document();
  ASSERT_EQ(doc.Par(0).text, U"G\u00FC");
  const richtext::TAttr a = doc.CharAttr(doc.Par(0), 0);
  EXPECT_EQ(doc.Header().fonts[a.font].name, "Wingdings");
  EXPECT_EQ(doc.Header().fonts[a.font].charset, 2u);
}

TEST(MainDecoration, APictureFromAFileIsSavedAndReadsBack) {
  Diary d;
  // A small picture of four colours, made here.
  QImage made(6, 4, QImage::Format_RGB32);
  made.fill(Qt::white);
  made.setPixel(0, 0, qRgb(255, 0, 0));
  made.setPixel(5, 0, qRgb(0, 128, 0));
  made.setPixel(0, 3, qRgb(0, 0, 255));
  d.dir.Write("pictures/.keep", "");
  const QString file = QString::fromStdString((d.dir / "pictures" / "dots.bmp").string());
  ASSERT_TRUE(made.save(file));

  auto w = Open(d.dir.path());
  Settle();
  QString startedIn;
  WhenShown<TImageBrowser>([&startedIn, file](TImageBrowser* dialog) {
    startedIn = dialog->Directory();
    dialog->SetDirectory(QFileInfo(file).absolutePath());
    QApplication::processEvents();
    auto items = dialog->FileListBox1->findItems("dots.bmp", Qt::MatchExactly);
    if (items.size() == 1) {
      const QRect r = dialog->FileListBox1->visualItemRect(items[0]);
      QTest::mouseClick(dialog->FileListBox1->viewport(), Qt::LeftButton, {}, r.center());
    }
    QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
  });
  QTest::mouseClick(Tool(*w, "PasteGraphicButton"), Qt::LeftButton);
  Settle();
  EXPECT_FALSE(startedIn.isEmpty());
  EXPECT_TRUE(w->Unsaved());
  ASSERT_TRUE(w->SaveButtonClick());
  EXPECT_NE(SavedRtf(d).find("\\pict"), std::string::npos);

  w = Reopen(std::move(w), d);
  const richtext::TPicture* picture = nullptr;
  for (const auto& o : w->RichText1()->Document().Objects())
    if (o && o->picture) picture = o->picture.get();
  ASSERT_TRUE(picture) << "the saved entry holds the picture";
  EXPECT_EQ(picture->width, 6);
  EXPECT_EQ(picture->height, 4);
  // The next browser starts where the picture came from.
  WhenShown<TImageBrowser>([&startedIn](TImageBrowser* dialog) {
    startedIn = dialog->Directory();
    QTest::mouseClick(dialog->Cancelbutton, Qt::LeftButton);
  });
  Item(*w, "mnuInsertPicture")->trigger();
  Settle();
  EXPECT_EQ(startedIn, QFileInfo(file).absolutePath());
  EXPECT_FALSE(w->Unsaved()) << "Cancel changes nothing";
}

TEST(MainDecoration, ParagraphPropertiesReachTheSavedIndents) {
  Diary d;
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Indented words\\par}");
  auto w = Open(d.dir.path());
  Settle();
  // Left 1 inch, right 2 cm, 6 points after, from the toolbar's button.
  WhenShown<TParagraphPropDlg>([](TParagraphPropDlg* dialog) {
    dialog->LeftIndent->setText("1");
    dialog->SpaceAfterPts->setText("6");
    dialog->ComboBox1->setCurrentIndex(dialog->ComboBox1->findText("Cm"));
    dialog->RightIndent->setText("2");
    QTest::mouseClick(dialog->Okbutton, Qt::LeftButton);
  });
  QTest::mouseClick(Tool(*w, "ParagraphSetupButton"), Qt::LeftButton);
  Settle();
  EXPECT_TRUE(w->Unsaved());
  ASSERT_TRUE(w->SaveButtonClick());
  std::string rtf = SavedRtf(d);
  EXPECT_NE(rtf.find("\\li1440"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\ri1134"), std::string::npos) << rtf;  // 2 cm
  EXPECT_NE(rtf.find("\\sa120"), std::string::npos) << rtf;

  // Cancel from the menu changes nothing.
  WhenShown<TParagraphPropDlg>([](TParagraphPropDlg* dialog) {
    dialog->LeftIndent->setText("3");
    QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
  });
  Item(*w, "mnuParagraphSetup")->trigger();
  Settle();
  EXPECT_FALSE(w->Unsaved());
  w = Reopen(std::move(w), d);
  EXPECT_EQ(w->RichText1()->Document().Par(0).Props().leftIndent, 1440);
}

// An entry that could not be read is shown read-only: none of the four changes it.
TEST(MainDecoration, AnEntryShownReadOnlyTakesNoDecoration) {
  Diary d;
  const std::string garbage("\x01\x02\x00\xff garbage", 12);
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE", garbage);
  auto w = Open(d.dir.path());
  Settle();
  ASSERT_TRUE(w->EntryUnreadable());
  for (const char* name : {"mnuInsertSymbol", "mnuInsertPicture", "mnuParagraphSetup"})
    EXPECT_EQ(DialogOpenedBy([&] { Item(*w, name)->trigger(); }), "") << name;
  for (const char* name : {"SymbolSelectorButton", "PasteGraphicButton", "ParagraphSetupButton"})
    EXPECT_EQ(DialogOpenedBy([&] { QTest::mouseClick(Tool(*w, name), Qt::LeftButton); }), "") << name;
  std::unique_ptr<QMimeData> data(w->IconPalette()->IconListBox->DragData(0));
  ASSERT_TRUE(data);
  EXPECT_FALSE(DropOnPage(*w, data.get()));
  EXPECT_FALSE(w->Unsaved());
  w->close();
  EXPECT_EQ(ReadWholeFile(d.Entry(Today())), garbage);
}

}  // namespace
}  // namespace quillet
