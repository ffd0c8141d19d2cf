// SPDX-License-Identifier: GPL-3.0-or-later
// spell: checks the spelling of a text read on standard input as the program's
// spell checker does: English with the main dictionary and the diary's user
// dictionary, any other language with the dictionary Enchant finds for it. One line for each unknown word, the first time it appears: the word, a
// tab, and its suggestions separated by tabs, best first.
//
//   quillet-tool spell [--lang LL_CC] < TEXT
#include "tool.h"

#include <decoration/spell_alphabet.h>
#include <decoration/spell_checker.h>

#include <base/error.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <set>

namespace quillet::tool {
namespace {

int Spell(TArgs& args) {
  std::optional<std::string> lang = args.TakeOption("--lang");
  args.Operands(0);
  const fs::path dir = args.DiaryDir();
  std::unique_ptr<TSpellChecker> checker;
  try {
    checker = OpenSpellChecker(lang.value_or(std::string(kEnglishLanguage)), dir);
  } catch (const Error& e) {
    throw Failure(e.what());
  }

  std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  std::set<std::string> reported;
  std::string out;
  for (const auto& [written, word] : TextWords(input)) {
    if (!checker->CanHold(written) || checker->Check(written) || !reported.insert(written).second) continue;
    out += written;
    for (const std::string& s : checker->Suggest(written)) out += "\t" + s;
    out += "\n";
  }
  Put(out);
  if (!checker->LastError().empty()) std::fprintf(stderr, "quillet-tool spell: %s\n", checker->LastError().c_str());
  if (std::fflush(stdout) != 0) throw Failure("cannot write to standard output");
  return reported.empty() ? 0 : 1;
}

}  // namespace

void AddSpellCommand(std::vector<TCommand>& commands) {
  commands.push_back({"spell", "[--lang LL_CC]",
                      "lists the unknown words of a text read on standard input, each with its suggestions; "
                      "LL_CC other than en or en_US is checked with the desktop's dictionary for it; "
                      "exit status 1 when there are any",
                      Spell});
}

}  // namespace quillet::tool
