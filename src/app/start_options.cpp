// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/start_options.h>

#include <diary/paths.h>

#include <cstdlib>

namespace quillet {

TStartOptions ParseStartOptions(const std::vector<std::string>& args) {
  TStartOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--diary-dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        o.error = "--diary-dir needs a directory";
        return o;
      }
      o.diaryDir = args[++i];
    } else if (a.rfind("--diary-dir=", 0) == 0 && a.size() > 12) {
      o.diaryDir = a.substr(12);
    } else {
      o.error = "unknown argument '" + a + "'";
      return o;
    }
  }
  return o;
}

std::filesystem::path DiaryDirectory(const std::optional<std::filesystem::path>& commandLine) {
  DiaryDirInputs in;
  if (commandLine) in.commandLine = std::filesystem::absolute(*commandLine);
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  in.programDir = ec ? fs::current_path(ec) : exe.parent_path();
  if (const char* x = std::getenv("XDG_DATA_HOME")) in.xdgDataHome = x;
  if (const char* h = std::getenv("HOME")) in.home = h;
  return ResolveDiaryDir(in);
}

}  // namespace quillet
