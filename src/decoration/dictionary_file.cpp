// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_file.h>

#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

[[noreturn]] void Damaged(const fs::path& path, const std::string& why) {
  throw Error("The dictionary " + path.string() + " is damaged (" + why + ") and cannot be used.");
}

const TNode kOutside{0, kLastSibling};  // what a reader sees outside the tree

// Nodes 1 to count from their 3-byte records, with kOutside before and after.
std::vector<TNode> DecodeNodes(const uint8_t* p, uint32_t count) {
  std::vector<TNode> nodes(size_t(count) + 2, kOutside);
  for (uint32_t i = 1; i <= count; ++i, p += 3) nodes[i] = TNode{uint16_t(p[0] | p[1] << 8), p[2]};
  return nodes;
}

}  // namespace

TDictHeader TDictHeader::Parse(const uint8_t* b) {
  TDictHeader h;
  h.nodesInUse = Get32(b);
  h.nodeCount = Get32(b + 4);
  h.wordCount = Get32(b + 8);
  h.mainFlag = b[12];
  h.position = Get32(b + 13);
  return h;
}

std::array<uint8_t, kDictHeaderSize> TDictHeader::Bytes() const {
  std::array<uint8_t, kDictHeaderSize> b{};
  Put32(b.data(), nodesInUse);
  Put32(b.data() + 4, nodeCount);
  Put32(b.data() + 8, wordCount);
  b[12] = mainFlag;
  Put32(b.data() + 13, position);
  return b;
}

// ---------------------------------------------------------------- searching a tree

bool TDictionaryRecord::Contains(std::string_view word) {
  if (word.empty()) return false;
  uint32_t i = 1;
  size_t pos = 0;
  const size_t last = word.size() - 1;
  while (true) {
    TNode n = Node(i);
    if (n.Code() == LetterCode(uint8_t(word[pos]))) {
      if (pos == last) {
        if (n.WordEnd()) return true;
      } else if (HasChild(n)) {
        // The word can only go on below this node.
        i = n.child;
        ++pos;
        continue;
      }
    }
    if (n.Last()) return false;
    ++i;
  }
}

void TDictionaryRecord::ForEachWord(const std::function<void(const std::string&)>& found, long budget) {
  std::string prefix;
  EachWordIn(1, prefix, found, budget);
}

void TDictionaryRecord::EachWordIn(uint32_t group, std::string& prefix,
                                   const std::function<void(const std::string&)>& found, long& budget) {
  for (uint32_t i = group;; ++i) {
    if (--budget < 0) return;
    TNode n = Node(i);
    prefix.push_back(char(CodeLetter(n.Code())));
    if (n.WordEnd()) found(prefix);
    if (HasChild(n) && prefix.size() < 64) EachWordIn(n.child, prefix, found, budget);
    prefix.pop_back();
    if (n.Last()) return;
  }
}

// ---------------------------------------------------------------- main dictionaries

class TMainFile {
 public:
  TMainFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~TMainFile() { ::close(fd_); }
  TMainFile(const TMainFile&) = delete;
  TMainFile& operator=(const TMainFile&) = delete;
  uint64_t Size() const { return size_; }
  // Reads up to `count` bytes at `pos`; what the file does not hold reads as 0.
  void Read(uint64_t pos, uint8_t* out, size_t count) const {
    size_t got = 0;
    while (got < count) {
      ssize_t r = ::pread(fd_, out + got, count - got, off_t(pos + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += size_t(r);
    }
    std::memset(out + got, 0, count - got);
  }

 private:
  int fd_;
  uint64_t size_;
};

namespace {

// A segment of a main dictionary. Nodes are read on demand, a block of 64 at a
// time, the first time a node of the block is asked for, and kept: the
// suggestion search visits a large part of the tree for every word, and a
// small cache that keeps dropping blocks would read the same bytes again and
// again.
class TMainSegment : public TDictionaryRecord {
 public:
  TMainSegment(std::shared_ptr<TMainFile> file, uint64_t nodeBase, uint32_t nodeCount)
      : file_(std::move(file)), base_(nodeBase), count_(nodeCount), blocks_(nodeCount / kBlockNodes + 1) {}

  TNode Node(uint32_t i) override {
    if (i < 1 || i > count_) return kOutside;
    Block& block = blocks_[i / kBlockNodes];
    if (!block.loaded) {
      file_->Read(base_ + 3 * uint64_t(i - i % kBlockNodes), block.bytes.data(), block.bytes.size());
      block.loaded = true;
    }
    const uint8_t* p = block.bytes.data() + 3 * (i % kBlockNodes);
    return TNode{uint16_t(p[0] | p[1] << 8), p[2]};
  }

  bool HasChild(const TNode& n) const override { return n.child != 0 && n.child <= count_; }

  std::span<const TNode> AllNodes() override {
    if (all_.empty()) {
      std::vector<uint8_t> bytes(3 * size_t(count_));
      file_->Read(base_ + 3, bytes.data(), bytes.size());
      all_ = DecodeNodes(bytes.data(), count_);
    }
    return all_;
  }

 private:
  static constexpr uint32_t kBlockNodes = 64;
  struct Block {
    bool loaded = false;
    std::array<uint8_t, 3 * kBlockNodes> bytes{};
  };
  std::shared_ptr<TMainFile> file_;
  uint64_t base_;
  uint32_t count_;
  std::vector<Block> blocks_;
  std::vector<TNode> all_;
};

// Gives the position just past the banner's 0x1A, reading in small pieces.
uint64_t SkipBanner(const TMainFile& file, const fs::path& path) {
  uint8_t buf[512];
  for (uint64_t pos = 0; pos < file.Size(); pos += sizeof buf) {
    size_t n = size_t(std::min<uint64_t>(sizeof buf, file.Size() - pos));
    file.Read(pos, buf, n);
    if (const void* end = std::memchr(buf, 0x1A, n)) {
      return pos + uint64_t(static_cast<const uint8_t*>(end) - buf) + 1;
    }
  }
  Damaged(path, "no end of banner, byte 0x1A");
}

}  // namespace

std::vector<std::unique_ptr<TDictionaryRecord>> OpenMainDictionary(const fs::path& path) {
  int fd = OpenPlainFile(path);
  struct stat st {};
  ::fstat(fd, &st);
  auto file = std::make_shared<TMainFile>(fd, uint64_t(st.st_size));

  std::vector<std::unique_ptr<TDictionaryRecord>> segments;
  uint64_t pos = SkipBanner(*file, path);
  while (true) {
    if (pos + kDictHeaderSize > file->Size()) Damaged(path, "it ends inside a segment header");
    uint8_t raw[kDictHeaderSize];
    file->Read(pos, raw, sizeof raw);
    TDictHeader h = TDictHeader::Parse(raw);
    if (segments.empty() && h.mainFlag == 0) {
      throw Error(path.string() + " is a user dictionary, not a main dictionary.");
    }
    if (h.nodeCount == 0 || h.nodeCount > 65535) Damaged(path, "a segment has no usable node count");
    uint64_t nodeBase = pos + kDictHeaderSize - 3;
    uint64_t end = nodeBase + 3 + 3 * uint64_t(h.nodeCount);
    if (end > file->Size()) Damaged(path, "it ends before the last node of a segment");
    auto seg = std::make_unique<TMainSegment>(file, nodeBase, h.nodeCount);
    seg->kind = segments.empty() ? TDictionaryRecord::MainFirst : TDictionaryRecord::MainFurther;
    segments.push_back(std::move(seg));
    if (end + 20 >= file->Size()) break;
    pos = end;
  }
  return segments;
}

std::vector<std::unique_ptr<TDictionaryRecord>> OpenAnyDictionary(const fs::path& path) {
  bool isMain = false;
  std::vector<std::unique_ptr<TDictionaryRecord>> records;
  try {
    records.push_back(TUserDictionary::Load(path, &isMain));
  } catch (const Error&) {
    if (!isMain) throw;
    records = OpenMainDictionary(path);
  }
  return records;
}

// ---------------------------------------------------------------- user dictionaries

std::string TUserDictionary::NewFileBytes() {
  std::string bytes = "USER DICTIONARY\r\nQuillet's own words: a letter tree of 3-byte nodes\r\n\x1A";
  TDictHeader h;
  h.nodesInUse = 1;
  h.nodeCount = kUserNodeCount;
  h.wordCount = 1;
  h.position = uint32_t(bytes.size());
  auto hb = h.Bytes();
  bytes.append(reinterpret_cast<const char*>(hb.data()), hb.size());
  // Node 1 is the word "A"; the others are free.
  bytes += std::string("\0\0", 2) + char(LetterCode('A') | kLastSibling | kWordEnd);
  for (uint32_t i = 2; i <= kUserNodeCount; ++i) {
    bytes += char(kFreeNode & 0xFF);
    bytes += char(kFreeNode >> 8);
    bytes += char(kLastSibling | kWordEnd);
  }
  return bytes;
}

TUserDictionary::Identity TUserDictionary::IdentityOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {uintmax_t(st.st_size), (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
          (unsigned long long)st.st_ino};
}

std::unique_ptr<TUserDictionary> TUserDictionary::Load(const fs::path& path, bool* isMain) {
  if (isMain) *isMain = false;
  auto d = std::unique_ptr<TUserDictionary>(new TUserDictionary);
  d->kind = User;
  d->path_ = path;
  d->identity_ = IdentityOf(path);
  d->bytes_ = ReadWholeFile(path);
  const std::string& b = d->bytes_;
  size_t end = b.find('\x1A');
  if (end == std::string::npos) Damaged(path, "no end of banner, byte 0x1A");
  d->headerPos_ = end + 1;
  if (d->headerPos_ + kDictHeaderSize > b.size()) Damaged(path, "it ends inside its header");
  TDictHeader& h = d->header_;
  h = TDictHeader::Parse(reinterpret_cast<const uint8_t*>(b.data()) + d->headerPos_);
  if (h.mainFlag != 0) {
    if (isMain) *isMain = true;
    throw Error(path.string() + " is a main dictionary, not a user dictionary.");
  }
  // In memory the header holds its own position; it is written back there.
  h.position = uint32_t(d->headerPos_);
  if (h.nodesInUse < 1 || h.nodesInUse > kMaxUserNodes) Damaged(path, "its count of nodes in use is wrong");
  if (b.size() < d->NodeOffset(h.nodesInUse + 1)) Damaged(path, "it ends before its last node");
  for (uint32_t i = 1; i <= h.nodesInUse; ++i) {
    TNode n = d->NodeIn(b, i);
    if (n.child != 0 && n.child != kFreeNode && n.child > h.nodesInUse) {
      Damaged(path, "a node points outside the dictionary");
    }
  }
  return d;
}

TNode TUserDictionary::NodeIn(const std::string& bytes, uint32_t i) const {
  size_t at = NodeOffset(i);
  auto p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
  return TNode{uint16_t(p[0] | p[1] << 8), p[2]};
}

void TUserDictionary::SetNode(std::string& bytes, uint32_t i, TNode n) const {
  size_t at = NodeOffset(i);
  if (bytes.size() < at + 3) bytes.resize(at + 3, '\0');
  bytes[at] = char(n.child & 0xFF);
  bytes[at + 1] = char(n.child >> 8);
  bytes[at + 2] = char(n.flags);
}

TNode TUserDictionary::Node(uint32_t i) {
  if (i < 1 || i > header_.nodesInUse) return kOutside;
  return NodeIn(bytes_, i);
}

bool TUserDictionary::HasChild(const TNode& n) const {
  return n.child != 0 && n.child != kFreeNode && n.child <= header_.nodesInUse;
}

std::span<const TNode> TUserDictionary::AllNodes() {
  if (all_.empty()) {
    all_ = DecodeNodes(reinterpret_cast<const uint8_t*>(bytes_.data()) + NodeOffset(1), header_.nodesInUse);
  }
  return all_;
}

void TUserDictionary::Refresh() {
  if (IdentityOf(path_) == identity_) return;
  try {
    auto fresh = Load(path_);
    bytes_ = std::move(fresh->bytes_);
    all_.clear();
    headerPos_ = fresh->headerPos_;
    header_ = fresh->header_;
    identity_ = fresh->identity_;
  } catch (const Error&) {
    // Keep the words we have; the next change of the file is tried again.
    identity_ = IdentityOf(path_);
  }
}

// A chain written at node p: the nodes from p to the end of the used area move
// up by one, every child index beyond p follows them, and node p takes the
// first letter. Each further letter takes the next node after the used area and
// ends a group of its own; the last letter ends the word.
void TUserDictionary::InsertChain(std::string& bytes, TDictHeader& h, uint32_t p, std::string_view rest,
                                  bool ownGroup) const {
  for (uint32_t k = h.nodesInUse; k >= p && k >= 1; --k) SetNode(bytes, k + 1, NodeIn(bytes, k));
  for (uint32_t k = 1; k <= h.nodesInUse + 1; ++k) {
    if (k == p) continue;
    TNode n = NodeIn(bytes, k);
    if (n.child > p && n.child != kFreeNode) {
      ++n.child;
      SetNode(bytes, k, n);
    }
  }
  ++h.nodesInUse;
  uint8_t first = LetterCode(uint8_t(rest[0])) | (ownGroup ? kLastSibling : 0);
  if (rest.size() == 1) {
    SetNode(bytes, p, TNode{0, uint8_t(first | kWordEnd)});
    return;
  }
  SetNode(bytes, p, TNode{uint16_t(h.nodesInUse + 1), first});
  for (size_t k = 1; k < rest.size(); ++k) {
    ++h.nodesInUse;
    bool last = k + 1 == rest.size();
    uint8_t flags = LetterCode(uint8_t(rest[k])) | kLastSibling | (last ? kWordEnd : 0);
    SetNode(bytes, h.nodesInUse, TNode{uint16_t(last ? 0 : h.nodesInUse + 1), flags});
  }
}

TUserDictionary::AddResult TUserDictionary::Insert(std::string& bytes, TDictHeader& h, std::string_view word) const {
  if (word.empty()) return AddResult::AlreadyThere;
  if (word.size() > kMaxUserWordLength) return AddResult::TooLong;
  if (word.size() + h.nodesInUse > kMaxUserNodes) return AddResult::Full;

  uint32_t group = 1;
  for (size_t pos = 0; pos < word.size(); ++pos) {
    uint8_t code = LetterCode(uint8_t(word[pos]));
    uint32_t i = group;
    bool found = false;
    while (true) {
      TNode n = NodeIn(bytes, i);
      if (n.Code() == code) {
        found = true;
        break;
      }
      if (n.Last() || i >= h.nodesInUse) break;
      ++i;
    }
    if (!found) {
      InsertChain(bytes, h, group, word.substr(pos), false);
      break;
    }
    TNode n = NodeIn(bytes, i);
    if (pos + 1 == word.size()) {
      if (n.WordEnd()) return AddResult::AlreadyThere;
      n.flags |= kWordEnd;
      SetNode(bytes, i, n);
      break;
    }
    if (n.child != 0 && n.child != kFreeNode) {
      group = n.child;
      continue;
    }
    uint32_t p = h.nodesInUse + 1;
    InsertChain(bytes, h, p, word.substr(pos + 1), true);
    n.child = uint16_t(p);
    SetNode(bytes, i, n);
    break;
  }
  ++h.wordCount;
  auto hb = h.Bytes();
  bytes.replace(headerPos_, kDictHeaderSize, reinterpret_cast<const char*>(hb.data()), hb.size());
  return AddResult::Added;
}

void TUserDictionary::Store(std::string bytes, const TDictHeader& h) {
  try {
    WriteFileSafely(path_, bytes);
  } catch (const Error&) {
    throw Error("Unable to write to " + path_.string());
  }
  bytes_ = std::move(bytes);
  all_.clear();
  header_ = h;
  identity_ = IdentityOf(path_);
}

TUserDictionary::AddResult TUserDictionary::Add(std::string_view word) {
  if (!word.empty() && word.size() <= kMaxUserWordLength && Contains(word)) return AddResult::AlreadyThere;
  std::string bytes = bytes_;
  TDictHeader h = header_;
  AddResult result = Insert(bytes, h, word);
  if (result == AddResult::Added) Store(std::move(bytes), h);
  return result;
}

std::vector<std::string> TUserDictionary::Words() {
  std::vector<std::string> words;
  ForEachWord([&](const std::string& w) {
    // One-letter words are correct anyway; the "A" of a new dictionary is not the user's.
    if (w.size() > 1) words.push_back(w);
  });
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

size_t TUserDictionary::Remove(const std::vector<std::string>& gone) {
  std::vector<std::string> kept = Words();
  size_t before = kept.size();
  std::erase_if(kept, [&](const std::string& w) { return std::find(gone.begin(), gone.end(), w) != gone.end(); });
  if (kept.size() == before) return 0;
  // The file is made anew from the words that stay, as a new dictionary to
  // which they are added in order.
  std::string bytes = NewFileBytes();
  size_t headerPos = bytes.find('\x1A') + 1;
  TDictHeader h = TDictHeader::Parse(reinterpret_cast<const uint8_t*>(bytes.data()) + headerPos);
  h.position = uint32_t(headerPos);
  TUserDictionary fresh;
  fresh.headerPos_ = headerPos;
  for (const std::string& w : kept) fresh.Insert(bytes, h, w);
  Store(std::move(bytes), h);
  headerPos_ = headerPos;
  return before - kept.size();
}

}  // namespace quillet
