// SPDX-License-Identifier: GPL-3.0-or-later
/** Dictionary files: a text banner ended by 0x1A, then segments of a 17-byte
 ** header and an array of 3-byte letter-tree nodes. Main dictionaries are read
 ** on demand, in blocks of 64 nodes kept once read, and a segment whole the first
 ** time a suggestion search walks it; a user dictionary is small and is
 ** held whole, changed in memory and written back beside itself and renamed. */
#pragma once

#include <decoration/spell_alphabet.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

constexpr size_t kDictHeaderSize = 17;
constexpr uint16_t kFreeNode = 65000;     // child index of an unused node of a user dictionary
constexpr uint8_t kLastSibling = 0x40;    // the node ends its sibling group
constexpr uint8_t kWordEnd = 0x80;        // a word ends at the node
constexpr size_t kMaxUserWordLength = 25;
constexpr uint32_t kMaxUserNodes = 63999;
constexpr uint32_t kUserNodeCount = 500;  // nodes of a new user dictionary

// Segment header, as stored: all integers little-endian.
//   0  u32  nodes in use (user dictionary)
//   4  u32  nodes in the segment (main dictionary); 500 in a new user dictionary
//   8  u32  word counter (user dictionary)
//   12 u8   0 in a user dictionary, non-zero in a main dictionary segment
//   13 u32  the file position of the header (written by a user dictionary)
struct TDictHeader {
  uint32_t nodesInUse = 0;
  uint32_t nodeCount = 0;
  uint32_t wordCount = 0;
  uint8_t mainFlag = 0;
  uint32_t position = 0;

  static TDictHeader Parse(const uint8_t* bytes);
  std::array<uint8_t, kDictHeaderSize> Bytes() const;
};

// A node: the first node of its child group (0: none) and its flags (letter
// code in bits 0-5, kLastSibling, kWordEnd).
struct TNode {
  uint16_t child = 0;
  uint8_t flags = 0;
  uint8_t Code() const { return flags & 63; }
  bool Last() const { return flags & kLastSibling; }
  bool WordEnd() const { return flags & kWordEnd; }
};

// One letter tree: a segment of a main dictionary or a user dictionary.
// Nodes are numbered from 1; asking for a node outside the tree gives an empty
// node that ends its group, so a damaged file never leads a reader astray.
class TDictionaryRecord {
 public:
  enum Kind { MainFirst = 0, MainFurther = 1, User = 2 };
  virtual ~TDictionaryRecord() = default;
  Kind kind = MainFirst;
  int userIndex = -1;

  virtual TNode Node(uint32_t i) = 0;
  // True when the node has a child group inside the tree.
  virtual bool HasChild(const TNode& n) const = 0;
  // Every node of the tree at once, as Node gives them, for a search that
  // visits most of the tree: nodes 1 to count, with the empty node outside
  // the tree at 0 and at count + 1. A child index above count is no child.
  // Valid until the tree next changes.
  virtual std::span<const TNode> AllNodes() = 0;

  // Is the upper-case word in this tree?
  bool Contains(std::string_view word);
  // Calls `found` with every word of the tree (at most 64 letters long), in
  // tree order, visiting at most `budget` nodes (groups of a damaged file may loop).
  void ForEachWord(const std::function<void(const std::string&)>& found, long budget = 200'000'000);

 private:
  void EachWordIn(uint32_t group, std::string& prefix, const std::function<void(const std::string&)>& found,
                  long& budget);
};

// The file of a main dictionary, shared by its segments.
class TMainFile;

// Opens a main dictionary: one record per segment, the first of kind MainFirst.
// Throws Error with a text for the user when the file cannot be opened, is not a
// main dictionary, or is damaged.
std::vector<std::unique_ptr<TDictionaryRecord>> OpenMainDictionary(const fs::path& path);

// Opens a dictionary file of either kind: the segments of a main dictionary,
// or the one tree of a user dictionary. Throws Error as the two openers do.
std::vector<std::unique_ptr<TDictionaryRecord>> OpenAnyDictionary(const fs::path& path);

// A user dictionary, held whole in memory.
class TUserDictionary : public TDictionaryRecord {
 public:
  // Reads and checks the file; throws Error when it cannot be read, is a main
  // dictionary (`isMain` is then set), or is damaged.
  static std::unique_ptr<TUserDictionary> Load(const fs::path& path, bool* isMain = nullptr);
  // The bytes of a new user dictionary holding only the word "A".
  static std::string NewFileBytes();

  TNode Node(uint32_t i) override;
  bool HasChild(const TNode& n) const override;
  std::span<const TNode> AllNodes() override;

  // Reloads the file when it changed on disk since it was read or written
  // (another window added a word); keeps what it has when the file is unreadable.
  void Refresh();

  enum class AddResult { Added, AlreadyThere, TooLong, Full };
  // Adds an upper-case word and writes the file; throws Error when the file
  // cannot be written, leaving both the file and the dictionary as they were.
  AddResult Add(std::string_view word);

  // The words of the dictionary, sorted, but for one-letter words (always
  // correct; a new dictionary holds "A").
  std::vector<std::string> Words();
  // Takes the upper-case words out: the file is made anew from the words that
  // stay, in the same format, and written in place of the old one at once.
  // Gives the number of words taken out; throws Error, keeping both the file
  // and the dictionary as they were, when the file cannot be written.
  size_t Remove(const std::vector<std::string>& words);

  const fs::path& Path() const { return path_; }
  const TDictHeader& Header() const { return header_; }
  const std::string& Bytes() const { return bytes_; }

 private:
  struct Identity {
    uintmax_t size = 0;
    long long mtimeNs = 0;
    unsigned long long inode = 0;
    bool operator==(const Identity&) const = default;
  };
  static Identity IdentityOf(const fs::path& path);
  TUserDictionary() = default;
  // Adds the word to the bytes of a dictionary and its header, in memory.
  AddResult Insert(std::string& bytes, TDictHeader& h, std::string_view word) const;
  // Writes the bytes in place of the file and takes them as the dictionary's.
  void Store(std::string bytes, const TDictHeader& h);
  size_t NodeOffset(uint32_t i) const { return headerPos_ + kDictHeaderSize + 3 * size_t(i - 1); }
  void SetNode(std::string& bytes, uint32_t i, TNode n) const;
  TNode NodeIn(const std::string& bytes, uint32_t i) const;
  // Writes the rest of a word as a chain starting at node p (see Add).
  void InsertChain(std::string& bytes, TDictHeader& h, uint32_t p, std::string_view rest,
                   bool ownGroup) const;

  fs::path path_;
  std::string bytes_;
  size_t headerPos_ = 0;
  TDictHeader header_;
  Identity identity_;
  std::vector<TNode> all_;  // AllNodes, made again after every change
};

}  // namespace quillet
