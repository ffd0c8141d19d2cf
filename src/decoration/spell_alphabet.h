// SPDX-License-Identifier: GPL-3.0-or-later
/** The dictionary alphabet and the text rules of the spelling engine: letter codes,
 ** upper and lower case, the words of a text, and the case pattern of a suggestion.
 ** Words here are 8-bit strings in the Windows-1252 code page. */
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The 6-bit letter code of a byte: A-Z 0-25, apostrophe 26, hyphen 27, Š 28, Œ 29,
// Ÿ 30, À-Ï 31-46, Ð-Ö 47-53, Ø-ß 54-61, ð 62, grave accent 63. Lower-case
// letters take the code of their upper-case letter; every other byte has code 0.
uint8_t LetterCode(uint8_t c);
// The byte a letter code stands for (its upper-case letter).
uint8_t CodeLetter(uint8_t code);

// Upper case as the dictionaries store words: a-z, š, œ, ÿ, and 0xE0-0xFE but
// ð and ÷ become upper case; everything else stays.
uint8_t UpperChar(uint8_t c);
std::string UpperWord(std::string_view word);
uint8_t LowerChar(uint8_t c);

// True when the dictionary can store the byte as itself: its upper-case form is
// one of the 64 letters of the alphabet.
bool InAlphabet(uint8_t c);

// A word of the text as the dictionaries can hold it, in Windows-1252, or nothing.
//
// The rule for text beyond Windows-1252: a word holding a character that the
// 64-letter alphabet cannot hold (a letter outside Windows-1252 such as "ł",
// or a byte that would be stored as the letter A, such as a digit) can neither
// be looked up truthfully nor stored, so the spell checker neither reports it
// nor offers it for adding. The typographic apostrophe (U+2019) is read as the
// plain apostrophe.
std::optional<std::string> DictionaryWord(std::u32string_view word);

// A word of a plain text: as written (UTF-8), and as the dictionaries hold it
// when they can (see DictionaryWord).
struct TTextWord {
  std::string written;
  std::optional<std::string> word;
};
// The words of a UTF-8 text, in order, split as the spell-check walk splits an
// entry: at the text finder's separators, keeping an apostrophe between two
// letters ("wasn't").
std::vector<TTextWord> TextWords(std::string_view utf8);
// A dictionary word (Windows-1252) in UTF-8.
std::string WordToUtf8(std::string_view cp1252);

// Gives the suggestion (upper case) the letter case of the word as typed: all
// upper case when the typed word has no lower-case letter; else lower case with
// capitals where the typed word has them, letter for letter.
std::string ApplyCasePattern(std::string_view typed, std::string_view suggestion);

}  // namespace quillet
