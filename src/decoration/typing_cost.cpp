// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/typing_cost.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace quillet {

namespace {

constexpr size_t kMaxTyped = 32;
constexpr size_t kMaxDepth = 40;
constexpr int kFar = 1 << 20;

// The unaccented letter of an upper-case Windows-1252 letter (0 when none).
uint8_t BaseLetter(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c;
  static const char* const kGroups[] = {"A\xC0\xC1\xC2\xC3\xC4\xC5", "C\xC7", "E\xC8\xC9\xCA\xCB", "I\xCC\xCD\xCE\xCF",
                                        "N\xD1", "O\xD2\xD3\xD4\xD5\xD6\xD8", "U\xD9\xDA\xDB\xDC", "Y\xDD\x9F",
                                        "S\x8A"};
  for (const char* g : kGroups) {
    if (std::strchr(g + 1, char(c))) return uint8_t(g[0]);
  }
  return 0;
}

bool IsVowel(uint8_t c) { return c && std::strchr("AEIOUY", char(c)); }

// Where the key is on the US keyboard, letters only.
struct TKey {
  bool found = false;
  int row = 0, col = 0;
};

TKey KeyOf(uint8_t c) {
  static const char* const kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  for (int row = 0; row < 3; ++row) {
    if (const char* p = std::strchr(kRows[row], char(c))) return {true, row, int(p - kRows[row])};
  }
  return {};
}

bool KeyNeighbours(TKey a, TKey b) {
  if (!a.found || !b.found) return false;
  // Each row sits about half a key to the right of the one above it.
  if (a.row == b.row) return std::abs(a.col - b.col) == 1;
  if (std::abs(a.row - b.row) != 1) return false;
  int upper = a.row < b.row ? a.col : b.col, lower = a.row < b.row ? b.col : a.col;
  return lower == upper || lower == upper - 1;
}

int SoundClass(uint8_t c) {
  static const char* const kClasses[] = {"CKQSXZ", "GJ", "BP", "DT", "FPV", "MN", "W", "LR"};
  for (int k = 0; k < int(std::size(kClasses)); ++k) {
    if (std::strchr(kClasses[k], char(c))) return k + 1;
  }
  return 0;
}

bool IsPunctuation(uint8_t c) { return c == '\'' || c == '-'; }

bool IsDigraphHead(char c) {
  switch (c) {
    case 'C': case 'G': case 'P': case 'S': case 'T': case 'W': return true;
    default: return false;
  }
}

// A letter of the word at `i` left out (of the intended word) or typed too many
// (in the typed word): cheaper when it doubles a neighbour or is punctuation.
int DropCost(std::string_view w, size_t i, int plain) {
  uint8_t c = uint8_t(w[i]);
  if (IsPunctuation(c)) return slip::kPunctuation;
  if ((i > 0 && w[i - 1] == char(c)) || (i + 1 < w.size() && w[i + 1] == char(c))) return slip::kDoubling;
  return plain;
}

// What the substitution costs look at in a letter: its unaccented letter,
// whether that is a vowel, its key and its sound.
struct TLetterTraits {
  uint8_t base = 0;
  bool vowel = false;
  TKey key;
  int sound = 0;
};

TLetterTraits TraitsOf(uint8_t c) {
  TLetterTraits t;
  t.base = BaseLetter(c);
  t.vowel = IsVowel(t.base);
  t.key = KeyOf(t.base);
  t.sound = SoundClass(t.base);
  return t;
}

int ComputeSubstitutionCost(uint8_t intended, uint8_t typed, const TLetterTraits& a, const TLetterTraits& b) {
  if (intended == typed) return 0;
  if (a.base && a.base == b.base) return slip::kAccent;
  if (a.vowel && b.vowel) return slip::kVowel;
  if (KeyNeighbours(a.key, b.key)) return slip::kNeighbour;
  if (a.sound && a.sound == b.sound) return slip::kSoundAlike;
  return slip::kOther;
}

// Every pair's cost, worked out once: the search asks for millions of them.
struct TCostTable {
  std::array<std::array<uint8_t, 256>, 256> cost;
  TCostTable() {
    std::array<TLetterTraits, 256> traits;
    for (int c = 0; c < 256; ++c) traits[size_t(c)] = TraitsOf(uint8_t(c));
    for (int a = 0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) {
        cost[size_t(a)][size_t(b)] =
            uint8_t(ComputeSubstitutionCost(uint8_t(a), uint8_t(b), traits[size_t(a)], traits[size_t(b)]));
      }
    }
  }
};

const TCostTable& Costs() {
  static const TCostTable table;
  return table;
}

// One row of the edit table per letter of the candidate: row[j] is the cost of
// the candidate so far against the first j letters typed. Rows are always
// filled whole, kLanes cells wide whatever the length of the word typed, with
// no branch in the loop: the cells past the word typed start at kPast and stay
// above any cost a cell of the word can reach (at most every letter of both
// words left out or extra: 40 + 32 letters of at most 8), so they never lower
// a row's least cost.
struct TTable {
  using Cell = int16_t;
  static constexpr size_t kLanes = kMaxTyped;
  static constexpr Cell kPast = 1000;
  using Row = std::array<Cell, kLanes + 1>;

  std::string_view typed;
  Row extra{};                                // cost of each typed letter as an extra one
  std::array<Row, kMaxDepth + 2> rows;
  // Of each byte the candidate may hold, its substitution cost for each typed
  // letter, worked out the first time a row needs it.
  std::array<Row, 256> substitute;
  std::array<uint64_t, 4> substituteReady{};
  // Of each byte, the columns j whose typed letter typed[j - 1] it is.
  std::array<uint32_t, 256> columnsOf{};

  explicit TTable(std::string_view t) : typed(t.substr(0, kMaxTyped)) {
    const size_t n = typed.size();
    rows[0][0] = 0;
    for (size_t j = 1; j <= kLanes; ++j) {
      extra[j] = j <= n ? Cell(DropCost(typed, j - 1, slip::kExtra)) : kPast;
      rows[0][j] = j <= n ? Cell(rows[0][j - 1] + extra[j]) : kPast;
      if (j <= n) columnsOf[uint8_t(typed[j - 1])] |= uint32_t(1) << (j - 1);
    }
  }

  const Row& SubstituteRow(uint8_t c) {
    Row& row = substitute[c];
    uint64_t& ready = substituteReady[c >> 6];
    const uint64_t bit = uint64_t(1) << (c & 63);
    if (!(ready & bit)) {
      const auto& cost = Costs().cost[c];
      row[0] = 0;
      for (size_t j = 1; j <= kLanes; ++j) row[j] = j <= typed.size() ? Cell(cost[uint8_t(typed[j - 1])]) : kPast;
      ready |= bit;
    }
    return row;
  }

  // Cells 1 to kLanes of a row: the letter in place of a typed one, or the
  // letter left out of the word typed; gives the least of them. Rows never
  // overlap: said so, the loop runs on whole vectors of cells.
  static Cell LetterOrMissing(Cell* __restrict row, const Cell* __restrict up, const Cell* __restrict sub,
                              Cell missing) {
    Cell least = kPast;
    for (size_t j = 1; j <= kLanes; ++j) {
      row[j] = std::min(Cell(up[j - 1] + sub[j]), Cell(up[j] + missing));
      least = std::min(least, row[j]);
    }
    return least;
  }

  // Fills row i for the candidate `word` (its first i letters) but for the
  // runs of extra letters (AddExtraLetters); gives the row's least cost, which
  // those runs cannot lower: each adds to a cell to its left. A row whose least
  // cost is too high is never finished, nor read again.
  [[gnu::always_inline]] int Fill(const char* word, size_t i) {
    Row& row = rows[i];
    const Row& up = rows[i - 1];
    const uint8_t c = uint8_t(word[i - 1]);
    const uint8_t before = i >= 2 ? uint8_t(word[i - 2]) : 0;
    const Cell missing = IsPunctuation(c)                                 ? slip::kPunctuation
                         : (i >= 2 && before == c)                        ? slip::kDoubling
                         : (c == 'H' && i >= 2 && IsDigraphHead(char(before))) ? slip::kDigraphH
                                                                          : slip::kMissing;
    const Row& sub = SubstituteRow(c);
    row[0] = Cell(up[0] + missing);
    Cell least = std::min(row[0], LetterOrMissing(row.data(), up.data(), sub.data(), missing));
    // The two letters swapped: the candidate's last two are the typed letters
    // at j - 1 and j the other way round.
    if (i >= 2 && c != before) {
      const Row& twoUp = rows[i - 2];
      for (uint32_t swaps = (columnsOf[c] << 1) & columnsOf[before]; swaps; swaps &= swaps - 1) {
        const size_t j = size_t(std::countr_zero(swaps)) + 1;
        row[j] = std::min(row[j], Cell(twoUp[j - 2] + slip::kSwap));
        least = std::min(least, row[j]);
      }
    }
    return least;
  }

  // Finishes row i: typed letters too many, one after the other.
  void AddExtraLetters(size_t i) {
    Row& row = rows[i];
    for (size_t j = 1; j <= typed.size(); ++j) row[j] = std::min(row[j], Cell(row[j - 1] + extra[j]));
  }

  int Final(std::string_view word) const {
    int cost = rows[word.size()][typed.size()];
    if (!word.empty() && !typed.empty() && word[0] != typed[0] &&
        !(word.size() >= 2 && typed.size() >= 2 && word[0] == typed[1] && word[1] == typed[0])) {
      cost += slip::kFirstLetter;
    }
    return cost;
  }

  // The least first-letter penalty of any word starting with `first`.
  int FirstLetterPenalty(char first) const {
    if (typed.empty() || first == typed[0] || (typed.size() >= 2 && first == typed[1])) return 0;
    return slip::kFirstLetter;
  }
};

// The walk of one tree: every node decoded, the letter of each code, and the
// candidate word so far.
struct TWalk {
  std::span<const TNode> nodes;
  TTable& table;
  int& limit;
  const std::function<void(const std::string&, int)>& found;
  long& budget;
  std::array<uint8_t, 64> letters{};
  std::array<char, kMaxDepth + 1> word{};
  int firstPenalty = 0;

  // A child group outside the tree counts as none.
  bool HasChild(const TNode& n) const { return n.child != 0 && size_t(n.child) + 1 < nodes.size(); }

  void Group(uint32_t group, size_t depth) {
    for (uint32_t i = group;; ++i) {
      if (--budget < 0) return;
      const TNode n = nodes[i];
      word[depth] = char(letters[n.Code()]);
      // The first letter's penalty is known as soon as the first letter is.
      if (depth == 0) firstPenalty = table.FirstLetterPenalty(word[0]);
      int least = table.Fill(word.data(), depth + 1) + firstPenalty;
      if (least <= limit) {
        table.AddExtraLetters(depth + 1);
        if (n.WordEnd()) {
          std::string_view candidate(word.data(), depth + 1);
          int cost = table.Final(candidate);
          if (cost <= limit) found(std::string(candidate), cost);
        }
        if (HasChild(n) && depth + 1 < kMaxDepth) Group(n.child, depth + 1);
      }
      if (n.Last()) return;
    }
  }
};

}  // namespace

int SubstitutionCost(uint8_t intended, uint8_t typed) { return Costs().cost[intended][typed]; }

int TypingCost(std::string_view intended, std::string_view typed) {
  if (intended.size() > kMaxDepth) return kFar;
  auto table = std::make_unique<TTable>(typed);
  for (size_t i = 1; i <= intended.size(); ++i) {
    table->Fill(intended.data(), i);
    table->AddExtraLetters(i);
  }
  return table->Final(intended);
}

void WalkNearWords(TDictionaryRecord& tree, std::string_view typed, int& limit,
                   const std::function<void(const std::string& word, int cost)>& found, long& budget) {
  auto table = std::make_unique<TTable>(typed);
  TWalk walk{tree.AllNodes(), *table, limit, found, budget};
  for (size_t code = 0; code < walk.letters.size(); ++code) walk.letters[code] = CodeLetter(uint8_t(code));
  walk.Group(1, 0);
}

}  // namespace quillet
