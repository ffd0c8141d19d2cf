// SPDX-License-Identifier: GPL-3.0-or-later
/** The spelling engine: looks words up in a main dictionary and the user's own
 ** dictionaries, ranks suggestions for a misspelt word, and adds words to a user
 ** dictionary. Words are 8-bit strings in Windows-1252 (see DictionaryWord). */
#pragma once

#include <decoration/dictionary_file.h>
#include <decoration/word_ranks.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TSpellEngine {
 public:
  TSpellEngine() = default;
  ~TSpellEngine();
  TSpellEngine(const TSpellEngine&) = delete;
  TSpellEngine& operator=(const TSpellEngine&) = delete;

  // The main dictionary opened when a lookup finds none open; after a
  // successful OpenDictionary, the name of that dictionary.
  std::string DictionaryName = "main.dct";
  std::string DictionaryUser = "user.dct";  // stored only
  int MaxSuggestions() const { return maxSuggestions_; }
  void SetMaxSuggestions(int n) { maxSuggestions_ = std::clamp(n, 0, 220); }

  // Opens a main dictionary unless one is open already (then false).
  bool OpenDictionary(const fs::path& path);
  // -1 when the file cannot be opened or is damaged; 0 when it is a main
  // dictionary; else the index of the new user dictionary.
  int OpenUserDictionary(const fs::path& path);
  // Writes a new user dictionary holding the word "A", adds the given words
  // (sorted first) and opens it; -1 when the file cannot be written.
  int CreateUserDictionary(const fs::path& path, std::vector<std::string> words);
  void CloseDictionaries();

  // Words of 0 or 1 letters are correct; so is a word ending in 's whose
  // stem is correct.
  bool IsWordCorrect(std::string_view word);
  // Adds the word to the user dictionary with that index. False, with the
  // reason in LastError, when it cannot: no such dictionary, the word is longer
  // than 25 letters, the dictionary is full, or the file cannot be written.
  // True when the word is added or was there already.
  bool AddWord(std::string_view word, int userIndex);
  // At most MaxSuggestions suggestions, best first, each word once, in the
  // letter case of the word as typed. Ranked by the cost of the slip that
  // would turn the word into what was typed (typing_cost.h) and, at equal
  // cost, by how common the word is (the rank file beside the main dictionary).
  // Two common words run together are offered after every word one slip away. The list is the engine's own, refilled
  // at every call.
  const std::vector<std::string>& GetSuggestions(std::string_view word);

  // The words of the user dictionary with that index, sorted, upper case;
  // empty when there is none.
  std::vector<std::string> UserWords(int userIndex);
  // Takes the words out of the user dictionary with that index (rewriting its
  // file). False, with the reason in LastError, when the file cannot be written.
  bool RemoveWords(const std::vector<std::string>& words, int userIndex);

  bool MainDictionaryOpen() const { return mainOpen_; }
  // The text of the last failure, for the user; empty when the last operation
  // that can fail did not.
  const std::string& LastError() const { return lastError_; }

 private:
  void EnsureMainDictionary();
  void RefreshUserDictionaries();
  bool Lookup(std::string_view upper);
  TUserDictionary* UserDictionary(int index);
  int Commonness(std::string_view upper) const;
  int AppendUser(std::unique_ptr<TUserDictionary> d);

  std::vector<std::unique_ptr<TDictionaryRecord>> chain_;
  std::vector<std::string> suggestions_;
  TWordRanks ranks_;
  int nextUserIndex_ = 2;
  bool mainOpen_ = false;
  int maxSuggestions_ = 10;
  std::string lastError_;
};

}  // namespace quillet
