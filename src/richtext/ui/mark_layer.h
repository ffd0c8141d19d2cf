// SPDX-License-Identifier: GPL-3.0-or-later
/** Marked ranges: a decoration of the view, laid over the document's text
 ** (a wavy underline), kept apart from the document so that it is never saved,
 ** copied or undone. */
#pragma once

#include <richtext/document.h>

#include <vector>

namespace richtext {

// Characters start..end-1 of one paragraph.
struct TMarkRange {
  size_t start = 0, end = 0;
  bool operator==(const TMarkRange&) const = default;
};

// The marked ranges of every paragraph, following the document's changes: an
// edit moves the ranges after it with the text and drops a range that it
// touches; any other change of a paragraph drops its ranges; inserted and
// removed paragraphs move the ranges of the paragraphs below.
class TMarkLayer : public TDocumentListener {
 public:
  // Sorted, non-overlapping ranges replace those of the paragraph.
  void Set(size_t par, std::vector<TMarkRange> ranges);
  const std::vector<TMarkRange>& Of(size_t par) const;
  void Clear();
  bool Empty() const { return marked_ == 0; }
  // The range holding the offset, its ends included.
  const TMarkRange* At(size_t par, size_t offset) const;

  void ParagraphChanged(size_t index) override;
  void TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) override;
  void ParagraphsInserted(size_t index, size_t count) override;
  void ParagraphsRemoved(size_t index, size_t count) override;
  void DocumentReset() override { Clear(); }

 private:
  void Assign(size_t par, std::vector<TMarkRange> ranges);

  std::vector<std::vector<TMarkRange>> ranges_;  // by paragraph; may be shorter than the document
  size_t marked_ = 0;                            // paragraphs with at least one range
};

}  // namespace richtext
