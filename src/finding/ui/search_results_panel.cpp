// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/search_results_panel.h>

#include <diary/dates.h>

#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QThread>
#include <QVBoxLayout>

namespace quillet {
namespace {

constexpr int kDayRole = Qt::UserRole;
constexpr int kPositionRole = Qt::UserRole + 1;
constexpr int kLengthRole = Qt::UserRole + 2;

QString CountText(int hits) {
  return hits == 1 ? QStringLiteral("1 entry") : QString::number(hits) + QStringLiteral(" entries");
}

}  // namespace

TSearchResultsPanel::TSearchResultsPanel(QWidget* parent) : QDockWidget("Search Results", parent) {
  setObjectName("SearchResults");
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(4, 4, 4, 4);
  status_ = new QLabel(body);
  status_->setObjectName("SearchStatus");
  status_->setWordWrap(true);
  results_ = new QListWidget(body);
  results_->setObjectName("SearchResultList");
  results_->setWordWrap(true);
  results_->setMinimumWidth(220);
  column->addWidget(status_);
  column->addWidget(results_, 1);
  setWidget(body);
  auto choose = [this](QListWidgetItem* item) {
    if (item) emit HitChosen(HitOf(item));
  };
  connect(results_, &QListWidget::itemClicked, this, choose);
  connect(results_, &QListWidget::itemActivated, this, choose);
}

TSearchResultsPanel::~TSearchResultsPanel() { Cancel(); }

TSearchHit TSearchResultsPanel::HitOf(const QListWidgetItem* item) {
  TSearchHit hit;
  hit.day = TDate(std::chrono::days(item->data(kDayRole).toLongLong()));
  hit.position = size_t(item->data(kPositionRole).toULongLong());
  hit.length = size_t(item->data(kLengthRole).toULongLong());
  return hit;
}

void TSearchResultsPanel::Cancel() {
  if (!thread_) return;
  stop_->store(true);
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void TSearchResultsPanel::Start(const TEntryStore& store, TDate first, TDate last, const QString& text,
                                const TSearchOptions& options) {
  Cancel();
  const unsigned generation = ++generation_;
  results_->clear();
  text_ = text;
  status_->setText(QStringLiteral("Searching for \"%1\"...").arg(text));
  stop_ = std::make_shared<std::atomic<bool>>(false);
  // The worker has its own copies of everything it reads; what it finds comes
  // back through the event loop, marked with the search it belongs to.
  thread_ = QThread::create([this, store, first, last, utf8 = text.toStdString(), options, stop = stop_,
                             generation] {
    TSearchResult r = SearchHits(
        store, first, last, utf8, options,
        [&](const TSearchHit& hit) {
          QMetaObject::invokeMethod(this, [this, generation, hit] { AddHit(generation, hit); },
                                    Qt::QueuedConnection);
        },
        stop.get());
    if (stop->load()) return;
    const QString skipped = QString::fromStdString(SkippedDaysMessage(r));
    QMetaObject::invokeMethod(this, [this, generation, skipped] { Done(generation, skipped); },
                              Qt::QueuedConnection);
  });
  thread_->start();
  show();
}

void TSearchResultsPanel::ShowList(const QString& status, const std::vector<TSearchHit>& hits) {
  Cancel();
  const unsigned generation = ++generation_;
  results_->clear();
  for (const TSearchHit& hit : hits) AddHit(generation, hit);
  status_->setText(status);
  show();
}

void TSearchResultsPanel::AddHit(unsigned generation, const TSearchHit& hit) {
  if (generation != generation_) return;
  auto* item = new QListWidgetItem(QString::fromStdString(LongDate(hit.day)) + "\n" +
                                   QString::fromStdString(hit.line));
  item->setData(kDayRole, qlonglong(hit.day.time_since_epoch().count()));
  item->setData(kPositionRole, qulonglong(hit.position));
  item->setData(kLengthRole, qulonglong(hit.length));
  item->setToolTip(QString::fromStdString(ShortDate(hit.day)));
  results_->addItem(item);
  status_->setText(QStringLiteral("Searching for \"%1\": %2 so far...").arg(text_, CountText(results_->count())));
}

void TSearchResultsPanel::Done(unsigned generation, const QString& skipped) {
  if (generation != generation_) return;
  if (thread_) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
  }
  const int hits = results_->count();
  status_->setText(hits == 0 ? QStringLiteral("No matches")
                             : QStringLiteral("\"%1\": %2, the newest first").arg(text_, CountText(hits)));
  emit Finished(hits, skipped);
}

}  // namespace quillet
