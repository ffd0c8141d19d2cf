#include <decoration/program_data.h>

#include <app/paths.h>

namespace quillet {

fs::path FindProgramData(const fs::path& diaryDir, std::string_view name) {
  for (const fs::path& dir : {diaryDir, fs::path(QUILLET_INSTALLED_DATA_DIR), fs::path(QUILLET_BUILD_DATA_DIR)}) {
    if (dir.empty()) continue;
    fs::path found = FindNoCase(dir, name);
    std::error_code ec;
    if (fs::is_regular_file(found, ec)) return found;
  }
  return diaryDir / name;
}

fs::path MainDictionaryPath(const fs::path& diaryDir) { return FindProgramData(diaryDir, "quillet.dct"); }

fs::path UserDictionaryPath(const fs::path& diaryDir) { return FindNoCase(diaryDir, "quilletu.dct"); }

}  // namespace quillet
