// SPDX-License-Identifier: GPL-3.0-or-later
// Every dialog the window opens, worked with the keyboard alone: Tab and
// Shift+Tab visit each control once, the Alt letters differ, Escape closes.
#include "main_fixture.h"

#include <app/about_box.h>
#include <app/opening_message.h>
#include <app/password_dialogs.h>
#include <app/restore_deleted_dialog.h>
#include <finding/ui/calendar_with_glyphs.h>
#include <finding/ui/date_selector.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace quillet::testing {
namespace {

// A diary with one entry holding a misspelling, and one deleted entry.
struct DialogDiary : Diary {
  DialogDiary() {
    dir.Write("Entries/" + DayKey(Today()) + ".QXE", "{\\rtf1\\ansi Teh cat sat.\\par}");
    dir.Write("Entries/" + DayKey(PreviousDay(Today())) + ".QXE", "{\\rtf1\\ansi Gone.\\par}");
  }
};

QString Name(const QWidget* w) {
  if (!w) return QStringLiteral("(none)");
  QString name = QString::fromLatin1(w->metaObject()->className());
  if (!w->objectName().isEmpty()) name += QLatin1Char(' ') + w->objectName();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) name += QStringLiteral(" \"") + b->text() + QLatin1Char('"');
  if (!w->accessibleName().isEmpty()) name += QStringLiteral(" [") + w->accessibleName() + QLatin1Char(']');
  return name;
}

// The radio buttons of an exclusive group are one stop: Tab enters the group
// and the arrow keys move within it. Every other control is a stop of its own.
const QObject* Stop(const QWidget* w) {
  auto* radio = qobject_cast<const QRadioButton*>(w);
  if (radio && radio->autoExclusive()) return radio->parentWidget();
  return w;
}

// The stops the Tab key should reach.
std::set<const QObject*> TabStops(QWidget* dialog) {
  std::set<const QObject*> stops;
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || !w->isVisibleTo(dialog) || !w->isEnabled()) continue;
    if (w->focusProxy()) continue;
    stops.insert(Stop(w));
  }
  return stops;
}

// Presses `key` from the focused control until the focus comes back round;
// the controls in the order they were reached.
std::vector<QWidget*> Walk(QWidget* dialog, Qt::Key key, size_t limit) {
  std::vector<QWidget*> order;
  QWidget* start = QApplication::focusWidget();
  if (!start) return order;
  order.push_back(start);
  for (size_t i = 0; i < limit; ++i) {
    QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    QWidget* now = QApplication::focusWidget();
    if (!now || !dialog->isAncestorOf(now)) break;
    if (now == order.back()) continue;  // the key walks within the control: the links of a help page
    if (now == start) break;
    order.push_back(now);
  }
  return order;
}

// The letters after "&" in the texts of the dialog's buttons, labels with a
// buddy and group boxes, each with the texts that carry it.
std::map<QChar, QStringList> Mnemonics(QWidget* dialog) {
  std::map<QChar, QStringList> letters;
  auto add = [&letters](const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != QLatin1Char('&')) continue;
      if (text[i + 1] != QLatin1Char('&')) letters[text[i + 1].toLower()].push_back(text);
      ++i;
    }
  };
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(dialog)) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) add(l->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) add(g->title());
  }
  return letters;
}

// Works the shown dialog: both Tab walks, the Alt letters, a default button
// where the dialog has buttons, then Escape (which the opening password box,
// whose only way out ends the program, passes over).
void WorkByKeyboard(QDialog* dialog, bool escapeCloses) {
  const std::set<const QObject*> stops = TabStops(dialog);
  ASSERT_FALSE(stops.empty());
  ASSERT_TRUE(QApplication::focusWidget() && dialog->isAncestorOf(QApplication::focusWidget()))
      << "the dialog opens without the focus in it";
  for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
    SCOPED_TRACE(key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
    const std::vector<QWidget*> order = Walk(dialog, key, stops.size() + 100);
    std::map<const QObject*, int> seen;
    for (QWidget* w : order) {
      ++seen[Stop(w)];
      EXPECT_TRUE(stops.count(Stop(w))) << "reached a control that is no stop: " << Name(w).toStdString();
    }
    for (const QObject* stop : stops) {
      const auto* w = qobject_cast<const QWidget*>(stop);
      EXPECT_EQ(seen[stop], 1) << Name(w).toStdString();
    }
  }
  for (const auto& [letter, texts] : Mnemonics(dialog)) {
    EXPECT_EQ(texts.size(), 1) << "Alt+" << QString(letter).toStdString() << ": "
                               << texts.join(QStringLiteral(", ")).toStdString();
  }
  const auto buttons = dialog->findChildren<QPushButton*>();
  if (!buttons.isEmpty()) {
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), [](QPushButton* b) { return b->isDefault(); }))
        << "no button runs on Enter";
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_NE(dialog->isVisible(), escapeCloses) << "Escape";
  if (dialog->isVisible()) dialog->reject();
}

TEST(DialogKeyboard, EveryDialogByKeyboardAlone) {
  struct Row {
    const char* dialog;
    std::function<void(TMainScreen&, Diary&)> open;
    bool escapeCloses = true;
  };
  auto action = [](const char* name) {
    return [name](TMainScreen& w, Diary&) { w.findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
  };
  const Row rows[] = {
      {"quillet::TDateSelector", [](TMainScreen& w, Diary&) { w.CalendarButtonClick(); }},
      {"quillet::TGoToDateBox", action("mnuGoToDate")},
      {"quillet::TLookForAll", action("mnuFindentrycontaining")},
      {"quillet::TPrintOptions", action("PrintNow")},
      {"quillet::TSaveOptions", action("Export1")},
      {"quillet::TWarningScreen", [](TMainScreen& w, Diary&) { w.mnuSecurityClick(); }},
      {"quillet::TGetPassword",
       [](TMainScreen& w, Diary&) {
         TGetPassword dialog(w);
         dialog.exec();
       }},
      {"quillet::TGetOpeningPassword",
       [](TMainScreen& w, Diary&) {
         TGetOpeningPassword dialog(w.DiaryDir(), &w);
         dialog.exec();
       },
       false},
      {"quillet::TShowOpeningMessage",
       [](TMainScreen& w, Diary&) {
         TShowOpeningMessage dialog(&w);
         dialog.exec();
       }},
      {"quillet::TAboutBox", [](TMainScreen& w, Diary&) { w.About1Click(); }},
      {"quillet::TParagraphPropDlg", [](TMainScreen& w, Diary&) { w.ParagraphSetupButtonClick(); }},
      {"quillet::TImageBrowser", [](TMainScreen& w, Diary&) { w.PasteGraphicButtonClick(); }},
      {"quillet::TSymbolSelector", [](TMainScreen& w, Diary&) { w.SymbolSelectorButtonClick(); }},
      {"quillet::TSpellCheckDialog", [](TMainScreen& w, Diary&) { w.SpellCheck1Click(); }},
      {"quillet::TUserDictionaryDialog", [](TMainScreen& w, Diary&) { w.mnuUserDictionaryClick(); }},
      {"quillet::TRestoreDeletedDialog",
       [](TMainScreen& w, Diary&) {
         w.PriorButtonClick();
         w.DeletebuttonClick();  // answered Yes
         w.RestoreDeletedEntryClick();
       }},
      {"richtext::TFindDialog", [](TMainScreen& w, Diary&) { w.mnuFindClick(); }},
      {"richtext::TFindDialog", [](TMainScreen& w, Diary&) { w.Replace1Click(); }},
      {"quillet::THelpWindow", [](TMainScreen& w, Diary&) { w.Contents1Click(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dialog);
    DialogDiary d;
    auto w = Open(d.dir.path());
    Settle();
    std::string worked;
    auto work = [&worked, &row](QDialog* dialog) {
      worked = dialog->metaObject()->className();
      Settle();
      WorkByKeyboard(dialog, row.escapeCloses);
    };
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()); dialog && worked.empty()) {
        work(dialog);
      }
    });
    poll.start();
    row.open(*w, d);
    Settle();
    poll.stop();
    if (worked.empty()) {
      // A dialog that stays open beside the page.
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(top);
        if (dialog && dialog->isVisible()) {
          dialog->activateWindow();
          Settle();
          work(dialog);
          break;
        }
      }
    }
    EXPECT_EQ(worked, row.dialog);
  }
}

// In the dialogs that offer a list or a grid, the arrow keys move through it
// and Enter chooses the item they came to.
TEST(DialogKeyboard, ArrowKeysMoveInListsAndGridsAndEnterChooses) {
  struct Row {
    const char* what;
    std::function<void(TMainScreen&)> open;
    std::function<QWidget*(QDialog*)> list;  // the list or grid of the dialog
    Qt::Key move;
    std::function<void(TMainScreen&, Diary&)> check;
  };
  const Row rows[] = {
      {"Select Date: the next day",
       [](TMainScreen& w) { w.CalendarButtonClick(); },
       [](QDialog* dialog) -> QWidget* { return qobject_cast<TDateSelector*>(dialog)->Calendar(); }, Qt::Key_Right,
       [](TMainScreen& w, Diary&) { EXPECT_EQ(w.CurrentDate(), NextDay(Today())); }},
      {"Restore Deleted Entry: the second of the list",
       [](TMainScreen& w) {
         w.DeletebuttonClick();  // today's, answered Yes
         w.PriorButtonClick();
         w.DeletebuttonClick();
         w.RestoreDeletedEntryClick();
       },
       [](QDialog* dialog) -> QWidget* { return qobject_cast<TRestoreDeletedDialog*>(dialog)->List(); },
       Qt::Key_Down,
       [](TMainScreen&, Diary& d) {
         // The latest day comes first: the second is yesterday's.
         EXPECT_TRUE(std::filesystem::exists(d.Entry(PreviousDay(Today()))));
         EXPECT_FALSE(std::filesystem::exists(d.Entry(Today())));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    DialogDiary d;
    auto w = Open(d.dir.path());
    Settle();
    bool worked = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || worked) return;
      worked = true;
      Settle();
      QWidget* list = row.list(dialog);
      list->setFocus(Qt::TabFocusReason);
      QTest::keyClick(list, row.move);
      QTest::keyClick(list, Qt::Key_Return);
      if (dialog->isVisible()) {
        ADD_FAILURE() << "Enter left the dialog open";
        dialog->reject();
      }
    });
    poll.start();
    row.open(*w);
    Settle();
    poll.stop();
    ASSERT_TRUE(worked);
    row.check(*w, d);
  }
}

}  // namespace
}  // namespace quillet::testing
