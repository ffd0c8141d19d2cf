// SPDX-License-Identifier: GPL-3.0-or-later
/** TPrintOptions: what to print, and whether each entry gets its own pages or entries are merged. */
#pragma once

#include <finding/ui/range_options.h>

namespace quillet {

class TPrintOptions : public TRangeOptions {
  Q_OBJECT
 public:
  explicit TPrintOptions(QWidget* parent = nullptr);

  bool merge = false;  // result: "Merge pages " was chosen

  QRadioButton* EachPageSeparate() const { return eachPageSeparate_; }
  QRadioButton* MergePages() const { return mergePages_; }

  void OKButtonClick() override;

 protected:
  void SetOwnButtons(bool rangeOrAll) override;

 private:
  QRadioButton* eachPageSeparate_ = nullptr;
  QRadioButton* mergePages_ = nullptr;
};

}  // namespace quillet
