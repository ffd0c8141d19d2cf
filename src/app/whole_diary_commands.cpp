// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/whole_diary_commands.h>

#include <richtext/ui/toolbar_icons.h>

#include <base/messages.h>
#include <diary/paths.h>
#include <diary/settings_file.h>
#include <app/convert_notify.h>
#include <app/main_screen.h>
#include <finding/export.h>
#include <finding/diary_statistics.h>
#include <finding/on_this_day.h>
#include <finding/search.h>
#include <finding/ui/go_to_date.h>
#include <finding/ui/look_for_all.h>
#include <finding/ui/search_results_panel.h>
#include <finding/ui/print_job.h>
#include <finding/ui/print_status.h>
#include <finding/ui/save_options.h>
#include <richtext/ui/rich_text.h>

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace quillet {
namespace {

// Holds the main window off while a scan lets the event loop run, and shows
// the busy cursor; both come back however the scan ends.
class TBusy {
 public:
  explicit TBusy(QWidget& window) : window_(window) {
    window_.setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TBusy() {
    QGuiApplication::restoreOverrideCursor();
    window_.setEnabled(true);
  }

 private:
  QWidget& window_;
};

QString ProcessingText(TDate day) {
  return "Processing entry for " + QString::fromStdString(ShortDate(day));
}

// Find Next found nothing after the day shown: the search has come to the end.
// QX.INI's switch for On This Day at start.
constexpr const char* kOnThisDaySection = "On This Day";
constexpr const char* kOnThisDayKey = "show";

std::string NoMoreMatchesText(const QString& text) {
  return "The search reached the last entry: no later entry contains \"" + text.toStdString() + "\".";
}

}  // namespace

TWholeDiaryCommands::TWholeDiaryCommands(TMainScreen& window) : QObject(&window), window_(window) {
  setObjectName("WholeDiaryCommands");
  mnuFindentrycontaining = new QAction("Find Any Entry Containing...", this);
  mnuFindentrycontaining->setObjectName("mnuFindentrycontaining");
  mnuFindentrycontaining->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
  mnuFindNextBig = new QAction("Find Next Entry Containing...", this);
  mnuFindNextBig->setObjectName("mnuFindNextBig");
  mnuFindNextBig->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
  mnuFindNextBig->setEnabled(false);
  mnuGoToDate = new QAction("&Go to Date...", this);
  mnuGoToDate->setObjectName("mnuGoToDate");
  mnuGoToDate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  mnuOnThisDay = new QAction("On This Day", this);
  mnuOnThisDay->setObjectName("mnuOnThisDay");
  mnuOnThisDayAtStart = new QAction("Show On This Day at Start", this);
  mnuOnThisDayAtStart->setObjectName("mnuOnThisDayAtStart");
  mnuOnThisDayAtStart->setCheckable(true);
  mnuOnThisDayAtStart->setChecked(
      TIniFile(SettingsFileName(window.DiaryDir())).ReadBool(kOnThisDaySection, kOnThisDayKey, false));
  mnuDiaryStatistics = new QAction("Diary Statistics...", this);
  mnuDiaryStatistics->setObjectName("mnuDiaryStatistics");
  PrintSetup1 = new QAction("Print Setup", this);
  PrintSetup1->setObjectName("PrintSetup1");
  PrintNow = new QAction("Print", this);
  PrintNow->setObjectName("PrintNow");
  PrintNow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  Export1 = new QAction("Export...", this);
  Export1->setObjectName("Export1");
  connect(mnuFindentrycontaining, &QAction::triggered, this, [this] { mnuFindentrycontainingClick(); });
  connect(mnuFindNextBig, &QAction::triggered, this, [this] { mnuFindNextBigClick(); });
  connect(mnuGoToDate, &QAction::triggered, this, [this] { mnuGoToDateClick(); });
  connect(mnuOnThisDay, &QAction::triggered, this, [this] { mnuOnThisDayClick(); });
  connect(mnuOnThisDayAtStart, &QAction::toggled, this, [this](bool on) {
    try {
      TIniFile(SettingsFileName(window_.DiaryDir())).WriteBool(kOnThisDaySection, kOnThisDayKey, on);
    } catch (const std::exception& e) {
      Messenger().InfoBox(e.what());
    }
  });
  connect(mnuDiaryStatistics, &QAction::triggered, this, [this] { mnuDiaryStatisticsClick(); });
  connect(PrintSetup1, &QAction::triggered, this, [this] { PrintSetup1Click(); });
  connect(PrintNow, &QAction::triggered, this, [this] { PrintNowClick(); });
  connect(Export1, &QAction::triggered, this, [this] { Export1Click(); });
}

TWholeDiaryCommands* TWholeDiaryCommands::Of(const TMainScreen& window) {
  return window.findChild<TWholeDiaryCommands*>("WholeDiaryCommands", Qt::FindDirectChildrenOnly);
}

void TWholeDiaryCommands::mnuFindentrycontainingClick() {
  if (!window_.SaveButtonClick()) return;
  TLookForAll dialog(&window_);
  CenterForm(&dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString text = dialog.LookForText()->text();
  if (text.isEmpty()) {
    ScanAndReport(text, false, true);  // the previous search's result, reported again
    return;
  }
  // Every entry holding the text goes to the panel as the worker finds it;
  // the window stays free meanwhile, and Find Next goes on from the day shown.
  SearchText = text;
  SearchOptions.wholeWords = dialog.WholeWords()->isChecked();
  SearchOptions.allWords = dialog.AllWords()->isChecked();
  SearchFound = false;
  mnuFindNextBig->setEnabled(false);
  ResultsPanel()->Start(window_.Store(), window_.FirstDiaryRecord(), window_.LastDiaryRecord(), text,
                        SearchOptions);
}

TSearchResultsPanel* TWholeDiaryCommands::ResultsPanel() {
  if (panel_) return panel_;
  panel_ = new TSearchResultsPanel(&window_);
  window_.addDockWidget(Qt::RightDockWidgetArea, panel_);
  connect(panel_, &TSearchResultsPanel::HitChosen, this, [this](const TSearchHit& hit) { ShowHit(hit); });
  connect(panel_->Results()->model(), &QAbstractItemModel::rowsInserted, this, [this] {
    SearchFound = true;
    mnuFindNextBig->setEnabled(true);
  });
  connect(panel_, &TSearchResultsPanel::Finished, this, [](int hits, const QString& skipped) {
    if (!skipped.isEmpty()) Messenger().InfoBox(skipped.toStdString());
    if (hits == 0) Messenger().InfoBox("No matches");
  });
  return panel_;
}

void TWholeDiaryCommands::ShowHit(const TSearchHit& hit) {
  if (!window_.SaveButtonClick()) return;
  window_.SetCurrentDate(hit.day);
  window_.FindDateRecord();
  window_.LoadRichText();
  window_.RichText1()->MarkStart(hit.position);
  window_.RichText1()->MarkLength(hit.length);
  window_.RichText1()->setFocus();
}

void TWholeDiaryCommands::mnuFindNextBigClick() {
  if (!window_.SaveButtonClick()) return;
  ScanAndReport(SearchText, !SearchText.isEmpty(), false);
}

void TWholeDiaryCommands::ScanAndReport(QString text, bool scan, bool fromStart) {
  const TDate remembered = window_.CurrentDate();
  TSearchResult result;
  if (scan) {
    const TDate last = window_.LastDiaryRecord();
    TDate first = fromStart ? window_.FirstDiaryRecord() : NextDay(remembered);
    if (fromStart) SearchText = text;
    SearchFound = false;
    TBusy busy(window_);
    TConvertNotify status;
    status.SetWhat("Searching...");
    status.show();
    result = SearchEntries(
        window_.Store(), first, last, SearchText.toStdString(),
        [&](TDate day) {
          status.SetStatus(ProcessingText(day));
          QCoreApplication::processEvents();
        },
        SearchOptions);
    SearchFound = result.found.has_value();
  }
  mnuFindNextBig->setEnabled(SearchFound);
  if (scan && result.found) {
    window_.SetCurrentDate(*result.found);
  } else {
    window_.SetCurrentDate(remembered);
  }
  if (!result.skippedDays.empty()) Messenger().InfoBox(SkippedDaysMessage(result));
  if (!SearchFound) Messenger().InfoBox(scan && !fromStart ? NoMoreMatchesText(SearchText) : "No matches");
  window_.FindDateRecord();
  window_.LoadRichText();
  if (scan && result.found && (SearchOptions.wholeWords || SearchOptions.allWords)) {
    // The finder of the editor knows neither option: the scan's match is selected.
    window_.RichText1()->MarkStart(result.foundPosition);
    window_.RichText1()->MarkLength(result.foundLength);
  } else if (SearchFound) {
    window_.RichText1()->FindString(SearchText, false);
  }
}

void TWholeDiaryCommands::mnuGoToDateClick() {
  if (!window_.SaveButtonClick()) return;
  TGoToDateBox box(Today(), &window_);
  CenterForm(&box);
  if (box.exec() != QDialog::Accepted || !box.Day()) return;
  window_.GoToDay(*box.Day());
}

void TWholeDiaryCommands::mnuOnThisDayClick(bool quiet) {
  const TDate today = Today();
  const std::vector<TSearchHit> days = EntriesOnThisDay(window_.Store(), today);
  if (days.empty()) {
    if (!quiet) Messenger().InfoBox("No entry was written on this day in an earlier year.");
    return;
  }
  const QString count = days.size() == 1 ? QStringLiteral("1 earlier entry")
                                         : QStringLiteral("%1 earlier entries").arg(days.size());
  ResultsPanel()->ShowList(QStringLiteral("On this day: ") + count, days);
}

void TWholeDiaryCommands::mnuDiaryStatisticsClick() {
  if (!window_.SaveButtonClick()) return;  // the shown page counts as saved
  TDiaryStatistics statistics;
  {
    TBusy busy(window_);
    statistics = DiaryStatistics(window_.Store());
  }
  Messenger().InfoBox(StatisticsText(statistics));
}

void TWholeDiaryCommands::PrintSetup1Click() {
  if (!window_.SaveButtonClick()) return;
  if (AvailablePrinters().isEmpty()) {
    Messenger().InfoBox("No printers installed");
    return;
  }
  PrintSetup(&window_, [](QWidget* dialog) { CenterForm(dialog); });
}

void TWholeDiaryCommands::PrintNowClick() {
  if (!window_.SaveButtonClick()) return;
  QCoreApplication::processEvents();
  TPrintRequest request;
  request.store = &window_.Store();
  request.currentDate = window_.CurrentDate();
  request.parent = &window_;
  request.placeDialog = [](QWidget* dialog) { CenterForm(dialog); };
  request.entryDays = [this](QStringList& days, int year, int month) {
    window_.FillEntryDays(days, year, month);
  };
  PrintCommand(request);
  window_.FindDateRecord();
  window_.LoadRichText();
}

QString DefaultExportDirectory() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty() || !QFileInfo(documents).isDir()) documents = QDir::homePath();
  return documents;
}

void TWholeDiaryCommands::Export1Click() {
  if (!window_.SaveButtonClick()) return;
  TSaveOptions options(&window_);
  options.startDate = window_.CurrentDate();
  options.endDate = Today();
  // Exported files are not enciphered: they go to the documents folder, not
  // beside the diary, and with a password the dialog says they are not protected.
  options.SetDirectory(DefaultExportDirectory());
  options.WarnUnprotected(window_.Store().Key().Cipher() != TCipher::None);
  options.placeDialog = [](QWidget* dialog) { CenterForm(dialog); };
  options.OnNeedEntryDays = [this](QStringList& days, int year, int month) {
    window_.FillEntryDays(days, year, month);
  };
  CenterForm(&options);
  if (options.exec() != QDialog::Accepted) return;
  std::string directory = options.Directory().toStdString();
  if (directory.empty() || directory.back() != '/') directory += '/';
  TDate start = options.startDate, end = options.endDate;
  if (options.currentOnly) {
    start = end = window_.CurrentDate();
  } else if (options.all) {
    start = window_.FirstDiaryRecord();
    end = window_.LastDiaryRecord();
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(directory, ec)) {
    Messenger().InfoBox("The directory " + directory + " does not exist. Nothing was saved.");
  } else {
    TExportOptions how;
    how.format = options.Format();
    how.oneFile = options.OneFile();
    how.heading = options.Heading();
    if (how.format == TExportFormat::kPdf) how.renderPdf = PdfExportRenderer(window_.Store());
    TExportResult result;
    {
      TBusy busy(window_);
      TConvertNotify status;
      status.SetWhat("Exporting...");
      status.show();
      result = ExportEntries(window_.Store(), start, end, directory, how, [&](TDate day) {
        status.SetStatus(ProcessingText(day));
        QCoreApplication::processEvents();
      });
    }
    Messenger().InfoBox(ExportReport(result, directory, how.format));
  }
  window_.FindDateRecord();
  window_.LoadRichText();
}

TWholeDiaryCommands* InstallWholeDiaryCommands(TMainScreen& window, QMenu* fileMenu,
                                               QAction* before, QMenu* findMenu, bool printButton) {
  auto* commands = new TWholeDiaryCommands(window);
  if (fileMenu) {
    fileMenu->insertAction(before, commands->PrintSetup1);
    fileMenu->insertAction(before, commands->PrintNow);
    fileMenu->insertAction(before, commands->Export1);
    fileMenu->insertSeparator(before);
  }
  if (findMenu) {
    findMenu->addSeparator();
    findMenu->addAction(commands->mnuFindentrycontaining);
    findMenu->addAction(commands->mnuFindNextBig);
    findMenu->addSeparator();
    findMenu->addAction(commands->mnuGoToDate);
  }
  // View: On This Day, and whether it comes up at start.
  if (fileMenu || findMenu) {
    QMenu* view = window.findChild<QMenu*>(QStringLiteral("mnuViewMenu"));
    if (!view) {
      view = new QMenu(QStringLiteral("&View"), &window);
      view->setObjectName(QStringLiteral("mnuViewMenu"));
      window.menuBar()->insertMenu(findMenu ? findMenu->menuAction() : nullptr, view);
    }
    view->addAction(commands->mnuOnThisDay);
    view->addAction(commands->mnuOnThisDayAtStart);
    view->addSeparator();
    view->addAction(commands->mnuDiaryStatistics);
    if (commands->mnuOnThisDayAtStart->isChecked()) {
      QTimer::singleShot(0, commands, [commands] { commands->mnuOnThisDayClick(true); });
    }
  }
  if (printButton) {
    window.AddToolButton("Printbutton", richtext::ToolbarIcon(QStringLiteral("Print")), QStringLiteral("Print"),
                         QStringLiteral("Print diary entries"), [commands] { commands->PrintNowClick(); });
  }
  // Without menus (tests) the shortcuts still reach the window.
  for (QAction* a : {commands->mnuFindentrycontaining, commands->mnuFindNextBig, commands->mnuGoToDate,
                     commands->PrintNow}) {
    if (!fileMenu && !findMenu) window.addAction(a);
  }
  return commands;
}

}  // namespace quillet
