// SPDX-License-Identifier: GPL-3.0-or-later
/** Building a main dictionary file from a word list. */
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Child indexes are 16-bit and 65000 marks a free node, so a tree holds fewer.
constexpr uint32_t kMaxMainSegmentNodes = 64999;

struct TBuiltDictionary {
  std::string bytes;                // the whole file
  std::vector<uint32_t> nodeCounts;  // of each segment
  size_t words = 0;
};

// Builds a main dictionary of the upper-case words (Windows-1252, every byte in
// the alphabet): a banner of the two lines, then as many segments as the node
// limit needs, each a letter tree over a run of the sorted words. Groups that
// hold the same letters leading to the same endings are stored once and shared.
// Throws Error when a single word cannot fit a segment.
TBuiltDictionary BuildMainDictionary(std::vector<std::string> words, std::string_view bannerLine,
                                     uint32_t maxNodesPerSegment = kMaxMainSegmentNodes);

}  // namespace quillet
