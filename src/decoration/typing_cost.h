// SPDX-License-Identifier: GPL-3.0-or-later
/** What a slip of the keyboard or of memory costs: the weighted edit distance
 ** between the word meant and the word typed, and the search of a letter tree for
 ** the words within a cost of what was typed. Both words are upper case
 ** (Windows-1252), as the dictionaries hold them. */
#pragma once

#include <decoration/dictionary_file.h>

#include <functional>
#include <string>
#include <string_view>

namespace quillet {

// Costs in tenths of an ordinary edit (a letter replaced by an unrelated one = 10).
namespace slip {
constexpr int kSwap = 6;           // two neighbouring letters swapped
constexpr int kDoubling = 5;       // one letter of a double left out or typed twice
constexpr int kPunctuation = 4;    // apostrophe or hyphen left out or added
constexpr int kDigraphH = 6;       // the H of CH, GH, PH, SH, TH, WH left out
constexpr int kMissing = 8;        // a letter left out
constexpr int kExtra = 8;          // a letter typed too many
constexpr int kAccent = 3;         // the same letter with another accent
constexpr int kVowel = 6;          // one vowel for another
constexpr int kNeighbour = 7;      // the key beside it
constexpr int kSoundAlike = 8;     // a letter of the same sound (C, K, S...)
constexpr int kOther = 10;
constexpr int kFirstLetter = 3;    // added when the first letter differs (rarely the slip),
                                   // unless the first two letters are swapped
}  // namespace slip

// The cost of replacing the intended letter by the typed one (0 when equal).
int SubstitutionCost(uint8_t intended, uint8_t typed);

// The weighted edit distance between the intended word and the typed word:
// swaps, letters left out, doubled or extra, and replaced letters, each at its
// cost above, plus kFirstLetter when the first letters differ and are not
// merely swapped with the second.
int TypingCost(std::string_view intended, std::string_view typed);

// Calls `found` with every word of the tree whose TypingCost from `typed` is at
// most `limit` (which `found` may lower as better words turn up). `budget`
// counts down the nodes visited, so a damaged tree cannot loop for ever.
void WalkNearWords(TDictionaryRecord& tree, std::string_view typed, int& limit,
                   const std::function<void(const std::string& word, int cost)>& found, long& budget);

}  // namespace quillet
