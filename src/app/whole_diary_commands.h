// SPDX-License-Identifier: GPL-3.0-or-later
/** The main window's whole-diary commands: find in any entry, find next, print setup, print, export. */
#pragma once

#include <finding/search.h>

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace quillet {

class TMainScreen;
class TSearchResultsPanel;

// Owned by the main window; holds the search state that lives as long as it.
// Where Export starts: the user's documents folder, else the home folder.
QString DefaultExportDirectory();

class TWholeDiaryCommands : public QObject {
  Q_OBJECT
 public:
  explicit TWholeDiaryCommands(TMainScreen& window);

  // The text of the last "Find Any Entry Containing..." and whether the last
  // search found it.
  QString SearchText;
  bool SearchFound = false;
  TSearchOptions SearchOptions;  // whole words, all of the words

  QAction* mnuFindentrycontaining = nullptr;  // Ctrl+F4
  QAction* mnuFindNextBig = nullptr;          // Ctrl+F5, disabled until a search finds
  QAction* mnuGoToDate = nullptr;             // Ctrl+G
  QAction* mnuOnThisDay = nullptr;            // View, "On This Day"
  QAction* mnuOnThisDayAtStart = nullptr;     // checked: shown at start, kept in QX.INI
  QAction* mnuDiaryStatistics = nullptr;      // View, "Diary Statistics..."
  QAction* PrintSetup1 = nullptr;
  QAction* PrintNow = nullptr;  // Ctrl+P; the toolbar's Printbutton does the same
  QAction* Export1 = nullptr;

  void mnuFindentrycontainingClick();
  void mnuFindNextBigClick();
  // Asks for a day in figures or words ("last friday") and shows it.
  void mnuGoToDateClick();
  // Lists in the panel the entries of today's month and day in earlier years;
  // `quiet` says nothing when there are none (at start).
  void mnuOnThisDayClick(bool quiet = false);
  // Entries, words, first and last day and the longest streak, in a message.
  void mnuDiaryStatisticsClick();
  void PrintSetup1Click();
  void PrintNowClick();
  void Export1Click();

  // The panel beside the page that lists every entry holding the text; made
  // by the first search.
  TSearchResultsPanel* ResultsPanel();
  // Shows the day of a result with its match selected.
  void ShowHit(const TSearchHit& hit);

  // The commands of the most recent main window, or nullptr.
  static TWholeDiaryCommands* Of(const TMainScreen& window);

 private:
  // Scans from `first` to `last` with the status window up and the main window
  // held off; then reports as both search commands do.
  void ScanAndReport(QString text, bool scan, bool fromStart);

  TMainScreen& window_;
  TSearchResultsPanel* panel_ = nullptr;
};

// Creates the commands and adds their items: Print Setup, Print and Export to
// the File menu (before `before`, when given), the two searches to the Find
// menu, and the print button to the window's tool buttons, each when given.
TWholeDiaryCommands* InstallWholeDiaryCommands(TMainScreen& window, QMenu* fileMenu,
                                               QAction* before, QMenu* findMenu, bool printButton);

}  // namespace quillet
