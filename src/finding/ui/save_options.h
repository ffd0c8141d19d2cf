// SPDX-License-Identifier: GPL-3.0-or-later
/** TSaveOptions: which entries to export, and the directory the RTF files go to. */
#pragma once

#include <finding/ui/range_options.h>

#include <QString>

class QLabel;

namespace quillet {

class TSaveOptions : public TRangeOptions {
  Q_OBJECT
 public:
  explicit TSaveOptions(QWidget* parent = nullptr);

  // The chosen directory; set by the caller before showing.
  QString Directory() const;
  void SetDirectory(const QString& directory);

  // Says, under the path, that the exported files are not protected: shown
  // when the diary has a password.
  void WarnUnprotected(bool warn);
  QLabel* UnprotectedWarning() const { return unprotected_; }

  // Asks for a directory, starting at the given one; gives an empty text on
  // Cancel. A QFileDialog unless a test replaces it.
  std::function<QString(QWidget* parent, const QString& start)> chooseDirectory;

  QLineEdit* DirectoryBox() const { return directory_; }
  QPushButton* BrowseButton() const { return browse_; }

 private:
  QLineEdit* directory_ = nullptr;
  QPushButton* browse_ = nullptr;
  QLabel* unprotected_ = nullptr;
};

}  // namespace quillet
