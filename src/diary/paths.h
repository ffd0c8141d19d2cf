// SPDX-License-Identifier: GPL-3.0-or-later
/** Where the diary's files live: the diary directory, the entry files and the settings file. */
#pragma once

#include <diary/dates.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// The file named `name` in `dir`, matched without regard to ASCII letter case
// when it exists ("20261207.qxe" for "20261207.QXE"); else dir / name as written.
fs::path FindNoCase(const fs::path& dir, std::string_view name);

// True when `name` ends in ".QXE" in any letter case.
bool IsEntryFileName(std::string_view name);

fs::path EntriesDir(const fs::path& diaryDir);                  // "Entries"
// Calls `each` with the name of every item of Entries/ whose name ends in
// ".QXE" (any case), in the order the directory lists them, and the folder
// they are in; nothing when it is missing.
void ForEachEntryFileName(const fs::path& diaryDir,
                          const std::function<void(const fs::path& entriesDir, std::string_view name)>& each);
fs::path EntryFileName(const fs::path& diaryDir, TDate date);   // "Entries/yyyymmdd.QXE"
fs::path SettingsFileName(const fs::path& diaryDir);            // "QX.INI"

// The diary directory, fixed for the whole run; first match wins:
// the directory given with --diary-dir; the program's own directory when it
// already holds "QX.INI" or "Entries" and is writable (portable use);
// otherwise $XDG_DATA_HOME/quillet, by default ~/.local/share/quillet.
struct DiaryDirInputs {
  std::optional<fs::path> commandLine;  // from --diary-dir
  fs::path programDir;
  std::optional<std::string> xdgDataHome;
  std::optional<std::string> home;
};
fs::path ResolveDiaryDir(const DiaryDirInputs& in);

}  // namespace quillet
