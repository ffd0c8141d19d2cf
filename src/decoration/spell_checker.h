// SPDX-License-Identifier: GPL-3.0-or-later
/** A spell checker for one language, with words in UTF-8: our own engine with
 ** the main and the user dictionary for English, Enchant for every other
 ** language the desktop has a dictionary for. */
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The language our own dictionaries serve, and the one used when none is chosen.
inline constexpr std::string_view kEnglishLanguage = "en";

// True for the tags our own dictionaries answer ("en", "en_US").
bool IsOwnLanguage(std::string_view lang);

class TSpellChecker {
 public:
  virtual ~TSpellChecker() = default;
  // False for a word the checker cannot hold at all (for our dictionaries, a
  // letter outside their alphabet): such a word is neither reported nor added.
  virtual bool CanHold(std::string_view word) = 0;
  virtual bool Check(std::string_view word) = 0;
  // Suggestions, best first, each once.
  virtual std::vector<std::string> Suggest(std::string_view word) = 0;
  // Adds the word to the personal word list of this language. False, with the
  // reason in LastError, when it cannot. LastError also tells of a personal
  // list that Check found unreadable.
  virtual bool Add(std::string_view word) = 0;
  const std::string& LastError() const { return lastError_; }

 protected:
  std::string lastError_;
};

// The languages that can be checked: English (ours) first, then the tags of
// the dictionaries Enchant finds (hunspell, aspell, nuspell...), sorted, each once.
std::vector<std::string> InstalledSpellLanguages();

// A checker for the language. English opens the main dictionary found as
// program data and the diary's user dictionary ("quilletu.dct", created when
// the first word is added); any other language goes through Enchant, whose
// personal word list of that language takes the added words. Throws Error
// when there is no dictionary for the language.
std::unique_ptr<TSpellChecker> OpenSpellChecker(std::string_view lang, const std::filesystem::path& diaryDir);

}  // namespace quillet
