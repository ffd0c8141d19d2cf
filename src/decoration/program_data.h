/** Where the program's own data (the icon sets, ...) is found. **/
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

// The places program data is looked up in, first match wins: the diary
// directory, the installed data directory (share/quillet under the install
// prefix), the build tree's share/quillet (so the program runs uninstalled).
std::vector<fs::path> ProgramDataDirs(const fs::path& diaryDir);

// `name` (a file or directory) in the first of those places that holds it;
// when none does, `name` in the diary directory.
fs::path FindProgramData(const fs::path& diaryDir, std::string_view name);

// The directory of the five icon sets ("icons").
fs::path IconSetsDir(const fs::path& diaryDir);

}  // namespace quillet
