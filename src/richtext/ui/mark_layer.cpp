// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/ui/mark_layer.h>

#include <algorithm>

namespace richtext {

namespace {
const std::vector<TMarkRange> kNone;
}

void TMarkLayer::Assign(size_t par, std::vector<TMarkRange> ranges) {
  if (par >= ranges_.size()) {
    if (ranges.empty()) return;
    ranges_.resize(par + 1);
  }
  std::vector<TMarkRange>& slot = ranges_[par];
  marked_ -= slot.empty() ? 0 : 1;
  slot = std::move(ranges);
  marked_ += slot.empty() ? 0 : 1;
}

void TMarkLayer::Set(size_t par, std::vector<TMarkRange> ranges) {
  std::erase_if(ranges, [](const TMarkRange& r) { return r.end <= r.start; });
  std::sort(ranges.begin(), ranges.end(),
            [](const TMarkRange& a, const TMarkRange& b) { return a.start < b.start; });
  Assign(par, std::move(ranges));
}

const std::vector<TMarkRange>& TMarkLayer::Of(size_t par) const {
  return par < ranges_.size() ? ranges_[par] : kNone;
}

void TMarkLayer::Clear() {
  ranges_.clear();
  marked_ = 0;
}

const TMarkRange* TMarkLayer::At(size_t par, size_t offset) const {
  for (const TMarkRange& r : Of(par)) {
    if (r.start <= offset && offset <= r.end) return &r;
  }
  return nullptr;
}

void TMarkLayer::ParagraphChanged(size_t index) { Assign(index, {}); }

void TMarkLayer::TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) {
  if (Of(index).empty()) return;
  std::vector<TMarkRange> kept;
  size_t editEnd = offset + removed;
  for (TMarkRange r : ranges_[index]) {
    if (r.end < offset) {
      kept.push_back(r);
    } else if (r.start > editEnd) {
      r.start = r.start - removed + inserted;
      r.end = r.end - removed + inserted;
      kept.push_back(r);
    }
    // A range that the edit touches, even at one of its ends, is no longer the same word.
  }
  Assign(index, std::move(kept));
}

void TMarkLayer::ParagraphsInserted(size_t index, size_t count) {
  if (index >= ranges_.size()) return;
  ranges_.insert(ranges_.begin() + std::ptrdiff_t(index), count, {});
}

void TMarkLayer::ParagraphsRemoved(size_t index, size_t count) {
  if (index >= ranges_.size()) return;
  size_t end = std::min(ranges_.size(), index + count);
  for (size_t i = index; i < end; ++i) marked_ -= ranges_[i].empty() ? 0 : 1;
  ranges_.erase(ranges_.begin() + std::ptrdiff_t(index), ranges_.begin() + std::ptrdiff_t(end));
}

}  // namespace richtext
