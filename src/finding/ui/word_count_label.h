// SPDX-License-Identifier: GPL-3.0-or-later
/** TWordCountLabel: the words and characters of an editor's text, and of its
 ** selection, for a status bar. */
#pragma once

#include <finding/word_count.h>

#include <QLabel>
#include <QLocale>

#include <optional>

class QTimer;

namespace richtext {
class TRichText;
}

namespace quillet {

// "1,234 words, 6,789 characters", with "; Selection: 12 words, 70
// characters" after it when there is a selection; numbers in the locale's way.
QString WordCountText(const TTextCount& total, const std::optional<TTextCount>& selection,
                      const QLocale& locale = QLocale());

// Follows the editor: edits and moves of the selection start a short timer,
// and the text is brought up to date when it runs out, so a burst of keys
// costs one count of the paragraphs they touched. Nothing is counted while
// the label is hidden.
class TWordCountLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TWordCountLabel(richtext::TRichText* editor, QWidget* parent = nullptr);
  ~TWordCountLabel() override;

  // Brings the text up to date now.
  void Refresh();
  QTimer* Timer() const { return timer_; }
  static constexpr int kDelayMs = 150;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Schedule();

  richtext::TRichText* editor_;
  TWordCounter counter_;
  QTimer* timer_;
};

}  // namespace quillet
