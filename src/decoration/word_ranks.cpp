// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/word_ranks.h>

#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>

namespace quillet {

namespace {
constexpr std::string_view kBanner = "QUILLET WORD RANKS\r\n";
}

std::filesystem::path TWordRanks::PathFor(const std::filesystem::path& dictionary) {
  std::filesystem::path p = dictionary;
  p.replace_extension(".rnk");
  return p;
}

void TWordRanks::Clear() {
  ranks_.clear();
  bytes_.clear();
  unlisted_ = 1;
}

bool TWordRanks::Load(const std::filesystem::path& path) {
  Clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  try {
    bytes_ = ReadWholeFile(path);
  } catch (const Error&) {
    return false;
  }
  size_t end = bytes_.find('\x1A');
  if (!bytes_.starts_with(kBanner) || end == std::string::npos) {
    bytes_.clear();
    return false;
  }
  std::string_view rest(bytes_);
  rest.remove_prefix(end + 1);
  int rank = 0;
  while (!rest.empty()) {
    size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line[0] == '=') {
      int r = 0;
      for (char c : line.substr(1)) r = (c >= '0' && c <= '9' && r < 1000) ? r * 10 + (c - '0') : -1;
      rank = r > 0 ? r : 0;
      unlisted_ = std::max(unlisted_, rank);
    } else if (rank > 0) {
      ranks_.try_emplace(line, rank);
    }
  }
  return !ranks_.empty();
}

int TWordRanks::Rank(std::string_view upper) const {
  if (ranks_.empty()) return 1;
  auto it = ranks_.find(upper);
  return it == ranks_.end() ? unlisted_ : it->second;
}

std::string TWordRanks::Format(const std::vector<std::vector<std::string>>& levels, std::string_view bannerLine) {
  std::string out(kBanner);
  out += std::string(bannerLine) + "\r\n\x1A";
  for (size_t k = 0; k < levels.size(); ++k) {
    out += "=" + std::to_string(k + 1) + "\n";
    for (const std::string& w : levels[k]) out += w + "\n";
  }
  return out;
}

}  // namespace quillet
