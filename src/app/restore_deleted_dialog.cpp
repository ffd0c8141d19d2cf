// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/restore_deleted_dialog.h>

#include <QDateTime>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

std::string DeletedAtText(const std::string& stamp) {
  QDateTime at = QDateTime::fromString(QString::fromStdString(stamp), QStringLiteral("yyyyMMddHHmmss"));
  return ShortDateTime(at);
}

TRestoreDeletedDialog::TRestoreDeletedDialog(
    std::vector<TDeletedEntry> entries,
    const std::function<std::string(const TDeletedEntry&)>& firstLine, QWidget* parent)
    : QDialog(parent), entries_(std::move(entries)), list_(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Restore Deleted Entry"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("&Deleted entries, the latest day first:"), this);
  label->setBuddy(list_);
  layout->addWidget(label);
  for (const TDeletedEntry& e : entries_) {
    QString text = QString::fromStdString(LongDate(e.day)) + QStringLiteral("  (deleted ") +
                   QString::fromStdString(DeletedAtText(e.deletedAt)) + QStringLiteral(")");
    const std::string line = firstLine(e);
    if (!line.empty()) text += QStringLiteral("\n    ") + QString::fromStdString(line);
    list_->addItem(text);
  }
  list_->setCurrentRow(0);
  list_->setMinimumWidth(420);
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Restore"));
  buttons->button(QDialogButtonBox::Ok)->setEnabled(!entries_.empty());
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
}

std::optional<TDeletedEntry> TRestoreDeletedDialog::Chosen() const {
  const int row = list_->currentRow();
  if (result() != QDialog::Accepted || row < 0 || size_t(row) >= entries_.size()) return std::nullopt;
  return entries_[size_t(row)];
}

}  // namespace quillet
