// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/word_count.h>

#include <finding/diary_statistics.h>

#include <algorithm>
#include <string_view>

namespace quillet {

TWordCounter::TWordCounter(richtext::TRTFText& doc) : doc_(&doc) {
  doc_->AddListener(this);
  slots_.resize(doc_->Size());
  uncounted_ = slots_.size();
}

TWordCounter::~TWordCounter() {
  if (doc_) doc_->RemoveListener(this);
}

void TWordCounter::Forget(size_t index) {
  Slot& s = slots_[index];
  if (!s.counted) return;
  counted_.words -= s.words;
  counted_.characters -= s.characters;
  s = Slot{};
  ++uncounted_;
}

void TWordCounter::Changed() {
  if (OnChange) OnChange();
}

void TWordCounter::ParagraphChanged(size_t index) {
  if (index < slots_.size()) Forget(index);
  Changed();
}

void TWordCounter::TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) {
  if (removed != 0 || index >= slots_.size() || !slots_[index].counted) return ParagraphChanged(index);
  // Only an insertion: the text before it was the text now without
  // offset..offset+inserted. Of the words, only the one it landed in (or
  // beside) can have changed: the run of word characters around the
  // insertion was one word or none before, and is counted afresh now.
  const std::u32string_view text = doc_->Par(index).text;
  if (offset + inserted > text.size()) return ParagraphChanged(index);
  size_t left = offset, right = offset + inserted;
  while (left > 0 && !IsWordGap(text[left - 1])) --left;
  while (right < text.size() && !IsWordGap(text[right])) ++right;
  const bool wasWord = left < offset || right > offset + inserted;
  Slot& s = slots_[index];
  const size_t words = CountWords(text.substr(left, right - left));
  const size_t characters = CountCharacters(text.substr(offset, inserted));
  s.words = uint32_t(s.words + words - (wasWord ? 1 : 0));
  s.characters = uint32_t(s.characters + characters);
  counted_.words = counted_.words + words - (wasWord ? 1 : 0);
  counted_.characters += characters;
  Changed();
}

void TWordCounter::ParagraphsInserted(size_t index, size_t count) {
  index = std::min(index, slots_.size());
  slots_.insert(slots_.begin() + std::ptrdiff_t(index), count, Slot{});
  uncounted_ += count;
  Changed();
}

void TWordCounter::ParagraphsRemoved(size_t index, size_t count) {
  index = std::min(index, slots_.size());
  count = std::min(count, slots_.size() - index);
  for (size_t i = index; i < index + count; ++i) {
    Forget(i);
    --uncounted_;
  }
  slots_.erase(slots_.begin() + std::ptrdiff_t(index), slots_.begin() + std::ptrdiff_t(index + count));
  Changed();
}

void TWordCounter::DocumentReset() {
  slots_.assign(doc_->Size(), Slot{});
  counted_ = {};
  uncounted_ = slots_.size();
  Changed();
}

void TWordCounter::CountAll() {
  // The document keeps one paragraph when its last is removed, and tells of
  // the removal only: the slots follow its size.
  if (slots_.size() != doc_->Size()) {
    const size_t before = slots_.size();
    if (before > doc_->Size()) {
      for (size_t i = doc_->Size(); i < before; ++i) {
        Forget(i);
        --uncounted_;
      }
    }
    slots_.resize(doc_->Size());
    if (before < doc_->Size()) uncounted_ += doc_->Size() - before;
  }
  if (uncounted_ == 0) return;
  for (size_t i = 0; i < slots_.size(); ++i) {
    Slot& s = slots_[i];
    if (s.counted) continue;
    const std::u32string_view text = doc_->Par(i).text;
    s.words = uint32_t(CountWords(text));
    s.characters = uint32_t(CountCharacters(text));
    s.counted = true;
    counted_.words += s.words;
    counted_.characters += s.characters;
  }
  uncounted_ = 0;
}

TTextCount TWordCounter::Total() {
  if (!doc_) return {};
  CountAll();
  return counted_;
}

TTextCount TWordCounter::Between(richtext::TPosition a, richtext::TPosition b) {
  TTextCount n;
  if (!doc_) return n;
  CountAll();
  if (b < a) std::swap(a, b);
  if (a.par >= doc_->Size()) return n;
  if (b.par >= doc_->Size()) b = {doc_->Size() - 1, std::u32string_view::npos};
  auto add = [&n](std::u32string_view text) {
    n.words += CountWords(text);
    n.characters += CountCharacters(text);
  };
  const std::u32string_view first = doc_->Par(a.par).text;
  const size_t from = std::min(a.offset, first.size());
  if (a.par == b.par) {
    add(first.substr(from, std::max(b.offset, from) - from));
    return n;
  }
  add(first.substr(from));
  // A paragraph end parts words, so the paragraphs between are their kept counts.
  for (size_t i = a.par + 1; i < b.par; ++i) {
    n.words += slots_[i].words;
    n.characters += slots_[i].characters;
  }
  add(std::u32string_view(doc_->Par(b.par).text).substr(0, b.offset));
  return n;
}

}  // namespace quillet
