// SPDX-License-Identifier: GPL-3.0-or-later
/** TSearchResultsPanel: every entry holding a text, newest first, filled while a worker thread searches. */
#pragma once

#include <finding/search.h>

#include <QDockWidget>
#include <QString>

#include <atomic>
#include <memory>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QThread;

namespace quillet {

class TSearchResultsPanel : public QDockWidget {
  Q_OBJECT
 public:
  explicit TSearchResultsPanel(QWidget* parent = nullptr);
  ~TSearchResultsPanel() override;

  // Empties the list and starts searching the entries of `store` from `first`
  // to `last` in a worker thread; a search still running is cancelled first,
  // and nothing it finds afterwards reaches the list.
  void Start(const TEntryStore& store, TDate first, TDate last, const QString& text,
             const TSearchOptions& options);
  // Stops the running search and lists `hits` as they are, under `status`.
  void ShowList(const QString& status, const std::vector<TSearchHit>& hits);
  // Stops the running search, if any, and waits for its thread.
  void Cancel();
  bool Running() const { return thread_ != nullptr; }

  QListWidget* Results() const { return results_; }
  QLabel* StatusLabel() const { return status_; }
  // The hit of a row of the list.
  static TSearchHit HitOf(const QListWidgetItem* item);

 signals:
  // A result was clicked (or chosen with Enter).
  void HitChosen(const quillet::TSearchHit& hit);
  // The search ran to its end: how many entries hold the text, and the
  // sentence naming entries it could not look into (or empty).
  void Finished(int hits, const QString& skipped);

 private:
  void AddHit(unsigned generation, const TSearchHit& hit);
  void Done(unsigned generation, const QString& skipped);

  QLabel* status_;
  QListWidget* results_;
  QThread* thread_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stop_;
  unsigned generation_ = 0;  // which search the list shows
  QString text_;
};

}  // namespace quillet
