// SPDX-License-Identifier: GPL-3.0-or-later
/** The program's command line: --diary-dir DIR, --help, --version; and the diary directory it gives. */
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

struct TStartOptions {
  std::optional<std::filesystem::path> diaryDir;
  bool help = false;
  bool version = false;
  std::string error;  // wrong usage, with the reason
};

// Reads the arguments after the program name. "--diary-dir DIR" and
// "--diary-dir=DIR" are both accepted.
TStartOptions ParseStartOptions(const std::vector<std::string>& args);

// The diary directory by the house rules, from --diary-dir (or nothing), the
// program's own directory and the environment. Relative paths are made absolute.
std::filesystem::path DiaryDirectory(const std::optional<std::filesystem::path>& commandLine);

}  // namespace quillet
