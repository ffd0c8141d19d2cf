// SPDX-License-Identifier: GPL-3.0-or-later
// Search across entries and export from the main window, driven as a user would.
#include <app/convert_notify.h>
#include <app/main_screen.h>
#include <app/whole_diary_commands.h>

#include <diary/cipher.h>
#include <diary/settings_file.h>
#include <base/safe_file.h>
#include <finding/export.h>
#include <finding/ui/go_to_date.h>
#include <finding/ui/look_for_all.h>
#include <finding/ui/search_results_panel.h>
#include <finding/ui/save_options.h>
#include <richtext/ui/rich_text.h>

#include "../support/modal.h"
#include "../support/recording_messenger.h"
#include "../support/temp_dir.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::RecordingMessenger;
using testing::TempDir;
using testing::WhenShown;

std::string Rtf(const std::string& text) {
  return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 " + text + "\\par}";
}

// An enciphered diary, its window, and the whole-diary commands of the window.
struct Diary {
  TempDir dir;
  RecordingMessenger messages;
  TEntryStore store{dir.path()};
  std::unique_ptr<TMainScreen> window;
  TWholeDiaryCommands* commands = nullptr;

  explicit Diary(const std::string& password = "Open Sesame") {
    dir.Write("QX.INI", "[Opening Screen]\nshow=0\n");
    if (!password.empty()) TIniFile(dir / "QX.INI").WriteString("Security", "Password", EncryptString(password));
    store.SetPassword(password);
  }
  TDate Add(TDate day, const std::string& text) {
    store.Write(day, Rtf(text));
    return day;
  }
  void Open() {
    window = std::make_unique<TMainScreen>(dir.path());
    window->show();
    window->FormActivate();
    commands = TWholeDiaryCommands::Of(*window);
    if (!commands) commands = InstallWholeDiaryCommands(*window, nullptr, nullptr, nullptr, false);
  }
  std::string Selected() {
    richtext::TRichText* editor = window->RichText1();
    if (!editor->HasSelection()) return {};
    std::unique_ptr<QMimeData> data(editor->SelectionMimeData());
    return data->text().toStdString();
  }
};

void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }


void LookFor(const QString& text) {
  WhenShown<TLookForAll>([text](TLookForAll* d) {
    EXPECT_EQ(d->windowTitle(), "Find text from any entry");
    EXPECT_TRUE(d->LookForText()->text().isEmpty());  // a fresh dialog each time
    QTest::keyClicks(d->LookForText(), text);
    QTest::keyClick(d->LookForText(), Qt::Key_Return);
  });
}

// Waits until the results panel's search has run to its end.
TSearchResultsPanel* WaitForResults(Diary& d) {
  TSearchResultsPanel* panel = d.commands->ResultsPanel();
  for (int i = 0; i < 2000 && panel->Running(); ++i) {
    QApplication::processEvents();
    QTest::qWait(5);
  }
  EXPECT_FALSE(panel->Running());
  return panel;
}

std::vector<TDate> ListedDays(TSearchResultsPanel* panel) {
  std::vector<TDate> days;
  for (int i = 0; i < panel->Results()->count(); ++i) {
    days.push_back(TSearchResultsPanel::HitOf(panel->Results()->item(i)).day);
  }
  return days;
}

void ClickRow(TSearchResultsPanel* panel, int row) {
  QListWidget* list = panel->Results();
  QRect box = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

TEST(SearchAcrossEntries, ListsEveryEntryNewestFirstAndAClickShowsTheDayWithTheMatchSelected) {
  Diary d;
  const TDate today = Today();
  TDate older = d.Add(today - std::chrono::days(40), "The Blue Heron was back.");
  d.Add(today - std::chrono::days(20), "Nothing of birds.");
  d.Open();
  // Today's entry is typed in the window and saved by the search itself.
  d.window->RichText1()->setFocus();
  QTest::keyClicks(d.window->RichText1(), "A blue heron at dusk");
  EXPECT_FALSE(d.commands->mnuFindNextBig->isEnabled());

  LookFor("blue HERON");  // another letter case
  d.commands->mnuFindentrycontainingClick();
  TSearchResultsPanel* panel = WaitForResults(d);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(ListedDays(panel), (std::vector<TDate>{today, older}));
  EXPECT_NE(panel->Results()->item(1)->text().indexOf("The Blue Heron was back."), -1)
      << panel->Results()->item(1)->text().toStdString();
  EXPECT_EQ(d.window->CurrentDate(), today);  // the window stays where it was
  EXPECT_TRUE(d.commands->mnuFindNextBig->isEnabled());
  EXPECT_TRUE(d.messages.shown.empty());

  ClickRow(panel, 1);
  EXPECT_EQ(d.window->CurrentDate(), older);
  EXPECT_EQ(d.Selected(), "Blue Heron");

  // Find Next goes on from the day shown.
  d.commands->mnuFindNextBigClick();
  EXPECT_EQ(d.window->CurrentDate(), today);
  EXPECT_EQ(d.Selected(), "blue heron");

  d.commands->mnuFindNextBigClick();  // nothing after today: the search says it reached the end
  EXPECT_EQ(d.window->CurrentDate(), today);
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>{"The search reached the last entry: no later entry contains \"blue HERON\"."});
  EXPECT_FALSE(d.commands->mnuFindNextBig->isEnabled());
}

TEST(SearchAcrossEntries, WholeWordsAndAllOfTheseWordsFromTheDialog) {
  Diary d("");
  const TDate today = Today();
  TDate both = d.Add(today - std::chrono::days(3), "Rain, then the garden was green.");
  d.Add(today - std::chrono::days(2), "Rainy gardens everywhere.");
  d.Open();
  WhenShown<TLookForAll>([](TLookForAll* dialog) {
    QTest::keyClicks(dialog->LookForText(), "garden rain");
    Click(dialog->WholeWords());
    Click(dialog->AllWords());
    QTest::keyClick(dialog->LookForText(), Qt::Key_Return);
  });
  d.commands->mnuFindentrycontainingClick();
  TSearchResultsPanel* panel = WaitForResults(d);
  EXPECT_EQ(ListedDays(panel), std::vector<TDate>{both});
  ClickRow(panel, 0);
  EXPECT_EQ(d.Selected(), "Rain");  // the earliest of the words

  // Find Next keeps the options: the other entry holds neither word whole.
  d.commands->mnuFindNextBigClick();
  EXPECT_EQ(d.window->CurrentDate(), both);
  EXPECT_EQ(d.messages.shown.size(), 1u);
}

TEST(SearchAcrossEntries, ANewSearchCancelsTheOld) {
  Diary d("");
  const TDate today = Today();
  for (int i = 1; i <= 100; ++i) d.Add(today - std::chrono::days(i), "common words " + std::to_string(i));
  d.Open();
  TSearchResultsPanel* panel = d.commands->ResultsPanel();
  panel->Start(d.store, today - std::chrono::days(200), today, "common", {});
  panel->Start(d.store, today - std::chrono::days(200), today, "words 7*", {});
  WaitForResults(d);
  // Only the second search's entries: 7 and 70 to 79.
  EXPECT_EQ(panel->Results()->count(), 11);
  for (int i = 0; i < panel->Results()->count(); ++i) {
    EXPECT_NE(panel->Results()->item(i)->text().indexOf("words 7"), -1);
  }
  EXPECT_EQ(ListedDays(panel).front(), today - std::chrono::days(7));
  EXPECT_EQ(ListedDays(panel).back(), today - std::chrono::days(79));
}

TEST(SearchAcrossEntries, AnEmptyDiaryHasNoMatchesAndCancelDoesNothing) {
  Diary d("");
  d.Open();
  LookFor("anything");
  d.commands->mnuFindentrycontainingClick();
  WaitForResults(d);
  EXPECT_EQ(d.messages.shown, std::vector<std::string>{"No matches"});
  EXPECT_EQ(d.window->CurrentDate(), Today());

  d.messages.shown.clear();
  WhenShown<TLookForAll>([](TLookForAll* dialog) { QTest::keyClick(dialog->LookForText(), Qt::Key_Escape); });
  d.commands->mnuFindentrycontainingClick();
  EXPECT_TRUE(d.messages.shown.empty());
}

TEST(SearchAcrossEntries, ABadEntryIsSkippedAndNamed) {
  Diary d;
  const TDate today = Today();
  TDate bad = today - std::chrono::days(9);
  d.store.CreateEntriesDirectory();
  EncipherToFile(Rtf("needle"), d.store.EntryPath(bad), "SOME OTHER KEY");
  TDate good = d.Add(today - std::chrono::days(3), "a needle here");
  d.Open();
  LookFor("Needle");
  d.commands->mnuFindentrycontainingClick();
  EXPECT_EQ(ListedDays(WaitForResults(d)), std::vector<TDate>{good});
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find(LongDate(bad)), std::string::npos) << d.messages.shown[0];
}

TEST(ExportToRtf, ExportsARangeOfAnEncipheredDiaryByteForByte) {
  Diary d;
  const TDate today = Today();
  std::vector<TDate> days;
  for (int back : {30, 12, 11, 5}) days.push_back(d.Add(today - std::chrono::days(back), "Entry " + std::to_string(back) + " caf\\'e9"));
  d.Open();
  TempDir out;
  WhenShown<TSaveOptions>([&](TSaveOptions* o) {
    // Plain RTF goes to the documents folder, never beside the diary, and the
    // dialog says the files are not protected.
    EXPECT_EQ(o->Directory(), DefaultExportDirectory());
    EXPECT_NE(o->Directory().toStdString(), d.dir.path().string());
    EXPECT_TRUE(o->UnprotectedWarning()->isVisible());
    o->chooseDirectory = [&](QWidget*, const QString&) { return QString::fromStdString(out.path().string()); };
    Click(o->BrowseButton());
    Click(o->PrintRangeOfDates());
    o->DateEditFrom()->setText(QString::fromStdString(ShortDate(today - std::chrono::days(12))));
    o->DateEditTo()->setText(QString::fromStdString(ShortDate(today - std::chrono::days(5))));
    Click(o->OKButton());
  });
  d.commands->Export1Click();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(d.messages.shown[0],
            "Saved 3 file(s) as Rich Text Format (RTF)\rto directory: " + out.path().string() + "/");
  for (size_t i = 1; i < days.size(); ++i) {
    std::filesystem::path file = out / (DayKey(days[i]) + ".RTF");
    EXPECT_EQ(ReadFile(file), DecipherFile(d.store.EntryPath(days[i]), "Open Sesame")) << file;
    EXPECT_EQ(std::filesystem::file_size(file), std::filesystem::file_size(d.store.EntryPath(days[i])));
  }
  EXPECT_FALSE(std::filesystem::exists(out / (DayKey(days[0]) + ".RTF")));
}

TEST(ExportToRtf, ACurrentDayWithoutEntrySavesNoneAndAFailedFileIsNamed) {
  Diary d("");
  d.Add(Today() - std::chrono::days(2), "kept");
  d.Open();
  TempDir out;
  WhenShown<TSaveOptions>([&](TSaveOptions* o) {
    EXPECT_FALSE(o->UnprotectedWarning()->isVisible());  // no password: nothing to say
    o->SetDirectory(QString::fromStdString(out.path().string()));
    Click(o->OKButton());  // current entry only: today has none
  });
  d.commands->Export1Click();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(d.messages.shown[0],
            "Saved 0 file(s) as Rich Text Format (RTF)\rto directory: " + out.path().string() + "/");

  // A disk that refuses every new file.
  d.messages.shown.clear();
  SetExportFaultHook([](std::string_view step) { return step != "create"; });
  WhenShown<TSaveOptions>([&](TSaveOptions* o) {
    o->SetDirectory(QString::fromStdString(out.path().string()));
    Click(o->PrintAllButton());
    Click(o->OKButton());
  });
  d.commands->Export1Click();
  SetExportFaultHook({});
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(d.messages.shown[0].rfind("Saved 0 file(s)", 0), 0u) << d.messages.shown[0];
  EXPECT_NE(d.messages.shown[0].find(ShortDate(Today() - std::chrono::days(2))), std::string::npos);
}

TEST(ExportFormats, TheFormatBoxChoosesHtmlPagesOrOnePdfForTheRange) {
  Diary d;
  const TDate today = Today();
  const TDate a = d.Add(today - std::chrono::days(3), "Morning \\b frost\\b0");
  const TDate b = d.Add(today - std::chrono::days(1), "Evening rain");
  d.Open();
  TempDir out;
  WhenShown<TSaveOptions>([&](TSaveOptions* o) {
    // RTF as stored, unless the date is asked for; one file is for HTML alone.
    EXPECT_EQ(o->FormatBox()->currentText(), "RTF (Rich Text Format)");
    EXPECT_TRUE(o->HeadingBox()->isEnabled());
    EXPECT_FALSE(o->HeadingBox()->isChecked());
    EXPECT_FALSE(o->OneFileBox()->isEnabled());
    o->FormatBox()->setFocus();
    QTest::keyClick(o->FormatBox(), Qt::Key_Down);
    EXPECT_EQ(o->FormatBox()->currentText(), "HTML");
    EXPECT_TRUE(o->HeadingBox()->isChecked());  // every HTML page has its date
    EXPECT_FALSE(o->HeadingBox()->isEnabled());
    EXPECT_TRUE(o->OneFileBox()->isEnabled());
    EXPECT_NE(o->findChild<QLabel*>("Label3")->text().indexOf("19981015.html"), -1);
    o->SetDirectory(QString::fromStdString(out.path().string()));
    Click(o->PrintAllButton());
    Click(o->OKButton());
  });
  d.commands->Export1Click();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(d.messages.shown[0], "Saved 2 file(s) as HTML\rto directory: " + out.path().string() + "/");
  for (auto [day, text] : {std::pair{a, "<b>frost</b>"}, std::pair{b, "Evening rain"}}) {
    const std::string page = ReadFile(out / (DayKey(day) + ".html"));
    EXPECT_NE(page.find("<h1>" + LongDate(day) + "</h1>"), std::string::npos) << page;
    EXPECT_NE(page.find(text), std::string::npos) << page;
  }

  // PDF: the whole range in one file named after it, each entry under its date.
  d.messages.shown.clear();
  WhenShown<TSaveOptions>([&](TSaveOptions* o) {
    o->SetFormat(TExportFormat::kPdf);
    EXPECT_TRUE(o->OneFileBox()->isChecked());
    EXPECT_NE(o->findChild<QLabel*>("Label3")->text().indexOf("19980101-19981231.pdf"), -1);
    o->SetDirectory(QString::fromStdString(out.path().string()));
    Click(o->PrintRangeOfDates());
    o->DateEditFrom()->setText(QString::fromStdString(ShortDate(a)));
    o->DateEditTo()->setText(QString::fromStdString(ShortDate(b)));
    Click(o->OKButton());
  });
  d.commands->Export1Click();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(d.messages.shown[0], "Saved 1 file(s) as PDF\rto directory: " + out.path().string() + "/");
  const std::filesystem::path pdf = out / (DayKey(a) + "-" + DayKey(b) + ".pdf");
  QProcess pdftotext;
  pdftotext.start("pdftotext", {QString::fromStdString(pdf.string()), "-"});
  pdftotext.waitForFinished(20000);
  const std::string text = pdftotext.readAllStandardOutput().toStdString();
  size_t at = 0;
  for (const std::string& part : {LongDate(a), std::string("Morning frost"), LongDate(b), std::string("Evening rain")}) {
    at = text.find(part, at);
    EXPECT_NE(at, std::string::npos) << part << "\n" << text;
  }
}

TEST(GoToDate, CtrlGTakesWordsAndKeepsABadTextWithItsReason) {
  Diary d("");
  const TDate yesterday = Today() - std::chrono::days(1);
  d.Add(yesterday, "What happened yesterday.");
  d.Open();
  d.window->RichText1()->setFocus();
  QTest::keyClicks(d.window->RichText1(), "typed today");
  QString problem, kept;
  WhenShown<TGoToDateBox>([&](TGoToDateBox* box) {
    QTest::keyClicks(box->DateText(), "someday");
    QTest::keyClick(box->DateText(), Qt::Key_Return);
    // Still open, the text as typed, and why.
    problem = box->Problem()->isVisible() ? box->Problem()->text() : QString();
    kept = box->DateText()->text();
    box->DateText()->clear();
    QTest::keyClicks(box->DateText(), "Yesterday");
    QTest::keyClick(box->DateText(), Qt::Key_Return);
  });
  QApplication::setActiveWindow(d.window.get());
  QTest::keyClick(d.window->RichText1(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(kept, "someday");
  EXPECT_TRUE(problem.startsWith("\"someday\" is not a date")) << problem.toStdString();
  EXPECT_EQ(d.window->CurrentDate(), yesterday);
  EXPECT_EQ(d.window->RichText1()->Document().Par(0).text, U"What happened yesterday.");
  EXPECT_NE(ReadFile(d.store.EntryPath(Today())).find("typed today"), std::string::npos);  // saved first
}

TEST(OnThisDay, ListsEarlierYearsOpensOneAndComesUpAtStartWhenAsked) {
  Diary d("");
  const std::chrono::year_month_day now{Today()};
  auto yearsAgo = [&](int n) {
    return MakeDate(int(now.year()) - n, unsigned(now.month()), std::min(unsigned(now.day()), 28u));
  };
  TDate lastYear = d.Add(yearsAgo(1), "A year ago today.");
  TDate fiveYears = d.Add(yearsAgo(5), "Five years back.");
  d.Open();
  auto* view = d.window->findChild<QAction*>("mnuOnThisDay");
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->associatedObjects().isEmpty());
  EXPECT_FALSE(d.commands->ResultsPanel()->isVisible());  // not at start unless asked
  view->trigger();
  TSearchResultsPanel* panel = d.commands->ResultsPanel();
  if (unsigned(now.day()) <= 28) {
    EXPECT_EQ(ListedDays(panel), (std::vector<TDate>{lastYear, fiveYears}));
    EXPECT_NE(panel->Results()->item(1)->text().indexOf("Five years back."), -1);
    ClickRow(panel, 1);
    EXPECT_EQ(d.window->CurrentDate(), fiveYears);
  }

  // Kept in QX.INI and honoured by the next window.
  d.window->findChild<QAction*>("mnuOnThisDayAtStart")->trigger();
  EXPECT_TRUE(TIniFile(d.dir / "QX.INI").ReadBool("On This Day", "show", false));
  d.window.reset();
  d.Open();
  QTest::qWait(20);
  EXPECT_TRUE(d.window->findChild<QAction*>("mnuOnThisDayAtStart")->isChecked());
  if (unsigned(now.day()) <= 28) {
    EXPECT_EQ(ListedDays(d.commands->ResultsPanel()).size(), 2u);
  }
}

TEST(DiaryStatistics, TheViewMenuCountsTheSavedPageToo) {
  Diary d;
  const TDate today = Today();
  d.Add(today - std::chrono::days(2), "two words");
  d.Add(today - std::chrono::days(1), "three more words");
  d.Open();
  d.window->RichText1()->setFocus();
  QTest::keyClicks(d.window->RichText1(), "and four of them");
  auto* item = d.window->findChild<QAction*>("mnuDiaryStatistics");
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->associatedObjects().isEmpty());
  item->trigger();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  const std::string& text = d.messages.shown[0];
  EXPECT_NE(text.find("Entries: 3"), std::string::npos) << text;
  EXPECT_NE(text.find("Words: 9"), std::string::npos) << text;
  EXPECT_NE(text.find("Longest streak: 3 days"), std::string::npos) << text;
}

TEST(WholeDiaryCommands, AreInTheMainWindowsMenusWithTheirShortcuts) {
  Diary d("");
  d.Open();
  ASSERT_NE(TWholeDiaryCommands::Of(*d.window), nullptr);
  struct {
    const char* name;
    const char* text;
    QKeySequence keys;
  } items[] = {
      {"mnuFindentrycontaining", "Find Any Entry Containing...", QKeySequence(Qt::CTRL | Qt::Key_F4)},
      {"mnuFindNextBig", "Find Next Entry Containing...", QKeySequence(Qt::CTRL | Qt::Key_F5)},
      {"mnuGoToDate", "&Go to Date...", QKeySequence(Qt::CTRL | Qt::Key_G)},
      {"PrintSetup1", "Print Setup", QKeySequence()},
      {"PrintNow", "Print", QKeySequence(Qt::CTRL | Qt::Key_P)},
      {"Export1", "Export...", QKeySequence()},
  };
  for (auto& item : items) {
    auto* action = d.window->findChild<QAction*>(item.name);
    ASSERT_NE(action, nullptr) << item.name;
    EXPECT_EQ(action->text(), item.text);
    EXPECT_EQ(action->shortcut(), item.keys) << item.name;
    EXPECT_FALSE(action->associatedObjects().isEmpty()) << item.name << " is in no menu";
  }
  EXPECT_FALSE(d.window->findChild<QAction*>("mnuFindNextBig")->isEnabled());
  auto* button = d.window->findChild<QToolButton*>("Printbutton");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->toolTip(), "Print diary entries");
  // Ctrl+F4 opens the search dialog.
  bool opened = false;
  WhenShown<TLookForAll>([&](TLookForAll* dialog) {
    opened = true;
    dialog->reject();
  });
  QApplication::setActiveWindow(d.window.get());
  d.window->RichText1()->setFocus();
  QTest::keyClick(d.window->RichText1(), Qt::Key_F4, Qt::ControlModifier);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace quillet
