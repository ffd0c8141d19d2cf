// SPDX-License-Identifier: GPL-3.0-or-later
/** The program's start: command line, printers, the one-copy lock, the opening password, the main window. */
#pragma once

#include <app/start_options.h>
#include <diary/entry_key.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QApplication;

namespace quillet {

class TMainScreen;
class TMessenger;

// The opening password check: the key it gives opens the diary; none ends the
// program. It is asked only when the diary has a password; by default it is
// the prompt AskOpeningPassword.
extern std::function<std::optional<TEntryKey>(const std::filesystem::path& diaryDir)>
    CheckOpeningPassword;

// --help, --version and wrong usage are answered before any window exists:
// gives the exit status then, or -1 when the program is to run.
int StartOptionsOutcome(const TStartOptions& options);

struct TRunHooks {
  TMessenger* messenger = nullptr;             // the message boxes; unset, real ones
  std::function<void(TMainScreen&)> shown;     // called once the main window is shown
  std::function<void(TMainScreen&)> showRequested;  // a later start brought the window to the front
};

// The application's name, desktop entry, window icon and style, set once
// the application exists and before any window.
void SetUpApplication(QApplication& app);

// Runs the program and gives its exit status.
int RunQuillet(QApplication& app, const TStartOptions& options, const TRunHooks& hooks = {});

}  // namespace quillet
