// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/word_count_label.h>

#include <richtext/ui/rich_text.h>

#include <QTimer>

namespace quillet {
namespace {

QString Figures(const TTextCount& n, const QLocale& locale) {
  auto figure = [&locale](size_t count, const char* one, const char* many) {
    return locale.toString(qulonglong(count)) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
  };
  return figure(n.words, "word", "words") + QStringLiteral(", ") + figure(n.characters, "character", "characters");
}

}  // namespace

QString WordCountText(const TTextCount& total, const std::optional<TTextCount>& selection, const QLocale& locale) {
  QString text = Figures(total, locale);
  if (selection) text += QStringLiteral("; Selection: ") + Figures(*selection, locale);
  return text;
}

TWordCountLabel::TWordCountLabel(richtext::TRichText* editor, QWidget* parent)
    : QLabel(parent), editor_(editor), counter_(editor->Document()), timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("WordCountLabel"));
  timer_->setSingleShot(true);
  timer_->setInterval(kDelayMs);
  connect(timer_, &QTimer::timeout, this, &TWordCountLabel::Refresh);
  counter_.OnChange = [this] { Schedule(); };
  connect(editor_, &richtext::TRichText::CaretMoved, this, &TWordCountLabel::Schedule);
  connect(editor_, &QObject::destroyed, this, [this] {
    counter_.DocumentGone();
    editor_ = nullptr;
    timer_->stop();
  });
}

TWordCountLabel::~TWordCountLabel() = default;

void TWordCountLabel::Schedule() {
  // Not restarted by every key: while typing goes on, the text still follows
  // it every kDelayMs.
  if (editor_ && isVisible() && !timer_->isActive()) timer_->start();
}

void TWordCountLabel::Refresh() {
  timer_->stop();
  if (!editor_ || !isVisible()) return;
  const richtext::TEditor& e = editor_->Editor();
  std::optional<TTextCount> selection;
  if (e.HasSelection()) selection = counter_.Between(e.SelStart(), e.SelEnd());
  setText(WordCountText(counter_.Total(), selection));
}

void TWordCountLabel::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  // Counted on the timer, not here: at start the window's first paint does
  // not wait for the whole entry to be counted.
  Schedule();
}

void TWordCountLabel::hideEvent(QHideEvent* event) {
  QLabel::hideEvent(event);
  timer_->stop();  // hidden, it counts nothing; shown again, it counts afresh
}

}  // namespace quillet
