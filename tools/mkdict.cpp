// SPDX-License-Identifier: GPL-3.0-or-later
// mkdict: builds the main spelling dictionary, and looks words up, suggests and
// adds words on the command line, as the spell checker does.
#include <decoration/dictionary_builder.h>
#include <decoration/dictionary_file.h>
#include <decoration/spell_engine.h>
#include <decoration/word_ranks.h>

#include <base/error.h>
#include <base/safe_file.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "command_line.h"

namespace {

using quillet::Error;
namespace fs = std::filesystem;

const char kUsage[] =
    "usage: mkdict build [--max-nodes N] [--ranks] OUT WORDLIST...\n"
    "       mkdict dump DICT\n"
    "       mkdict check DICT... < TEXT\n"
    "       mkdict suggest DICT... -- WORD...\n"
    "       mkdict add USERDICT WORD...\n"
    "       mkdict list USERDICT\n"
    "       mkdict remove USERDICT WORD...\n";

const char kHelp[] =
    "\n"
    "Builds and uses Quillet's spelling dictionaries. Words are read and written\n"
    "as UTF-8; the dictionaries hold them in Windows-1252.\n"
    "\n"
    "  build    builds a main dictionary OUT from word lists (one word a line);\n"
    "           words the dictionary alphabet cannot hold, one-letter words and\n"
    "           possessives ('s) of listed words are left out; with --ranks the\n"
    "           lists go from the smallest (the most common words) to the largest,\n"
    "           and the rank of each word, the first list holding it, is written\n"
    "           beside OUT with the extension .rnk\n"
    "  dump     prints every word of a dictionary, one a line, as stored\n"
    "  check    prints once each word of the text that no dictionary knows\n"
    "  suggest  prints the suggestions for each word on one line, tab-separated,\n"
    "           best first (at most 10)\n"
    "  add      adds words to a user dictionary, creating it first if needed\n"
    "  list     prints the words of a user dictionary, one a line, sorted\n"
    "  remove   takes words out of a user dictionary: the file is made anew\n"
    "           from the words that stay and written in place of the old one\n"
    "\n"
    "DICT is a main or a user dictionary; at most one main dictionary is used.\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage.\n";

int Usage() { return quillet::cli::Usage(kUsage); }

int Fail(const std::string& message) { return quillet::cli::Fail("mkdict", message); }

std::optional<std::string> WordFromUtf8(std::string_view utf8) {
  return quillet::DictionaryWord(richtext::FromUtf8Lenient(utf8));
}

// Opens the dictionaries into the engine: the one main dictionary and any user dictionaries.
bool OpenAll(quillet::TSpellEngine& engine, const std::vector<std::string>& dicts) {
  for (const std::string& d : dicts) {
    int index = engine.OpenUserDictionary(d);
    if (index > 0) continue;
    if (index < 0) return Fail(engine.LastError()) == 0;
    if (engine.MainDictionaryOpen()) return Fail(d + ": only one main dictionary can be used") == 0;
    if (!engine.OpenDictionary(d)) return Fail(engine.LastError()) == 0;
  }
  // Nothing else is tried when no main dictionary is named.
  engine.DictionaryName = "/dev/null";
  return true;
}

int Build(std::vector<std::string> args) {
  uint32_t maxNodes = quillet::kMaxMainSegmentNodes;
  bool ranked = false;
  while (!args.empty() && args[0].starts_with("--")) {
    if (args[0] == "--max-nodes" && args.size() >= 2) {
      maxNodes = uint32_t(std::strtoul(args[1].c_str(), nullptr, 10));
      if (maxNodes < 16) return Usage();
      args.erase(args.begin(), args.begin() + 2);
    } else if (args[0] == "--ranks") {
      ranked = true;
      args.erase(args.begin());
    } else {
      return Usage();
    }
  }
  if (args.size() < 2) return Usage();
  std::vector<std::string> words;
  // levels[k]: the words first met in the k-th list.
  std::vector<std::vector<std::string>> levels;
  std::unordered_set<std::string> seen;
  std::string sources;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string text;
    try {
      text = quillet::ReadWholeFile(args[i]);
    } catch (const Error& e) {
      return Fail(e.what());
    }
    sources += (sources.empty() ? "" : ", ") + fs::path(args[i]).filename().string();
    levels.emplace_back();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      start = end + 1;
      auto w = WordFromUtf8(line);
      // One-letter words are always correct, so they would only crowd suggestions.
      if (!w || w->size() <= 1) continue;
      std::string upper = quillet::UpperWord(*w);
      if (seen.insert(upper).second) {
        words.push_back(upper);
        levels.back().push_back(upper);
      }
    }
  }
  // A possessive is found through its stem.
  auto possessive = [&](const std::string& w) {
    return w.size() > 2 && w.ends_with("'S") && seen.count(w.substr(0, w.size() - 2));
  };
  std::erase_if(words, possessive);
  for (auto& level : levels) {
    std::erase_if(level, possessive);
    std::sort(level.begin(), level.end());
  }
  try {
    std::string banner = "Built by mkdict from " + sources;
    auto built = quillet::BuildMainDictionary(std::move(words), banner, maxNodes);
    quillet::WriteFileSafely(args[0], built.bytes, quillet::TFileAccess::kShared);
    if (ranked) {
      // The largest list's own words are the ones the rank file leaves out.
      if (levels.size() > 1) levels.back().clear();
      quillet::WriteFileSafely(quillet::TWordRanks::PathFor(args[0]), quillet::TWordRanks::Format(levels, banner),
                               quillet::TFileAccess::kShared);
    }
    std::fprintf(stderr, "mkdict: %zu words in %zu segments (", built.words, built.nodeCounts.size());
    for (size_t i = 0; i < built.nodeCounts.size(); ++i) {
      std::fprintf(stderr, "%s%u", i ? ", " : "", built.nodeCounts[i]);
    }
    std::fprintf(stderr, " nodes)\n");
  } catch (const Error& e) {
    return Fail(e.what());
  }
  return 0;
}

int Dump(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage();
  try {
    auto records = quillet::OpenAnyDictionary(args[0]);
    std::string out;
    for (auto& r : records) {
      r->ForEachWord([&](const std::string& w) {
        out += quillet::WordToUtf8(w);
        out += '\n';
      });
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  } catch (const Error& e) {
    return Fail(e.what());
  }
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}

int Check(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  quillet::TSpellEngine engine;
  if (!OpenAll(engine, args)) return 1;
  std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  std::set<std::string> reported;
  for (const auto& [written, word] : quillet::TextWords(input)) {
    if (!word || engine.IsWordCorrect(*word)) continue;
    if (reported.insert(written).second) std::printf("%s\n", written.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}

int Suggest(const std::vector<std::string>& args) {
  auto dash = std::find(args.begin(), args.end(), "--");
  if (dash == args.end() || dash == args.begin()) return Usage();
  quillet::TSpellEngine engine;
  if (!OpenAll(engine, {args.begin(), dash})) return 1;
  for (auto it = dash + 1; it != args.end(); ++it) {
    std::string line;
    if (auto w = WordFromUtf8(*it)) {
      for (const std::string& s : engine.GetSuggestions(*w)) {
        if (!line.empty()) line += '\t';
        line += quillet::WordToUtf8(s);
      }
    }
    std::printf("%s\n", line.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}

int Add(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  quillet::TSpellEngine engine;
  std::error_code ec;
  int index = fs::exists(args[0], ec) ? engine.OpenUserDictionary(args[0])
                                      : engine.CreateUserDictionary(args[0], {});
  if (index == 0) return Fail(args[0] + " is a main dictionary; words are added to a user dictionary");
  if (index < 0) return Fail(engine.LastError());
  int status = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    auto w = WordFromUtf8(args[i]);
    if (!w) {
      status = Fail("\"" + args[i] + "\" holds a character a dictionary cannot store");
    } else if (!engine.AddWord(*w, index)) {
      status = Fail(engine.LastError());
    }
  }
  return status;
}

// Opens an existing user dictionary; 0 and a message when it cannot.
int OpenUser(quillet::TSpellEngine& engine, const std::string& path) {
  int index = engine.OpenUserDictionary(path);
  if (index == 0) Fail(path + " is a main dictionary, not a user dictionary");
  if (index < 0) Fail(engine.LastError());
  return std::max(index, 0);
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage();
  quillet::TSpellEngine engine;
  int index = OpenUser(engine, args[0]);
  if (!index) return 1;
  std::string out;
  for (const std::string& w : engine.UserWords(index)) out += quillet::WordToUtf8(w) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}

int Remove(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  quillet::TSpellEngine engine;
  int index = OpenUser(engine, args[0]);
  if (!index) return 1;
  std::vector<std::string> held = engine.UserWords(index), gone;
  int status = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    auto w = WordFromUtf8(args[i]);
    if (!w || std::find(held.begin(), held.end(), quillet::UpperWord(*w)) == held.end()) {
      status = Fail("\"" + args[i] + "\" is not in " + args[0]);
    } else {
      gone.push_back(*w);
    }
  }
  if (!gone.empty() && !engine.RemoveWords(gone, index)) return Fail(engine.LastError());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "build") return Build(args);
  if (command == "dump") return Dump(args);
  if (command == "check") return Check(args);
  if (command == "suggest") return Suggest(args);
  if (command == "add") return Add(args);
  if (command == "list") return List(args);
  if (command == "remove") return Remove(args);
  return Usage();
}
