// SPDX-License-Identifier: GPL-3.0-or-later
/** Where the program's own data (the main dictionary, the icon sets) is found. */
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// The places program data is looked up in, first match wins: the diary
// directory, the installed data directory (share/quillet under the prefix the
// running program sits in, then under the configured install prefix), the
// build tree's share/quillet (so the program runs uninstalled).
std::vector<fs::path> ProgramDataDirs(const fs::path& diaryDir);

// `name` (a file or directory, matched without regard to letter case) in the
// first of those places that holds it; when none does, `name` in the diary
// directory.
fs::path FindProgramData(const fs::path& diaryDir, std::string_view name);

// The main dictionary "quillet.dct", the user dictionary "quilletu.dct" (always
// the diary directory's) and the directory of the five icon sets ("icons").
fs::path MainDictionaryPath(const fs::path& diaryDir);
fs::path UserDictionaryPath(const fs::path& diaryDir);
fs::path IconSetsDir(const fs::path& diaryDir);

}  // namespace quillet
