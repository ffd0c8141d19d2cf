#include <decoration/spell_alphabet.h>

#include <richtext/unicode.h>

#include <algorithm>

namespace quillet {

namespace {

// The 64 letters, in letter-code order.
constexpr std::array<uint8_t, 64> kLetters = [] {
  std::array<uint8_t, 64> a{};
  int n = 0;
  for (int c = 'A'; c <= 'Z'; ++c) a[n++] = uint8_t(c);
  a[n++] = '\'';
  a[n++] = '-';
  a[n++] = 0x8A;
  a[n++] = 0x8C;
  a[n++] = 0x9F;
  for (int c = 0xC0; c <= 0xD6; ++c) a[n++] = uint8_t(c);
  for (int c = 0xD8; c <= 0xDF; ++c) a[n++] = uint8_t(c);
  a[n++] = 0xF0;
  a[n++] = '`';
  return a;
}();

constexpr std::array<uint8_t, 256> kCodes = [] {
  std::array<uint8_t, 256> codes{};
  for (int i = 0; i < 64; ++i) codes[kLetters[i]] = uint8_t(i);
  for (int c = 'a'; c <= 'z'; ++c) codes[c] = uint8_t(c - 'a');
  for (int c = 0xE0; c <= 0xEF; ++c) codes[c] = codes[c - 0x20];
  for (int c = 0xF1; c <= 0xF6; ++c) codes[c] = codes[c - 0x20];
  for (int c = 0xF8; c <= 0xFE; ++c) codes[c] = codes[c - 0x20];
  codes[0xFF] = codes[0x9F];
  codes[0x9A] = codes[0x8A];
  codes[0x9C] = codes[0x8C];
  return codes;
}();

bool IsVowelLike(uint8_t c) {
  switch (c) {
    case 'A': case 'E': case 'H': case 'I': case 'O': case 'U': case 'W': case 'Y':
    case 0x9F: case 0xD8: case 0xDD: case 0xF0:
      return true;
    default:
      return (c >= 0xC0 && c <= 0xC6) || (c >= 0xC8 && c <= 0xCF) || (c >= 0xD2 && c <= 0xD6) ||
             (c >= 0xD9 && c <= 0xDC);
  }
}

uint8_t SoundClass(uint8_t c) {
  switch (c) {
    case 'B': case 'F': case 'P': case 'V': case '6': case '8': case 0xDE: case 0xDF:
      return 1;
    case 'C': case 'G': case 'J': case 'K': case 'Q': case 'S': case 'X': case 'Z':
    case '3': case '4': case '5': case '9': case 0x8A: case 0x8C: case 0xC7:
      return 2;
    case 'D': case 'T': case 0xD0:
      return 3;
    case 'L': case '2':
      return 4;
    case 'M': case 'N': case 0xD1:
      return 5;
    case 'R':
      return 6;
    case '\'': case '-': case '`':
      return 7;
    case '0':
      return 'O';
    case '1': case '7':
      return 'I';
    default:
      return c;
  }
}

// Letters of a typed word for the case pattern; ñ-ö do not count in it.
bool IsTypedLetter(uint8_t c) {
  if (c == '\'' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c == 0x8A || c == 0x8C || c == 0x9A || c == 0x9C || c == 0x9F) return true;
  if (c >= 0xF1 && c <= 0xF6) return false;
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool IsSuggestionLetter(uint8_t c) {
  if (c == '\'' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c == 0x8A || c == 0x8C || c == 0x9A || c == 0x9C || c == 0x9F) return true;
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool IsUpperLetter(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return true;
  if (c == 0x8A || c == 0x8C || c == 0x9F || c == 0xF0) return true;
  return c >= 0xC0 && c <= 0xDF && c != 0xD7;
}

bool IsLowerLetter(uint8_t c) {
  if (c >= 'a' && c <= 'z') return true;
  if (c == 0x9A || c == 0x9C) return true;
  return c >= 0xE0 && c != 0xF0 && c != 0xF7;
}

}  // namespace

uint8_t LetterCode(uint8_t c) { return kCodes[c]; }
uint8_t CodeLetter(uint8_t code) { return kLetters[code & 63]; }

uint8_t UpperChar(uint8_t c) {
  if (c >= 'a' && c <= 'z') return uint8_t(c - 32);
  if (c == 0x9A) return 0x8A;
  if (c == 0x9C) return 0x8C;
  if (c == 0xFF) return 0x9F;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF0 && c != 0xF7) return uint8_t(c - 0x20);
  return c;
}

std::string UpperWord(std::string_view word) {
  std::string out(word);
  for (char& c : out) c = char(UpperChar(uint8_t(c)));
  return out;
}

uint8_t LowerChar(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return uint8_t(c + 32);
  if (c == 0x8A) return 0x9A;
  if (c == 0x8C) return 0x9C;
  if (c == 0x9F) return 0xFF;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7 && c != 0xD0) return uint8_t(c + 0x20);
  return c;
}

bool InAlphabet(uint8_t c) {
  uint8_t u = UpperChar(c);
  return CodeLetter(LetterCode(u)) == u;
}

std::optional<std::string> DictionaryWord(std::u32string_view word) {
  std::string out;
  out.reserve(word.size());
  for (char32_t c : word) {
    if (c == 0x2019) c = '\'';
    int b = richtext::UnicodeToCp1252(c);
    if (b < 0 || !InAlphabet(uint8_t(b))) return std::nullopt;
    out.push_back(char(b));
  }
  return out;
}

TSoundKey SoundKey(std::string_view word, const TSoundKey& padSource) {
  // Steps 1 and 2: past the first letter, vowels go and consonants become classes.
  std::string s;
  s.reserve(word.size());
  for (size_t i = 0; i < word.size(); ++i) {
    uint8_t c = uint8_t(word[i]);
    if (i == 0) {
      s.push_back(char(c));
    } else if (!IsVowelLike(c)) {
      s.push_back(char(SoundClass(c)));
    }
  }
  // Step 3: from the second position on, later repeats of a character go.
  for (size_t k = 1; k + 1 < s.size(); ++k) {
    char c = s[k];
    s.erase(std::remove(s.begin() + long(k) + 1, s.end(), c), s.end());
  }
  TSoundKey key = padSource;
  for (size_t i = 0; i < 4 && i < s.size(); ++i) key[i] = uint8_t(s[i]);
  return key;
}

TSoundKey SoundKey(std::string_view word) { return SoundKey(word, TSoundKey{0, 0, 0, 0}); }

namespace {

// Longest-common-block matching: the longest run shared by both ranges counts,
// then the same is done to the right of it and to its left. Positions are
// 1-based and inclusive; a range of one character is not compared.
struct Matcher {
  std::string_view a, b;
  int matched = 0;

  bool Same(int i, int j) const {
    return i >= 1 && j >= 1 && i <= int(a.size()) && j <= int(b.size()) && a[i - 1] == b[j - 1];
  }

  void Match(int aLo, int aHi, int bLo, int bHi, int depth) {
    if (aLo == aHi || bLo == bHi || depth > 64) return;
    int best = 0, bestA = 0, bestB = 0;
    int aEnd = aHi, bEnd = bHi;
    int i = aLo - 1;
    while (i < aEnd) {
      ++i;
      int j = bLo - 1;
      while (j < bEnd) {
        ++j;
        int len = 0;
        if (Same(i, j)) {
          while (i + len <= aEnd && j + len <= bEnd && Same(i + len, j + len)) ++len;
          if (len > best) {
            bestA = i;
            bestB = j;
            best = len;
            aEnd = aHi - len - 1;
            bEnd = bHi - len - 1;
            i += len;
          }
        }
        j += len;
      }
    }
    if (best > 0) {
      matched += 2 * best;
      Match(bestA + best, aHi, bestB + best, bHi, depth + 1);
      Match(aLo, bestA - 1, bLo, bestB - 1, depth + 1);
    }
  }
};

}  // namespace

int SimilarityScore(std::string_view candidate, std::string_view word) {
  std::string c;
  c.reserve(candidate.size());
  for (char ch : candidate) {
    if (ch != '\'') c.push_back(ch);
  }
  if (c.empty() && word.empty()) return 0;
  Matcher m{c, word};
  m.Match(1, int(c.size()), 1, int(word.size()), 0);
  return m.matched * 100 / int(c.size() + word.size());
}

void TRankedList::Insert(std::string_view candidate, int score) {
  for (const Entry& e : entries_) {
    if (e.word == candidate) return;
  }
  size_t at = 0;
  while (at < entries_.size() && entries_[at].score >= score) ++at;
  if (int(at) >= capacity_) return;
  entries_.insert(entries_.begin() + long(at), Entry{std::string(candidate), score});
  if (int(entries_.size()) > capacity_) entries_.resize(size_t(capacity_));
}

std::string_view FirstLetterAlternatives(uint8_t first) {
  static const std::string kA = "EDA\xC0\xC1\xC2\xC3\xC4\xC5\xC6";
  static const std::string kB = "PVNB\xDF";
  static const std::string kC = "SXVC\xC7\x8C";
  static const std::string kD = "FD\xD0";
  static const std::string kE = "IWRE\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF";
  static const std::string kI = "EOUI\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF";
  static const std::string kM = "NM\xD1";
  static const std::string kN = "MBN\xD1";
  static const std::string kO = "PIO\xD2\xD3\xD4\xD5\xD6\xCC\xCD\xCE\xCF";
  static const std::string kP = "BOP\xDE";
  static const std::string kS = "ACDS\x8A\x8C";
  static const std::string kU = "YIU\xD9\xDA\xDB\xDC";
  static const std::string kV = "BCV\xC7\x8C";
  static const std::string kY = "TUY\x9F\xDD";
  static std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    for (int c = 0; c < 256; ++c) t[size_t(c)] = std::string(1, char(c));
    auto set = [&](std::initializer_list<int> keys, const std::string& alts) {
      for (int k : keys) t[size_t(k)] = alts;
    };
    set({'A', 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6}, kA);
    set({'B', 0xDF}, kB);
    set({'C', 0x8C, 0xC7}, kC);
    set({'D', 0xD0}, kD);
    set({'E', 0xC8, 0xC9, 0xCA, 0xCB}, kE);
    set({'F'}, "DGF");
    set({'G'}, "JG");
    set({'H'}, "JGH");
    set({'I', 0xCC, 0xCD, 0xCE, 0xCF}, kI);
    set({'J'}, "GJ");
    set({'K'}, "CLJK");
    set({'L'}, "KL");
    set({'M'}, kM);
    set({'N', 0xD1}, kN);
    set({'O', 0xD2, 0xD3, 0xD4, 0xD5, 0xD6}, kO);
    set({'P', 0xDE}, kP);
    set({'Q'}, "WQ");
    set({'R'}, "ETR");
    set({'S'}, kS);
    set({'T'}, "YRT");
    set({'U', 0xD9, 0xDA, 0xDB, 0xDC}, kU);
    set({'V'}, kV);
    set({'W'}, "QEW");
    set({'X'}, "CZX");
    set({'Y', 0x9F, 0xDD}, kY);
    set({'Z'}, "XZ");
    return t;
  }();
  return table[first];
}

std::string ApplyCasePattern(std::string_view typed, std::string_view suggestion) {
  bool anyLower = std::any_of(typed.begin(), typed.end(), [](char c) { return IsLowerLetter(uint8_t(c)); });
  std::string out(suggestion);
  if (!anyLower) return out;
  for (char& c : out) c = char(LowerChar(uint8_t(c)));
  size_t i = 0, j = 0;
  while (true) {
    while (i < typed.size() && i + 1 != typed.size() && !IsTypedLetter(uint8_t(typed[i]))) ++i;
    while (j < out.size() && j + 1 != out.size() && !IsSuggestionLetter(uint8_t(out[j]))) ++j;
    if (i >= typed.size() || j >= out.size()) break;
    if (IsUpperLetter(uint8_t(typed[i]))) out[j] = char(UpperChar(uint8_t(out[j])));
    ++i;
    ++j;
  }
  return out;
}

}  // namespace quillet
