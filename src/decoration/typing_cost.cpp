// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/typing_cost.h>

#include <algorithm>
#include <array>
#include <cstring>
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

// Neighbouring keys of the US keyboard, letters only.
bool KeyNeighbours(uint8_t a, uint8_t b) {
  static const char* const kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  auto where = [](uint8_t c, int& row, int& col) {
    for (row = 0; row < 3; ++row) {
      if (const char* p = std::strchr(kRows[row], char(c))) {
        col = int(p - kRows[row]);
        return true;
      }
    }
    return false;
  };
  int ra, ca, rb, cb;
  if (!where(a, ra, ca) || !where(b, rb, cb)) return false;
  // Each row sits about half a key to the right of the one above it.
  if (ra == rb) return std::abs(ca - cb) == 1;
  if (std::abs(ra - rb) != 1) return false;
  int upper = ra < rb ? ca : cb, lower = ra < rb ? cb : ca;
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

bool IsDigraphHead(char c) { return c && std::strchr("CGPSTW", c); }

// A letter of the word at `i` left out (of the intended word) or typed too many
// (in the typed word): cheaper when it doubles a neighbour or is punctuation.
int DropCost(std::string_view w, size_t i, int plain) {
  uint8_t c = uint8_t(w[i]);
  if (IsPunctuation(c)) return slip::kPunctuation;
  if ((i > 0 && w[i - 1] == char(c)) || (i + 1 < w.size() && w[i + 1] == char(c))) return slip::kDoubling;
  return plain;
}

int ComputeSubstitutionCost(uint8_t intended, uint8_t typed) {
  if (intended == typed) return 0;
  uint8_t a = BaseLetter(intended), b = BaseLetter(typed);
  if (a && a == b) return slip::kAccent;
  if (IsVowel(a) && IsVowel(b)) return slip::kVowel;
  if (KeyNeighbours(a, b)) return slip::kNeighbour;
  int sa = SoundClass(a);
  if (sa && sa == SoundClass(b)) return slip::kSoundAlike;
  return slip::kOther;
}

// Every pair's cost, worked out once: the search asks for millions of them.
struct TCostTable {
  std::array<std::array<uint8_t, 256>, 256> cost;
  TCostTable() {
    for (int a = 0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) cost[size_t(a)][size_t(b)] = uint8_t(ComputeSubstitutionCost(uint8_t(a), uint8_t(b)));
    }
  }
};

const TCostTable& Costs() {
  static const TCostTable table;
  return table;
}

// One row of the edit table per letter of the candidate: row[j] is the cost of
// the candidate so far against the first j letters typed.
struct TTable {
  std::string_view typed;
  std::array<int, kMaxTyped + 1> extra{};  // cost of each typed letter as an extra one
  std::vector<std::array<int, kMaxTyped + 1>> rows;
  std::array<int, kMaxDepth + 2> lastWithin{};  // of each row, the last cell within the limit

  explicit TTable(std::string_view t) : typed(t.substr(0, kMaxTyped)), rows(kMaxDepth + 2) {
    rows[0][0] = 0;
    lastWithin[0] = int(typed.size());
    for (size_t j = 1; j <= typed.size(); ++j) {
      extra[j] = DropCost(typed, j - 1, slip::kExtra);
      rows[0][j] = rows[0][j - 1] + extra[j];
    }
  }

  // Fills row i for the candidate `word` (its first i letters); gives the row's
  // least cost. Cells that cannot come to `limit` or less are left out: to the
  // right of the cells at or below it in the rows above, only a run of extra
  // letters could reach one, and that run stops as soon as it is above it.
  int Fill(std::string_view word, size_t i, int limit) {
    const size_t n = typed.size();
    auto& row = rows[i];
    const auto& up = rows[i - 1];
    uint8_t c = uint8_t(word[i - 1]);
    int missing = IsPunctuation(c)                             ? slip::kPunctuation
                  : (i >= 2 && uint8_t(word[i - 2]) == c)      ? slip::kDoubling
                  : (c == 'H' && i >= 2 && IsDigraphHead(word[i - 2])) ? slip::kDigraphH
                                                               : slip::kMissing;
    row[0] = up[0] + missing;
    int least = row[0];
    int hi = row[0] <= limit ? 0 : -1;
    const int reach = std::max(lastWithin[i - 1] + 1, i >= 2 ? lastWithin[i - 2] + 2 : 0);
    const auto& substitute = Costs().cost[c];
    for (size_t j = 1; j <= n; ++j) {
      if (int(j) > reach && row[j - 1] > limit) {
        std::fill(row.begin() + long(j), row.begin() + long(n) + 1, kFar);
        break;
      }
      uint8_t t = uint8_t(typed[j - 1]);
      int best = up[j - 1] + substitute[t];
      best = std::min(best, up[j] + missing);
      best = std::min(best, row[j - 1] + extra[j]);
      if (i >= 2 && j >= 2 && c == uint8_t(typed[j - 2]) && uint8_t(word[i - 2]) == t && c != t) {
        best = std::min(best, rows[i - 2][j - 2] + slip::kSwap);
      }
      row[j] = best;
      least = std::min(least, best);
      if (best <= limit) hi = int(j);
    }
    lastWithin[i] = hi;
    return least;
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

void WalkGroup(TDictionaryRecord& tree, uint32_t group, std::string& prefix, TTable& table, int& limit,
               const std::function<void(const std::string&, int)>& found, long& budget) {
  for (uint32_t i = group;; ++i) {
    if (--budget < 0) return;
    TNode n = tree.Node(i);
    prefix.push_back(char(CodeLetter(n.Code())));
    // The first letter's penalty is known as soon as the first letter is.
    int least = table.Fill(prefix, prefix.size(), limit) + table.FirstLetterPenalty(prefix[0]);
    if (least <= limit) {
      if (n.WordEnd()) {
        int cost = table.Final(prefix);
        if (cost <= limit) found(prefix, cost);
      }
      if (tree.HasChild(n) && prefix.size() < kMaxDepth) WalkGroup(tree, n.child, prefix, table, limit, found, budget);
    }
    prefix.pop_back();
    if (n.Last()) return;
  }
}

}  // namespace

int SubstitutionCost(uint8_t intended, uint8_t typed) { return Costs().cost[intended][typed]; }

int TypingCost(std::string_view intended, std::string_view typed) {
  if (intended.size() > kMaxDepth) return kFar;
  TTable table(typed);
  for (size_t i = 1; i <= intended.size(); ++i) table.Fill(intended, i, kFar);
  return table.Final(intended);
}

void WalkNearWords(TDictionaryRecord& tree, std::string_view typed, int& limit,
                   const std::function<void(const std::string& word, int cost)>& found, long& budget) {
  TTable table(typed);
  std::string prefix;
  WalkGroup(tree, 1, prefix, table, limit, found, budget);
}

}  // namespace quillet
