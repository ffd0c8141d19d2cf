// SPDX-License-Identifier: GPL-3.0-or-later
/** How the diary core speaks to the user: message boxes that the UI shows and tests answer. */
#pragma once

#include <base/error.h>

#include <string>

namespace quillet {

// The program's message boxes. The UI installs one that shows real dialogs;
// tests install one that records the texts and gives the answers they choose.
class TMessenger {
 public:
  virtual ~TMessenger() = default;
  virtual void ShowMessage(const std::string& text) = 0;  // plain box, OK only
  virtual void InfoBox(const std::string& text) = 0;      // titled "Information"
  virtual bool ConfirmBox(const std::string& text) = 0;   // titled "Confirm"; true for Yes
};

// The messenger in force. Until one is installed, texts go to standard error
// and every question is answered No.
TMessenger& Messenger();

// Installs a messenger (not owned); nullptr restores the default one.
void SetMessenger(TMessenger* messenger);

}  // namespace quillet
