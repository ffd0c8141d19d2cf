// SPDX-License-Identifier: GPL-3.0-or-later
// spell_race: the spelling engine's figures, timed in one run.
//   - lookups per second over about 1 MB of English text (the fortune files,
//     repeated; generated sentences when they are missing);
//   - for two sets of misspellings, the first 2,000 usable ones of codespell's
//     list and 2,000 typing slips made from common words (two letters swapped,
//     one left out, one doubled, one replaced by the key beside it): the share
//     whose intended word is the first suggestion and among the first ten, and
//     the time per word of the whole process, for quillet-tool spell, hunspell -a
//     and aspell -a on the same words (and ours inside this process as well).
//
//   spell_race [--ours] DICT [CODESPELL-LIST]     (--ours: this process's figures only)
#include <decoration/spell_engine.h>

#include <base/safe_file.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string EnglishText(size_t want) {
  std::string one;
  std::error_code ec;
  for (fs::directory_iterator it("/usr/share/games/fortunes", ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!it->is_regular_file() || name.ends_with(".dat") || name.ends_with(".u8")) continue;
    one += quillet::ReadWholeFile(it->path());
  }
  if (one.empty()) {
    one = "Dear diary, today the weather was fine and the train was late again; we walked along "
          "the river until the light went and talked of summer.\n";
  }
  std::string text;
  while (text.size() < want) text += one;
  text.resize(want);
  return text;
}

std::vector<std::string> Words(const std::string& utf8) {
  std::vector<std::string> words;
  for (const auto& w : quillet::TextWords(utf8)) {
    if (w.word) words.push_back(*w.word);
  }
  return words;
}

struct Misspelling {
  std::string wrong, right;
};

// "wrong->right" lines with one intended word, both plain lower-case letters.
std::vector<Misspelling> Misspellings(const std::string& path, size_t count) {
  std::vector<Misspelling> out;
  std::string text = quillet::ReadWholeFile(path);
  size_t pos = 0;
  auto plain = [](const std::string& s) {
    return s.size() >= 3 && std::all_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  };
  while (pos < text.size() && out.size() < count) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t arrow = line.find("->");
    if (arrow == std::string::npos) continue;
    Misspelling m{line.substr(0, arrow), line.substr(arrow + 2)};
    if (plain(m.wrong) && plain(m.right)) out.push_back(m);
  }
  return out;
}

// "word\tsuggestion\t..." lines (quillet-tool spell) or the ispell pipe
// protocol (hunspell -a, aspell -a): each misspelt word's suggestions.
using Lists = std::map<std::string, std::vector<std::string>>;

std::vector<std::string> SplitOn(const std::string& text, const std::string& sep) {
  std::vector<std::string> out;
  size_t s = 0;
  while (s <= text.size()) {
    size_t e = text.find(sep, s);
    if (e == std::string::npos) e = text.size();
    out.push_back(text.substr(s, e - s));
    s = e + sep.size();
  }
  return out;
}

Lists ParseTabbed(const std::string& out) {
  Lists lists;
  for (const std::string& line : SplitOn(out, "\n")) {
    if (line.empty()) continue;
    auto f = SplitOn(line, "\t");
    lists[f[0]] = {f.begin() + 1, f.end()};
  }
  return lists;
}

Lists ParsePipe(const std::string& out) {
  Lists lists;
  for (const std::string& line : SplitOn(out, "\n")) {
    // "& word n offset: s, s" or "# word offset"; "*", "+", "-" for known words.
    if (line.size() < 3 || (line[0] != '&' && line[0] != '#')) continue;
    std::string word = line.substr(2, line.find(' ', 2) - 2);
    size_t colon = line.find(": ");
    lists[word] = colon == std::string::npos ? std::vector<std::string>{} : SplitOn(line.substr(colon + 2), ", ");
  }
  return lists;
}

// Runs a command with the words on its standard input; its output and wall time.
bool RunWith(const std::string& command, const std::vector<Misspelling>& words, std::string& out, double& seconds) {
  fs::path in = fs::temp_directory_path() / "spell_race_words.txt";
  std::string bytes;
  for (const auto& m : words) bytes += m.wrong + "\n";
  quillet::WriteFileSafely(in, bytes);
  auto start = Clock::now();
  FILE* p = ::popen((command + " < " + in.string() + " 2>/dev/null").c_str(), "r");
  if (!p) return false;
  out.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = ::pclose(p);
  seconds = Seconds(start);
  fs::remove(in);
  // quillet-tool spell ends with 1 when it found unknown words.
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1 && !out.empty();
}

struct Score {
  double first = 0, ten = 0, msPerWord = 0;
};

Score Judge(const std::vector<Misspelling>& ms, const Lists& lists, double seconds) {
  Score s;
  for (const auto& m : ms) {
    auto it = lists.find(m.wrong);
    if (it == lists.end()) continue;
    const auto& l = it->second;
    if (!l.empty() && richtext::Utf8EqualNoCase(l[0], m.right)) s.first += 1;
    for (size_t i = 0; i < l.size() && i < 10; ++i) {
      if (richtext::Utf8EqualNoCase(l[i], m.right)) {
        s.ten += 1;
        break;
      }
    }
  }
  s.first = 100.0 * s.first / double(ms.size());
  s.ten = 100.0 * s.ten / double(ms.size());
  s.msPerWord = 1000.0 * seconds / double(ms.size());
  return s;
}

void Print(const char* set, const char* who, const Score& s, const char* note = "") {
  std::printf("  %-10s %-26s first %5.1f%%  first ten %5.1f%%  %7.3f ms/word%s\n", set, who, s.first, s.ten,
              s.msPerWord, note);
  std::fflush(stdout);
}

// Keys beside each letter on the US keyboard.
const std::map<char, std::string> kNeighbours = {
    {'q', "wa"}, {'w', "qes"}, {'e', "wrd"}, {'r', "etf"}, {'t', "ryg"}, {'y', "tuh"}, {'u', "yij"},
    {'i', "uok"}, {'o', "ipl"}, {'p', "ol"}, {'a', "qsz"}, {'s', "adwx"}, {'d', "sfex"}, {'f', "dgrc"},
    {'g', "fhtv"}, {'h', "gjyb"}, {'j', "hkun"}, {'k', "jlim"}, {'l', "ko"}, {'z', "ax"}, {'x', "zcs"},
    {'c', "xvd"}, {'v', "cbf"}, {'b', "vng"}, {'n', "bmh"}, {'m', "nj"}};

// Typing slips of common words (the small list), none of them a word of the large list.
std::vector<Misspelling> Slips(size_t count) {
  std::vector<std::string> common;
  std::unordered_set<std::string> all;
  for (const std::string& w : SplitOn(quillet::ReadWholeFile("/usr/share/dict/american-english-large"), "\n")) {
    all.insert(w);
  }
  for (const std::string& w : SplitOn(quillet::ReadWholeFile("/usr/share/dict/american-english-small"), "\n")) {
    if (w.size() >= 4 && std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
      common.push_back(w);
    }
  }
  std::vector<Misspelling> out;
  std::set<std::string> made;
  uint64_t seed = 12345;
  auto next = [&](uint64_t n) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return (seed >> 33) % n;
  };
  while (out.size() < count && !common.empty()) {
    std::string right = common[next(common.size())];
    std::string wrong = right;
    size_t at = next(right.size() - 1);
    switch (next(4)) {
      case 0: std::swap(wrong[at], wrong[at + 1]); break;
      case 1: wrong.erase(at + 1, 1); break;
      case 2: wrong.insert(at + 1, 1, wrong[at + 1]); break;
      case 3: {
        const std::string& keys = kNeighbours.at(wrong[at + 1]);
        wrong[at + 1] = keys[next(keys.size())];
        break;
      }
    }
    if (wrong == right || all.count(wrong) || !made.insert(wrong).second) continue;
    out.push_back({wrong, right});
  }
  return out;
}

// Lookups per second over about 1 MB of English text.
void RaceLookups(quillet::TSpellEngine& engine) {
  std::string text = EnglishText(1'000'000);
  std::vector<std::string> words = Words(text);
  size_t unknown = 0, lookups = 0;
  auto start = Clock::now();
  int rounds = 0;
  do {
    for (const auto& w : words) unknown += !engine.IsWordCorrect(w);
    lookups += words.size();
    ++rounds;
  } while (Seconds(start) < 1.0);
  double lookupSeconds = Seconds(start);
  std::printf("lookups: %zu words in 1 MB of text, %.0f lookups/s (%.2f%% of the words unknown)\n", words.size(),
              double(lookups) / lookupSeconds, 100.0 * double(unknown) / double(lookups));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  bool oursOnly = argc > 1 && std::string(argv[1]) == "--ours";
  if (oursOnly) {
    --argc;
    ++argv;
  }
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: spell_race [--ours] DICT [CODESPELL-LIST]\n");
    return 2;
  }
  std::string list = argc > 2 ? argv[2] : "/usr/lib/python3/dist-packages/codespell_lib/data/dictionary.txt";
  quillet::TSpellEngine engine;
  if (!engine.OpenDictionary(argv[1])) {
    std::fprintf(stderr, "spell_race: %s\n", engine.LastError().c_str());
    return 1;
  }
  engine.DictionaryName = "/dev/null";

  if (!oursOnly) RaceLookups(engine);

  std::vector<std::pair<const char*, std::vector<Misspelling>>> sets;
  try {
    sets.emplace_back("codespell", Misspellings(list, 2000));
    sets.emplace_back("slips", Slips(2000));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spell_race: %s (install codespell and wamerican-small, wamerican-large)\n", e.what());
    return 1;
  }
  std::printf("suggestions: the intended word first and among the first ten; time per word of the whole run\n");
  for (const auto& [name, ms] : sets) {
    std::printf("%s: %zu misspellings\n", name, ms.size());
    Lists ours;
    auto start = Clock::now();
    for (const auto& m : ms) ours[m.wrong] = engine.GetSuggestions(m.wrong);
    Print(name, "quillet (in this process)", Judge(ms, ours, Seconds(start)));
    if (oursOnly) continue;

    std::string out;
    double seconds = 0;
    const std::string tool = QUILLET_TOOL;
    if (RunWith(tool + " spell", ms, out, seconds)) {
      Print(name, "quillet-tool spell", Judge(ms, ParseTabbed(out), seconds));
    } else {
      std::printf("  %-10s quillet-tool spell: not measured\n", name);
    }
    if (RunWith("hunspell -d en_US -a", ms, out, seconds)) {
      Print(name, "hunspell -a", Judge(ms, ParsePipe(out), seconds));
    } else {
      std::printf("  %-10s hunspell: not measured (install hunspell and hunspell-en-us)\n", name);
    }
    if (RunWith("aspell -a -d en_US", ms, out, seconds)) {
      Print(name, "aspell -a", Judge(ms, ParsePipe(out), seconds));
    } else {
      std::printf("  %-10s aspell: not measured (install aspell and aspell-en)\n", name);
    }
  }
  return 0;
}
