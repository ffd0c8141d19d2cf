// SPDX-License-Identifier: GPL-3.0-or-later
// paths: where the diary and the program's own data are, as the program finds
// them. One "what<TAB>path" line each, for people and for scripts:
//
//   diary            /home/ann/.local/share/quillet
//   main-dictionary  /usr/share/quillet/quillet.dct
#include "tool.h"

#include <diary/paths.h>
#include <decoration/program_data.h>

#include <cstdio>

namespace quillet::tool {
namespace {

int Paths(TArgs& args) {
  args.Operands(0);
  const fs::path dir = args.DiaryDir();
  const std::pair<const char*, fs::path> lines[] = {
      {"diary", dir},
      {"settings", SettingsFileName(dir)},
      {"entries", EntriesDir(dir)},
      {"user-dictionary", UserDictionaryPath(dir)},
      {"main-dictionary", MainDictionaryPath(dir)},
      {"icon-sets", IconSetsDir(dir)},
      {"help-pages", FindProgramData(dir, "help")},
  };
  for (const auto& [what, path] : lines) std::printf("%s\t%s\n", what, path.c_str());
  return 0;
}

}  // namespace

void AddPathsCommand(std::vector<TCommand>& commands) {
  commands.push_back({"paths", "", "where the diary, the dictionaries, icon sets and help pages are", Paths});
}

}  // namespace quillet::tool
