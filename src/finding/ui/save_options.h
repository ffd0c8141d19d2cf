// SPDX-License-Identifier: GPL-3.0-or-later
/** TSaveOptions: which entries to export, in which format, and the directory the files go to. */
#pragma once

#include <finding/export.h>
#include <finding/ui/range_options.h>

#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;

namespace quillet {

class TSaveOptions : public TRangeOptions {
  Q_OBJECT
 public:
  explicit TSaveOptions(QWidget* parent = nullptr);

  // The chosen directory; set by the caller before showing.
  QString Directory() const;
  void SetDirectory(const QString& directory);

  // The format chosen, RTF at first; whether an HTML export goes into one
  // page; whether RTF files get the date as their first paragraph.
  TExportFormat Format() const;
  void SetFormat(TExportFormat format);
  bool OneFile() const;
  bool Heading() const;

  // Says, under the path, that the exported files are not protected: shown
  // when the diary has a password.
  void WarnUnprotected(bool warn);
  QLabel* UnprotectedWarning() const { return unprotected_; }

  // Asks for a directory, starting at the given one; gives an empty text on
  // Cancel. A QFileDialog unless a test replaces it.
  std::function<QString(QWidget* parent, const QString& start)> chooseDirectory;

  QLineEdit* DirectoryBox() const { return directory_; }
  QPushButton* BrowseButton() const { return browse_; }
  QComboBox* FormatBox() const { return format_; }
  QCheckBox* OneFileBox() const { return oneFile_; }
  QCheckBox* HeadingBox() const { return heading_; }

 private:
  QLineEdit* directory_ = nullptr;
  QPushButton* browse_ = nullptr;
  QLabel* unprotected_ = nullptr;
  QLabel* names_ = nullptr;  // how the files will be named
  QComboBox* format_ = nullptr;
  QCheckBox* oneFile_ = nullptr;
  QCheckBox* heading_ = nullptr;
  // The two choices as the user left them, for the formats where they are
  // choices: the boxes show the fixed answer of the other formats.
  bool htmlOneFile_ = false;
  bool rtfHeading_ = false;

  // Shows the choices and the file names that go with the format.
  void FormatChanged();
};

}  // namespace quillet
