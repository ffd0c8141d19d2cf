// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/paths.h>

#include <diary/ascii.h>
#include <base/safe_file.h>

#include <unistd.h>

namespace quillet {
fs::path FindNoCase(const fs::path& dir, std::string_view name) {
  fs::path exact = dir / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string found = it->path().filename().string();
    if (EqualNoCase(found, name)) return it->path();
  }
  return exact;
}

bool IsEntryFileName(std::string_view name) {
  return name.size() >= 4 && EqualNoCase(name.substr(name.size() - 4), ".QXE");
}

fs::path EntriesDir(const fs::path& diaryDir) { return FindNoCase(diaryDir, "Entries"); }

void ForEachEntryFileName(const fs::path& diaryDir,
                          const std::function<void(const fs::path& entriesDir, std::string_view name)>& each) {
  const fs::path entries = EntriesDir(diaryDir);
  ForEachNameIn(entries, [&](std::string_view name) {
    if (IsEntryFileName(name)) each(entries, name);
  });
}

fs::path EntryFileName(const fs::path& diaryDir, TDate date) {
  return FindNoCase(EntriesDir(diaryDir), DayKey(date) + ".QXE");
}

fs::path SettingsFileName(const fs::path& diaryDir) { return FindNoCase(diaryDir, "QX.INI"); }

fs::path ResolveDiaryDir(const DiaryDirInputs& in) {
  if (in.commandLine) return *in.commandLine;
  std::error_code ec;
  bool portable = fs::exists(FindNoCase(in.programDir, "QX.INI"), ec) ||
                  fs::is_directory(FindNoCase(in.programDir, "Entries"), ec);
  if (portable && ::access(in.programDir.c_str(), W_OK) == 0) return in.programDir;
  if (in.xdgDataHome && !in.xdgDataHome->empty()) return fs::path(*in.xdgDataHome) / "quillet";
  return fs::path(in.home.value_or("")) / ".local" / "share" / "quillet";
}

}  // namespace quillet
