// SPDX-License-Identifier: GPL-3.0-or-later
/** A messenger for tests: records every text shown and answers questions as told. */
#pragma once

#include <base/messages.h>

#include <string>
#include <vector>

namespace quillet::testing {

// Installs itself for its lifetime.
class RecordingMessenger : public TMessenger {
 public:
  RecordingMessenger() { SetMessenger(this); }
  ~RecordingMessenger() override { SetMessenger(nullptr); }

  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void InfoBox(const std::string& text) override { shown.push_back(text); }
  bool ConfirmBox(const std::string& text) override {
    shown.push_back(text);
    return answerYes;
  }

  std::vector<std::string> shown;
  bool answerYes = true;
};

}  // namespace quillet::testing
