// SPDX-License-Identifier: GPL-3.0-or-later
/** The "Load Image File" dialog: folders, picture files, a preview scaled from 25 to 200 percent. */
#pragma once

#include <QDialog>
#include <QImage>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTreeView;

namespace quillet {

class TSmartImage;

// Walks the folders, previews the picture file chosen in the file list and
// scales the preview; on modal result 1, Picture() is the picture to insert
// (at the chosen scale), as InsertPicture puts it into an entry. A file that
// cannot be read shows "Error loading file!" with its name and the reason,
// and clears the preview; "Ok" then does nothing.
class TImageBrowser : public QDialog {
  Q_OBJECT
 public:
  explicit TImageBrowser(QWidget* parent = nullptr, const QString& startDir = QString());

  // The picture files listed: the kinds of old, with PNG, GIF and WebP.
  static const char* const kMask;

  void SetDirectory(const QString& dir);
  QString Directory() const { return dir_; }
  QString SelectedFile() const;  // the full path, or empty
  const QImage& Picture() const { return scaled_; }

  QComboBox* DriveComboBox1;      // the places to start from: "/", home, pictures
  QLineEdit* DirectoryEdit;       // the folder's path, to read or to type
  QTreeView* DirectoryListBox1;   // the folder tree
  QListWidget* FileListBox1;      // the picture files of the folder
  QLabel* Image1;                 // the preview
  TSmartImage* SmartImage1;       // hidden: loads the files
  QSpinBox* SpinEdit1;            // 25 to 200 percent, step 5
  QPushButton* OKButton;
  QPushButton* Cancelbutton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FileListBox1Change();
  void SpinEdit1Change();
  void OKButtonClick();
  void FillFileList();
  void ShowInTree();
  void DirectoryEditEnter();

  QFileSystemModel* dirs_;
  QString dir_;
  bool followingTree_ = false;  // the tree is being moved to dir_
  bool movingInFiles_ = false;  // a key is passed on to the file list
  QImage original_;  // the picture at 100 percent
  QImage scaled_;
};

}  // namespace quillet
