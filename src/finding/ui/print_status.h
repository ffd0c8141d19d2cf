// SPDX-License-Identifier: GPL-3.0-or-later
/** Printing from the window: the printer choice, TPrintStatusForm, and the print command's steps. */
#pragma once

#include <diary/entry_store.h>
#include <finding/ui/print_job.h>

#include <QDialog>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLabel;
class QPrinter;
class QPushButton;

namespace quillet {

// The built-in printer that writes a PDF file the user names. It is always in
// the program's printer list, after the installed printers.
inline const QString kSaveAsPdf = QStringLiteral("Save as PDF");

// The installed printers (the program's list) followed by "Save as PDF".
QStringList AvailablePrinters();
// The printer chosen in Print Setup; empty means the first of the list.
QString& ChosenPrinter();

// The paper chosen in Print Setup; the pages are laid out on it. Until then,
// the printing system's default paper, upright.
struct TPaperChoice {
  QPageSize::PageSizeId size = QPageSize::A4;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
};
TPaperChoice& ChosenPaper();

// Runs one print job and shows its progress: "Printing", "Printed <date>" per
// day, then "Completed" or "Cancelled", or what failed. The job starts once,
// when the window is first shown; the button reads "Cancel" while it runs and
// "OK" afterwards.
class TPrintStatusForm : public QDialog {
  Q_OBJECT
 public:
  TPrintStatusForm(const TEntryStore& store, QPrinter& printer, QWidget* parent = nullptr);
  ~TPrintStatusForm() override;

  TDate startDate = Today();
  TDate endDate = Today();
  bool merged = false;
  // With the built-in PDF printer: the name the printer's file takes once
  // the job is complete, before "Completed" is shown; the file of a job
  // cancelled or failed is removed.
  QString pdfFile;

  QLabel* printerstatus() const { return status_; }
  QPushButton* CancelButton() const { return button_; }
  TPrintOutcome Outcome() const { return outcome_; }
  bool Running() const { return running_; }

  void CancelButtonClick();
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RunJob();
  void FinishPdf(bool keep);
  void BecomeOk();

  const TEntryStore& store_;
  QPrinter& printer_;
  QLabel* status_;
  QPushButton* button_;
  bool firstActivation_ = true;
  bool running_ = false;
  bool cancelled_ = false;
  bool finished_ = false;
  TPrintOutcome outcome_ = TPrintOutcome::kCompleted;
};

// What the print command needs from the main window.
struct TPrintRequest {
  const TEntryStore* store = nullptr;
  TDate currentDate = Today();
  QWidget* parent = nullptr;
  std::function<void(QWidget* dialog)> placeDialog;
  std::function<void(QStringList& days, int year, int month)> entryDays;
};

// Asks for the name of the PDF file the built-in printer writes; empty on
// Cancel. A QFileDialog unless a test replaces it.
std::function<QString(QWidget* parent)>& AskPdfFileName();

// Print Setup: chooses the printer among AvailablePrinters(), the paper size
// and the orientation.
void PrintSetup(QWidget* parent, const std::function<void(QWidget*)>& placeDialog);

// The print command after the shown entry has been saved: the options dialog,
// then the status window running the job on the chosen printer.
void PrintCommand(const TPrintRequest& request);

}  // namespace quillet
