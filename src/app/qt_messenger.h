// SPDX-License-Identifier: GPL-3.0-or-later
/** The message boxes the user sees: QMessageBox with the program's titles. */
#pragma once

#include <base/messages.h>

namespace quillet {

class TQtMessenger : public TMessenger {
 public:
  void ShowMessage(const std::string& text) override;
  void InfoBox(const std::string& text) override;
  bool ConfirmBox(const std::string& text) override;
};

}  // namespace quillet
