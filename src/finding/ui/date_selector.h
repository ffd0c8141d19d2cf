// SPDX-License-Identifier: GPL-3.0-or-later
/** TDateSelector: the "Select Date" dialog, a month calendar with entry marks. */
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QStringList>

#include <functional>

class QPushButton;

namespace quillet {

class TCalendarWithGlyphs;
class TGraphicPanel;

// Picks one calendar day. Days that have an entry carry a small red square;
// the dialog knows nothing of entries and asks its owner through
// OnNeedEntryDays for the days of the shown month.
//
//   TDateSelector selector(mainWindow);
//   selector.SetInitialDate(current);
//   selector.OnNeedEntryDays = [&](QStringList& days, int year, int month) { ... };
//   if (selector.exec() == QDialog::Accepted) show(selector.SelectedDate().date());
//
// The provider is called once when the dialog is first shown (for the month of
// InitialDate) and again whenever the shown month or year changes, also when
// coming back to a month seen before; never for a move within one month.
class TDateSelector : public QDialog {
  Q_OBJECT
 public:
  explicit TDateSelector(QWidget* parent = nullptr);

  // The day shown when the dialog first appears.
  QDateTime InitialDate() const { return initialDate_; }
  void SetInitialDate(const QDateTime& date) { initialDate_ = date; }
  void SetInitialDate(const QDate& date) { initialDate_ = date.startOfDay(); }

  // Fills `days` (emptied first) with the numbers of the days of the month
  // that have an entry, as decimal strings without leading zero: "1", "17".
  using TNeedEntryDays = std::function<void(QStringList& days, int year, int month)>;
  TNeedEntryDays OnNeedEntryDays;

  // The chosen day; after "Today" it carries the time of day as well.
  QDateTime SelectedDate() const;

  TCalendarWithGlyphs* Calendar() const { return calendar_; }
  TGraphicPanel* ShowDatePanel() const { return showDatePanel_; }
  const QStringList& EntryDays() const { return entryDays_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CalendarChange();
  void CalendarDrawCalendarCellEvent(QPainter& can, int col, int row, const QRect& rect,
                                     unsigned state, const QString& text);
  QPushButton* AddButton(const char* name, const QString& caption, const QString& hint,
                         int left, int top, int width, int height);

  TCalendarWithGlyphs* calendar_;
  TGraphicPanel* showDatePanel_;
  bool firstActivation_ = true;
  QStringList entryDays_;
  QDateTime initialDate_ = QDateTime::currentDateTime();
  QDateTime shownDate_;
  int lastMonth_ = -1;
  int lastYear_ = -1;
};

}  // namespace quillet
