// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/print_options.h>

#include <QButtonGroup>
#include <QFrame>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillet {

TPrintOptions::TPrintOptions(QWidget* parent) : TRangeOptions("Print Options", "Print", parent) {
  auto* panel2 = new QFrame(this);
  panel2->setObjectName("Panel2");
  panel2->setFrameShape(QFrame::StyledPanel);
  auto* box = new QVBoxLayout(panel2);
  eachPageSeparate_ = new QRadioButton("Print each page separately", panel2);
  eachPageSeparate_->setObjectName("EachPageSeparate");
  eachPageSeparate_->setToolTip("Print each diary entry (day) on its own page");
  eachPageSeparate_->setChecked(true);
  mergePages_ = new QRadioButton("Merge pages ", panel2);
  mergePages_->setObjectName("MergePages");
  mergePages_->setToolTip("Print as many diary entries per page as possible to conserve paper");
  auto* layout = new QButtonGroup(this);
  layout->addButton(eachPageSeparate_);
  layout->addButton(mergePages_);
  box->addWidget(eachPageSeparate_);
  box->addWidget(mergePages_);
  AddPanel(panel2);
}

void TPrintOptions::SetOwnButtons(bool rangeOrAll) {
  eachPageSeparate_->setEnabled(rangeOrAll);
  mergePages_->setEnabled(rangeOrAll);
}

void TPrintOptions::OKButtonClick() {
  merge = mergePages_->isChecked();  // as the button stands, also when it is disabled
  TRangeOptions::OKButtonClick();
}

}  // namespace quillet
