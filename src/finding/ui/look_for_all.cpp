// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/look_for_all.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

TLookForAll::TLookForAll(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle("Find text from any entry");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel("Text to look for", this);
  label->setObjectName("Label1");
  lookForText_ = new QLineEdit(this);
  lookForText_->setObjectName("LookForText");
  lookForText_->setMinimumWidth(280);
  label->setBuddy(lookForText_);
  layout->addWidget(label);
  layout->addWidget(lookForText_);
  wholeWords_ = new QCheckBox("&Whole words", this);
  wholeWords_->setObjectName("WholeWords");
  allWords_ = new QCheckBox("&All of these words", this);
  allWords_->setObjectName("AllWords");
  allWords_->setToolTip("Entries that hold every word of the text, anywhere and in any order");
  layout->addWidget(wholeWords_);
  layout->addWidget(allWords_);
  auto* buttons = new QHBoxLayout;
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("BitBtn1");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("BitBtn2");
  cancel_->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
  lookForText_->setFocus();
}

}  // namespace quillet
