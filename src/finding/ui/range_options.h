// SPDX-License-Identifier: GPL-3.0-or-later
/** The part the print and export option dialogs share: which entries, and the two date boxes. */
#pragma once

#include <diary/dates.h>

#include <QDate>
#include <QDialog>
#include <QStringList>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace quillet {

QDate ToQDate(TDate date);
TDate FromQDate(const QDate& date);  // the date must be valid, years 1 to 9999

// "Current entry only", "All entries" or "Range of dates", with the starting
// and ending date boxes, their calendar buttons, Ok and Cancel. A date box
// holds "mm/dd/yyyy"; a text that is not a date is refused when the box is
// left, and Ok stays disabled while a range date is not a date. Derived
// dialogs add their own panel below the dates.
class TRangeOptions : public QDialog {
  Q_OBJECT
 public:
  // Set by the caller before showing; replaced on Ok.
  TDate startDate = Today();
  TDate endDate = Today();
  // Results.
  bool currentOnly = false;
  bool all = false;

  // What the calendar buttons need from the owner: the days of a month with
  // an entry, and how to place the date selector. Either may be left unset.
  std::function<void(QStringList& days, int year, int month)> OnNeedEntryDays;
  std::function<void(QWidget* dialog)> placeDialog;

  QRadioButton* PrintCurrentOnly() const { return printCurrentOnly_; }
  QRadioButton* PrintAllButton() const { return printAll_; }
  QRadioButton* PrintRangeOfDates() const { return printRangeOfDates_; }
  QLineEdit* DateEditFrom() const { return dateEditFrom_; }
  QLineEdit* DateEditTo() const { return dateEditTo_; }
  QPushButton* CalendarFrom() const { return calendarFrom_; }
  QPushButton* CalendarTo() const { return calendarTo_; }
  QLabel* DateFormat() const { return dateFormat_; }
  QPushButton* OKButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

  void SetButtons();
  void DateEditFromExit(QLineEdit* box);
  void CalendarFromClick(QPushButton* button);
  virtual void OKButtonClick();

 protected:
  // `noun` is "Print" or "Export": the radio captions are built from it.
  TRangeOptions(const QString& caption, const QString& noun, QWidget* parent);
  // Adds the panel of the derived dialog between the dates and the buttons.
  void AddPanel(QWidget* panel);
  // Enables the derived dialog's own controls for the chosen kind of range.
  virtual void SetOwnButtons(bool rangeOrAll) { (void)rangeOrAll; }

  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool firstActivation_ = true;
  bool inExit_ = false;
  QVBoxLayout* layout_ = nullptr;
  QRadioButton* printCurrentOnly_ = nullptr;
  QRadioButton* printAll_ = nullptr;
  QRadioButton* printRangeOfDates_ = nullptr;
  QLineEdit* dateEditFrom_ = nullptr;
  QLineEdit* dateEditTo_ = nullptr;
  QPushButton* calendarFrom_ = nullptr;
  QPushButton* calendarTo_ = nullptr;
  QLabel* dateFormat_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace quillet
