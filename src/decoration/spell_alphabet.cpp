// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/spell_alphabet.h>

#include <richtext/finder.h>
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

std::vector<TTextWord> TextWords(std::string_view utf8) {
  using richtext::TTextFinder;
  richtext::TString text = richtext::FromUtf8Lenient(utf8);
  std::vector<TTextWord> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && TTextFinder::IsSeparator(text[i])) ++i;
    size_t start = i;
    while (i < text.size() &&
           (!TTextFinder::IsSeparator(text[i]) ||
            (TTextFinder::IsWordApostrophe(text[i]) && i > start && i + 1 < text.size() &&
             !TTextFinder::IsSeparator(text[i + 1])))) {
      ++i;
    }
    if (i == start) continue;
    std::u32string_view w(text.data() + start, i - start);
    words.push_back({richtext::ToUtf8(richtext::TString(w)), DictionaryWord(w)});
  }
  return words;
}

std::string WordToUtf8(std::string_view cp1252) { return richtext::ToUtf8(richtext::FromCp1252(cp1252)); }

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
