// spell_race: the spelling engine's figures, timed in one run.
//   - lookups per second over about 1 MB of English text (the fortune files,
//     repeated; generated sentences when they are missing);
//   - suggestion time per word for the first 2,000 usable misspellings of
//     codespell's list, and the share whose intended word is among the first 10
//     suggestions, against hunspell (en_US) on the same words.
//
//   spell_race DICT [CODESPELL-LIST]
#include <decoration/spell_engine.h>

#include <base/safe_file.h>
#include <richtext/finder.h>
#include <richtext/unicode.h>

#include <algorithm>
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
  richtext::TString text = richtext::FromUtf8Lenient(utf8);
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && richtext::TTextFinder::IsSeparator(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !richtext::TTextFinder::IsSeparator(text[i])) ++i;
    if (i > start) {
      if (auto w = quillet::DictionaryWord(text.substr(start, i - start))) words.push_back(*w);
    }
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

bool Among(const std::vector<std::string>& list, const std::string& word) {
  for (size_t i = 0; i < list.size() && i < 10; ++i) {
    if (richtext::Utf8EqualNoCase(list[i], word)) return true;
  }
  return false;
}

// Runs hunspell -a on the words; gives its wall time and each word's suggestions.
bool Hunspell(const std::vector<Misspelling>& words, double& seconds, std::vector<std::vector<std::string>>& lists) {
  fs::path in = fs::temp_directory_path() / "spell_race_words.txt";
  std::string bytes;
  for (const auto& m : words) bytes += m.wrong + "\n";
  quillet::WriteFileSafely(in, bytes);
  std::string command = "hunspell -d en_US -a < " + in.string() + " 2>/dev/null";
  auto start = Clock::now();
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return false;
  std::string out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = ::pclose(p);
  seconds = Seconds(start);
  fs::remove(in);
  if (status != 0 || out.empty()) return false;
  // After the banner, one result line per word ("*", "+ root", "-", "& w n o: s, s", "# w o"), then a blank line.
  lists.clear();
  size_t pos = out.find('\n') + 1;
  while (pos < out.size()) {
    size_t end = out.find('\n', pos);
    if (end == std::string::npos) end = out.size();
    std::string line = out.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) continue;
    std::vector<std::string> list;
    if (line[0] == '&') {
      size_t colon = line.find(": ");
      std::string rest = colon == std::string::npos ? "" : line.substr(colon + 2);
      size_t s = 0;
      while (s < rest.size()) {
        size_t comma = rest.find(", ", s);
        if (comma == std::string::npos) comma = rest.size();
        list.push_back(rest.substr(s, comma - s));
        s = comma + 2;
      }
    }
    lists.push_back(list);
  }
  return lists.size() == words.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: spell_race DICT [CODESPELL-LIST]\n");
    return 2;
  }
  std::string list = argc > 2 ? argv[2] : "/usr/lib/python3/dist-packages/codespell_lib/data/dictionary.txt";
  quillet::TSpellEngine engine;
  if (!engine.OpenDictionary(argv[1])) {
    std::fprintf(stderr, "spell_race: %s\n", engine.LastError().c_str());
    return 1;
  }
  engine.DictionaryName = "/dev/null";

  // Lookups.
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

  // Suggestions.
  std::vector<Misspelling> ms;
  try {
    ms = Misspellings(list, 2000);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spell_race: %s (install codespell)\n", e.what());
    return 1;
  }
  size_t ours = 0;
  start = Clock::now();
  std::vector<std::vector<std::string>> ourLists;
  for (const auto& m : ms) ourLists.push_back(engine.GetSuggestions(m.wrong));
  double ourSeconds = Seconds(start);
  for (size_t i = 0; i < ms.size(); ++i) ours += Among(ourLists[i], ms[i].right);
  std::printf("suggestions (quillet):  %zu misspellings, %.3f ms per word, intended word in the first 10: %.1f%%\n",
              ms.size(), 1000.0 * ourSeconds / double(ms.size()), 100.0 * double(ours) / double(ms.size()));
  std::fflush(stdout);

  double hunSeconds = 0, startup = 0;
  std::vector<std::vector<std::string>> hunLists, ignored;
  if (!Hunspell({{"hello", "hello"}}, startup, ignored) || !Hunspell(ms, hunSeconds, hunLists)) {
    std::printf("suggestions (hunspell): not measured (install hunspell and hunspell-en-us)\n");
    return 0;
  }
  size_t theirs = 0;
  for (size_t i = 0; i < ms.size(); ++i) theirs += Among(hunLists[i], ms[i].right);
  std::printf("suggestions (hunspell): %zu misspellings, %.3f ms per word, intended word in the first 10: %.1f%%"
              " (%.0f ms start-up left out)\n",
              ms.size(), 1000.0 * std::max(0.0, hunSeconds - startup) / double(ms.size()),
              100.0 * double(theirs) / double(ms.size()), 1000.0 * startup);
  return 0;
}
