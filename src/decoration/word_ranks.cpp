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
  entries_.clear();
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
  entries_.reserve(size_t(std::count(rest.begin(), rest.end(), '\n')) + 1);
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
      entries_.push_back({uint32_t(line.data() - bytes_.data()), uint32_t(line.size()), rank});
    }
  }
  // The builder writes each rank's words sorted, so the file is a few sorted
  // runs: merged two by two, in file order, so that a word listed twice keeps
  // the rank it has first.
  auto before = [&](const Entry& a, const Entry& b) { return WordOf(a) < WordOf(b); };
  std::vector<size_t> runs = {0};
  for (size_t k = 1; k < entries_.size(); ++k) {
    if (before(entries_[k], entries_[k - 1])) runs.push_back(k);
  }
  runs.push_back(entries_.size());
  while (runs.size() > 2) {
    std::vector<size_t> merged;
    for (size_t r = 0; r + 1 < runs.size(); r += 2) {
      merged.push_back(runs[r]);
      if (r + 2 < runs.size()) {
        std::inplace_merge(entries_.begin() + long(runs[r]), entries_.begin() + long(runs[r + 1]),
                           entries_.begin() + long(runs[r + 2]), before);
      }
    }
    merged.push_back(entries_.size());
    runs = std::move(merged);
  }
  auto same = [&](const Entry& a, const Entry& b) { return WordOf(a) == WordOf(b); };
  entries_.erase(std::unique(entries_.begin(), entries_.end(), same), entries_.end());
  return !entries_.empty();
}

int TWordRanks::Rank(std::string_view upper) const {
  if (entries_.empty()) return 1;
  auto it = std::lower_bound(entries_.begin(), entries_.end(), upper,
                             [&](const Entry& e, std::string_view w) { return WordOf(e) < w; });
  return it != entries_.end() && WordOf(*it) == upper ? it->rank : unlisted_;
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
