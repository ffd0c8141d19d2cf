// SPDX-License-Identifier: GPL-3.0-or-later
/** The words and characters of one document, kept as it is edited: each
 ** paragraph's counts are kept, and an edit only marks its paragraphs to be
 ** counted again when the figures are next asked for. */
#pragma once

#include <richtext/document.h>
#include <richtext/paint.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillet {

// Words by CountWords, characters by CountCharacters (diary_statistics.h).
struct TTextCount {
  size_t words = 0;
  size_t characters = 0;
  bool operator==(const TTextCount&) const = default;
};

// Listens to one document for as long as it lives; the document must outlive
// it, or be reported gone.
// Characters typed into a counted paragraph mend its counts from the word
// they land in; any other edit marks its paragraphs, and Total and Between
// count the marked paragraphs again, so their cost is that of the paragraphs
// edited since.
class TWordCounter : private richtext::TDocumentListener {
 public:
  explicit TWordCounter(richtext::TRTFText& doc);
  ~TWordCounter() override;
  TWordCounter(const TWordCounter&) = delete;
  TWordCounter& operator=(const TWordCounter&) = delete;

  // The whole document.
  TTextCount Total();
  // The text from one position to another (in either order), as a selection
  // holds it: a word cut by either end counts as a word.
  TTextCount Between(richtext::TPosition a, richtext::TPosition b);

  // The document was destroyed before the counter (its editor went first):
  // the counter lets go of it and counts nothing from now on.
  void DocumentGone() { doc_ = nullptr; }

  // Told after every change of the document, as it happens: keep it cheap
  // (start a timer, not a count).
  std::function<void()> OnChange;

 private:
  struct Slot {
    uint32_t words = 0;
    uint32_t characters = 0;
    bool counted = false;
  };

  void ParagraphChanged(size_t index) override;
  void TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) override;
  void ParagraphsInserted(size_t index, size_t count) override;
  void ParagraphsRemoved(size_t index, size_t count) override;
  void DocumentReset() override;

  void Forget(size_t index);  // takes a counted paragraph out of the totals
  void CountAll();            // counts the marked paragraphs
  void Changed();

  richtext::TRTFText* doc_;
  std::vector<Slot> slots_;
  TTextCount counted_;      // the sum over the counted slots
  size_t uncounted_ = 0;    // slots waiting to be counted
};

}  // namespace quillet
