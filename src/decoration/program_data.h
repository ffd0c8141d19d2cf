/** Finding the program's own data files (the main dictionary, the icon sets). */
#pragma once

#include <filesystem>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// The data file `name`, first match wins (names matched without regard to
// letter case): in the diary directory, in the installed data directory
// (share/quillet under the install prefix), in the build tree's share/quillet.
// When none has it: the diary directory's path for it.
fs::path FindProgramData(const fs::path& diaryDir, std::string_view name);

// The main dictionary "quillet.dct" and the user dictionary "quilletu.dct".
fs::path MainDictionaryPath(const fs::path& diaryDir);
fs::path UserDictionaryPath(const fs::path& diaryDir);

}  // namespace quillet
