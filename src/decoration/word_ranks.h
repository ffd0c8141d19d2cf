// SPDX-License-Identifier: GPL-3.0-or-later
/** How common each word of a main dictionary is, kept in a small file beside it
 ** (the dictionary's name with the extension ".rnk"; docs/word-ranks.md has the
 ** format). Rank 1 is the most common; the suggestion search puts common words
 ** ahead of rare ones at equal typing cost. */
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TWordRanks {
 public:
  // Reads the rank file; false (and no ranks) when it is missing or is not a
  // rank file. Lines it does not understand are skipped.
  bool Load(const std::filesystem::path& path);
  void Clear();
  bool Empty() const { return entries_.empty(); }
  // The rank of an upper-case word: 1 the most common; a word the file does not
  // list has the highest rank the file names. Without ranks every word is 1.
  int Rank(std::string_view upper) const;

  // The bytes of a rank file: `levels[k]` holds the upper-case words of rank
  // k + 1 (Windows-1252). The last level may be left empty: its words are the
  // ones the file does not list.
  static std::string Format(const std::vector<std::vector<std::string>>& levels, std::string_view bannerLine);
  // The rank file that belongs to a main dictionary.
  static std::filesystem::path PathFor(const std::filesystem::path& dictionary);

 private:
  // A word of the file: where its line starts in bytes_, its length, its rank.
  struct Entry {
    uint32_t at;
    uint32_t size;
    int rank;
  };
  std::string_view WordOf(const Entry& e) const { return std::string_view(bytes_).substr(e.at, e.size); }

  std::string bytes_;
  // Sorted by word, each word once (its first rank in the file): no table to
  // build at start, a lookup is a binary search.
  std::vector<Entry> entries_;
  int unlisted_ = 1;
};

}  // namespace quillet
