// SPDX-License-Identifier: GPL-3.0-or-later
/** "Restore Deleted Entry": the deleted entries, newest day first, to put one back. */
#pragma once

#include <diary/entry_store.h>

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QListWidget;

namespace quillet {

class TRestoreDeletedDialog : public QDialog {
  Q_OBJECT
 public:
  // `firstLine` gives the first line of a deleted entry's text, shown beside
  // its day so that two copies of one day can be told apart.
  TRestoreDeletedDialog(std::vector<TDeletedEntry> entries,
                        const std::function<std::string(const TDeletedEntry&)>& firstLine,
                        QWidget* parent = nullptr);

  QListWidget* List() const { return list_; }
  // The entry chosen once the dialog was accepted.
  std::optional<TDeletedEntry> Chosen() const;

 private:
  std::vector<TDeletedEntry> entries_;
  QListWidget* list_;
};

// "7 December 2026 16:44:05" style text of a deletion stamp "yyyymmddhhmmss".
std::string DeletedAtText(const std::string& stamp);

}  // namespace quillet
