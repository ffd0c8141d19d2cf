// SPDX-License-Identifier: GPL-3.0-or-later
// Printing to PDF, read back with pdftotext: the job's layouts, the options
// dialog and the status window driven as a user would.
#include <finding/ui/date_selector.h>
#include <finding/ui/print_job.h>
#include <finding/ui/print_options.h>
#include <finding/ui/print_status.h>
#include <finding/ui/save_options.h>

#include <diary/cipher.h>
#include <base/messages.h>

#include "../../support/modal.h"
#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

namespace quillet {
namespace {

using testing::RecordingMessenger;
using testing::TempDir;
using testing::WhenShown;

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 " + body + "}";
}

std::string Lines(const std::string& what, int count) {
  std::string body;
  for (int i = 1; i <= count; ++i) body += what + " line " + std::to_string(i) + "\\par ";
  return body;
}

// What a command prints.
std::string Output(const std::string& command) {
  std::string text;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
    pclose(p);
  }
  return text;
}

// The text of each page of a PDF.
std::vector<std::string> Pages(const std::filesystem::path& pdf) {
  const std::string text = Output("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null");
  std::vector<std::string> pages;
  size_t start = 0;
  for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1) {
    pages.push_back(text.substr(start, ff - start));
  }
  return pages;
}

bool Before(const std::string& text, const std::string& a, const std::string& b) {
  size_t pa = text.find(a), pb = text.find(b);
  return pa != std::string::npos && pb != std::string::npos && pa < pb;
}

struct Diary {
  TempDir dir;
  TEntryStore store{dir.path()};
  Diary() { store.SetPassword("PRINT"); }
  TDate Add(unsigned day, const std::string& body) {
    TDate d = MakeDate(2024, 3, day);
    store.Write(d, Rtf(body));
    return d;
  }
};

TPrintOutcome PrintToPdf(const TEntryStore& store, TDate first, TDate last, bool merged,
                         const std::filesystem::path& pdf) {
  QPdfWriter writer(QString::fromStdString(pdf.string()));
  writer.setResolution(600);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
  TPrintJob job(store, writer);
  return job.Run(first, last, merged);
}

TEST(PrintJob, SeparateLayoutGivesEachEntryItsOwnPagesUnderItsDate) {
  Diary d;
  TDate a = d.Add(4, "Short entry of the fourth.\\par");
  TDate b = d.Add(6, Lines("Long", 130));
  TDate c = d.Add(9, "Entry of the ninth.\\par");
  d.Add(20, "Outside the range.\\par");
  TempDir out;
  ASSERT_EQ(PrintToPdf(d.store, a, c, false, out / "s.pdf"), TPrintOutcome::kCompleted);
  std::vector<std::string> pages = Pages(out / "s.pdf");
  ASSERT_GE(pages.size(), 4u);  // one page, the long entry on two or more, one page
  EXPECT_NE(pages.front().find(LongDate(a)), std::string::npos);
  EXPECT_NE(pages.front().find("Short entry of the fourth."), std::string::npos);
  EXPECT_EQ(pages.front().find("Long line 1"), std::string::npos);  // a new sheet per entry
  // Every page of the long entry carries its date in the header band.
  for (size_t i = 1; i + 1 < pages.size(); ++i) {
    EXPECT_NE(pages[i].find(LongDate(b)), std::string::npos) << i;
    EXPECT_TRUE(Before(pages[i], LongDate(b), "Long line")) << pages[i];
  }
  EXPECT_NE(pages[1].find("Long line 1\n"), std::string::npos);
  EXPECT_NE(pages[pages.size() - 2].find("Long line 130"), std::string::npos);
  EXPECT_NE(pages.back().find(LongDate(c)), std::string::npos);
  for (const std::string& p : pages) EXPECT_EQ(p.find("Outside the range"), std::string::npos);
}

TEST(PrintJob, MergedLayoutPutsEntriesUnderDateHeadingsOnSharedPages) {
  Diary d;
  TDate a = d.Add(1, "First short entry.\\par");
  TDate b = d.Add(2, "Second short entry.\\par");
  TDate c = d.Add(3, Lines("Third", 150));
  TDate e = d.Add(5, "Fifth entry.\\par");
  TempDir out;
  ASSERT_EQ(PrintToPdf(d.store, a, e, true, out / "m.pdf"), TPrintOutcome::kCompleted);
  std::vector<std::string> pages = Pages(out / "m.pdf");
  ASSERT_GE(pages.size(), 3u);
  // The two short entries share the first page, each under its heading, in date order.
  EXPECT_TRUE(Before(pages[0], LongDate(a), "First short entry."));
  EXPECT_TRUE(Before(pages[0], "First short entry.", LongDate(b)));
  EXPECT_TRUE(Before(pages[0], LongDate(b), "Second short entry."));
  EXPECT_TRUE(Before(pages[0], "Second short entry.", LongDate(c)));
  // The long entry runs on over the next page without a second heading.
  EXPECT_NE(pages[1].find("Third line"), std::string::npos);
  EXPECT_EQ(pages[1].find(LongDate(c)), std::string::npos);
  EXPECT_TRUE(Before(pages.back(), "Third line 150", LongDate(e)));
}

TEST(PrintJob, MergedLayoutNeverLeavesAHeadingOrABlankPageAtThePageEnd) {
  Diary d;
  TDate a = d.Add(1, "");
  TDate b = d.Add(2, "Next entry.\\par");
  TempDir out;
  bool sawNewPage = false;
  // The filler grows until the next entry no longer fits under it.
  for (int lines = 44; lines <= 56; lines += 2) {
    d.store.Write(a, Rtf(Lines("Filler", lines)));
    ASSERT_EQ(PrintToPdf(d.store, a, b, true, out / "n.pdf"), TPrintOutcome::kCompleted);
    std::vector<std::string> pages = Pages(out / "n.pdf");
    ASSERT_FALSE(pages.empty());
    const std::string& last = pages.back();
    EXPECT_TRUE(Before(last, LongDate(b), "Next entry.")) << lines << last;
    for (const std::string& p : pages) EXPECT_NE(p.find_first_not_of(" \n"), std::string::npos) << lines;
    if (pages.size() == 2 && last.find("Filler") == std::string::npos) {
      sawNewPage = true;
      EXPECT_NE(pages[0].find("Filler line " + std::to_string(lines) + "\n"), std::string::npos);
    }
  }
  EXPECT_TRUE(sawNewPage);
}

TEST(PrintJob, ARangeWithoutEntriesAndAnUnreadableEntry) {
  Diary d;
  d.Add(10, "Fine.\\par");
  TempDir out;
  std::vector<TDate> days;
  {
    QPdfWriter writer(QString::fromStdString((out / "e.pdf").string()));
    TPrintJob job(d.store, writer);
    job.dayDone = [&](TDate day) {
      days.push_back(day);
      return false;
    };
    EXPECT_EQ(job.Run(MakeDate(2024, 3, 1), MakeDate(2024, 3, 3), false), TPrintOutcome::kCompleted);
    EXPECT_EQ(job.EntriesPrinted(), 0);
  }
  EXPECT_EQ(days.size(), 3u);  // every day is reported, entry or not
  // An entry that cannot be deciphered stops the job and says which day.
  TDate bad = MakeDate(2024, 3, 11);
  EncipherToFile(Rtf("x"), d.store.EntryPath(bad), "ANOTHER ONE");
  QPdfWriter writer(QString::fromStdString((out / "f.pdf").string()));
  TPrintJob job(d.store, writer);
  EXPECT_EQ(job.Run(MakeDate(2024, 3, 10), MakeDate(2024, 3, 12), true), TPrintOutcome::kFailed);
  EXPECT_NE(job.Failure().find(ShortDate(bad)), std::string::npos) << job.Failure();
  EXPECT_NE(job.Failure().find(LongDate(bad)), std::string::npos) << job.Failure();
}

// Clicks a radio button or button where a user would: on its indicator and caption.
void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }


TEST(PrintOptions, ShowsItsControlsAndEnablesThemByTheChoice) {
  TPrintOptions options;
  options.startDate = MakeDate(2024, 3, 4);
  options.endDate = MakeDate(2024, 3, 9);
  options.show();
  EXPECT_EQ(options.windowTitle(), "Print Options");
  EXPECT_EQ(options.DateEditFrom()->text(), "03/04/2024");
  EXPECT_EQ(options.DateEditTo()->text(), "03/09/2024");
  EXPECT_EQ(options.DateFormat()->text(), "(use: mm/dd/yyyy)");
  EXPECT_EQ(options.MergePages()->text(), "Merge pages ");
  EXPECT_EQ(options.PrintCurrentOnly()->toolTip(), "Print only the currntly showing entry");
  EXPECT_EQ(options.PrintRangeOfDates()->toolTip(),
            "Print diary entries that fall between a starting \nand ending date");
  EXPECT_EQ(options.MergePages()->toolTip(),
            "Print as many diary entries per page as possible to conserve paper");
  EXPECT_EQ(options.CalendarTo()->toolTip(), "Select the ending date from a calendar");
  // Current entry only: no dates, no layouts. Clicking the chosen button
  // again keeps it chosen (the layout buttons form a group of their own).
  Click(options.PrintCurrentOnly());
  EXPECT_TRUE(options.PrintCurrentOnly()->isChecked());
  EXPECT_TRUE(options.EachPageSeparate()->isChecked());
  EXPECT_FALSE(options.DateEditFrom()->isEnabled());
  EXPECT_FALSE(options.MergePages()->isEnabled());
  EXPECT_TRUE(options.OKButton()->isEnabled());
  Click(options.PrintAllButton());
  EXPECT_FALSE(options.DateEditFrom()->isEnabled());
  EXPECT_TRUE(options.MergePages()->isEnabled());
  Click(options.PrintRangeOfDates());
  EXPECT_TRUE(options.DateEditFrom()->isEnabled());
  EXPECT_TRUE(options.CalendarFrom()->isEnabled());
  // Ok waits for two valid dates.
  options.DateEditTo()->setText("03/3");
  EXPECT_FALSE(options.OKButton()->isEnabled());
  options.DateEditTo()->setText("3/20/2024 8:15 AM");
  EXPECT_TRUE(options.OKButton()->isEnabled());
  Click(options.MergePages());
  Click(options.OKButton());
  EXPECT_EQ(options.result(), QDialog::Accepted);
  EXPECT_TRUE(options.merge);
  EXPECT_FALSE(options.currentOnly || options.all);
  EXPECT_EQ(options.startDate, MakeDate(2024, 3, 4));
  EXPECT_EQ(options.endDate, MakeDate(2024, 3, 20));
}

TEST(PrintOptions, ABadDateIsRefusedWhenTheBoxIsLeft) {
  RecordingMessenger messages;
  TSaveOptions options;
  options.startDate = MakeDate(2024, 3, 4);
  options.show();
  QApplication::setActiveWindow(&options);
  EXPECT_EQ(options.windowTitle(), "Export Options");
  EXPECT_EQ(options.PrintAllButton()->text(), "Export all entries");
  Click(options.PrintRangeOfDates());
  options.DateEditFrom()->setFocus();
  options.DateEditFrom()->selectAll();
  QTest::keyClicks(options.DateEditFrom(), "13/01/2024");
  options.DateEditFromExit(options.DateEditFrom());  // as leaving the box does
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Please use the date format mm/dd/yyyy\r   Example: " + ShortDate(Today()));
  EXPECT_EQ(options.DateEditFrom()->text(), "03/04/2024");
  // A valid date is rewritten in the format.
  options.DateEditFrom()->setText("3/5/2024");
  options.DateEditFromExit(options.DateEditFrom());
  EXPECT_EQ(options.DateEditFrom()->text(), "03/05/2024");
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST(PrintOptions, DateBoxesSpeakTheUsersLocale) {
  struct {
    QLocale locale;
    const char* shown;   // the start date as the box shows it
    const char* hint;
    const char* typed;   // a date in the locale's own form
    const char* foreign; // the other locale's form, refused
    const char* rewritten;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "03/04/2024", "(use: mm/dd/yyyy)", "3/5/2024", "5.3.2024",
       "03/05/2024"},
      {QLocale(QLocale::German, QLocale::Germany), "04.03.2024", "(use: dd.mm.yyyy)", "5.3.2024", "3/5/2024",
       "05.03.2024"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    QLocale::setDefault(c.locale);
    RecordingMessenger messages;
    TSaveOptions options;
    options.startDate = MakeDate(2024, 3, 4);
    options.show();
    QApplication::setActiveWindow(&options);
    Click(options.PrintRangeOfDates());
    EXPECT_EQ(options.DateEditFrom()->text(), c.shown);
    EXPECT_EQ(options.findChild<QLabel*>("DateFormat")->text(), c.hint);
    for (const char* typed : {c.typed, "2024-03-05"}) {
      options.DateEditFrom()->setText(typed);
      options.DateEditFromExit(options.DateEditFrom());
      EXPECT_EQ(options.DateEditFrom()->text(), c.rewritten) << typed;
    }
    options.DateEditFrom()->setText(c.foreign);
    EXPECT_FALSE(options.OKButton()->isEnabled());
    options.DateEditFromExit(options.DateEditFrom());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(options.DateEditFrom()->text(), c.shown);
    options.close();
  }
  QLocale::setDefault(QLocale::c());
}

TEST(PrintCommand, PrintsARangeMergedToTheBuiltInPdfPrinter) {
  RecordingMessenger messages;
  Diary d;
  d.Add(2, "Alpha entry.\\par");
  d.Add(3, "Beta entry.\\par");
  d.Add(8, "Gamma entry.\\par");
  TempDir out;
  const std::filesystem::path pdf = out / "diary.pdf";
  EXPECT_TRUE(AvailablePrinters().contains(kSaveAsPdf));
  ChosenPrinter() = kSaveAsPdf;
  AskPdfFileName() = [&](QWidget*) { return QString::fromStdString(pdf.string()); };
  QString finalStatus;
  WhenShown<TPrintOptions>([&](TPrintOptions* o) {
    Click(o->PrintRangeOfDates());
    o->DateEditFrom()->setText("03/02/2024");
    o->DateEditTo()->setText("03/03/2024");
    Click(o->MergePages());
    Click(o->OKButton());
    WhenShown<TPrintStatusForm>([&](TPrintStatusForm* s) {
      auto* poll = new QTimer(s);
      QObject::connect(poll, &QTimer::timeout, s, [s, pdf, &out] {
        if (!s->Running() && s->CancelButton()->text() == "OK") {
          EXPECT_EQ(s->printerstatus()->text(), "Completed");
          EXPECT_EQ(s->windowTitle(), "Print Status");
          // By the time it says so, the file has its name and no part is left.
          EXPECT_TRUE(std::filesystem::exists(pdf));
          for (auto& e : std::filesystem::directory_iterator(out.path())) EXPECT_EQ(e.path(), pdf);
          Click(s->CancelButton());
        }
      });
      poll->start(5);
    });
  });
  TPrintRequest request;
  request.store = &d.store;
  request.currentDate = MakeDate(2024, 3, 8);
  PrintCommand(request);
  std::vector<std::string> pages = Pages(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(Before(pages[0], "Alpha entry.", "Beta entry."));
  EXPECT_EQ(pages[0].find("Gamma"), std::string::npos);
  for (auto& e : std::filesystem::directory_iterator(out.path())) EXPECT_EQ(e.path(), pdf);
  EXPECT_TRUE(messages.shown.empty());
}

// The page size of a PDF's first page in points, as pdfinfo reads it.
std::string PdfPageSize(const std::filesystem::path& pdf) {
  const std::string text = Output("pdfinfo '" + pdf.string() + "' 2>/dev/null");
  size_t at = text.find("Page size:");
  if (at == std::string::npos) return text;
  at = text.find_first_not_of(' ', at + 10);
  return text.substr(at, text.find(" pts", at) - at);
}

// Print Setup's paper size and orientation reach the printed pages.
TEST(PrintCommand, PrintSetupChoosesThePaperAndItsOrientation) {
  const TPaperChoice before = ChosenPaper();
  const struct {
    const char* paper;
    const char* orientation;
    const char* size;  // pdfinfo's width x height in points
  } cases[] = {
      {"A5", "Landscape", "595 x 420"},
      {"Letter", "Portrait", "612 x 792"},
  };
  for (const auto& c : cases) {
    RecordingMessenger messages;
    Diary d;
    d.Add(2, "Alpha entry.\\par");
    TempDir out;
    const std::filesystem::path pdf = out / "paper.pdf";
    WhenShown<QDialog>([&](QDialog* setup) {
      EXPECT_EQ(setup->windowTitle(), "Print Setup");
      auto* printers = setup->findChild<QComboBox*>("Printers");
      auto* paper = setup->findChild<QComboBox*>("PaperSize");
      auto* orientation = setup->findChild<QComboBox*>("Orientation");
      ASSERT_TRUE(printers && paper && orientation);
      printers->setCurrentIndex(printers->findText(kSaveAsPdf));
      paper->setCurrentIndex(paper->findText(c.paper));
      orientation->setCurrentIndex(orientation->findText(c.orientation));
      setup->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    PrintSetup(nullptr, nullptr);
    EXPECT_EQ(ChosenPrinter(), kSaveAsPdf);
    AskPdfFileName() = [&](QWidget*) { return QString::fromStdString(pdf.string()); };
    WhenShown<TPrintOptions>([](TPrintOptions* o) {
      Click(o->OKButton());
      WhenShown<TPrintStatusForm>([](TPrintStatusForm* s) {
        auto* poll = new QTimer(s);
        QObject::connect(poll, &QTimer::timeout, s, [s] {
          if (!s->Running() && s->CancelButton()->text() == "OK") Click(s->CancelButton());
        });
        poll->start(5);
      });
    });
    TPrintRequest request;
    request.store = &d.store;
    request.currentDate = MakeDate(2024, 3, 2);
    PrintCommand(request);
    EXPECT_EQ(PdfPageSize(pdf), c.size) << c.paper << " " << c.orientation;
    EXPECT_NE(Pages(pdf).at(0).find("Alpha entry."), std::string::npos);
  }
  ChosenPaper() = before;
}

TEST(PrintCommand, SaysSoWhenTheDayHasNoEntryToPrint) {
  RecordingMessenger messages;
  Diary d;
  d.Add(2, "Alpha entry.\\par");
  TempDir out;
  const std::filesystem::path pdf = out / "empty.pdf";
  ChosenPrinter() = kSaveAsPdf;
  AskPdfFileName() = [&](QWidget*) { return QString::fromStdString(pdf.string()); };
  QString finalStatus;
  WhenShown<TPrintOptions>([&finalStatus](TPrintOptions* o) {
    Click(o->PrintRangeOfDates());
    o->DateEditFrom()->setText("03/09/2024");
    o->DateEditTo()->setText("03/09/2024");
    Click(o->OKButton());
    WhenShown<TPrintStatusForm>([&finalStatus](TPrintStatusForm* s) {
      auto* poll = new QTimer(s);
      QObject::connect(poll, &QTimer::timeout, s, [s, &finalStatus] {
        if (!s->Running() && s->CancelButton()->text() == "OK") {
          finalStatus = s->printerstatus()->text();
          Click(s->CancelButton());
        }
      });
      poll->start(5);
    });
  });
  TPrintRequest request;
  request.store = &d.store;
  request.currentDate = MakeDate(2024, 3, 9);
  PrintCommand(request);
  EXPECT_EQ(finalStatus.toStdString(), "There is no entry for 03/09/2024 to print.");
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST(PrintCommand, CancelStopsAfterTheDayAndKeepsNoPdf) {
  Diary d;
  for (unsigned day = 1; day <= 28; ++day) d.Add(day, "Entry " + std::to_string(day) + ".\\par");
  TempDir out;
  const std::filesystem::path pdf = out / "cancelled.pdf";
  ChosenPrinter() = kSaveAsPdf;
  AskPdfFileName() = [&](QWidget*) { return QString::fromStdString(pdf.string()); };
  WhenShown<TPrintOptions>([](TPrintOptions* o) {
    Click(o->PrintAllButton());
    Click(o->OKButton());
    WhenShown<TPrintStatusForm>([](TPrintStatusForm* s) {
      Click(s->CancelButton());  // while the job runs
      EXPECT_EQ(s->printerstatus()->text(), "Cancelled");
      EXPECT_EQ(s->CancelButton()->text(), "OK");
      auto* poll = new QTimer(s);
      QObject::connect(poll, &QTimer::timeout, s, [s] {
        if (!s->Running()) Click(s->CancelButton());
      });
      poll->start(5);
    });
  });
  TPrintRequest request;
  request.store = &d.store;
  PrintCommand(request);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST(PrintCommand, PrintsCurrentRangeOrAllInEitherLayout) {
  RecordingMessenger messages;
  Diary d;
  const TDate today = Today();
  struct Day {
    TDate date;
    std::string text;
  };
  std::vector<Day> days;
  for (int back : {60, 30, 29, 2}) {
    TDate date = today - std::chrono::days(back);
    std::string text = "Words of day minus " + std::to_string(back) + ".";
    d.store.Write(date, Rtf(text + "\\par"));
    days.push_back({date, text});
  }
  enum Which { kCurrent, kRange, kAll };
  struct Case {
    Which which;
    bool merged;
    std::vector<size_t> printed;  // indexes into days
  } cases[] = {
      {kCurrent, false, {1}}, {kCurrent, true, {1}},       {kRange, false, {1, 2}},
      {kRange, true, {1, 2}}, {kAll, false, {0, 1, 2, 3}}, {kAll, true, {0, 1, 2, 3}},
  };
  TempDir out;
  int n = 0;
  for (const Case& c : cases) {
    const std::filesystem::path pdf = out / ("case" + std::to_string(n++) + ".pdf");
    ChosenPrinter() = kSaveAsPdf;
    AskPdfFileName() = [&](QWidget*) { return QString::fromStdString(pdf.string()); };
    WhenShown<TPrintOptions>([&](TPrintOptions* o) {
      if (c.which == kAll) Click(o->PrintAllButton());
      if (c.which == kRange) {
        Click(o->PrintRangeOfDates());
        o->DateEditFrom()->setText(QString::fromStdString(ShortDate(days[1].date)));
        o->DateEditTo()->setText(QString::fromStdString(ShortDate(days[2].date)));
      }
      if (c.merged) Click(o->MergePages());
      Click(o->OKButton());
      WhenShown<TPrintStatusForm>([](TPrintStatusForm* s) {
        auto* poll = new QTimer(s);
        QObject::connect(poll, &QTimer::timeout, s, [s] {
          if (!s->Running() && s->CancelButton()->text() == "OK") {
            EXPECT_EQ(s->printerstatus()->text(), "Completed");
            Click(s->CancelButton());
          }
        });
        poll->start(5);
      });
    });
    TPrintRequest request;
    request.store = &d.store;
    request.currentDate = days[1].date;
    PrintCommand(request);
    std::vector<std::string> pages = Pages(pdf);
    std::string all;
    for (const std::string& p : pages) all += p;
    // Separate: one page per entry, its date in the header; merged: all on one page.
    EXPECT_EQ(pages.size(), c.merged ? 1u : c.printed.size()) << n;
    size_t at = 0;
    for (size_t i = 0; i < days.size(); ++i) {
      bool wanted = std::find(c.printed.begin(), c.printed.end(), i) != c.printed.end();
      size_t found = all.find(days[i].text);
      EXPECT_EQ(found != std::string::npos, wanted) << n << " " << days[i].text;
      if (wanted && found != std::string::npos) {
        EXPECT_GE(found, at) << "days out of order in case " << n;
        at = found;
        size_t heading = all.rfind(LongDate(days[i].date), found);
        EXPECT_NE(heading, std::string::npos) << n << " " << days[i].text;
      }
    }
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST(PrintOptions, TheCalendarButtonsPickADateWithTheDateSelector) {
  TPrintOptions options;
  options.startDate = MakeDate(2024, 3, 4);
  int placed = 0;
  std::vector<int> asked;
  options.placeDialog = [&](QWidget*) { ++placed; };
  options.OnNeedEntryDays = [&](QStringList& days, int year, int month) {
    asked.push_back(year * 100 + month);
    days = QStringList{"7"};
  };
  options.show();
  Click(options.PrintRangeOfDates());
  WhenShown<TDateSelector>([](TDateSelector* s) {
    EXPECT_EQ(s->InitialDate().date(), QDate(2024, 3, 4));  // the box's date
    s->accept();
  });
  Click(options.CalendarFrom());
  EXPECT_EQ(placed, 1);
  EXPECT_EQ(asked, std::vector<int>{202403});
  EXPECT_EQ(options.DateEditFrom()->text(), "03/04/2024");
}

}  // namespace
}  // namespace quillet
