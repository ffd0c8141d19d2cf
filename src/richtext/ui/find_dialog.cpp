// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/find_dialog.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace richtext {

TFindDialog::TFindDialog(bool replace, QWidget* parent) : QDialog(parent) {
  setWindowTitle(replace ? tr("Replace") : tr("Find"));
  auto* fields = new QGridLayout;
  findEdit = new QLineEdit;
  fields->addWidget(new QLabel(tr("Fi&nd what:")), 0, 0);
  fields->addWidget(findEdit, 0, 1);
  qobject_cast<QLabel*>(fields->itemAtPosition(0, 0)->widget())->setBuddy(findEdit);
  if (replace) {
    replaceEdit = new QLineEdit;
    auto* label = new QLabel(tr("Re&place with:"));
    label->setBuddy(replaceEdit);
    fields->addWidget(label, 1, 0);
    fields->addWidget(replaceEdit, 1, 1);
  }
  wholeWord = new QCheckBox(tr("Match &whole word only"));
  matchCase = new QCheckBox(tr("Match &case"));
  up = new QRadioButton(tr("&Up"));
  down = new QRadioButton(tr("&Down"));
  down->setChecked(true);
  auto* direction = new QGroupBox(tr("Direction"));
  auto* dl = new QHBoxLayout(direction);
  dl->addWidget(up);
  dl->addWidget(down);
  if (replace) direction->hide();  // replacing always goes down

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addWidget(wholeWord);
  left->addWidget(matchCase);
  left->addWidget(direction);
  left->addStretch();

  auto* buttons = new QVBoxLayout;
  findNext = new QPushButton(tr("&Find Next"));
  findNext->setDefault(true);
  buttons->addWidget(findNext);
  connect(findNext, &QPushButton::clicked, this, &TFindDialog::FindRequested);
  if (replace) {
    replaceButton = new QPushButton(tr("&Replace"));
    replaceAll = new QPushButton(tr("Replace &All"));
    buttons->addWidget(replaceButton);
    buttons->addWidget(replaceAll);
    connect(replaceButton, &QPushButton::clicked, this, [this] { emit ReplaceRequested(false); });
    connect(replaceAll, &QPushButton::clicked, this, [this] { emit ReplaceRequested(true); });
  }
  auto* cancel = new QPushButton(tr("Cancel"));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  auto enable = [this] {
    bool any = !findEdit->text().isEmpty();
    findNext->setEnabled(any);
    if (replaceButton) replaceButton->setEnabled(any);
    if (replaceAll) replaceAll->setEnabled(any);
  };
  connect(findEdit, &QLineEdit::textChanged, this, enable);
  enable();
}

QString TFindDialog::FindText() const { return findEdit->text(); }
QString TFindDialog::ReplaceText() const { return replaceEdit ? replaceEdit->text() : QString(); }
bool TFindDialog::MatchCase() const { return matchCase->isChecked(); }
bool TFindDialog::WholeWord() const { return wholeWord->isChecked(); }
bool TFindDialog::Down() const { return down->isChecked(); }
void TFindDialog::SetFindText(const QString& text) { findEdit->setText(text); }
void TFindDialog::SetMatchCase(bool on) { matchCase->setChecked(on); }

}  // namespace richtext
