#include <decoration/program_data.h>

namespace quillet {

std::vector<fs::path> ProgramDataDirs(const fs::path& diaryDir) {
  return {diaryDir, fs::path(QUILLET_INSTALL_DATA_DIR), fs::path(QUILLET_BUILD_DATA_DIR)};
}

fs::path FindProgramData(const fs::path& diaryDir, std::string_view name) {
  for (const fs::path& dir : ProgramDataDirs(diaryDir)) {
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return dir / name;
  }
  return diaryDir / name;
}

fs::path IconSetsDir(const fs::path& diaryDir) { return FindProgramData(diaryDir, "icons"); }

}  // namespace quillet
