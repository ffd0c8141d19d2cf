// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a temporary diary, driven as a user would.
#include <app/main_screen.h>
#include <app/about_box.h>
#include <app/help_window.h>
#include <app/opening_message.h>
#include <app/startup.h>
#include <controls/program_style.h>
#include <controls/ring_panel.h>

#include <diary/cipher.h>
#include <diary/instance_lock.h>
#include <diary/settings_file.h>
#include <base/safe_file.h>
#include <richtext/ui/rich_text.h>
#include <finding/ui/calendar_with_glyphs.h>
#include <finding/ui/date_selector.h>

#include "main_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDialog>
#include <QFrame>
#include <QTextBrowser>
#include <QLabel>
#include <QLayout>
#include <QLockFile>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet {
namespace {

using testing::Diary;
using testing::Open;
using testing::ReadFile;
using testing::RecordingMessenger;
using testing::Settle;
using testing::TempDir;
using testing::Tool;
using testing::Text;
using testing::Type;
using testing::WhenShown;

QPushButton* Button(TMainScreen& w, const char* name) {
  return w.findChild<QPushButton*>(QString::fromLatin1(name));
}

TEST(MainScreen, StartsOnTodayWithAnEmptyPageAndCreatesEntries) {
  Diary d;
  auto w = Open(d.dir.path());
  EXPECT_EQ(w->windowTitle(), "Quillet");
  EXPECT_EQ(w->DateLabel()->text().toStdString(), LongDate(Today()));
  EXPECT_TRUE(std::filesystem::is_directory(d.dir / "Entries"));
  EXPECT_TRUE(w->RichText1()->IsEmpty());
  EXPECT_FALSE(w->Unsaved());
  // New entries start in the default font, Arial 10.
  richtext::TAttr a = w->RichText1()->GetInsertionAttribute();
  EXPECT_EQ(a.size, 10);
  EXPECT_EQ(w->RichText1()->Document().Header().fonts[a.font].name, "Arial");
  // In black from the part of the colour table that entry files hold.
  EXPECT_EQ(a.TextColor(), 0);
  // The first activation leaves a complete settings file behind.
  TIniFile ini(d.dir / "QX.INI");
  EXPECT_EQ(ini.ReadString("Default Font", "Name", "?"), "Arial");
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 0), 10);
}

// The window opens and paints without Qt loading its image-format plugins
// (a dozen libraries): reading the first picture file of its own makes it
// load every one, which once took a quarter of the program's start-up.
TEST(MainScreen, OpensWithoutLoadingImagePlugins) {
  auto pluginsLoaded = [] {
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find("/imageformats/") != std::string::npos;
  };
  if (pluginsLoaded()) GTEST_SKIP() << "an earlier test in this process loaded them";
  qApp->setStyle(new TProgramStyle);  // as the program starts
  Diary d;
  auto w = Open(d.dir.path());
  testing::Settle();
  w->grab();  // painted whole
  EXPECT_FALSE(pluginsLoaded());
}

TEST(MainScreen, LaysThePageOutFromTheRingPanelsEdges) {
  Diary d;
  auto w = Open(d.dir.path());
  for (QSize size : {QSize(700, 480), QSize(900, 640)}) {
    w->resize(size);
    QApplication::processEvents();
    TRingPanel* page = w->RingPanel1();
    const int L = 31, R = 15, W = page->width(), H = page->height();
    EXPECT_EQ(w->DateLabel()->geometry(), QRect(L + 15, 8, W - L - R - 20, 20));
    EXPECT_EQ(w->RichText1()->geometry(), QRect(L + 15, 35, W - L - R - 20, H - 35 - 22));
    auto* bottom = w->findChild<QFrame*>("Bottomline");
    EXPECT_EQ(bottom->geometry().top(), H - 20);
    EXPECT_EQ(w->findChild<QWidget*>("ActionPanel")->height(), 39);
  }
}

TEST(MainScreen, WalksTheDayFlow) {
  Diary d;
  auto w = Open(d.dir.path());
  const TDate today = Today();

  // Type: "&Save" and "&Cancel" appear.
  Type(*w, "Hello");
  EXPECT_TRUE(w->Unsaved());
  EXPECT_FALSE(Button(*w, "CancelButton")->isHidden());

  // Move on: saved without a question, the next calendar day shown, empty.
  QTest::mouseClick(Button(*w, "Nextbutton"), Qt::LeftButton);
  EXPECT_EQ(w->CurrentDate(), NextDay(today));
  EXPECT_FALSE(w->Unsaved());
  EXPECT_TRUE(w->RichText1()->IsEmpty());
  EXPECT_TRUE(std::filesystem::exists(d.Entry(today)));
  EXPECT_TRUE(d.messages.shown.empty());

  // A day visited and left without typing leaves no file; coming back shows the text.
  QTest::mouseClick(Button(*w, "PriorButton"), Qt::LeftButton);
  EXPECT_FALSE(std::filesystem::exists(d.Entry(NextDay(today))));
  EXPECT_EQ(Text(*w), "Hello");

  // Cancel brings back what the file holds.
  Type(*w, " world");
  ASSERT_TRUE(w->Unsaved());
  QTest::mouseClick(Button(*w, "CancelButton"), Qt::LeftButton);
  EXPECT_EQ(Text(*w), "Hello");
  EXPECT_FALSE(w->Unsaved());

  // Delete, answered Yes, then Cancel: the entry comes back.
  w->DeletebuttonClick();
  EXPECT_EQ(d.messages.shown.back(), "Delete this entry?");
  EXPECT_TRUE(w->RichText1()->IsEmpty());
  EXPECT_TRUE(w->Unsaved());
  w->CancelButtonClick();
  EXPECT_EQ(Text(*w), "Hello");

  // Answered No, nothing happens.
  d.messages.answerYes = false;
  w->DeletebuttonClick();
  EXPECT_EQ(Text(*w), "Hello");
  EXPECT_FALSE(w->Unsaved());

  // Delete and move on: the file goes.
  d.messages.answerYes = true;
  w->DeletebuttonClick();
  w->BitBtn1Click();
  EXPECT_FALSE(std::filesystem::exists(d.Entry(today)));
  EXPECT_FALSE(w->EntryExists());
}

// Delete Entry empties the page as an empty day starts: in the default font.
TEST(MainScreen, TypingAfterDeleteEntryStartsInTheDefaultFont) {
  Diary d;
  d.dir.Write("QX.INI", "[Opening Screen]\nshow=0\n[Default Font]\nName=Liberation Serif\nSize=14\n");
  d.dir.Write("Entries/" + DayKey(Today()) + ".QXE",
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs40 big words}");
  auto w = Open(d.dir.path());
  QTest::mouseClick(Tool(*w, "Deletebutton"), Qt::LeftButton);
  ASSERT_EQ(d.messages.shown, std::vector<std::string>{"Delete this entry?"});
  Type(*w, "new");
  richtext::TRTFText& doc = w->RichText1()->Document();
  const richtext::TAttr a = doc.CharAttr(doc.Par(0), 0);
  EXPECT_EQ(a.size, 14);
  EXPECT_EQ(doc.Header().fonts[a.font].name, "Liberation Serif");
  ASSERT_TRUE(w->SaveButtonClick());
  const std::string rtf = ReadWholeFile(d.Entry(Today()));
  EXPECT_NE(rtf.find("\\fs28"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("\\fs16"), std::string::npos) << rtf;
}

TEST(MainScreen, NavigatesByButtonsAndKeys) {
  Diary d;
  const TDate past = MakeDate(2001, 5, 4), future = NextDay(NextDay(Today()));
  d.dir.Write("Entries/20010504.QXE", "{\\rtf1 old}");
  d.dir.Write("Entries/" + DayKey(future) + ".qxe", "{\\rtf1 later}");
  d.dir.Write("Entries/notes.QXE", "not a day");
  auto w = Open(d.dir.path());

  w->FirstButtonClick();
  EXPECT_EQ(w->CurrentDate(), past);
  EXPECT_EQ(Text(*w), "old");
  w->LastButtonClick();
  EXPECT_EQ(w->CurrentDate(), future);
  EXPECT_EQ(Text(*w), "later");  // found under a lower-case extension

  // The hidden editor loads a day for background work; the page stays as it is.
  w->SetCurrentDate(past);
  w->LoadRichTextAllPurp();
  EXPECT_EQ(w->RichTextAllPurpose()->Document().Par(0).text.size(), 3u);
  EXPECT_EQ(Text(*w), "later");
  EXPECT_FALSE(w->RichTextAllPurpose()->isVisible());

  // "&Prev" from 1 March 2024 shows 29 February 2024.
  w->SetCurrentDate(MakeDate(2024, 3, 1));
  w->PriorButtonClick();
  EXPECT_EQ(w->CurrentDate(), MakeDate(2024, 2, 29));
  EXPECT_EQ(w->DateLabel()->text(), "Thursday, February 29, 2024");

  // Ctrl+PageDown and Ctrl+PageUp from the editor.
  w->RichText1()->setFocus();
  QTest::keyClick(w->RichText1(), Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(w->CurrentDate(), MakeDate(2024, 3, 1));
  QTest::keyClick(w->RichText1(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(w->CurrentDate(), MakeDate(2024, 2, 29));
}

TEST(MainScreen, CalendarMarksEntryDaysAndMovesToThePickedDay) {
  Diary d;
  d.dir.Write("Entries/20240203.QXE", "{\\rtf1 a}");
  d.dir.Write("Entries/20240217.qxe", "{\\rtf1 b}");
  d.dir.Write("Entries/20240301.QXE", "{\\rtf1 c}");
  auto w = Open(d.dir.path());
  w->SetCurrentDate(MakeDate(2024, 2, 10));
  Type(*w, "saved first");
  QStringList marked;
  WhenShown<TDateSelector>([&](TDateSelector* s) {
    marked = s->EntryDays();
    s->Calendar()->SetSelectedDate(QDate(2024, 2, 17).startOfDay());
    QTest::mouseClick(s->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  });
  w->CalendarButtonClick();
  // The day left was saved before the calendar opened, so it is marked too.
  EXPECT_EQ(marked, QStringList({"3", "10", "17"}));
  EXPECT_EQ(w->CurrentDate(), MakeDate(2024, 2, 17));
  EXPECT_EQ(Text(*w), "b");
  EXPECT_TRUE(std::filesystem::exists(d.Entry(MakeDate(2024, 2, 10))));

  // Cancel leaves the day as it is.
  WhenShown<TDateSelector>([](TDateSelector* s) { s->reject(); });
  w->CalendarButtonClick();
  EXPECT_EQ(w->CurrentDate(), MakeDate(2024, 2, 17));
}

TEST(MainScreen, CtrlSSavesAndCtrlASelectsAll) {
  Diary d;
  auto w = Open(d.dir.path());
  w->activateWindow();
  QApplication::setActiveWindow(w.get());
  Type(*w, "Words");
  QTest::keyClick(w->RichText1(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(w->Unsaved());
  EXPECT_TRUE(std::filesystem::exists(d.Entry(Today())));
  QTest::keyClick(w->RichText1(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_GE(w->RichText1()->HasSelection(), 5u);
  // Copy with a selection counts as a change; without one it changes nothing.
  w->Copy1Click();
  EXPECT_TRUE(w->Unsaved());
  w->SaveButtonClick();
  w->RichText1()->SetCaretToStart();
  w->Copy1Click();
  EXPECT_FALSE(w->Unsaved());
}

TEST(MainScreen, InsertsDateAndTogglesWordWrap) {
  Diary d;
  auto w = Open(d.dir.path());
  w->EnterDate1Click();
  EXPECT_EQ(Text(*w), ShortDate(Today()) + " ");
  EXPECT_TRUE(w->Unsaved());
  EXPECT_TRUE(w->WrapAction()->isChecked());
  EXPECT_EQ(w->DocWordWrapButton()->toolTip(), "Toggle word wrap off");
  w->DocWordWrapButtonClick();
  EXPECT_FALSE(w->RichText1()->WordWrap());
  EXPECT_FALSE(w->WrapAction()->isChecked());
  EXPECT_EQ(w->DocWordWrapButton()->toolTip(), "Toggle word wrap on");
  w->WrapAction()->trigger();  // the menu item
  EXPECT_TRUE(w->RichText1()->WordWrap());
  EXPECT_TRUE(w->WrapAction()->isChecked());
  EXPECT_EQ(w->DocWordWrapButton()->toolTip(), "Toggle word wrap off");
}

TEST(MainScreen, HeadingAndInsertedDateFollowTheLocale) {
  const QDate today = QDate::currentDate();
  struct {
    QLocale locale;
    const char* heading;
    QString inserted;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "Thursday, December 10, 2026",
       QString::asprintf("%02d/%02d/%04d ", today.month(), today.day(), today.year())},
      {QLocale(QLocale::German, QLocale::Germany), "Donnerstag, 10. Dezember 2026",
       QString::asprintf("%02d.%02d.%04d ", today.day(), today.month(), today.year())},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    QLocale::setDefault(c.locale);
    Diary d;
    auto w = Open(d.dir.path());
    w->GoToDay(MakeDate(2026, 12, 10));
    EXPECT_EQ(w->DateLabel()->text().toStdString(), c.heading);
    QApplication::setActiveWindow(w.get());
    w->RichText1()->setFocus();
    QTest::keyClick(w->RichText1(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(QString::fromStdString(Text(*w)), c.inserted);
  }
  QLocale::setDefault(QLocale::c());
}

TEST(MainScreen, KeepsTheTextWhenASaveFails) {
  Diary d;
  auto w = Open(d.dir.path());
  const TDate today = Today();
  Type(*w, "Precious");
  SetWriteFaultHook([](std::string_view step) { return step != "rename"; });
  w->NextButtonClick();
  SetWriteFaultHook({});
  // Still on the day, the text in the editor, "&Save" still shown, and told why.
  EXPECT_EQ(w->CurrentDate(), today);
  EXPECT_EQ(Text(*w), "Precious");
  EXPECT_TRUE(w->Unsaved());
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("could not be saved"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(d.Entry(today)));
  // Closing would lose it: the user is asked, and No keeps the window open.
  SetWriteFaultHook([](std::string_view step) { return step != "rename"; });
  d.messages.answerYes = false;
  EXPECT_FALSE(w->close());
  SetWriteFaultHook({});
  EXPECT_TRUE(w->isVisible());
  EXPECT_NE(d.messages.shown.back().find("Close Quillet anyway"), std::string::npos);
  // Once the disk takes it, moving on saves it.
  w->NextButtonClick();
  EXPECT_EQ(w->CurrentDate(), NextDay(today));
  EXPECT_TRUE(std::filesystem::exists(d.Entry(today)));
}

TEST(MainScreen, LeavesAnUnreadableEntryIntact) {
  struct Case {
    const char* name;
    std::string password;
    std::string bytes;
  };
  const std::string rtf = "{\\rtf1\\ansi Fine text\\par}";
  const Case cases[] = {
      {"binary bytes without a password", "", std::string("\x01\x02\x00\xff garbage", 12)},
      {"a plain entry read with a password", "secret", rtf},
      {"enciphered with another password", "secret", EncipherBytes(rtf, "other")},
      {"text nested deeper than is read", "",
       "{\\rtf1\\ansi Shallow " + std::string(100005, '{') + "deep" + std::string(100005, '}') +
           "\\par}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Diary d;
    if (!c.password.empty()) {
      TIniFile(d.dir / "QX.INI").WriteString("Security", "Password", EncryptString(c.password));
    }
    const TDate today = Today();
    d.dir.Write("Entries/" + DayKey(today) + ".QXE", c.bytes);
    auto w = Open(d.dir.path());
    ASSERT_EQ(d.messages.shown.size(), 1u);
    const std::string& m = d.messages.shown[0];
    EXPECT_NE(m.find(LongDate(today)), std::string::npos) << m;
    EXPECT_NE(m.find(d.Entry(today).string()), std::string::npos) << m;
    EXPECT_TRUE(w->EntryUnreadable());
    EXPECT_TRUE(w->RichText1()->ReadOnly());
    Type(*w, "overwrite?");
    w->DeletebuttonClick();
    EXPECT_FALSE(w->Unsaved());
    w->NextButtonClick();
    w->close();
    EXPECT_EQ(ReadFile(d.Entry(today)), c.bytes);
  }
}

TEST(MainScreen, EnciphersEntriesWithThePassword) {
  Diary d;
  TIniFile(d.dir / "QX.INI").WriteString("Security", "Password", EncryptString("pw"));
  {
    auto w = Open(d.dir.path());
    EXPECT_EQ(w->CurrentPassword(), "pw");
    Type(*w, "Secret words");
    w->NextButtonClick();
    std::string stored = ReadFile(d.Entry(Today()));
    EXPECT_EQ(stored.find("Secret"), std::string::npos);
    EXPECT_EQ(DecipherBytes(stored, "pw").rfind("{\\rtf", 0), 0u);
    w->PriorButtonClick();
    EXPECT_EQ(Text(*w), "Secret words");
  }
  // No plaintext scratch file is ever left in the diary.
  for (auto& e : std::filesystem::recursive_directory_iterator(d.dir.path())) {
    EXPECT_EQ(ReadFile(e.path()).find("Secret"), std::string::npos) << e.path();
  }
}

TEST(MainScreen, SavesOnCloseAndReopensWhereItWas) {
  Diary d;
  QRect placed;
  {
    auto w = Open(d.dir.path());
    Type(*w, "Kept");
    w->setGeometry(40, 50, 640, 300);
    placed = w->geometry();
    w->close();
    EXPECT_TRUE(std::filesystem::exists(d.Entry(Today())));
  }
  auto w = Open(d.dir.path());
  EXPECT_EQ(Text(*w), "Kept");
  EXPECT_EQ(w->geometry(), placed);
}

TEST(MainScreen, FitsAStoredPlacementToTheScreen) {
  Diary d;
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  TIniFile ini(d.dir / "QX.INI");
  const std::string section = PlacementSection(96);
  ini.WriteInteger(section, "Left", screen.right() - 100);
  ini.WriteInteger(section, "Top", -20);
  ini.WriteInteger(section, "Right", screen.right() + 540);
  ini.WriteInteger(section, "Bottom", 280);
  auto w = Open(d.dir.path());
  ASSERT_EQ(w->ScreenDensity(), 96);
  EXPECT_EQ(w->geometry().right() + 1, screen.right() + 1);
  EXPECT_EQ(w->geometry().width(), 640);
  EXPECT_EQ(w->geometry().top(), 1);
  // The fitted placement is written back at once.
  EXPECT_EQ(ini.ReadInteger(section, "Right", 0), screen.right() + 1);
}

TEST(MainScreen, CentresOnTheScreenWithoutAStoredPlacement) {
  Diary d;
  auto w = Open(d.dir.path());
  QRect s = QGuiApplication::primaryScreen()->geometry();
  // Before the first show the frame is not known yet: centred within its width.
  const int frame = w->frameGeometry().width() - w->width();
  EXPECT_NEAR(w->frameGeometry().left(), (s.width() - w->frameGeometry().width()) / 2, frame);
  EXPECT_NEAR(w->frameGeometry().top(), (s.height() - w->frameGeometry().height()) / 2,
              w->frameGeometry().height() - w->height());
  // About two thirds of the screen, never less than the window was designed at.
  const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
  EXPECT_GE(w->width(), std::min(room.width(), std::max(room.width() * 2 / 3, TMainScreen::kDesignedWidth)));
  EXPECT_GE(w->height(), std::min(room.height(), room.height() * 2 / 3));
  EXPECT_LE(w->width(), room.width());
}

TEST(MainScreen, ZoomsThePageOnScreenAndKeepsTheEntryAsItIs) {
  Diary d;
  std::string saved;
  {
    auto w = Open(d.dir.path());
    Type(*w, "Zoomed words");
    ASSERT_TRUE(w->SaveButtonClick());
    saved = ReadFile(d.Entry(Today()));
    const int lineAtActualSize = w->RichText1()->CaretRect().height();
    QWidget* page = w->RichText1();
    struct {
      int key;
      int zoom;
    } keys[] = {
        {Qt::Key_Equal, 110}, {Qt::Key_Plus, 120}, {Qt::Key_Minus, 110}, {Qt::Key_0, 100},
    };
    for (auto& k : keys) {
      QTest::keyClick(page, Qt::Key(k.key), Qt::ControlModifier);
      EXPECT_EQ(w->Zoom(), k.zoom) << k.key;
      EXPECT_EQ(w->RichText1()->Zooming(), k.zoom) << k.key;
    }
    // Ctrl+wheel zooms a step a notch; the wheel alone does not.
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
      QWidget* v = w->RichText1()->viewport();
      QWheelEvent e(QPointF(10, 10), v->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    mods, Qt::NoScrollPhase, false);
      QApplication::sendEvent(v, &e);
    };
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(w->Zoom(), 110);
    wheel(-240, Qt::ControlModifier);
    EXPECT_EQ(w->Zoom(), 90);
    wheel(120, Qt::NoModifier);
    EXPECT_EQ(w->Zoom(), 90);
    // The limits.
    for (int i = 0; i < 10; ++i) QTest::keyClick(page, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(w->Zoom(), 50);
    for (int i = 0; i < 30; ++i) QTest::keyClick(page, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(w->Zoom(), 300);
    // The text is drawn three times as large; the entry saved at this zoom is byte for byte the same.
    EXPECT_GE(w->RichText1()->CaretRect().height(), lineAtActualSize * 5 / 2);
    w->RichText1()->Changed();
    ASSERT_TRUE(w->SaveButtonClick());
    EXPECT_EQ(ReadFile(d.Entry(Today())), saved);
    w->close();
  }
  // The zoom is kept.
  auto w = Open(d.dir.path());
  EXPECT_EQ(w->Zoom(), 300);
  EXPECT_EQ(w->RichText1()->Zooming(), 300);
  EXPECT_NE(ReadFile(d.dir / "QX.INI").find("[View]\nZoom=300"), std::string::npos) << ReadFile(d.dir / "QX.INI");
}

TEST(MainScreen, ReadableLineWidthKeepsTheTextToACentredColumn) {
  Diary d;
  {
    auto w = Open(d.dir.path());
    w->setGeometry(0, 0, 1800, 700);
    Settle();
    const QRect area = w->DateLabel()->geometry();
    EXPECT_EQ(w->RichText1()->width(), area.width());
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    const int column = TMainScreen::kReadableColumnChars * QFontMetrics(font).averageCharWidth();
    ASSERT_GT(area.width(), column * 3 / 2) << "the window is wide enough to show it";
    w->ReadableLineWidthAction()->trigger();
    const QRect editor = w->RichText1()->geometry();
    EXPECT_LT(editor.width(), column * 6 / 5);
    EXPECT_GT(editor.width(), column);
    EXPECT_NEAR(editor.center().x(), area.center().x(), 1);
    // A long paragraph breaks within the column.
    Type(*w, QString(QStringLiteral("readable ")).repeated(60));
    EXPECT_LT(w->RichText1()->Layout().WrapWidth(), editor.width());
    EXPECT_GE(w->RichText1()->Layout().Paragraph(0).lines.size(), 5u);  // two across the whole window
    // The column grows with the zoom; a narrow window keeps its whole width.
    w->ZoomInClick();
    EXPECT_GT(w->RichText1()->width(), editor.width());
    w->ActualSizeClick();
    w->resize(TMainScreen::kDesignedWidth, 500);
    Settle();
    EXPECT_EQ(w->RichText1()->width(), w->DateLabel()->width());
    w->close();
  }
  auto w = Open(d.dir.path());
  EXPECT_TRUE(w->ReadableLineWidthAction()->isChecked());
}

TEST(MainScreen, ADarkPageShowsBlackTextLightAndSavesItsColoursUnchanged) {
  Diary d;
  auto w = Open(d.dir.path());
  Type(*w, "Dark ink WWWWWWWW");
  ASSERT_TRUE(w->SaveButtonClick());
  const std::string saved = ReadFile(d.Entry(Today()));
  // The share of the page's pixels that are light and dark, and the paper's colour.
  struct TLook {
    QColor paper;
    int light = 0, dark = 0;
  };
  auto look = [&] {
    Settle();
    const QImage page = w->RichText1()->viewport()->grab().toImage();
    TLook l;
    l.paper = page.pixelColor(page.width() - 3, page.height() - 3);
    for (int y = 0; y < std::min(page.height(), 40); ++y) {
      for (int x = 0; x < page.width(); ++x) (page.pixelColor(x, y).lightness() > 170 ? l.light : l.dark)++;
    }
    return l;
  };
  const TLook light = look();
  EXPECT_EQ(light.paper, QColor(Qt::white));
  QAction* dark = w->findChild<QAction*>("mnuDarkPage");
  ASSERT_TRUE(dark);
  dark->trigger();
  const TLook shown = look();
  EXPECT_LT(shown.paper.lightness(), 60);
  EXPECT_GT(shown.light, 30) << "the black text shows light";
  EXPECT_LT(shown.light, shown.dark);
  // Nothing of the entry changes with the colours.
  w->RichText1()->Changed();
  ASSERT_TRUE(w->SaveButtonClick());
  EXPECT_EQ(ReadFile(d.Entry(Today())), saved);
  EXPECT_EQ(w->RingPanel1()->PaperColor().lightness(), shown.paper.lightness());

  // Follow the desktop: a dark palette gives the dark page, a light one the light page.
  w->findChild<QAction*>("mnuFollowDesktop")->trigger();
  EXPECT_EQ(look().paper, QColor(Qt::white));
  const QPalette before = QApplication::palette();
  QPalette night = before;
  night.setColor(QPalette::Window, QColor(40, 40, 40));
  night.setColor(QPalette::WindowText, QColor(230, 230, 230));
  QApplication::setPalette(night);
  EXPECT_TRUE(w->PageIsDark());
  EXPECT_LT(look().paper.lightness(), 60);
  QApplication::setPalette(before);
  EXPECT_FALSE(w->PageIsDark());
  w->findChild<QAction*>("mnuDarkPage")->trigger();
  w->close();
  EXPECT_NE(ReadFile(d.dir / "QX.INI").find("Colours=2"), std::string::npos);
}

// The contrast ratio of two colours, as readable text is reckoned.
double ContrastRatio(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(MainScreen, DarkInksReadOnTheDarkPageAndAreSavedAsTheyWere) {
  struct Ink {
    const char* name;
    const char* rtf;  // the colour table entry
  } inks[] = {
      {"dark blue", "\\red0\\green0\\blue128;"},
      {"dark red", "\\red128\\green0\\blue0;"},
      {"dark green", "\\red0\\green100\\blue0;"},
  };
  for (const Ink& ink : inks) {
    SCOPED_TRACE(ink.name);
    Diary d;
    d.dir.Write("Entries/" + DayKey(Today()) + ".QXE",
                std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;") + ink.rtf +
                    "}\\pard\\f0\\fs40\\cf1 WWWW MMMM\\par}");
    auto w = Open(d.dir.path());
    w->findChild<QAction*>("mnuDarkPage")->trigger();
    w->findChild<QPushButton*>("CalendarButton")->setFocus();  // no caret among the letters
    Settle();
    const QImage page = w->RichText1()->viewport()->grab().toImage();
    const QColor paper = page.pixelColor(page.width() - 3, page.height() - 3);
    // The ink is the colour of the glyphs' cores: the pixel farthest from the paper.
    double best = 1;
    for (int y = 0; y < std::min(page.height(), 40); ++y) {
      for (int x = 0; x < page.width(); ++x) best = std::max(best, ContrastRatio(page.pixelColor(x, y), paper));
    }
    EXPECT_GE(best, 4.5);
    // Only the painting changes: the entry keeps its colour.
    w->RichText1()->Changed();
    ASSERT_TRUE(w->SaveButtonClick());
    EXPECT_NE(ReadFile(d.Entry(Today())).find(ink.rtf), std::string::npos) << ReadFile(d.Entry(Today()));
    w->findChild<QAction*>("mnuLightPage")->trigger();
    w->close();
  }
}

TEST(MainScreen, OpeningMessageIsSuppressedByItsCheckBox) {
  TempDir dir;
  RecordingMessenger messages;
  int shown = 0;
  auto answer = [&](bool dontShow) {
    WhenShown<TShowOpeningMessage>([&, dontShow](TShowOpeningMessage* m) {
      ++shown;
      EXPECT_EQ(m->windowTitle(), "Quillet");
      // The backup advice names the real folder of the entries.
      QStringList texts;
      for (QLabel* label : m->findChildren<QLabel*>()) texts << label->text();
      EXPECT_TRUE(texts.join(' ').contains(QString::fromStdString((dir / "Entries").string() + ",")))
          << texts.join(' ').toStdString();
      EXPECT_LE(m->layout()->totalHeightForWidth(m->width()), m->height()) << "the text fits";
      if (dontShow) m->DontShow()->setChecked(true);
      QTest::mouseClick(m->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
  };
  answer(false);
  Open(dir.path())->close();
  EXPECT_EQ(shown, 1);
  answer(true);
  Open(dir.path())->close();
  EXPECT_EQ(shown, 2);
  auto w = Open(dir.path());  // no timer armed: a shown message would block here
  EXPECT_EQ(shown, 2);
  EXPECT_FALSE(TIniFile(dir / "QX.INI").ReadBool("Opening Screen", "show", true));
}

TEST(MainScreen, ChangesTheDefaultFontForNewEntries) {
  Diary d;
  auto w = Open(d.dir.path());
  Type(*w, "today keeps its font");
  WhenShown<QFontDialog>([](QFontDialog* f) {
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPointSize(14);
    font.setBold(true);
    f->setCurrentFont(font);
    f->accept();
  });
  w->mnuDefaultFontClick();
  TIniFile ini(d.dir / "QX.INI");
  EXPECT_EQ(ini.ReadString("Default Font", "Name", ""), "Liberation Serif");
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 0), 14);
  EXPECT_TRUE(ini.ReadBool("Default Font", "Bold", false));
  w->NextButtonClick();
  richtext::TAttr a = w->RichText1()->GetInsertionAttribute();
  EXPECT_EQ(a.size, 14);
  EXPECT_TRUE(a.flags & richtext::afBold);
  EXPECT_EQ(w->RichText1()->Document().Header().fonts[a.font].name, "Liberation Serif");
}

// The default font's dialog offers the colour; confirmed unchanged, it keeps
// the stored name (one not installed here) and a colour outside the list.
TEST(MainScreen, ChangeDefaultFontOffersTheColourAndKeepsWhatIsUnchanged) {
  const struct {
    const char* what;
    int pick;  // the colour list's entry chosen, or -1 for none
    int color;  // Default Font/Color afterwards
    int textColor;  // the colour number a new entry starts with
  } cases[] = {
      {"nothing changed", -1, 0x123456, 0},
      {"red chosen", 1, 0x0000FF, 1},
  };
  for (const auto& c : cases) {
    Diary d;
    TIniFile(d.dir / "QX.INI").WriteString("Default Font", "Name", "Arial");
    TIniFile(d.dir / "QX.INI").WriteInteger("Default Font", "Color", 0x123456);
    auto w = Open(d.dir.path());
    WhenShown<QFontDialog>([&](QFontDialog* f) {
      for (QCheckBox* box : f->findChildren<QCheckBox*>()) {
        EXPECT_FALSE(box->isVisible() && box->text().contains("Stri")) << "a Strikeout box the settings cannot keep";
      }
      auto* colors = f->findChild<QComboBox*>("DefaultFontColor");
      ASSERT_TRUE(colors && colors->isVisible());
      EXPECT_EQ(colors->count(), 15);
      EXPECT_EQ(colors->currentIndex(), -1) << "a colour outside the list";
      if (c.pick >= 0) {
        colors->setFocus();
        for (int i = 0; i <= c.pick; ++i) QTest::keyClick(colors, Qt::Key_Down);
        EXPECT_EQ(colors->itemData(colors->currentIndex(), Qt::ToolTipRole).toString(), "Red");
      }
      QTest::keyClick(f, Qt::Key_Return);
    });
    w->mnuDefaultFontClick();
    TIniFile ini(d.dir / "QX.INI");
    EXPECT_EQ(ini.ReadString("Default Font", "Name", ""), "Arial") << c.what;
    EXPECT_EQ(ini.ReadInteger("Default Font", "Color", 0), c.color) << c.what;
    w->NextButtonClick();
    EXPECT_EQ(w->RichText1()->GetInsertionAttribute().TextColor(), c.textColor) << c.what;
    w->close();
    TIniFile after(d.dir / "QX.INI");
    EXPECT_EQ(after.ReadString("Default Font", "Name", ""), "Arial") << c.what << ", after closing";
  }
}

TEST(MainScreen, ADefaultColourOutsideTheTableGivesItsFirstEntry) {
  Diary d;
  TIniFile(d.dir / "QX.INI").WriteInteger("Default Font", "Color", 0x123456);
  auto w = Open(d.dir.path());
  EXPECT_EQ(w->RichText1()->GetInsertionAttribute().TextColor(), 0);
}

TEST(MainScreen, HelpAboutAndOnline) {
  Diary d;
  auto w = Open(d.dir.path());
  QUrl opened;
  w->openUrl = [&](const QUrl& url) { opened = url; };
  w->VisitOurInternetWebsite1Click();
  EXPECT_EQ(opened, QUrl(TMainScreen::kHomePage));

  w->Contents1Click();
  auto* help = QApplication::topLevelWidgets().isEmpty() ? nullptr : w->findChild<THelpWindow*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser()->source().fileName(), "contents.html");
  // Every page the contents lead to exists and leads back.
  const QStringList links = help->Browser()->toHtml().split("href=\"").mid(1);
  EXPECT_GE(links.size(), 9);
  for (const QString& link : links) {
    const QString page = link.left(link.indexOf('"'));
    QFile file(":/quillet/help/" + page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
    EXPECT_TRUE(file.readAll().contains("contents.html")) << page.toStdString();
  }
  help->close();

  WhenShown<TAboutBox>([](TAboutBox* about) {
    EXPECT_EQ(about->windowTitle(), "About Quillet");
    QTest::mouseClick(about->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  });
  w->About1Click();
}

TEST(Startup, RefusesASecondInstanceAndIgnoresAStaleLock) {
  Diary d;
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  {
    TInstanceLock first(d.dir.path());
    ASSERT_FALSE(first.AlreadyRunning());
    EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
    EXPECT_EQ(d.messages.shown, std::vector<std::string>{"Quillet is already running"});
  }
  // A lock left by a killed process.
  pid_t child = fork();
  if (child == 0) {
    QLockFile lock(QString::fromStdString((d.dir / TInstanceLock::kFileName).string()));
    lock.tryLock(0);
    _exit(0);  // no unlock: as if killed
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(std::filesystem::exists(d.dir / TInstanceLock::kFileName));
  d.messages.shown.clear();
  bool started = false;
  hooks.shown = [&](TMainScreen& w) {
    started = true;
    QTimer::singleShot(0, &w, [&w] { w.close(); });
  };
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
  EXPECT_TRUE(started);
  EXPECT_TRUE(d.messages.shown.empty());
}

TEST(Startup, ADeclinedConversionEndsTheProgramBeforeEntriesExist) {
  Diary d;
  d.dir.Write("QUILLET.DBF", "table");
  d.dir.Write("quillet.fpt", "memos");
  int offered = 0;
  TMainScreen::PerformConversion = [&](TMainScreen&) {
    ++offered;
    return false;
  };
  TMainScreen w(d.dir.path());
  TMainScreen::PerformConversion = nullptr;
  EXPECT_EQ(offered, 1);
  EXPECT_TRUE(w.Terminated());
  EXPECT_EQ(d.messages.shown, std::vector<std::string>{"Terminating Quillet"});
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Entries"));
}

TEST(Startup, AsksForThePasswordOnlyWhenOneIsStored) {
  Diary d;
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  bool started = false;
  hooks.shown = [&](TMainScreen& w) {
    started = true;
    QTimer::singleShot(0, &w, [&w] { w.close(); });
  };
  int asked = 0;
  CheckOpeningPassword = [&](const std::filesystem::path&) -> std::optional<TEntryKey> {
    ++asked;
    return std::nullopt;
  };
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);  // no password: opens unasked
  EXPECT_TRUE(started);
  EXPECT_EQ(asked, 0);
  TIniFile(d.dir / "QX.INI").WriteString("Security", "Password", EncryptString("pw"));
  started = false;
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);  // refused: no window
  CheckOpeningPassword = nullptr;
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(started);
}

TEST(Startup, RefusesADiaryItCannotLockOrWhoseSettingsCannotBeRead) {
  Diary d;
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  bool started = false;
  hooks.shown = [&](TMainScreen& w) {
    started = true;
    QTimer::singleShot(0, &w, [&w] { w.close(); });
  };
  TStartOptions options;
  // sysfs takes no new file, not even from root, as a read-only folder refuses one.
  options.diaryDir = "/sys/kernel";
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 1);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("/sys/kernel/.quillet.lock"), std::string::npos)
      << d.messages.shown[0];

  d.messages.shown.clear();
  options.diaryDir = d.dir.path();
  std::filesystem::remove(d.dir / "QX.INI");
  ASSERT_EQ(::mkfifo((d.dir / "QX.INI").c_str(), 0600), 0);
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 1);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("QX.INI"), std::string::npos) << d.messages.shown[0];
  EXPECT_FALSE(started);
}

TEST(Startup, MakesTheDiaryPrivateAndRemovesWhatCutOffWritesLeft) {
  Diary d;
  d.dir.Write("Entries/.20261207.QXE.Zz12Yy", "{\\rtf1 the plain text of a killed save}");
  ::chmod(d.dir.path().c_str(), 0755);
  ::chmod((d.dir / "QX.INI").c_str(), 0644);
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  hooks.shown = [](TMainScreen& w) { QTimer::singleShot(0, &w, [&w] { w.close(); }); };
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("private"), std::string::npos) << d.messages.shown[0];
  struct stat st {};
  ::stat(d.dir.path().c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Entries" / ".20261207.QXE.Zz12Yy"));
  d.messages.shown.clear();
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
  EXPECT_TRUE(d.messages.shown.empty());  // said once
}

TEST(Startup, DeletesAStaleScratchFile) {
  Diary d;
  d.dir.Write("ERASEME.RTF", "{\\rtf1 plain words}");
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  hooks.shown = [](TMainScreen& w) { QTimer::singleShot(0, &w, [&w] { w.close(); }); };
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
  EXPECT_FALSE(std::filesystem::exists(d.dir / "ERASEME.RTF"));
}

}  // namespace
}  // namespace quillet
