// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_builder.h>

#include <decoration/dictionary_file.h>
#include <decoration/spell_alphabet.h>

#include <base/error.h>

#include <algorithm>
#include <map>

namespace quillet {

namespace {

// A letter tree of the words, then its groups interned: a group is the list of
// (letter code, word end, child group) of one node's children, so equal
// endings share their groups.
class TTreeBuilder {
 public:
  explicit TTreeBuilder(const std::vector<std::string>& words) {
    nodes_.emplace_back();
    for (const std::string& w : words) {
      int at = 0;
      for (char c : w) {
        uint8_t code = LetterCode(uint8_t(c));
        auto& kids = nodes_[size_t(at)].kids;
        auto it = std::find_if(kids.begin(), kids.end(), [&](auto& k) { return k.first == code; });
        if (it != kids.end()) {
          at = it->second;
        } else {
          int fresh = int(nodes_.size());
          nodes_[size_t(at)].kids.emplace_back(code, fresh);
          nodes_.emplace_back();
          at = fresh;
        }
      }
      nodes_[size_t(at)].end = true;
    }
    groups_.emplace_back();  // group 0: no children
    root_ = Intern(0);
  }

  size_t NodeCount() const {
    size_t n = 0;
    for (const auto& g : groups_) n += g.size();
    return n;
  }

  // The nodes, numbered from 1, groups laid out depth first from the root.
  std::vector<TNode> Emit() {
    index_.assign(groups_.size(), 0);
    out_.assign(1, TNode{});
    Place(root_);
    return out_;
  }

 private:
  struct TrieNode {
    std::vector<std::pair<uint8_t, int>> kids;
    bool end = false;
  };
  struct Entry {
    uint8_t code;
    bool end;
    int child;  // group id
    auto operator<=>(const Entry&) const = default;
  };
  using Group = std::vector<Entry>;

  int Intern(int node) {
    Group g;
    auto kids = nodes_[size_t(node)].kids;
    std::sort(kids.begin(), kids.end());
    for (auto [code, child] : kids) g.push_back(Entry{code, nodes_[size_t(child)].end, Intern(child)});
    if (g.empty()) return 0;
    auto [it, fresh] = ids_.try_emplace(g, int(groups_.size()));
    if (fresh) groups_.push_back(g);
    return it->second;
  }

  uint32_t Place(int id) {
    if (index_[size_t(id)]) return index_[size_t(id)];
    const Group& g = groups_[size_t(id)];
    uint32_t base = uint32_t(out_.size());
    index_[size_t(id)] = base;
    out_.resize(out_.size() + g.size());
    for (size_t k = 0; k < g.size(); ++k) {
      uint16_t child = g[k].child ? uint16_t(Place(g[k].child)) : 0;
      uint8_t flags = g[k].code | (g[k].end ? kWordEnd : 0) | (k + 1 == g.size() ? kLastSibling : 0);
      out_[base + k] = TNode{child, flags};
    }
    return base;
  }

  std::vector<TrieNode> nodes_;
  std::vector<Group> groups_;
  std::map<Group, int> ids_;
  int root_ = 0;
  std::vector<uint32_t> index_;
  std::vector<TNode> out_;
};

void AppendSegment(TBuiltDictionary& out, const std::vector<std::string>& words, uint32_t maxNodes) {
  TTreeBuilder tree(words);
  size_t count = tree.NodeCount();
  if (count > maxNodes) {
    if (words.size() < 2) throw Error("The word \"" + words.front() + "\" does not fit a dictionary segment.");
    size_t half = words.size() / 2;
    AppendSegment(out, {words.begin(), words.begin() + long(half)}, maxNodes);
    AppendSegment(out, {words.begin() + long(half), words.end()}, maxNodes);
    return;
  }
  std::vector<TNode> nodes = tree.Emit();
  TDictHeader h;
  h.nodesInUse = uint32_t(count);
  h.nodeCount = uint32_t(count);
  h.wordCount = uint32_t(words.size());
  h.mainFlag = 1;
  h.position = uint32_t(out.bytes.size());
  auto hb = h.Bytes();
  out.bytes.append(reinterpret_cast<const char*>(hb.data()), hb.size());
  for (size_t i = 1; i < nodes.size(); ++i) {
    out.bytes += char(nodes[i].child & 0xFF);
    out.bytes += char(nodes[i].child >> 8);
    out.bytes += char(nodes[i].flags);
  }
  out.nodeCounts.push_back(uint32_t(count));
  out.words += words.size();
}

}  // namespace

TBuiltDictionary BuildMainDictionary(std::vector<std::string> words, std::string_view bannerLine,
                                     uint32_t maxNodesPerSegment) {
  for (std::string& w : words) w = UpperWord(w);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  words.erase(std::remove(words.begin(), words.end(), std::string()), words.end());
  TBuiltDictionary out;
  out.bytes = "QUILLET MAIN DICTIONARY\r\n" + std::string(bannerLine) + "\r\n\x1A";
  if (words.empty()) throw Error("A dictionary needs at least one word.");
  AppendSegment(out, words, std::min(maxNodesPerSegment, kMaxMainSegmentNodes));
  return out;
}

}  // namespace quillet
