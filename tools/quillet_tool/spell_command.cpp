// spell: checks the spelling of a text read on standard input, with the main
// dictionary and the diary's user dictionary, as the program's spell checker
// does. One line for each unknown word, the first time it appears: the word, a
// tab, and its suggestions separated by tabs, best first.
//
//   quillet-tool spell [--lang LL_CC] < TEXT
#include "tool.h"

#include <decoration/program_data.h>
#include <decoration/spell_alphabet.h>
#include <decoration/spell_engine.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <set>

namespace quillet::tool {
namespace {

int Spell(TArgs& args) {
  std::optional<std::string> lang = args.TakeOption("--lang");
  args.Operands(0);
  if (lang && *lang != "en" && *lang != "en_US") {
    throw Failure("no spelling dictionary for the language '" + *lang + "'");
  }
  const fs::path dir = args.DiaryDir();
  TSpellEngine engine;
  const fs::path main = MainDictionaryPath(dir);
  if (!engine.OpenDictionary(main)) throw Failure(engine.LastError());
  engine.DictionaryName = main.string();
  std::error_code ec;
  if (fs::exists(UserDictionaryPath(dir), ec) && engine.OpenUserDictionary(UserDictionaryPath(dir)) < 0) {
    std::fprintf(stderr, "quillet-tool spell: %s\n", engine.LastError().c_str());
  }

  std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  std::set<std::string> reported;
  std::string out;
  for (const auto& [written, word] : TextWords(input)) {
    if (!word || engine.IsWordCorrect(*word) || !reported.insert(written).second) continue;
    out += written;
    for (const std::string& s : engine.GetSuggestions(*word)) out += "\t" + WordToUtf8(s);
    out += "\n";
  }
  Put(out);
  if (std::fflush(stdout) != 0) throw Failure("cannot write to standard output");
  return reported.empty() ? 0 : 1;
}

}  // namespace

void AddSpellCommand(std::vector<TCommand>& commands) {
  commands.push_back({"spell", "[--lang LL_CC]",
                      "lists the unknown words of a text read on standard input, each with its suggestions; "
                      "exit status 1 when there are any",
                      Spell});
}

}  // namespace quillet::tool
