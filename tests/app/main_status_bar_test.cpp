// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's word count, following the page as the user types, selects,
// pastes, undoes and changes the day.
#include <app/main_screen.h>
#include <finding/ui/word_count_label.h>

#include "main_fixture.h"

#include <base/safe_file.h>

#include <QAction>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::Diary;
using testing::Open;
using testing::Settle;
using testing::Type;

// Waits for the label to come up to date; the text it shows then.
QString Shown(TMainScreen& w) {
  TWordCountLabel* label = w.WordCount();
  EXPECT_TRUE(QTest::qWaitFor([label] { return !label->Timer()->isActive(); }, 2000));
  return label->text();
}

void Key(TMainScreen& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(w.RichText1(), key, modifiers);
}

TEST(MainStatusBar, TheCountFollowsTypingSelectionPastingUndoAndTheDay) {
  Diary d;
  const TDate yesterday = PreviousDay(Today());
  std::filesystem::create_directories(d.dir / "Entries");
  WriteFileSafely(d.Entry(yesterday), "{\\rtf1\\ansi Rain again.\\par Stayed in all day.\\par}");
  auto w = Open(d.dir.path());
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(w->statusBar()->isVisible());
  EXPECT_EQ(Shown(*w), "0 words, 0 characters");

  Type(*w, "Dear diary, it rained");
  EXPECT_EQ(Shown(*w), "4 words, 21 characters");
  Key(*w, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Shown(*w), "4 words, 21 characters; Selection: 1 word, 6 characters");
  Key(*w, Qt::Key_C, Qt::ControlModifier);
  Key(*w, Qt::Key_End);
  EXPECT_EQ(Shown(*w), "4 words, 21 characters");
  Key(*w, Qt::Key_Return);
  Key(*w, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Shown(*w), "5 words, 27 characters");
  Key(*w, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Shown(*w), "4 words, 21 characters");

  w->PriorButtonClick();
  EXPECT_EQ(Shown(*w), "6 words, 29 characters");
  w->NextButtonClick();
  EXPECT_EQ(Shown(*w), "4 words, 21 characters");
  w->SelectAll1Click();
  EXPECT_EQ(Shown(*w), "4 words, 21 characters; Selection: 4 words, 21 characters");
}

TEST(MainStatusBar, NumbersAreWrittenInTheUsersLocale) {
  struct Case {
    TTextCount total;
    std::optional<TTextCount> selection;
    QLocale locale;
    const char* text;
  } cases[] = {
      {{1234, 6789}, {}, QLocale(QLocale::English, QLocale::UnitedStates), "1,234 words, 6,789 characters"},
      {{1234, 6789}, TTextCount{12, 70}, QLocale(QLocale::German, QLocale::Germany),
       "1.234 words, 6.789 characters; Selection: 12 words, 70 characters"},
      {{1, 1}, TTextCount{0, 1}, QLocale(QLocale::English, QLocale::UnitedStates),
       "1 word, 1 character; Selection: 0 words, 1 character"},
  };
  for (const Case& c : cases) EXPECT_EQ(WordCountText(c.total, c.selection, c.locale), c.text);
}

TEST(MainStatusBar, TheViewMenuHidesItAndQxIniKeepsThat) {
  Diary d;
  {
    auto w = Open(d.dir.path());
    QAction* toggle = w->StatusBarAction();
    ASSERT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(w->statusBar()->isVisible());
    // Hidden, it does not count as keys come.
    Type(*w, "unseen");
    EXPECT_FALSE(w->WordCount()->Timer()->isActive());
    EXPECT_NE(ReadWholeFile(d.dir / "QX.INI").find("StatusBar=0"), std::string::npos);
    w->close();
  }
  auto w = Open(d.dir.path());
  EXPECT_FALSE(w->StatusBarAction()->isChecked());
  EXPECT_FALSE(w->statusBar()->isVisible());
  w->StatusBarAction()->trigger();
  Settle();
  EXPECT_TRUE(w->statusBar()->isVisible());
  EXPECT_EQ(Shown(*w), "1 word, 6 characters");  // the day's entry, counted once shown
}

}  // namespace
}  // namespace quillet
