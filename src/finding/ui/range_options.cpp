// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/range_options.h>

#include <base/messages.h>
#include <finding/date_text.h>
#include <finding/ui/date_selector.h>

#include <QEvent>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <chrono>

namespace quillet {

QDate ToQDate(TDate date) {
  using namespace std::chrono;
  const year_month_day ymd{date};
  return QDate(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
}

TDate FromQDate(const QDate& date) {
  return MakeDate(date.year(), unsigned(date.month()), unsigned(date.day()));
}

TRangeOptions::TRangeOptions(const QString& caption, const QString& noun, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(caption);
  layout_ = new QVBoxLayout(this);

  printCurrentOnly_ = new QRadioButton(noun + " current entry only", this);
  printCurrentOnly_->setObjectName("PrintCurrentOnly");
  printCurrentOnly_->setToolTip("Print only the currntly showing entry");
  printCurrentOnly_->setChecked(true);
  printAll_ = new QRadioButton(noun + " all entries", this);
  printAll_->setObjectName("PrintAll");
  printAll_->setToolTip("Print all diary entries");
  printRangeOfDates_ = new QRadioButton(noun + " range of dates", this);
  printRangeOfDates_->setObjectName("PrintRangeOfDates");
  printRangeOfDates_->setToolTip("Print diary entries that fall between a starting \nand ending date");
  // A group of their own: radio buttons are exclusive by parent, and the
  // subclasses' buttons in panels below would otherwise let a click on the
  // chosen button here unchoose it.
  auto* choice = new QButtonGroup(this);
  for (QRadioButton* b : {printCurrentOnly_, printAll_, printRangeOfDates_}) {
    choice->addButton(b);
    layout_->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this] { SetButtons(); });
  }

  auto* panel1 = new QFrame(this);
  panel1->setObjectName("Panel1");
  panel1->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(panel1);
  auto* fromLabel = new QLabel("Starting Date", panel1);
  fromLabel->setObjectName("DateEditLabel");
  auto* toLabel = new QLabel("Ending Date", panel1);
  toLabel->setObjectName("Label1");
  dateEditFrom_ = new QLineEdit(panel1);
  dateEditFrom_->setObjectName("DateEditFrom");
  dateEditFrom_->setToolTip("Print diary entries starting with this date");
  dateEditTo_ = new QLineEdit(panel1);
  dateEditTo_->setObjectName("DateEditTo");
  dateEditTo_->setToolTip("Print diary entries up to and including this date");
  calendarFrom_ = new QPushButton(panel1);
  calendarFrom_->setObjectName("CalendarFrom");
  calendarFrom_->setToolTip("Select the starting date from a calendar");
  calendarTo_ = new QPushButton(panel1);
  calendarTo_->setObjectName("CalendarTo");
  calendarTo_->setToolTip("Select the ending date from a calendar");
  for (QPushButton* b : {calendarFrom_, calendarTo_}) {
    b->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, b] { CalendarFromClick(b); });
  }
  for (QLineEdit* e : {dateEditFrom_, dateEditTo_}) {
    e->installEventFilter(this);
    connect(e, &QLineEdit::textChanged, this, [this] { SetButtons(); });  // DateEditFromChange
  }
  dateFormat_ = new QLabel(QString::fromStdString("(use: " + DateFormatShown() + ")"), panel1);
  dateFormat_->setObjectName("DateFormat");
  dateFormat_->setAlignment(Qt::AlignCenter);
  grid->addWidget(fromLabel, 0, 0);
  grid->addWidget(dateEditFrom_, 0, 1);
  grid->addWidget(calendarFrom_, 0, 2);
  grid->addWidget(toLabel, 1, 0);
  grid->addWidget(dateEditTo_, 1, 1);
  grid->addWidget(calendarTo_, 1, 2);
  grid->addWidget(dateFormat_, 2, 0, 1, 3);
  layout_->addWidget(panel1);

  auto* buttons = new QHBoxLayout;
  okButton_ = new QPushButton("Ok", this);
  okButton_->setObjectName("OKButton");
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("CancelButton");
  cancelButton_->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  layout_->addLayout(buttons);
  connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
}

void TRangeOptions::AddPanel(QWidget* panel) { layout_->insertWidget(layout_->count() - 1, panel); }

void TRangeOptions::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  dateEditFrom_->setText(QString::fromStdString(ShortDate(startDate)));
  dateEditTo_->setText(QString::fromStdString(ShortDate(endDate)));
  SetButtons();
  setFixedSize(sizeHint());
}

void TRangeOptions::SetButtons() {
  const bool range = printRangeOfDates_->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{dateEditFrom_, dateEditTo_, calendarFrom_, calendarTo_}) {
    w->setEnabled(range);
  }
  SetOwnButtons(range || printAll_->isChecked());
  const bool datesValid = ParseDateText(dateEditFrom_->text().toStdString()) &&
                          ParseDateText(dateEditTo_->text().toStdString());
  okButton_->setEnabled(!range || datesValid);
}

bool TRangeOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == dateEditFrom_ || watched == dateEditTo_)) {
    DateEditFromExit(static_cast<QLineEdit*>(watched));
  }
  return QDialog::eventFilter(watched, event);
}

void TRangeOptions::DateEditFromExit(QLineEdit* box) {
  if (inExit_ || !isVisible()) return;
  inExit_ = true;
  const std::string text = box->text().toUpper().toStdString();
  if (!text.empty()) {
    if (std::optional<TDate> d = ParseDateText(text)) {
      box->setText(QString::fromStdString(ShortDate(*d)));
    } else {
      Messenger().InfoBox(DateFormatMessage());
      box->setText(QString::fromStdString(ShortDate(box == dateEditFrom_ ? startDate : endDate)));
      box->setFocus();
    }
  }
  SetButtons();
  inExit_ = false;
}

void TRangeOptions::CalendarFromClick(QPushButton* button) {
  QLineEdit* target = button == calendarFrom_ ? dateEditFrom_ : dateEditTo_;
  TDateSelector selector(this);
  if (placeDialog) placeDialog(&selector);
  std::optional<TDate> shown = ParseDateText(target->text().toStdString());
  selector.SetInitialDate(shown ? QDateTime(ToQDate(*shown).startOfDay()) : QDateTime::currentDateTime());
  if (OnNeedEntryDays) selector.OnNeedEntryDays = OnNeedEntryDays;
  if (selector.exec() != QDialog::Accepted) return;
  const QDate picked = selector.SelectedDate().date();
  if (!picked.isValid() || picked.year() < 1 || picked.year() > 9999) return;
  target->setText(QString::fromStdString(ShortDate(FromQDate(picked))));
}

void TRangeOptions::OKButtonClick() {
  currentOnly = printCurrentOnly_->isChecked();
  all = printAll_->isChecked();
  if (currentOnly || all) {
    endDate = startDate;
  } else {
    std::optional<TDate> from = ParseDateText(dateEditFrom_->text().toStdString());
    std::optional<TDate> to = ParseDateText(dateEditTo_->text().toStdString());
    if (!from || !to) return;  // Ok is disabled then
    startDate = *from;
    endDate = *to;
  }
  accept();
}

}  // namespace quillet
