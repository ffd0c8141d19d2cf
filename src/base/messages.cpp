// SPDX-License-Identifier: GPL-3.0-or-later
#include <base/messages.h>

#include <cstdio>

namespace quillet {
namespace {

class StderrMessenger : public TMessenger {
 public:
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void InfoBox(const std::string& text) override { ShowMessage(text); }
  bool ConfirmBox(const std::string& text) override {
    ShowMessage(text);
    return false;
  }
};

StderrMessenger defaultMessenger;
TMessenger* current = &defaultMessenger;

}  // namespace

TMessenger& Messenger() { return *current; }

void SetMessenger(TMessenger* messenger) { current = messenger ? messenger : &defaultMessenger; }

}  // namespace quillet
