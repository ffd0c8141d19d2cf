/** The "Load Image File" dialog: folders, picture files, a preview scaled from 25 to 200 percent. */
#pragma once

#include <QDialog>
#include <QImage>

class QComboBox;
class QFileSystemModel;
class QLabel;
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

  static const char* const kMask;  // "*.BMP;*.DIB;*.JPG;*.JIF;*.PCX;*.RLE;*.TGA;*.ICO"

  void SetDirectory(const QString& dir);
  QString Directory() const { return dir_; }
  QString SelectedFile() const;  // the full path, or empty
  const QImage& Picture() const { return scaled_; }

  QComboBox* DriveComboBox1;      // the places to start from: "/" and the home folder
  QTreeView* DirectoryListBox1;   // the folder tree
  QListWidget* FileListBox1;      // the picture files of the folder
  QLabel* Image1;                 // the preview
  TSmartImage* SmartImage1;       // hidden: loads the files
  QSpinBox* SpinEdit1;            // 25 to 200 percent, step 5
  QPushButton* OKButton;
  QPushButton* Cancelbutton;

 private:
  void FileListBox1Change();
  void SpinEdit1Change();
  void OKButtonClick();
  void FillFileList();

  QFileSystemModel* dirs_;
  QString dir_;
  QImage original_;  // the picture at 100 percent
  QImage scaled_;
};

}  // namespace quillet
