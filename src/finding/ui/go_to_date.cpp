// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/go_to_date.h>

#include <finding/date_words.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TGoToDateBox::TGoToDateBox(TDate today, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), today_(today) {
  setWindowTitle("Go to Date");
  setObjectName("GoToDate");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("&Date (for example yesterday, last friday, 3 weeks ago, march 1, " +
                               QString::fromStdString(ShortDate(today)) + ")",
                           this);
  label->setWordWrap(true);
  text_ = new QLineEdit(this);
  text_->setObjectName("GoToDateText");
  text_->setMinimumWidth(280);
  label->setBuddy(text_);
  problem_ = new QLabel(this);
  problem_->setObjectName("GoToDateProblem");
  problem_->setWordWrap(true);
  problem_->hide();
  layout->addWidget(label);
  layout->addWidget(text_);
  layout->addWidget(problem_);
  auto* buttons = new QHBoxLayout;
  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  text_->setFocus();
}

// A text that names no day keeps the box open with the text as typed and says why.
void TGoToDateBox::accept() {
  TDateWords r = ParseDateWords(text_->text().toStdString(), today_);
  if (!r.day) {
    problem_->setText(QString::fromStdString(r.problem));
    problem_->show();
    text_->setFocus();
    text_->selectAll();
    return;
  }
  day_ = r.day;
  QDialog::accept();
}

}  // namespace quillet
