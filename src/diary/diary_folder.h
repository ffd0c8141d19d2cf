// SPDX-License-Identifier: GPL-3.0-or-later
/** Opening a diary folder: kept private, cleared of cut-off writes, with a settings file that reads. */
#pragma once

#include <filesystem>
#include <string>

namespace quillet {

namespace fs = std::filesystem;

// Creates `dir` (and any missing parents) when it is missing; the folder
// itself is made readable by its owner alone. Throws Error when it cannot.
void CreatePrivateDirectory(const fs::path& dir);

struct TDiaryFolderCheck {
  std::string problem;  // not empty: the diary must not be opened, and why
  std::string notice;   // not empty: something to tell the user once
  int temporariesRemoved = 0;
};

// What the program and quillet-tool do before they use a diary:
// - the diary folder is created when missing, readable by its owner alone;
// - a diary that others may read is made private: the folder and its entry
//   and deleted-entry folders 0700, and every file in a folder that let them
//   in 0600 (the notice says so); behind folders that were already private,
//   files are out of others' reach and are not looked at;
// - files that safe writes left behind when they were cut off are removed
//   (a write still under way, in this or another process, is left alone);
// - a settings file that is there but cannot be read (not a regular file, no
//   permission) is a problem: without it the password is unknown, and
//   entries would be read and written as if there were none.
TDiaryFolderCheck PrepareDiaryFolder(const fs::path& diaryDir);

}  // namespace quillet
