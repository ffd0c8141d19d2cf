// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/program_data.h>

#include <diary/paths.h>

namespace quillet {

std::vector<fs::path> ProgramDataDirs(const fs::path& diaryDir) {
  // share/quillet beside the program's bin/ first: an installed program finds
  // its own data wherever the prefix (or a staging DESTDIR) put it.
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  fs::path besideProgram = ec ? fs::path() : exe.parent_path().parent_path() / "share" / "quillet";
  return {diaryDir, besideProgram, fs::path(QUILLET_INSTALL_DATA_DIR), fs::path(QUILLET_BUILD_DATA_DIR)};
}

fs::path FindProgramData(const fs::path& diaryDir, std::string_view name) {
  for (const fs::path& dir : ProgramDataDirs(diaryDir)) {
    if (dir.empty()) continue;
    fs::path found = FindNoCase(dir, name);
    std::error_code ec;
    if (fs::exists(found, ec)) return found;
  }
  return diaryDir / name;
}

fs::path MainDictionaryPath(const fs::path& diaryDir) { return FindProgramData(diaryDir, "quillet.dct"); }

fs::path UserDictionaryPath(const fs::path& diaryDir) { return FindNoCase(diaryDir, "quilletu.dct"); }

fs::path IconSetsDir(const fs::path& diaryDir) { return FindProgramData(diaryDir, "icons"); }

}  // namespace quillet
